// Turning what the user types, picks or ticks in the configuration controls
// back into register values of the active configuration: key filtering,
// numbers with implied decimal places, limit checks and the store routines.
//
// Nothing here shows a window. Each routine returns what the control shows
// afterwards and the error text to report (message 3/4, 5 or 6 of the text
// table); the page handlers show it in the error box.
#pragma once

#include "config/active_cfg.h"

#include <QString>
#include <QStringView>

#include <cstdint>

enum key_mode_t : int {
  KEY_TEXT = 0,     // every key but "|"
  KEY_NUMERIC = 1,  // digits, "-" and one decimal separator
};

// True when the key passes; false swallows it. Control keys (codes 0..31)
// always pass. The decimal separator passes only when sep_allowed is set and
// text does not hold one yet.
bool filter_key(QChar key, int mode, bool sep_allowed, QStringView text);

struct t_scaled {
  int64_t value = 0;
  bool ok = false;
};
// The text as an integer with dec implied decimals: further digits are cut,
// missing ones filled with 0 (dec 2: "1.5" 150, "1.239" 123, "-0.5" -50,
// "" 0). With dec <= 0 the fraction is dropped and an empty text is not a
// number. Blanks around the number are allowed.
t_scaled parse_scaled(QStringView text, int dec);

// What an entry did.
struct t_entry_result {
  bool handled = false;  // the control has a row and a register: shown applies
  bool stored = false;   // a register was written
  bool refused = false;  // the entry was rejected; the register is unchanged
  QString shown;         // the register's value as it now stands, as the control shows it
  QString error;         // text for the error box; empty when there is none
};

// A word: parsed with dec, checked against min..max (no limits when both
// are 0; the value must then still fit 16 signed bits), the low 16 bits stored.
t_entry_result enter_word(const QString& text, const t_reg_addr& a, int dec, int32_t min, int32_t max);
// The same for an int32 in two registers.
t_entry_result enter_int32(const QString& text, const t_reg_addr& a, int dec, int32_t min, int32_t max);
// A float typed in the system's number format into value, checked against
// min..max unless both are 0; with clamp a value above max stores max (and
// still reports the range). NaN and the infinities are not numbers. The
// range message and shown use dec decimals; a refused entry leaves value.
t_entry_result enter_float_value(const QString& text, int dec, float min, float max, bool clamp, float& value);
// A float in the system's number format, checked against min..max unless
// both are 0; with clamp a value above max stores max. NaN and the
// infinities are not numbers. The range message and shown use dec decimals
// (0..FLOAT_DEC_MAX), as the field shows the value when it is refreshed.
t_entry_result enter_float(const QString& text, const t_reg_addr& a, int dec, float min, float max, bool clamp);
// A text of n characters: trimmed, "|" removed, cut to n (with messages 3
// and 4) or padded with blanks.
t_entry_result enter_text(const QString& text, const t_reg_addr& a, int n);

// The entry of a bound edit (its row by name, the mode-excluded rows
// skipped). Not handled when it has no row or no register.
t_entry_result store_edit_entry(QStringView name, const QString& text);
// A combo box choice: register (or its masked bits) = item index + dec_pl.
// False when nothing was stored (no row, row excluded, no register, no item).
bool store_combo_entry(QStringView name, int item_index);
// A check box: its mask bits set or cleared, the other bits unchanged.
bool store_check_entry(QStringView name, bool checked);
