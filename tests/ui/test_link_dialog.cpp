// The link statistics on real widgets (offscreen): the "Link" row of the
// live group and the panel hints, the dialog with its counters and Reset,
// and the sparkline picture.
#include "comm/link_stats.h"
#include "comm/service_requests.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "texts/text_table.h"
#include "ui/elided_label.h"
#include "ui/link_stats_dlg.h"
#include "ui/sparkline.h"
#include "ui/status_panel.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kDot = QStringLiteral(" \u00B7 ");

class LinkUi : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    init_texts();
    sys_dec_sep = u'.';
  }
  void TearDown() override { reset_all_records(); }

  // Device d in use with a line that lost 1 answer and spoilt 2 of 50.
  static void busy_line(int d) {
    common_setup.dev_conn[d].active = true;
    common_setup.dev_conn[d].tag.set("Silo");
    auto& l = m_stat.dev_stat[d].link;
    for (int k = 0; k < 47; ++k) link_record(l, LINK_GOOD, 12000 + 100 * (k % 5), mono_ms());
    link_record(l, LINK_CRC, 0, mono_ms());
    link_record(l, LINK_CRC, 0, mono_ms());
    link_record(l, LINK_TIMEOUT, 0, mono_ms());
    link_add_stored(l, 230);
    link_add_empty(l, 4);
    l.reopens = 1;
  }
};

// Counts the pixels of the sparkline's line colour in column x.
int line_pixels(const QImage& img, int x, int* top = nullptr) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y) {
    const QColor c = img.pixelColor(x, y);
    if (c.blue() > 120 && c.red() < 120) {
      if (top && n == 0) *top = y;
      ++n;
    }
  }
  return n;
}

}  // namespace

TEST_F(LinkUi, TheLiveGroupAndThePanelHintCarryTheLinkLine) {
  QWidget window;
  auto* col = new QVBoxLayout(&window);
  auto* ok = new QLabel(&window);
  ok->setObjectName("img_dev1_ok");
  auto* ok2 = new QLabel(&window);
  ok2->setObjectName("img_dev2_ok");
  QGroupBox* group = build_current_group(&window);
  col->addWidget(group);
  window.show();
  busy_line(0);
  common_setup.dev_conn[1].active = true;  // in use, never asked
  for (int d : {0, 1}) {
    srvc_diag.diag[d].panel_state = 4;
    srvc_diag.diag[d].panel_detail = 2;
  }
  m_stat.dev_selected = 0;
  m_stat.dev_stat[0].device_stat = DEVSTAT_TOUT;  // the line counts also when the values do not
  int red = 0;
  update_status_display(&window, red);

  const QString line = "94 %" + kDot + "12 ms" + kDot + "2 CRC" + kDot + "1 time-out";
  auto* caption = window.findChild<QLabel*>("x_lbl_curr_link");
  auto* value = window.findChild<QLabel*>("x_lbl_curr_link_val");
  ASSERT_TRUE(caption && value);
  EXPECT_EQ(caption->text(), "Link");
  EXPECT_EQ(value->text(), line);
  EXPECT_EQ(value->parentWidget(), group);
  EXPECT_EQ(ok->toolTip(), "Connected\nLink: " + line);
  EXPECT_EQ(ok2->toolTip(), "Connected");

  // A pack made before the row had a text: the built-in caption stays.
  cur_texts[find_text_row(u"x_lbl_curr_link", TXT_KIND_CAPTION, FORM_MAIN)].clear();
  update_status_display(&window, red);
  EXPECT_EQ(caption->text(), "Link");
  // A translated one takes over.
  cur_texts[find_text_row(u"x_lbl_curr_link", TXT_KIND_CAPTION, FORM_MAIN)] = "Leitung";
  update_status_display(&window, red);
  EXPECT_EQ(caption->text(), "Leitung");
  EXPECT_TRUE(ok->toolTip().endsWith("Leitung: " + line));
}

TEST_F(LinkUi, ALinkLineWiderThanTheGroupIsCutWithAnEllipsisAndKeptInTheToolTip) {
  QWidget column;  // as narrow as the window's device column
  column.setFixedWidth(250);
  auto* col = new QVBoxLayout(&column);
  col->setContentsMargins(0, 0, 0, 0);
  QGroupBox* group = build_current_group(&column);
  col->addWidget(group);
  column.show();
  busy_line(0);
  m_stat.dev_selected = 0;
  int red = 0;
  update_status_display(&column, red);
  auto* value = column.findChild<elided_label*>("x_lbl_curr_link_val");
  ASSERT_NE(value, nullptr);
  QApplication::processEvents();
  EXPECT_EQ(value->shown_text(), value->text());  // it fits: nothing is cut

  cur_texts[find_text_row(u"link_tout_one", TXT_KIND_CAPTION, FORM_MAIN)] = "Zeitueberschreitung der Antwort";
  update_status_display(&column, red);
  QApplication::processEvents();
  const QString line = "94 %" + kDot + "12 ms" + kDot + "2 CRC" + kDot + "1 Zeitueberschreitung der Antwort";
  EXPECT_EQ(value->text(), line);
  EXPECT_EQ(value->toolTip(), line);
  EXPECT_TRUE(value->shown_text().endsWith(QStringLiteral("\u2026"))) << qPrintable(value->shown_text());
  EXPECT_TRUE(line.startsWith(value->shown_text().chopped(1))) << qPrintable(value->shown_text());
  EXPECT_LE(value->geometry().right(), group->contentsRect().right());
}

TEST_F(LinkUi, TheDialogShowsEveryCounterAndResetGoesToTheService) {
  busy_line(2);
  TDlg_link_stats dlg;
  dlg.open_for(2);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.device(), 2);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Link statistics \u2013 Silo"));
  auto value = [&](int k) { return dlg.x_lbl_value[k]->text(); };
  EXPECT_EQ(value(TDlg_link_stats::REQUESTS), "50");
  EXPECT_EQ(value(TDlg_link_stats::GOOD), "47 (94.0 %)");
  EXPECT_EQ(value(TDlg_link_stats::TIMEOUTS), "1");
  EXPECT_EQ(value(TDlg_link_stats::CRC), "2");
  EXPECT_TRUE(value(TDlg_link_stats::LAST_GOOD).endsWith(" s"));
  EXPECT_EQ(value(TDlg_link_stats::MEAN), "12 ms");
  EXPECT_EQ(value(TDlg_link_stats::WORST), "12 ms");  // 12.4 ms
  EXPECT_EQ(value(TDlg_link_stats::REOPENS), "1");
  EXPECT_EQ(value(TDlg_link_stats::STORED), "230");
  EXPECT_EQ(value(TDlg_link_stats::EMPTY), "4");
  EXPECT_EQ(dlg.findChild<QLabel*>("lbl_link_requests")->text(), "Requests sent");
  EXPECT_EQ(dlg.cmd_link_reset->text(), "Reset");
  EXPECT_TRUE(dlg.tmr_refresh->isActive());
  ASSERT_FALSE(dlg.x_img_spark->pixmap().isNull());

  // Reset is the service's work at the device's next turn.
  dlg.cmd_link_reset->click();
  EXPECT_EQ(m_stat.dev_stat[2].ctl_req.load() & CTL_RESET_LINK, CTL_RESET_LINK);
  EXPECT_EQ(m_stat.dev_stat[2].link.requests.load(), 50u);
  clear_link_stat(m_stat.dev_stat[2].link);  // as the service does
  dlg.refresh();
  EXPECT_EQ(value(TDlg_link_stats::REQUESTS), "0");
  EXPECT_EQ(value(TDlg_link_stats::GOOD), "0");
  EXPECT_EQ(value(TDlg_link_stats::LAST_GOOD), "never");
  EXPECT_EQ(value(TDlg_link_stats::MEAN), "---");

  dlg.cmd_link_close->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_FALSE(dlg.tmr_refresh->isActive());
  // Another device in the same dialog.
  busy_line(5);
  dlg.open_for(5);
  EXPECT_EQ(dlg.device(), 5);
  EXPECT_EQ(value(TDlg_link_stats::REQUESTS), "50");
  dlg.open_for(8);  // no such slot: nothing changes
  EXPECT_EQ(dlg.device(), 5);
}

TEST_F(LinkUi, TimesSinceTheLastGoodAnswer) {
  EXPECT_EQ(TDlg_link_stats::since_text(-1), "never");
  EXPECT_EQ(TDlg_link_stats::since_text(0), "0.0 s");
  EXPECT_EQ(TDlg_link_stats::since_text(9949), "9.9 s");
  EXPECT_EQ(TDlg_link_stats::since_text(10000), "10 s");
  EXPECT_EQ(TDlg_link_stats::since_text(119499), "119 s");
  EXPECT_EQ(TDlg_link_stats::since_text(600000), "10 min");
}

TEST_F(LinkUi, TheSparklineRisesWithTheResponseTimes) {
  uint32_t rising[100];
  for (int k = 0; k < 100; ++k) rising[k] = 1000 + 100 * static_cast<uint32_t>(k);
  const QImage img = paint_sparkline(rising, 100, QSize(200, 60));
  ASSERT_EQ(img.size(), QSize(200, 60));
  int left_top = -1, right_top = -1;
  ASSERT_GT(line_pixels(img, 8, &left_top), 0);
  ASSERT_GT(line_pixels(img, 190, &right_top), 0);
  EXPECT_GT(left_top, right_top + 20);  // slow answers stand higher
  // The newest value is at the right edge, well below the top (10 % headroom).
  EXPECT_GT(right_top, 3);

  // No values: frame and base line only.
  const QImage empty = paint_sparkline(nullptr, 0, QSize(200, 60));
  for (int x = 0; x < 200; x += 10) EXPECT_EQ(line_pixels(empty, x), 0) << x;
  // One value: a dot at the right edge.
  const uint32_t one = 5000;
  const QImage dot = paint_sparkline(&one, 1, QSize(200, 60));
  EXPECT_GT(line_pixels(dot, 195), 0);
  EXPECT_EQ(line_pixels(dot, 100), 0);
  // The device pixel ratio gives a sharper picture of the same size.
  EXPECT_EQ(paint_sparkline(rising, 100, QSize(200, 60), 2.0).size(), QSize(400, 120));
}
