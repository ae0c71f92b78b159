// The demo end to end, offscreen: its three simulated transmitters (as the
// demo starts orvsim, here in this process) and the window in demo mode. The
// Online view shows the scale that holds the demo's signals from its first
// samples on, and the signals never leave it.
#include "charts/draw_stat.h"
#include "core/common_data.h"
#include "sim_line.h"
#include "sim_options.h"
#include "support/test_env.h"
#include "transmitter.h"
#include "ui/demo_mode.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// The lines of the demo's simulator command line, without its state files.
std::vector<orvsim::line_options> demo_lines() {
  std::vector<std::string> args;
  for (const QString& a : demo_simulator_args(QString())) args.push_back(a.toStdString());
  orvsim::run_options run;
  std::string error;
  EXPECT_TRUE(orvsim::parse_command_line(args, run, error)) << error;
  for (auto& l : run.lines) l.state_file.clear();
  return run.lines;
}

}  // namespace

TEST(Demo, TheOnlineViewHoldsTheDemoSignalsFromItsFirstSamplesOn) {
  temp_config_home home;
  reset_all_records();
  reset_draw_stat();
  const std::vector<orvsim::line_options> options = demo_lines();
  ASSERT_EQ(options.size(), 3u);
  test_line_clock line_clock;
  std::vector<std::unique_ptr<orvsim::sim_line>> lines;
  for (orvsim::line_options o : options) {
    o.line_clock = &line_clock.time;
    lines.push_back(std::make_unique<orvsim::sim_line>(o));
  }
  seed_demo_setup();
  msg_script::begin();
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  keep_demo_scaling(form);
  form.show();

  // The first samples make the chart fit itself to them; it goes back to the demo's scale.
  const t_draw_stat& ds = draw_stat[CHART_LIVE];
  ASSERT_TRUE(wait_until([&] { return ds.view_last >= 0; }, 30000));
  EXPECT_EQ(ds.h_min, ds.def_h_min);
  EXPECT_EQ(ds.h_max, ds.def_h_max);

  // Two hours of each demo signal, steps and drift included, lie inside it.
  for (const auto& o : options) {
    orvsim::transmitter t(o.devices.at(0), 0);
    float lo = ds.h_max, hi = ds.h_min;
    for (int64_t ms = 0; ms < 2 * 3600 * 1000; ms += 200) {
      t.advance(ms);
      lo = std::min(lo, t.newest().value());
      hi = std::max(hi, t.newest().value());
    }
    EXPECT_GT(lo, ds.h_min) << o.com;
    EXPECT_LT(hi, ds.h_max) << o.com;
  }

  for (auto& d : common_setup.dev_conn) d.active = false;
  form.shutdown_sequence();
  msg_script::end();
  reset_draw_stat();
}
