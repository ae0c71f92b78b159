// The calibration curve diagram and the calibration point taken from a
// chart cursor, in the main window offscreen against a simulated
// transmitter: the diagram of the edited product's points, drawn as one
// line by raw value with its extensions; the chart's pop-up for a raw-value
// channel's cursor value with one item per configured point, storing into
// the edit image only.
#include "calib/calib_diagram.h"
#include "calib/calib_pick.h"
#include "calib/calib_points_dlg.h"
#include "charts/draw_setup.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "config/reg_codec.h"
#include "config/window_rig.h"
#include "support/window_access.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>

#include <cmath>

namespace {

bool purple(QRgb c) {
  const int r = qRed(c), g = qGreen(c), b = qBlue(c);
  return std::abs(r - b) < 40 && g < r - 40;
}

// Some pixel within d of (x, y) is the curve's colour.
bool purple_near(const QImage& img, int x, int y, int d = 2) {
  for (int yy = y - d; yy <= y + d; ++yy)
    for (int xx = x - d; xx <= x + d; ++xx)
      if (img.valid(xx, yy) && purple(img.pixel(xx, yy))) return true;
  return false;
}

class CalibPoints : public WindowRig {
 protected:
  // Device selected, its edited product holding these points (raw, value).
  void with_points(std::initializer_list<std::pair<int32_t, float>> pts) {
    const int k_cnt = static_cast<int>(pts.size());
    edited_prod_reg(PROD_REG_CAL_PTS).set(static_cast<uint16_t>(k_cnt));
    int k = 0;
    for (const auto& [raw, val] : pts) {
      put_i32(edited_prod_reg(12 + 2 * k), raw);
      put_f32(edited_prod_reg(2 + 2 * k), val);
      ++k;
    }
    put_f32(edited_prod_reg(40), 0.0f);
    put_f32(edited_prod_reg(42), 100.0f);
    form_->pages().show_products_tab();
  }
};

}  // namespace

TEST_F(CalibPoints, TheDiagramDrawsPointsInAnyOrderAsOneLineWithItsExtensions) {
  start();
  form_->select_device(0);
  ASSERT_EQ(m_stat.dev_selected.load(), 0);
  // Entered out of order, one value above the range end.
  with_points({{200000, 20.0f}, {800000, 90.0f}, {500000, 120.0f}});
  show_page(*form_, products_page(*form_));
  products_page(*form_)->findChild<QPushButton*>("cmd_cal_diag")->click();
  TCalib_points* dlg = calib_diagram(*form_);
  ASSERT_TRUE(dlg && dlg->isVisible());
  EXPECT_EQ(dlg->windowTitle(), "Calibration points");
  EXPECT_EQ(dlg->cmd_close->text(), "Close");
  EXPECT_EQ(dlg->size(), QSize(650, 422));
  EXPECT_EQ(dlg->pnl_top->height(), 36);

  const t_cal_points& p = dlg->points();
  EXPECT_EQ(p.pts_cnt, 3);
  EXPECT_EQ(p.calib_raw[0], 800000);
  EXPECT_EQ(p.calib_raw[1], 500000);
  EXPECT_EQ(p.calib_raw[2], 200000);
  EXPECT_EQ(dlg->scale().end, 120.0f);  // raised to the point above the range
  EXPECT_EQ(dlg->scale().decp, 2);

  const QImage& img = dlg->image();
  const t_diag_layout& l = dlg->layout();
  EXPECT_EQ(img.size(), dlg->Image1->size());
  auto at = [&](double raw, double v) { return QPoint(raw_to_x(l, raw), val_to_y(l, dlg->scale(), v).value()); };
  auto drawn = [&](double raw, double v) { return purple_near(img, at(raw, v).x(), at(raw, v).y()); };
  // Every point, and the line between neighbours by raw value (not by entry order).
  for (int k = 0; k < 3; ++k) {
    const QPoint c = at(p.calib_raw[k], p.calib_vals[k]);
    EXPECT_TRUE(purple_near(img, c.x(), c.y() - 3, 1)) << k;
  }
  EXPECT_TRUE(drawn(650000, 105.0));
  EXPECT_TRUE(drawn(350000, 70.0));
  EXPECT_FALSE(drawn(500000, 55.0));  // the first entered point is not joined to the second
  // The extensions: to raw 1,000,000 within the scale, and down to where
  // the line crosses the scale bottom (raw 140,000), no further.
  EXPECT_TRUE(drawn(1000000, 70.0));
  EXPECT_TRUE(drawn(900000, 80.0));
  EXPECT_TRUE(drawn(170000, 10.0));
  EXPECT_TRUE(drawn(140000, 0.0));
  EXPECT_FALSE(drawn(100000, 0.0));
  const QByteArray dir = qgetenv("ORV_SHOT_DIR");
  if (!dir.isEmpty()) dlg->grab().save(QString::fromLocal8Bit(dir) + "/calib-diagram.png");

  // Changed points while it is open: shown again from the button.
  with_points({{100000, 90.0f}, {900000, 10.0f}});
  products_page(*form_)->findChild<QPushButton*>("cmd_cal_diag")->click();
  EXPECT_EQ(dlg->points().pts_cnt, 2);
  EXPECT_EQ(dlg->points().calib_raw[0], 900000);
  dlg->cmd_close->click();
  EXPECT_FALSE(dlg->isVisible());

  // An edited product number outside the table: the last points stay.
  m_stat.dev_stat[0].ed_prod_id.store(30);
  products_page(*form_)->findChild<QPushButton*>("cmd_cal_diag")->click();
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->points().calib_raw[0], 900000);
  m_stat.dev_stat[0].ed_prod_id.store(0);
  dlg->close();
}

TEST_F(CalibPoints, ACursorValueOfARawChannelBecomesACalibrationPoint) {
  start();
  form_->resize(1280, 800);
  form_->select_device(0);
  ASSERT_EQ(m_stat.dev_selected.load(), 0);
  with_points({{900000, 90.0f}, {500000, 12.5f}, {100000, 10.0f}});
  EXPECT_EQ(products_page(*form_)->findChild<QComboBox*>("x_cmb_cal_pts")->currentIndex(), 1);
  // A raw-value channel and a temperature channel of the device.
  for (const auto& [tag, meas] : {std::pair{"Mill raw", MEAS_RAW}, {"Mill temperature", MEAS_TEMP}}) {
    chart_control(*form_).add_chan(CHART_LIVE);
    Tdraw_setup* d = chart_control(*form_).chan_dialog();
    ASSERT_TRUE(d && d->isVisible());
    d->txt_chan_desc->setText(tag);
    d->cmb_src_chan->setCurrentIndex(0);
    d->cmb_meas_mode->setCurrentIndex(meas);
    d->cmd_okClick();
    ASSERT_FALSE(d->isVisible());
  }
  show_page(*form_, window_page(*form_, "tab_online"));
  const t_draw_stat& ds = draw_stat[CHART_LIVE];
  ASSERT_TRUE(wait_until([&] { return !std::isnan(ds.cur_val[0][1]) && !std::isnan(ds.cur_val[1][1]); }, 30000));
  QTableWidget* grid = chan_grid(*form_, CHART_LIVE);
  auto cell = [&](int row, int col) { return grid->visualRect(grid->model()->index(row, col)).center(); };

  QMenu* menu = calib_point_menu(*form_);
  ASSERT_NE(menu, nullptr);
  // The cell's value (cursor 2 of the raw channel), rounded, is what is stored.
  const int32_t picked = cal_pick_raw(ds.cur_val[0][1]);
  EXPECT_GT(picked, 0);
  chart_page_of(*form_, CHART_LIVE).grd_setup_liveMouseDown(cell(0, 8));
  ASSERT_TRUE(menu->isVisible());
  for (int k = 0; k < 5; ++k) EXPECT_EQ(calib_point_item(*form_, k)->isVisible(), k < 3) << k;
  EXPECT_EQ(calib_point_item(*form_, 1)->text(), "Mill - Calibration point 2 - 12" + QString(sys_dec_sep) + "5 %");
  menu->hide();
  calib_point_item(*form_, 1)->trigger();
  EXPECT_EQ(get_i32(edited_prod_reg(14)), picked);
  EXPECT_EQ(get_i32(edited_prod_reg(12)), 900000);
  EXPECT_EQ(QToolTip::text(), "Calibration data updated");
  EXPECT_EQ(edit("txt_raw_2")->text(), QString::number(picked));
  EXPECT_NE(held().prod[14], static_cast<uint16_t>(picked & 0xFFFF));  // edited only

  // The temperature channel's cursor value, and a cell outside the cursor
  // columns, offer the grid's own menu.
  chart_page_of(*form_, CHART_LIVE).grd_setup_liveMouseDown(cell(1, 8));
  EXPECT_FALSE(menu->isVisible());
  EXPECT_TRUE(chart_popup_menu(*form_)->isVisible());
  chart_popup_menu(*form_)->hide();
  chart_page_of(*form_, CHART_LIVE).grd_setup_liveMouseDown(cell(0, 3));
  EXPECT_FALSE(menu->isVisible());
  chart_popup_menu(*form_)->hide();
  // Off-line without a valid set there is nothing to store into.
  form_->select_device(-1);
  m_stat.off_line_vaild.store(false);
  show_page(*form_, window_page(*form_, "tab_online"));
  chart_page_of(*form_, CHART_LIVE).grd_setup_liveMouseDown(cell(0, 9));
  EXPECT_FALSE(menu->isVisible());
  chart_popup_menu(*form_)->hide();
}
