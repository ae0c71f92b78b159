// TMainForm: the calibration curve diagram and the calibration point taken
// from a chart cursor.
#include "calib/calib_pick.h"
#include "calib/calib_points_dlg.h"
#include "config/active_cfg.h"
#include "config/cfg_pages.h"
#include "config/reg_codec.h"
#include "core/common_data.h"
#include "core/sys_number.h"
#include "texts/text_table.h"
#include "ui/main_form.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>

namespace {

constexpr int PROD_REG_CAL_RAW = 12;  // raw value of point k: registers 12 + 2k, 13 + 2k

// The number in an edit of the products page; 0 when it holds none.
float edit_number(QWidget* page, const char* name) {
  float v = 0.0f;
  if (auto* e = page->findChild<QLineEdit*>(name)) parse_sys_float(e->text(), v);
  return v;
}

}  // namespace

TCalib_points* TMainForm::calib_points_dialog() {
  if (!Calib_points) Calib_points = new TCalib_points(this);
  return Calib_points;
}

void TMainForm::cmd_cal_diagClick() {
  TCalib_points* dlg = calib_points_dialog();
  if (auto* u = pages().products_page()->findChild<QLabel*>("x_lbl_rng_beg_u")) dlg->curr_unit = u->text();
  dlg->rng_beg = edit_number(pages().products_page(), "txt_rng_beg");
  dlg->rng_end = edit_number(pages().products_page(), "txt_rng_end");
  if (dlg->isVisible()) {
    // Shown already: the points as they are now.
    dlg->load_points();
    dlg->draw_diagram();
  }
  dlg->show();
  dlg->raise();
  dlg->activateWindow();
}

void TMainForm::build_cal_menu() {
  menp_cal = new QMenu(this);
  menp_cal->setObjectName("menp_cal");
  for (int k = 0; k < 5; ++k) {
    QAction* a = menp_cal->addAction(QString());
    a->setObjectName(QString("menp_cal_pt%1").arg(k + 1));
    a->setProperty("Tag", k);
    connect(a, &QAction::triggered, this, [this, k] { menp_cal_pt1Click(k); });
    menp_cal_pt[k] = a;
  }
  if (auto* b = pages().products_page()->findChild<QPushButton*>("cmd_cal_diag"))
    connect(b, &QPushButton::clicked, this, &TMainForm::cmd_cal_diagClick);
}

void TMainForm::grid_cell_at(QTableWidget* grid, int x, int y, int& row, int& col) const {
  row = grid->rowAt(y);
  col = grid->columnAt(x);
}

bool TMainForm::grid_cal_value(QTableWidget* grid, int x, int y, float& value) const {
  int row = -1;
  int col = -1;
  grid_cell_at(grid, x, y, row, col);
  const int chart = grid->property("Tag").toInt();
  const std::optional<float> v = ::grid_cal_value(chart, row, col);
  if (!v) return false;
  value = *v;
  return true;
}

bool TMainForm::prep_cal_menu() {
  if (!cfg_addressable()) return false;
  const int d = selected_device();
  const QString prefix = d >= 0 ? common_setup.dev_conn[d].tag.get() + " - " : QString();
  const int count = cal_menu_items(pages().products_page()->findChild<QComboBox*>("x_cmb_cal_pts")->currentIndex());
  for (int k = 0; k < 5; ++k) {
    auto* ref = pages().products_page()->findChild<QLineEdit*>(QString("txt_cal_%1").arg(k + 1));
    menp_cal_pt[k]->setText(cal_menu_caption(prefix, k, ref ? ref->text() : QString()));
    menp_cal_pt[k]->setVisible(k < count);
  }
  return true;
}

void TMainForm::menp_cal_pt1Click(int tag) {
  if (tag < 0 || tag >= 5) return;
  const t_reg_addr a = edited_prod_reg(PROD_REG_CAL_RAW + 2 * tag);
  if (!a || a.room() < 2) return;  // no edited product
  put_i32(a, calib_data);
  ball_hint = msg_text(86);
  QToolTip::showText(ball_position, ball_hint, this);
  pages().show_products_tab();
}
