// The chart pages end to end, offscreen: a simulated transmitter on a
// pseudo-terminal draws a moving live trace; channels are added through the
// channel dialog, removed with their device; an off-line channel shows a
// full-day log file; a file that cannot be loaded drops its channel.
// With ORV_SHOT_DIR set, the pages are also saved as pictures there.
#include "app/setup_file.h"
#include "charts/chart_render.h"
#include "charts/chart_view.h"
#include "charts/draw_setup.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/day_clock.h"
#include "core/mono_clock.h"
#include "core/raw_value.h"
#include "core/work_dirs.h"
#include "sim_line.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr int32_t kRed = 0x000000D0;  // 0x00BBGGRR

template <typename F>
bool wait_until(F cond, int ms) {
  const int64_t until = mono_ms() + ms;
  while (mono_ms() < until) {
    if (cond()) return true;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    sleep_ms(5);
  }
  return cond();
}

void settle(int ms) {
  wait_until([] { return false; }, ms);
}

// Rightmost column of the plot painted in a colour, -1 when none.
int rightmost(const QImage& img, const t_draw_stat& ds, int32_t bgr) {
  const QRgb c = chart_color(bgr).rgb();
  for (int x = ds.plot_right; x >= ds.plot_left; --x)
    for (int y = ds.plot_top; y <= ds.plot_bottom; ++y)
      if (img.pixel(x, y) == c) return x;
  return -1;
}

const char* const kTags[3] = {"Dryer", "Mixer", "Silo outlet"};
const int32_t kColours[3] = {kRed, 0x00B05A1F, 0x002CA02C};

// Three transmitters on COM com (addresses 1..3), one live trace each.
void seed(int com) {
  QString cfg = cfg_folder_text();
  ASSERT_TRUE(make_work_dir(cfg, CFG_LEAF));
  cfg_dir = cfg;
  QDir().mkpath(app_data_dir() + "/logs");
  for (int d = 0; d < 3; ++d) {
    auto& c = common_setup.dev_conn[d];
    c.active = true;
    c.log_active = true;
    c.addr = d;
    c.com_num = com;
    c.baud_idx = 4;
    c.tag.set(kTags[d]);
    c.log_dir.set(app_data_dir() + "/logs");
    t_dsp_chan& ch = common_setup.dsp_chan_live[d];
    ch.active = ch.displayed = true;
    ch.tag = QString("%1 flow").arg(kTags[d]);
    ch.dev_idx = d;
    ch.meas_mode = MEAS_SCALED;
    ch.color = kColours[d];
    ch.line_thk = 1;
  }
  common_setup.last_page = 6;
  save_setup(t_setup_ui{});
  reset_all_records();
  reset_draw_stat();
  reset_filt_rows();
}

// A day of a dryer line in t/h: two shifts of production with a break, a
// stop at noon, noise; sensor temperature; digital input 1 on while running.
QString write_day_log(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  std::mt19937 rng(42);
  std::normal_distribution<double> noise(0.0, 1.0);
  QByteArray out;
  out.reserve(432000 * 27);
  double level = 0, drift = 0;
  char line[32];
  for (int s = 0; s < SLOTS_PER_DAY; ++s) {
    const double h = s / 18000.0;
    const bool run = (h >= 5.5 && h < 11.8) || (h >= 12.6 && h < 21.5);
    const double target = run ? 42.0 + 6.0 * std::sin(h * 0.9) + (h > 15 && h < 17 ? 7.0 : 0.0) : 0.0;
    level += (target - level) * 0.0015;
    drift += 0.002 * noise(rng) - 0.0005 * drift;
    const double value = std::max(0.0, level + drift + (run ? 0.35 * noise(rng) : 0.0));
    const float v = static_cast<float>(value);
    uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    const int mant = std::clamp(static_cast<int>(value * 18 + 40), 0, 1023);
    const uint32_t raw = 0x000A8000u | static_cast<uint32_t>(mant) | (run ? 0x10000000u : 0u);
    const int temp =
        static_cast<int>(std::lround((31.0 + 4.0 * std::sin((h - 9) / 24.0 * 6.283) + (run ? 6.0 : 0.0)) * 10));
    std::snprintf(line, sizeof line, "%05X%03X%08X%08X3\r\n", s, temp & 0xFFF, raw, bits);
    out.append(line, 27);
  }
  f.write(out);
  return path;
}

void save_shot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("ORV_SHOT_DIR");
  if (dir.isEmpty()) return;
  w.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

bool shots() { return !qgetenv("ORV_SHOT_DIR").isEmpty(); }

}  // namespace

TEST(ChartPages, TheLiveChartFollowsASimulatedTransmitter) {
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  orvsim::line_options o;
  o.line_clock = &line_clock.time;
  o.com = 3;
  o.devices.resize(3);
  for (int d = 0; d < 3; ++d) {
    o.devices[d].address = d + 1;
    o.devices[d].counter = 3000;
    o.devices[d].firmware = 212;
    o.devices[d].din = 1;
    o.devices[d].process.level = 25.0 + 22.0 * d;
    o.devices[d].process.noise = 0.15;
  }
  orvsim::sim_line line(o);
  seed(3);
  msg_script::begin();

  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.resize(1280, 800);
  form.show();
  EXPECT_EQ(page_control(form)->currentWidget(), window_page(form, "tab_online"));
  QTableWidget* grid = chan_grid(form, CHART_LIVE);
  ASSERT_EQ(grid->rowCount(), 3);
  EXPECT_EQ(grid->item(0, 0)->text(), "Dryer flow");
  EXPECT_EQ(grid->item(0, 2)->text(), "Dryer");
  EXPECT_EQ(grid->item(0, 3)->text(), "Scaled value");
  EXPECT_EQ(grid->item(0, 4)->text(), "");  // filters only for raw channels

  // Within a few timer cycles the trace is there, and its newest column
  // is the newest sample, at the plot's right edge.
  const t_draw_stat& ds = draw_stat[CHART_LIVE];
  const QImage& img = chart_page_of(form, CHART_LIVE).image();
  ASSERT_TRUE(wait_until([&] { return rightmost(img, ds, kRed) >= 0; }, 20000));
  const int32_t first_last = ds.data_last;
  EXPECT_EQ(ds.view_last, ds.data_last);
  EXPECT_LE(std::abs(ds.data_last - wall_clock().now().slot()), 30);
  ASSERT_TRUE(wait_until([&] { return ds.data_last >= first_last + 10; }, 15000));
  EXPECT_LE(std::abs(ds.data_last - wall_clock().now().slot()), 30);
  EXPECT_GE(rightmost(img, ds, kRed), ds.plot_right - 3);
  EXPECT_TRUE(chart_control(form).live_following());

  // A second channel through the dialog: digital input 1, in green.
  chart_control(form).add_chan(CHART_LIVE);
  Tdraw_setup* dlg = chart_control(form).chan_dialog();
  ASSERT_TRUE(dlg && dlg->isVisible());
  EXPECT_FALSE(dlg->txt_src_file->isVisible());
  EXPECT_EQ(dlg->cmb_src_chan->count(), 3);
  dlg->cmd_okClick();
  EXPECT_EQ(msg_script::shown().last(), "error: " + msg_text(34));
  dlg->txt_chan_desc->setText("Dryer running");
  dlg->cmd_okClick();
  EXPECT_EQ(msg_script::shown().last(), "error: " + msg_text(35));
  dlg->cmb_src_chan->setCurrentIndex(0);
  dlg->cmd_okClick();
  EXPECT_EQ(msg_script::shown().last(), "error: " + msg_text(38));
  dlg->cmb_meas_mode->setCurrentIndex(MEAS_RAW);
  EXPECT_TRUE(dlg->txt_pt1->isEnabled());
  dlg->txt_pt1->setText("12.5");
  dlg->txt_pt1Exit();
  EXPECT_EQ(dlg->dsp_chan.filt_pt, 125);
  dlg->txt_pt1->setText("150");
  dlg->txt_pt1Exit();
  EXPECT_EQ(dlg->dsp_chan.filt_pt, 125);
  EXPECT_TRUE(msg_script::shown().last().startsWith("error: " + msg_text(5)));
  EXPECT_EQ(dlg->txt_pt1->text(), "12.5");
  dlg->cmb_med_depth->setCurrentIndex(3);
  dlg->cmb_meas_mode->setCurrentIndex(MEAS_DIN1);
  EXPECT_FALSE(dlg->txt_pt1->isEnabled());
  dlg->pick_color = [](int32_t& c) {
    c = 0x000E7FFF;
    return true;
  };
  dlg->Shp_col_hMouseDown();
  dlg->cmd_okClick();
  EXPECT_FALSE(dlg->isVisible());
  ASSERT_EQ(grid->rowCount(), 4);
  EXPECT_EQ(grid->item(3, 3)->text(), "Din 1");
  EXPECT_TRUE(chart_menu_action(form, "x_menp_dsp_edit4")->isVisible());
  EXPECT_EQ(chart_menu_action(form, "x_menp_dsp_edit4")->text(), "Dryer running");
  EXPECT_FALSE(chart_menu_action(form, "x_menp_dsp_edit5")->isVisible());

  // Its raw value, filtered over the day so far when the dialog stores it:
  // a day of more than a step is filtered from the event loop, with the
  // window free meanwhile.
  chart_control(form).edit_chan(3, CHART_LIVE);
  dlg->cmb_meas_mode->setCurrentIndex(MEAS_RAW);
  dlg->cmd_okClick();
  if (first_last >= REFILTER_STEP) {
    EXPECT_TRUE(chart_control(form).refiltering());
    EXPECT_LT(filt_row(3).last, first_last);
  }
  ASSERT_TRUE(wait_until([&] { return !chart_control(form).refiltering(); }, 20000));
  EXPECT_GE(filt_row(3).last, first_last);
  EXPECT_EQ(grid->item(3, 4)->text(), "7");
  EXPECT_EQ(grid->item(3, 5)->text(), "12.5 s");

  // A day change: the filtered series is rebuilt from the new day's ring,
  // so nothing of yesterday's is drawn as today's.
  filt_row(3).filt[5] = 777777;  // as if left from the day before
  m_stat.reset_live.store(true);
  chart_control(form).live_follow();
  EXPECT_FALSE(m_stat.reset_live.load());
  EXPECT_EQ(filt_row(3).filt[5], static_cast<uint32_t>(raw_to_value(m_stat.dev_stat[0].smp_raw[5].load())));
  if (shots()) {
    chart_control(form).edit_chan(3, CHART_LIVE);
    dlg->cmb_meas_mode->setCurrentIndex(MEAS_DIN1);
    dlg->cmd_okClick();
    settle(100000);
    save_shot(form, "chart-live.png");
  }

  // Removing the device removes its live channels; the others follow their
  // devices down one place.
  msg_script::push_answer(true);
  remove_device(form, 0);
  ASSERT_EQ(active_chan_cnt(CHART_LIVE), 2);
  EXPECT_EQ(grid->rowCount(), 2);
  EXPECT_EQ(common_setup.dsp_chan_live[0].tag, "Mixer flow");
  EXPECT_EQ(common_setup.dsp_chan_live[0].dev_idx, 0);
  EXPECT_EQ(common_setup.dsp_chan_live[1].dev_idx, 1);
  EXPECT_EQ(grid->item(1, 2)->text(), "Silo outlet");
  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  msg_script::end();
}

TEST(ChartPages, AnOfflineChannelShowsAFullDayLog) {
  temp_config_home home;
  reset_all_records();
  reset_draw_stat();
  reset_filt_rows();
  const QString day = write_day_log(home.path() + "/Dryer_ORV1_20240307.orvlog");
  ASSERT_FALSE(day.isEmpty());
  // A setup with a missing archive file first: it is dropped at start-up.
  QString cfg = cfg_folder_text();
  ASSERT_TRUE(make_work_dir(cfg, CFG_LEAF));
  cfg_dir = cfg;
  for (int k = 0; k < 2; ++k) {
    t_dsp_chan& ch = common_setup.dsp_chan_arch[k];
    ch.active = ch.displayed = true;
    ch.tag = k == 0 ? "Gone" : "Flow 7 March";
    ch.sample_file = k == 0 ? home.path() + "/missing.orvlog" : day;
    ch.meas_mode = MEAS_SCALED;
    ch.color = 0x00B05A1F;
    ch.line_thk = 1;
  }
  common_setup.last_page = 7;
  save_setup(t_setup_ui{});
  reset_all_records();
  msg_script::begin();

  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.resize(1280, 800);
  form.show();
  settle(200);
  const QStringList boxes = msg_script::shown();
  ASSERT_EQ(boxes.size(), 2);
  EXPECT_TRUE(boxes[0].startsWith("error: " + msg_text(11) + " ["));
  EXPECT_EQ(boxes[1], "error: " + msg_text(82) + " (Err code:7)");
  ASSERT_EQ(active_chan_cnt(CHART_ARCH), 1);
  EXPECT_EQ(common_setup.dsp_chan_arch[0].tag, "Flow 7 March");

  const t_draw_stat& ds = draw_stat[CHART_ARCH];
  EXPECT_EQ(ds.data_first, 0);
  EXPECT_EQ(ds.data_last, SLOTS_PER_DAY - 1);
  EXPECT_EQ(ds.view_first, 0);
  EXPECT_GE(rightmost(chart_page_of(form, CHART_ARCH).image(), ds, 0x00B05A1F), ds.plot_right - 2);
  EXPECT_EQ(chan_grid(form, CHART_ARCH)->item(0, 2)->text(), "Dryer_ORV1_20240307.orvlog");

  // Temperature and the digital input of the same file.
  chart_control(form).add_chan(CHART_ARCH);
  Tdraw_setup* dlg = chart_control(form).chan_dialog();
  dlg->txt_chan_desc->setText("Sensor temperature");
  dlg->txt_src_file->setText(home.path() + "/nothing.orvlog");
  dlg->cmb_meas_mode->setCurrentIndex(MEAS_TEMP);
  dlg->cmd_okClick();
  EXPECT_EQ(msg_script::shown().last(), "error: " + msg_text(37));
  dlg->txt_src_file->setText(day);
  dlg->pick_color = [](int32_t& c) {
    c = 0x002CA02C;
    return true;
  };
  dlg->Shp_col_hMouseDown();
  dlg->cmd_okClick();
  ASSERT_EQ(active_chan_cnt(CHART_ARCH), 2);
  EXPECT_EQ(common_setup.dsp_chan_arch[1].color, 0x002CA02C);
  EXPECT_FLOAT_EQ(m_stat.arch_stat[1].smp_tab[0], 28.2f);  // 31 + 4 sin(-9/24 * 2 pi), to a tenth
  chart_control(form).add_chan(CHART_ARCH);
  dlg->txt_chan_desc->setText("Running");
  dlg->txt_src_file->setText(day);
  dlg->cmb_meas_mode->setCurrentIndex(MEAS_DIN1);
  dlg->pick_color = [](int32_t& c) {
    c = 0x000E7FFF;
    return true;
  };
  dlg->Shp_col_hMouseDown();
  dlg->cmd_okClick();
  ASSERT_EQ(active_chan_cnt(CHART_ARCH), 3);
  chart_control(form).menm_dsp_allClick();
  settle(300);
  save_shot(form, "chart-offline.png");

  // A file that is no log: the channel is removed again after the box.
  QFile bad(home.path() + "/photo.jpg");
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray(100000, '\xFF'));
  bad.close();
  chart_control(form).add_chan(CHART_ARCH);
  dlg->txt_chan_desc->setText("Wrong file");
  dlg->txt_src_file->setText(bad.fileName());
  dlg->cmb_meas_mode->setCurrentIndex(MEAS_SCALED);
  dlg->cmd_okClick();
  EXPECT_EQ(msg_script::shown().last(), "error: " + msg_text(82) + " (Err code:1)");
  EXPECT_EQ(active_chan_cnt(CHART_ARCH), 3);

  // Remove all, after the question.
  msg_script::push_answer(true);
  chart_control(form).delete_all_chans(CHART_ARCH, false, true);
  EXPECT_EQ(active_chan_cnt(CHART_ARCH), 0);
  EXPECT_TRUE(draw_stat[CHART_ARCH].no_data);
  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  msg_script::end();
}
