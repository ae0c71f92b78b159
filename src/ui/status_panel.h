// The widget side of the live status display: the group x_grp_current with
// the live values of the selected device, the sensor serial number controls,
// and the once-a-second update of those and of the device panel images.
// The decoding itself is comm/status_decode.h.
#pragma once

#include <QLabel>
#include <QLineEdit>

#include <functional>

class QGroupBox;
class QWidget;

// The group x_grp_current: caption labels (texts of the main form) and the
// value labels x_lbl_curr_meas_val, x_lbl_curr_raw_val, x_lbl_curr_temp_val,
// x_lbl_curr_al1_val, x_lbl_curr_al2_val, x_lbl_curr_stat, x_lbl_curr_link_val
// (caption x_lbl_curr_link: the device's link line), x_lbl_stat_prod,
// x_lbl_err_code and x_lbl_firmware, in a two-column form.
QGroupBox* build_current_group(QWidget* parent);

// The sensor serial number: label lbl_sens_serial and read-only edit
// txt_sens_serial, both children of parent (the caller lays them out).
struct sens_serial_controls {
  QLabel* label = nullptr;
  QLineEdit* edit = nullptr;
};
sens_serial_controls build_sens_serial(QWidget* parent);

// Applies the current status to the controls found by name under
// main_window (missing controls are skipped): one image per device panel
// img_devN_ok / _discon / _err / _disable with its hint, the live group and
// the serial number. red_dsp_tout is the red-highlight countdown; it is set
// to 30 by saturation or a warning (the caller counts it down).
void update_status_display(QWidget* main_window, int& red_dsp_tout);

// A left click on lbl_curr_meas, x_lbl_curr_meas_val, lbl_curr_raw or
// x_lbl_curr_raw_val under main_window calls on_click (the main window sets
// red_dsp_tout = 0 there). Call once after the group was built.
void connect_value_clicks(QWidget* main_window, std::function<void()> on_click);
