// Every field of the configuration pages as a reader sees it, free of
// widgets: the pages with their groups as laid out in the window, each field
// with the caption, value and unit the page shows for the active
// configuration (captions from the text table, so a language pack applies);
// the products in use with their settings, and the analog output with its
// calibrated end points. The commissioning report prints them; orvctl
// builds them from a parameter set loaded as the off-line configuration.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

struct t_cfg_field {
  QString name;     // the control: "txt_al1_del"
  QString caption;  // "Delay"
  QString value;    // "2.5"; empty where the page shows nothing (an alarm limit that is off)
  QString unit;     // "s"; empty when the page shows none
};

struct t_cfg_group {
  QString name;     // "grp_alarm_1"
  QString caption;  // "Relay 1"
  std::vector<t_cfg_field> fields;
};

struct t_cfg_page {
  QString name;     // "tab_outputs"
  QString caption;  // "Outputs"
  std::vector<t_cfg_group> groups;
};

struct t_cal_point {
  QString value;  // the calibrated value, with the product's decimals
  QString raw;    // its raw value
};

// One product of the products page, as its fields show it.
struct t_cfg_product {
  int index = 0;  // 0..23
  QString name;
  QString unit;
  QString decimals;  // as the decimal point box shows it: "00.00"
  QString range_begin, range_end, low_flow;
  QString median, pt1, screw;  // the filters (Pt1 and screw in s)
  // Alarm #1, alarm #2, alarm of the analog output: minimum, maximum, hysteresis.
  QString alarm[3][3];
  std::vector<t_cal_point> cal_points;  // the points the page shows (2..5)
  uint16_t gain_word = 0;               // register 1: the gain step's word
  QString gain;                         // as the page shows it: "[ 34.6 ]"
  bool is_default = false;
  // The page's groups of this product (Product, Filter, Alarms, Calibration).
  std::vector<t_cfg_group> groups;
};

struct t_cfg_aout {
  QString mode;  // "Current output 4..20mA"
  bool voltage = false;
  QString alarm_value;  // with its unit
  struct t_end {
    QString caption;  // "Calibration 4mA"
    int32_t drive = 0;
    int32_t feedback = 0;
  } ends[2];
};

struct t_cfg_fields {
  // Transmitter settings, Digital inputs, Outputs and the products page's
  // own field (the products CRC); its product groups are in products.
  std::vector<t_cfg_page> pages;
  std::vector<t_cfg_product> products;  // in use: the default product, then those the inputs select
  t_cfg_aout aout;
  QString tag, serial;  // trimmed
  int32_t address = 0;
  QString baud, parity;
};

// The text of a product's gain word as the page shows it (the gain model
// lives in a later library; without one the word shows in hexadecimal).
using gain_text_fn = std::function<QString(uint16_t word)>;

// The fields of the active configuration (nothing when it is not valid).
// device_title captions the device group as the page does (the device's tag;
// empty: "Offline configuration"). The edited product index is left as it was.
t_cfg_fields cfg_fields(const QString& device_title = {}, const gain_text_fn& gain_text = {});

// The caption of a control as its page shows it: its label's text (lbl_
// for txt_ and cmb_), else its own caption, else its name.
QString cfg_control_caption(const QString& name);
