// The calibration curve diagram, and the calibration point taken from a
// cursor value of a chart's channel grid.
#include "calib/calib_cfg_access.h"
#include "calib/calib_ctl.h"
#include "calib/calib_pick.h"
#include "calib/calib_points_dlg.h"
#include "config/active_cfg.h"
#include "config/reg_codec.h"
#include "core/common_data.h"
#include "texts/text_table.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QToolTip>

namespace {

constexpr int PROD_REG_CAL_RAW = 12;  // raw value of point k: registers 12 + 2k, 13 + 2k

}  // namespace

void calib_ctl::cmd_cal_diagClick() {
  if (!calib_points_) calib_points_ = new TCalib_points(window_);
  TCalib_points* dlg = calib_points_;
  dlg->curr_unit = pages_.range_unit();
  dlg->rng_beg = pages_.range_begin();
  dlg->rng_end = pages_.range_end();
  if (dlg->isVisible()) {
    // Shown already: the points as they are now.
    dlg->load_points();
    dlg->draw_diagram();
  }
  dlg->show();
  dlg->raise();
  dlg->activateWindow();
}

void calib_ctl::build_cal_menu() {
  menp_cal_ = new QMenu(window_);
  menp_cal_->setObjectName("menp_cal");
  for (int k = 0; k < 5; ++k) {
    QAction* a = menp_cal_->addAction(QString());
    a->setObjectName(QString("menp_cal_pt%1").arg(k + 1));
    a->setProperty("Tag", k);
    connect(a, &QAction::triggered, this, [this, k] { menp_cal_pt1Click(k); });
    menp_cal_pt_[k] = a;
  }
  if (QAbstractButton* b = pages_.diagram_button())
    connect(b, &QAbstractButton::clicked, this, &calib_ctl::cmd_cal_diagClick);
}

bool calib_ctl::take_grid_menu(int chart, int row, int col, const QPoint& global_pos) {
  const std::optional<float> value = grid_cal_value(chart, row, col);
  if (!value || !prep_cal_menu()) return false;
  calib_data_ = cal_pick_raw(*value);
  ball_position_ = global_pos;
  menp_cal_->popup(global_pos);
  return true;
}

bool calib_ctl::prep_cal_menu() {
  if (!cfg_addressable()) return false;
  const int d = selected_device();
  const QString prefix = d >= 0 ? common_setup.dev_conn[d].tag.get() + " - " : QString();
  const int count = cal_menu_items(pages_.cal_point_count());
  for (int k = 0; k < 5; ++k) {
    menp_cal_pt_[k]->setText(cal_menu_caption(prefix, k, pages_.cal_point_text(k)));
    menp_cal_pt_[k]->setVisible(k < count);
  }
  return true;
}

void calib_ctl::menp_cal_pt1Click(int tag) {
  if (tag < 0 || tag >= 5) return;
  const t_reg_addr a = edited_prod_reg(PROD_REG_CAL_RAW + 2 * tag);
  if (!a || a.room() < 2) return;  // no edited product
  put_i32(a, calib_data_);
  QToolTip::showText(ball_position_, msg_text(86), window_);
  pages_.product_changed();
}
