// The Online view against a simulated transmitter while the service's wall
// clock is a manual one: the automatic time scale holds its division through
// autoscale presses, scroll steps and follow steps, and the live chart goes
// over to a new day at midnight, whenever the window's timer cycle comes.
// The test runs the timer cycles itself (live_follow), the timer stopped.
#include "app/setup_file.h"
#include "archive/log_file.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/day_clock.h"
#include "core/work_dirs.h"
#include "sim_line.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr int32_t kDay = 45358;  // 2024-03-07
constexpr int kCom = 5;

// The transmitter's time base is the service's day clock: it produces one
// sample for every slot the clock moves on.
class day_time_base : public tick_clock {
 public:
  explicit day_time_base(const manual_day_clock& c) : c_(c) {}
  int64_t now_us() const override {
    const day_time t = c_.now();
    return (int64_t{t.date} * 86400000 + t.ms_of_day) * 1000;
  }

 private:
  const manual_day_clock& c_;
};

class LiveDay : public ::testing::Test {
 protected:
  // The window with one transmitter (acquiring or not) and one live trace
  // of its scaled value, started at the given time of kDay; the log file
  // of kDay holds the slots from..to when from >= 0.
  void start(int32_t ms_of_day, bool acquiring, int from = -1, int to = -1) {
    clock.set(kDay, ms_of_day);
    set_wall_clock(&clock);
    orvsim::line_options o;
    o.com = kCom;
    o.clock = &time_base;
    o.line_clock = &line_clock.time;
    o.devices.resize(1);
    o.devices[0].firmware = 212;
    o.devices[0].counter = 3000;
    o.devices[0].process.level = 30.0;
    line = std::make_unique<orvsim::sim_line>(o);
    seed(acquiring, from, to);
    msg_script::begin();
    form = std::make_unique<TMainForm>();
    ASSERT_TRUE(form->FormCreate());
    tick_timer(*form)->stop();
    form->resize(1280, 800);
    form->show();
    ASSERT_TRUE(wait_until([&] { return chart_page_of(*form, CHART_LIVE).image().width() > 600; }, 10000));
  }
  void TearDown() override {
    if (form) {
      msg_script::push_answer(true);
      form->close();
      form.reset();
    }
    msg_script::end();
    line.reset();
    set_wall_clock(nullptr);
    reset_all_records();
  }

  void seed(bool acquiring, int from, int to) {
    QString cfg = cfg_folder_text();
    ASSERT_TRUE(make_work_dir(cfg, CFG_LEAF));
    cfg_dir = cfg;
    reset_all_records();
    auto& c = common_setup.dev_conn[0];
    c.active = true;
    c.log_active = acquiring;
    c.com_num = kCom;
    c.baud_idx = 4;
    c.tag.set("Dryer");
    c.log_dir.set(home.path() + "/logs");
    QDir().mkpath(home.path() + "/logs");
    t_dsp_chan& ch = common_setup.dsp_chan_live[0];
    ch.active = ch.displayed = true;
    ch.tag = "Dryer flow";
    ch.dev_idx = 0;
    ch.meas_mode = MEAS_SCALED;
    ch.color = 0x000000D0;
    common_setup.last_page = 6;
    save_setup(t_setup_ui{});
    if (from >= 0) {
      m_stat.dev_stat[0].last_date.store(kDay);
      write_log(log_file_name(0), from, to);
    }
    reset_all_records();
    reset_draw_stat();
    reset_filt_rows();
  }

  static void write_log(const QString& path, int from, int to) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray out;
    char text[32];
    for (int s = from; s <= to; ++s) {
      const float v = 20.0f + static_cast<float>(s % 600) / 60.0f;
      uint32_t bits = 0;
      std::memcpy(&bits, &v, 4);
      std::snprintf(text, sizeof text, "%05X%03X%08X%08X3\r\n", s, 250, 0x000A8155u, bits);
      out.append(text, 27);
    }
    f.write(out);
  }

  // Waits until the service has stored its newest sample at this slot of this day.
  static bool stored(int32_t date, int slot) {
    const auto& s = m_stat.dev_stat[0];
    return wait_until(
        [&] { return static_cast<int32_t>(s.last_date.load()) == date && s.last_saved_idx.load() == slot; }, 20000);
  }

  static int32_t span() { return draw_stat[CHART_LIVE].view_last - draw_stat[CHART_LIVE].view_first; }

  temp_config_home home;
  manual_day_clock clock;
  day_time_base time_base{clock};
  test_line_clock line_clock;
  std::unique_ptr<orvsim::sim_line> line;
  std::unique_ptr<TMainForm> form;
};

QMouseEvent mouse(QEvent::Type type, QPoint at) {
  return QMouseEvent(type, at, at, at, Qt::LeftButton,
                     type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
}

}  // namespace

TEST_F(LiveDay, TheAutomaticTimeScaleKeepsItsDivision) {
  int slot = 10 * 3600 * 5;  // 10:00:00, after 20 minutes in today's log
  start(slot * SLOT_MS, true, slot - 6000, slot - 1);
  ASSERT_TRUE(stored(kDay, slot));
  t_draw_stat& ds = draw_stat[CHART_LIVE];
  const chart_controls ctl = chart_controls_of(*form, CHART_LIVE);

  // A 900 pixel plot at 90 pixels per division.
  common_setup.pixel_div_x = 90;
  for (int k = 0; k < 3 && ds.plot_w != 900; ++k) {
    form->resize(form->width() + 900 - ds.plot_w, form->height());
    wait_until([&] { return ds.plot_w == 900; }, 5000);
  }
  ASSERT_EQ(ds.plot_w, 900);

  // A zoom rectangle over the newest 1225 or so samples of all data: the
  // automatic scale holds them at 25 s per division, 1250 samples.
  chart_control(*form).live_follow();
  chart_page_of(*form, CHART_LIVE).create_draw(true, true);
  const int w = static_cast<int>(std::lround(1225 / ds.smp_per_px)) - 1;
  auto down = mouse(QEvent::MouseButtonPress, {ds.plot_right - w, ds.plot_top + 5});
  chart_page_of(*form, CHART_LIVE).img_liveMouseDown(&down);
  auto drag = mouse(QEvent::MouseMove, {ds.plot_right + 5, ds.plot_bottom - 5});
  chart_page_of(*form, CHART_LIVE).img_liveMouseMove(&drag);
  chart_page_of(*form, CHART_LIVE).img_liveMouseUp(&drag);
  ASSERT_EQ(ds.tscale_idx, 0);
  ASSERT_EQ(ds.tdiv, 25);
  ASSERT_EQ(span(), 1250);
  EXPECT_EQ(ds.view_last, ds.data_last);

  for (int k = 0; k < 20; ++k) {
    ctl.cmd_scale[0]->click();
    ASSERT_EQ(ds.tdiv, 25) << "autoscale " << k;
    ASSERT_EQ(span(), 1250) << "autoscale " << k;
  }
  ASSERT_TRUE(ctl.scr->isEnabled());
  for (int k = 0; k < 20; ++k) {
    ctl.scr->triggerAction(QAbstractSlider::SliderSingleStepSub);
    ASSERT_EQ(ds.tdiv, 25) << "scroll " << k;
    ASSERT_EQ(span(), 1250) << "scroll " << k;
  }
  EXPECT_LT(ds.view_last, ds.data_last);
  ctl.scr->triggerAction(QAbstractSlider::SliderToMaximum);
  ASSERT_EQ(ds.view_last, ds.data_last);
  for (int k = 0; k < 20; ++k) {
    slot += 10;
    clock.set_slot(slot);
    ASSERT_TRUE(stored(kDay, slot));
    chart_control(*form).live_follow();
    ASSERT_EQ(ds.view_last, slot) << "follow " << k;
    ASSERT_EQ(ds.tdiv, 25) << "follow " << k;
    ASSERT_EQ(span(), 1250) << "follow " << k;
  }
  EXPECT_EQ(ds.tscale_idx, 0);
}

// The flag of a midnight taken by a timer cycle before the rings held the
// new day (the chart was rebuilt from the old day's rings): the newest slot
// going back below the chart is a new day too.
TEST_F(LiveDay, ACycleBetweenTheDayFlagAndTheRingResetStillFollowsTheNewDay) {
  start(431990 * SLOT_MS, true);  // 23:59:58
  ASSERT_TRUE(stored(kDay, 431990));
  const t_draw_stat& ds = draw_stat[CHART_LIVE];
  chart_control(*form).live_follow();
  ASSERT_EQ(ds.data_last, 431990);
  m_stat.reset_live.store(true);
  chart_control(*form).live_follow();
  ASSERT_EQ(ds.data_last, 431990);

  clock.set(kDay + 1, 1000);  // 00:00:01, slot 5
  ASSERT_TRUE(stored(kDay + 1, 5));
  m_stat.reset_live.store(false);  // this midnight's flag was taken above
  chart_control(*form).live_follow();
  chart_control(*form).live_follow();
  EXPECT_EQ(ds.data_first, 0);
  EXPECT_EQ(ds.data_last, 5);
  EXPECT_EQ(ds.view_last, 5);
  EXPECT_TRUE(chart_control(*form).live_following());
  // And it moves on with the new day.
  clock.set_slot(60);
  ASSERT_TRUE(stored(kDay + 1, 60));
  chart_control(*form).live_follow();
  EXPECT_EQ(ds.data_last, 60);
  EXPECT_EQ(ds.view_last, 60);
}

// Started at 23:59:50 with today's log read back; the transmitter first
// acquires after midnight: the chart shows the new day, empty but for the
// first block, and nothing of the day before.
TEST_F(LiveDay, AFirstAcquisitionAfterMidnightStartsAnEmptyDay) {
  start(431950 * SLOT_MS, false, 420000, 431949);
  const t_draw_stat& ds = draw_stat[CHART_LIVE];
  ASSERT_EQ(ds.data_first, 420000);
  ASSERT_EQ(ds.data_last, 431949);

  clock.set(kDay + 1, 1000);  // 00:00:01, slot 5
  toggle_acquisition(*form, 0);
  ASSERT_TRUE(stored(kDay + 1, 5));
  chart_control(*form).live_follow();
  chart_control(*form).live_follow();
  EXPECT_EQ(ds.data_first, 0);
  EXPECT_EQ(ds.data_last, 5);
  EXPECT_EQ(ds.view_last, 5);
  EXPECT_TRUE(std::isnan(m_stat.dev_stat[0].smp_cal[431000].load()));
  EXPECT_FALSE(m_stat.reset_live.load());
}
