// What the window gives its chart parts: the frame's state (chart_frame)
// and, until the calibration part takes it, the calibration-point menu on
// a right-click in a channel grid (grid_menu_hook).
#pragma once

#include "charts/chart_frame.h"
#include "charts/grid_menu_hook.h"

class TMainForm;

class window_chart_frame final : public chart_frame {
 public:
  explicit window_chart_frame(const TMainForm& form) : form_(form) {}
  int shown_page() const override;
  bool started() const override;
  bool export_allowed(bool bitmap) const override;

 private:
  const TMainForm& form_;
};

// A cursor value of a raw-value channel offers itself as a calibration
// point: menp_cal instead of the channel menu.
class window_cal_grid_menu final : public grid_menu_hook {
 public:
  explicit window_cal_grid_menu(TMainForm& form) : form_(form) {}
  bool take_grid_menu(int chart, int row, int col, const QPoint& global_pos) override;

 private:
  TMainForm& form_;
};
