#include "ui/chart_adapters.h"

#include "calib/calib_pick.h"
#include "ui/main_form.h"

#include <QMenu>
#include <QTabWidget>

int window_chart_frame::shown_page() const { return TMainForm::page_tag(form_.pgctrl_main->currentWidget()); }

bool window_chart_frame::started() const { return form_.init_complete; }

bool window_chart_frame::export_allowed(bool bitmap) const {
  return (form_.cmd_mask & (bitmap ? CMD_EXP_BMP : CMD_EXP_CSV)) != 0;
}

bool window_cal_grid_menu::take_grid_menu(int chart, int row, int col, const QPoint& global_pos) {
  const std::optional<float> value = grid_cal_value(chart, row, col);
  if (!value || !form_.prep_cal_menu()) return false;
  form_.calib_data = cal_pick_raw(*value);
  form_.ball_position = global_pos;
  form_.menp_cal->popup(global_pos);
  return true;
}
