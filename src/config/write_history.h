// The history of configuration writes: one file per transmitter serial
// number in the "history" folder of the configuration folder, in JSON Lines
// (one object a line, UTF-8), appended and flushed, never rewritten.
//
// Every configuration write that reaches a transmitter appends one record:
// Write in the window, the pending-changes offer, and orvctl write. A write
// that changes nothing is recorded with no changes; a write that failed is
// recorded with its error and the settings it was meant to change.
#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

// One changed setting, named and formatted as the configuration page shows it.
struct t_history_change {
  QString caption;    // "Delay", "Product 3: Product name"
  int32_t reg = -1;   // the register (the first of a group)
  QString old_value;  // as the page shows it
  QString new_value;
};

struct t_history_record {
  QDateTime utc;  // UTC
  QString program;
  QString version;
  QString user;
  QString port;  // "COM3"
  int32_t address = 0;
  QString serial;  // the transmitter's serial number as the window shows it
  QString firmware;
  QString sensor_mode;
  bool read_back_ok = false;              // the read-back after the write matched
  QString error;                          // empty when the write succeeded
  std::vector<t_history_change> changes;  // empty: the write changed nothing
};

// <configuration folder>/history/<serial>.jsonl
QString history_path(const QString& serial);

// Appends one record and flushes it. False with a message in *err (the
// caller warns; the write itself is not blocked).
bool append_history(const t_history_record& rec, QString* err = nullptr);

struct t_history_read {
  std::vector<t_history_record> records;  // oldest first
  std::vector<int32_t> bad_lines;         // 1-based numbers of skipped damaged lines
};
// Reads a transmitter's history; a damaged line is skipped and its number kept.
t_history_read read_history(const QString& serial);

// ---- building and showing records ------------------------------------------------------
struct t_diff_line;
struct t_param_set;

// The user name of this session (USER, else USERNAME), "unknown" without one.
QString history_user();
// The changes of a diff (old: what the transmitter held, new: what was written).
std::vector<t_history_change> history_changes(const std::vector<t_diff_line>& diff);
// A record of a write to device slot d: the time now, the user, the serial
// number, firmware and sensor mode from its status image, and the changes
// from `before` (what the transmitter held) to `written`.
t_history_record write_record(int d, const QString& program, const QString& port, int32_t address,
                              const t_param_set& before, const t_param_set& written);

// One record as one JSON object (the line stored), and back; false when the
// object is no record.
QByteArray history_json(const t_history_record& rec);
bool history_from_json(const QByteArray& line, t_history_record& rec);

// "read back unchanged", "read back with differences", "nothing changed",
// "failed: <error>".
QString history_result_text(const t_history_record& rec);
// One changed setting: Caption: "old" -> "new".
QString history_change_text(const t_history_change& c);
// A record as text for a reader: a heading line (local time, user, program,
// port and address, firmware, sensor mode, result) and a line per change.
QString history_record_text(const t_history_record& rec);
