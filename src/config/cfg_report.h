// The content of a commissioning report, free of widgets and painting: who
// made it and when, the transmitter's identity, every field of the
// configuration pages (config/cfg_fields.h), the products in use, the analog
// output, the newest history records and, from the window, the device's link
// figures. config/report_pdf.h draws it.
#pragma once

#include "config/cfg_fields.h"
#include "config/write_history.h"

#include <QDateTime>
#include <QString>

#include <utility>
#include <vector>

inline constexpr int REPORT_HISTORY_RECORDS = 10;

using t_report_pairs = std::vector<std::pair<QString, QString>>;  // caption, value

struct t_report {
  QString program;  // "orvctl", "OrvConfig"
  QString version;
  QString user;
  QDateTime created;  // local time
  QString source;     // where the configuration came from: the line, or the file
  t_report_pairs identity;
  t_cfg_fields fields;
  std::vector<t_history_record> history;  // newest first, at most REPORT_HISTORY_RECORDS
  std::vector<int32_t> history_bad_lines;
  t_report_pairs link;  // the window's link figures of the device; empty elsewhere
};

// What the configuration does not tell about the transmitter.
struct t_report_origin {
  QString program;
  QString source;
  QString device_title;  // the device group's caption (the connection's tag); empty off-line
  QString firmware;      // empty: not known (a parameter set file)
  int32_t sensor_mode = 0;
};

// The report of the active configuration (empty fields when it is not
// valid), with the history of its serial number.
t_report cfg_report(const t_report_origin& origin, const gain_text_fn& gain_text = {});

// The user who makes the report: the login name.
QString report_user();

// "<tag or serial number>-<yyyy-MM-dd>.pdf", with characters that file names
// do not take replaced by "_".
QString report_file_name(const t_report& r);
