// The CSV export of a chart: one line per 200 ms slot of a window of
// slots, a time column and one column per active channel, written as it is
// produced (never the whole file in memory) through a temporary file that
// replaces the target only when it is complete.
//
// The window's export writes UTF-16 little-endian text with a byte order
// mark and CR LF line ends, the decimal point and field separator of the
// export setup, a header of "Time" and the channel descriptions with their
// units, and closes every line with the field separator. The RFC 4180
// dialect (orvctl --rfc4180) writes UTF-8, quoted header fields, ISO 8601
// times and no closing separator. Widget-free.
#pragma once

#include <QDate>
#include <QString>

#include <cstdint>

struct t_csv_format {
  QString dec = ".";    // replaces the decimal point of the numbers
  QString field = ",";  // between the columns
  bool rfc4180 = false;
  QDate date;  // rfc4180: the day of the slots; invalid: times without a date
};

// The separators of the window's export from the export setup texts:
// "(default)" or empty the system's decimal / list separator, "(TAB)" a
// tab, "(space)" a blank, anything else as it was typed.
t_csv_format export_format(const QString& decp_separator, const QString& field_separator);

// The time column of slot s: "hh:nn:ss" with the system's time separator,
// then dec and the hundredths ("00", "20", "40", "60", "80").
QString csv_time_text(int32_t slot, const QString& dec);

// Writes the CSV of chart `chart` over the slots first..last (slots below
// 0 and above the day are left out; slots where no channel has a value
// give no line). False with the system's message in *error when the file
// could not be written; the target is then unchanged. *lines (when given)
// counts the data lines.
bool write_chart_csv(int chart, int32_t first, int32_t last, const t_csv_format& fmt, const QString& path,
                     QString* error, int64_t* lines = nullptr);
