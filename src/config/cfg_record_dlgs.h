// The read-only lists of the configuration records in the window: a
// transmitter's history of writes (newest first) and the differences
// between a transmitter and a parameter set file. Each opens window-modal
// over its parent, closes with Esc and deletes itself when closed.
#pragma once

#include <QString>

#include <vector>

class QDialog;
class QWidget;
struct t_diff_line;

// The history of the transmitter with that serial number: a table of time
// (local), user, program, result and changes. Damaged lines of the history
// are noted with their numbers in the start-up log and under the table.
QDialog* open_history_dialog(QWidget* parent, const QString& serial);

// The differences, one a line as orvctl diff prints them, under a heading
// that names both sides; `problem` instead when the comparison failed.
QDialog* open_diff_dialog(QWidget* parent, const QString& heading, const std::vector<t_diff_line>& lines,
                          const QString& problem = QString());

// A caption of the text table, or the built-in English one while the
// language in use has no row for it.
QString record_caption(const char16_t* name, const char* fallback);
