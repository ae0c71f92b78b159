// What the calibration part needs of the configuration pages: the buttons
// that start its procedures, the analog output's end point controls on the
// Outputs page, a few values as the products page shows them, and a way to
// tell the pages that calibration changed the edited configuration.
#pragma once

#include <QString>

class QAbstractButton;
class QLabel;
class QScrollBar;

class calib_cfg_access {
 public:
  // ---- products page --------------------------------------------------------------
  // "Read raw value" of calibration point k (0..4); nullptr where there is none.
  virtual QAbstractButton* read_raw_button(int k) = 0;
  virtual QAbstractButton* auto_gain_button() = 0;
  virtual QAbstractButton* manual_gain_button() = 0;
  virtual QAbstractButton* diagram_button() = 0;
  // The unit of the measuring range as the page shows it.
  virtual QString range_unit() const = 0;
  // The measuring range's begin and end as typed on the page; 0 where the
  // field holds no number.
  virtual float range_begin() const = 0;
  virtual float range_end() const = 0;
  // The number of calibration points the page's selector shows.
  virtual int cal_point_count() const = 0;
  // The reference value of calibration point k (0..4) as the page shows it.
  virtual QString cal_point_text(int k) const = 0;

  // ---- Outputs page ---------------------------------------------------------------
  // The scroll bar of end point `end` (0 the low end, 1 the high end), the
  // label that shows its position and its Confirm button; nullptr where
  // there is none.
  virtual QScrollBar* output_bar(int end) = 0;
  virtual QLabel* output_bar_label(int end) = 0;
  virtual QAbstractButton* output_confirm_button(int end) = 0;
  // True when the page selects the voltage output, false for the current output.
  virtual bool voltage_output() const = 0;

  // ---- changes --------------------------------------------------------------------
  // The edited product changed (a raw value, a calibration point, the
  // gain): the products page shows it, with the products CRC.
  virtual void product_changed() = 0;
  // The edited device parameters changed (an output end point): the
  // settings, inputs and outputs pages show them again.
  virtual void params_changed() = 0;

 protected:
  ~calib_cfg_access() = default;
};
