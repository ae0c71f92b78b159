// The configuration pages as the calibration part sees them, for as long as
// the window itself holds the pages: their controls by name, and the
// window's show routines.
#pragma once

#include "calib/calib_cfg_access.h"

class TMainForm;

class calib_cfg_adapter final : public calib_cfg_access {
 public:
  explicit calib_cfg_adapter(TMainForm& form) : form_(form) {}

  QAbstractButton* read_raw_button(int k) override;
  QAbstractButton* auto_gain_button() override;
  QAbstractButton* manual_gain_button() override;
  QAbstractButton* diagram_button() override;
  QString range_unit() const override;
  float range_begin() const override;
  float range_end() const override;
  int cal_point_count() const override;
  QString cal_point_text(int k) const override;

  QScrollBar* output_bar(int end) override;
  QLabel* output_bar_label(int end) override;
  QAbstractButton* output_confirm_button(int end) override;
  bool voltage_output() const override;

  void product_changed() override;
  void params_changed() override;

 private:
  TMainForm& form_;
};
