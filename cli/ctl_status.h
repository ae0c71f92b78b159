// What orvctl status shows: the transmitter's status block and its newest
// sample, decoded as the window's status display decodes them, as text
// lines or as one JSON object.
#pragma once

#include "comm/link_stats.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

struct t_ctl_status {
  QString serial;         // device serial number (status registers 66..77), blanks trimmed
  QString sensor_serial;  // status registers 78..80 in decimal
  QString firmware;       // "1.05"
  int sensor_mode = 0;
  int product = 1;  // the product in use, 1..32
  std::optional<QString> product_name;
  // As the status display shows them.
  QString meas, raw, temp, al1, al2, stat, err_code;
  // The same as numbers and flags.
  std::optional<double> value;  // none while saturated or without a value
  QString unit;
  int decimals = 0;
  std::optional<int32_t> raw_value;  // none while saturated
  bool saturated = false;
  double temp_c = 0.0;
  bool fahrenheit = false;
  bool alarm1 = false, alarm2 = false;
  bool sensor_error = false, system_error = false;
  uint16_t status_word = 0, error_word = 0;
  // This exchange's link figures: requests, answers and their times.
  t_link_view link;
};

// The status of device slot d from its records after a poll.
t_ctl_status ctl_status_of(int d);

// "Label: value" lines, labels from the text table.
QString ctl_status_text(const t_ctl_status& v);

// One JSON object.
QJsonObject ctl_status_json(const t_ctl_status& v);
