// Numbers as texts in the system's number format: the decimal separator
// saved at start-up (sys_dec_sep), no group separators, no exponents.
#pragma once

#include <QString>

// The decimal separator numbers are shown with: sys_dec_sep, or "." before
// it is known.
QChar sys_dec_char();

// value with `decimals` decimals ("%1.<decimals>f"); decimals outside 0..17
// are taken as 0 or 17. Non-finite values give "NAN", "INF" or "-INF".
QString fmt_sys_fixed(int decimals, double value);

// Parses an optional "-" or "+", digits and at most one sys_dec_sep with
// further digits (blanks around the number are allowed). Rejects exponents,
// group separators, other separators and values that are not finite or do
// not fit a single-precision float. False leaves value unchanged.
bool parse_sys_float(const QString& text, float& value);

// The system's decimal, list and time separators (sys_dec_sep,
// sys_list_sep, sys_time_sep) from its locale, saved at start-up.
void save_sys_separators();
