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
