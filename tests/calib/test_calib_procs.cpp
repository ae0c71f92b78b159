// The three gain procedures tick by tick on the records, with the service's
// part played by the test: the capture fields, the newest raw word and the
// capture ring are set by hand, and every gain word a procedure posts is
// recorded.
#include "calib/auto_gain.h"
#include "calib/calib_capture.h"
#include "calib/gain_model.h"
#include "calib/manual_gain.h"
#include "core/common_data.h"
#include "texts/qstring_print.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kDev = 2;

class CalibProcs : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    sys_dec_sep = u'.';
    set_slot_generation_source(nullptr);
    select(kDev, 0);
  }
  void TearDown() override {
    reset_all_records();
    set_slot_generation_source(nullptr);
  }
  static void select(int d, int mode) {
    m_stat.dev_selected.store(d);
    if (d < 0) return;
    srvc_diag.diag[d].panel_state.store(4);
    m_stat.dev_stat[d].device_stat.store(DEVSTAT_OK);
    m_stat.dev_stat[d].sensor_mode.store(mode);
    m_stat.dev_stat[d].ed_prod_id.store(3);
  }
  static t_dev_stat& dev() { return m_stat.dev_stat[kDev]; }
  // The device reports gain word w with mantissa m.
  static void report(uint16_t w, uint32_t m = 500) { dev().last_dev_data.raw.store(m | (uint32_t{w} << 12)); }
  // What the service has captured: n samples, the ring filled with v(i) for index i.
  template <class F>
  static void captured(int n, F v) {
    uint32_t sum = 0, lo = 1023, hi = 0;
    for (int k = 0; k < n; ++k) {
      const uint32_t x = v(k);
      dev().cal_raw_smp[static_cast<size_t>(k % CAL_RING)].store(x);
      sum += x;
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
    dev().cal_smp_cnt.store(n);
    dev().cal_smp_sum.store(sum);
    dev().cal_smp_min.store(lo);
    dev().cal_smp_max.store(hi);
    dev().cal_smp_avg.store(n ? sum / static_cast<uint32_t>(n) : 0);
  }
  static void captured(int n, uint32_t v) {
    captured(n, [v](int) { return v; });
  }
  gain_post_fn poster() {
    return [this](int d, uint16_t w) {
      EXPECT_EQ(d, kDev);
      posted.push_back(w);
    };
  }
  std::vector<uint16_t> posted;
};

}  // namespace

// ---- capture ----------------------------------------------------------------------------

TEST_F(CalibProcs, CaptureForcesTheProductGainSettlesCollectsAndSaves) {
  const uint16_t gain = (2 << 6) | 13;
  dev().edit_prod.set(3 * PROD_STRIDE + 1, gain);
  calib_in_proc p(poster());
  ASSERT_EQ(p.open(kDev, 1), 0);
  EXPECT_FALSE(dev().calib_req.load());
  report(0x55);  // still the old gain

  p.tick(true);
  EXPECT_EQ(posted, std::vector<uint16_t>{gain | 0x8000});
  EXPECT_EQ(p.status_msg, 22);
  EXPECT_FALSE(p.ok_enabled);
  // No time limit while the device reports another gain.
  for (int k = 0; k < 20; ++k) p.tick(true);
  EXPECT_EQ(p.cal_stat, 1);
  report(gain);
  p.tick(true);
  EXPECT_EQ(p.cal_stat, 2);
  for (int k = 0; k < 4; ++k) p.tick(true);
  EXPECT_EQ(p.cal_stat, 2);
  EXPECT_FALSE(dev().calib_req.load());  // nothing counted at the old gain or while settling
  p.tick(true);
  EXPECT_EQ(p.cal_stat, 3);
  EXPECT_TRUE(dev().calib_req.load());

  // Colours and Save by the largest mantissa: green, yellow from 971, red from 1020.
  const struct {
    uint32_t hi;
    gauge_colour_t colour;
    bool ok;
  } rows[] = {
      {970, GAUGE_GREEN, true}, {971, GAUGE_YELLOW, true}, {1019, GAUGE_YELLOW, true}, {1020, GAUGE_RED, false}};
  for (const auto& r : rows) {
    captured(4, [&](int k) { return k == 2 ? r.hi : 512u; });
    p.tick(true);
    EXPECT_EQ(p.colour, r.colour) << r.hi;
    EXPECT_EQ(p.ok_enabled, r.ok) << r.hi;
    EXPECT_EQ(p.status_msg, 24);
  }
  EXPECT_EQ(p.save(), 23);  // saturated: nothing stored
  EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 14), 0);

  // 512 and 513 average to 512 (integer division); the raw value is that
  // mantissa at the gain bits reported now (512 at c 2, d 13: 63963).
  captured(2, [](int k) { return 512u + static_cast<uint32_t>(k); });
  p.tick(true);
  EXPECT_EQ(p.calib_result, 63963u);
  EXPECT_EQ(p.smp_cnt, 2);
  EXPECT_EQ(p.save(), 0);
  EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 14), 63963 & 0xFFFF);
  EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 15), 63963 >> 16);
  EXPECT_EQ(dev().read_prod.get(3 * PROD_STRIDE + 14), 0);  // the edit image only
  p.close();
  EXPECT_EQ(posted, (std::vector<uint16_t>{gain | 0x8000, 0}));
  EXPECT_FALSE(dev().calib_req.load());
  // At the top gain the raw value is the average mantissa itself.
  report((3 << 6) | 55);
  EXPECT_EQ(capture_raw_value(dev().last_dev_data.raw.load(), 700), 700u);
}

TEST_F(CalibProcs, CaptureRefusesOffLineSavesNothingEarlyAndLeavesOnTrouble) {
  calib_in_proc p(poster());
  srvc_diag.diag[kDev].panel_state.store(2);
  EXPECT_EQ(p.open(kDev, 0), 57);
  srvc_diag.diag[kDev].panel_state.store(4);
  dev().ed_prod_id.store(24);  // no product being edited
  EXPECT_EQ(p.open(kDev, 0), 57);
  dev().ed_prod_id.store(3);

  // Save before anything was collected: text 21, nothing stored, and the
  // capture of a former dialog does not count.
  ASSERT_EQ(p.open(kDev, 4), 0);
  p.tick(true);
  dev().cal_smp_cnt.store(9);
  EXPECT_EQ(p.save(), 21);
  EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 20), 0);
  p.close();
  p.close();  // once is enough
  EXPECT_EQ(posted.size(), 2u);

  // A communication error closes with text 20; another device selected closes silently.
  ASSERT_EQ(p.open(kDev, 0), 0);
  dev().device_stat.store(DEVSTAT_TOUT);
  t_calib_out out = p.tick(true);
  EXPECT_TRUE(out.close && out.stop_timer);
  EXPECT_EQ(out.error_msg, 20);
  dev().device_stat.store(DEVSTAT_WAIT);
  EXPECT_FALSE(p.tick(true).close);
  m_stat.dev_selected.store(kDev + 1);
  out = p.tick(true);
  EXPECT_TRUE(out.close);
  EXPECT_EQ(out.error_msg, 0);
  // The slot's device replaced (removed or edited): closes too.
  uint32_t gen = 0;
  set_slot_generation_source([&](int) { return gen; });
  m_stat.dev_selected.store(kDev);
  ASSERT_EQ(p.open(kDev, 0), 0);
  EXPECT_FALSE(p.tick(true).close);
  ++gen;
  EXPECT_TRUE(p.tick(true).close);
  EXPECT_TRUE(p.tick(false).stop_timer);  // hidden: the timer stops
  EXPECT_FALSE(p.tick(false).close);
}

// ---- automatic gain ---------------------------------------------------------------------

TEST_F(CalibProcs, AutoGainFirstTrialByModeAndTheCoarseRule) {
  for (int mode : {0, 1}) {
    select(kDev, mode);
    posted.clear();
    auto_gain_proc p(poster());
    ASSERT_EQ(p.open(kDev), 0);
    p.tick(true);
    EXPECT_EQ(p.last_gain_idx, mode == 0 ? 65 : 51);
    EXPECT_EQ(posted, std::vector<uint16_t>{static_cast<uint16_t>(gain_word_of(mode, p.last_gain_idx) | 0x8000)});
    EXPECT_NEAR(p.curr_gain, mode == 0 ? 34.836 : 34.618, 1e-3);
  }
  EXPECT_FLOAT_EQ(coarse_gain(10.0f, 100), 40.0f);
  EXPECT_FLOAT_EQ(coarse_gain(10.0f, 101), 40.0f);
  EXPECT_FLOAT_EQ(coarse_gain(10.0f, 102), 10.0f * 512.0f / 102.0f);
  EXPECT_FLOAT_EQ(coarse_gain(10.0f, 917), 10.0f * 512.0f / 917.0f);
  EXPECT_FLOAT_EQ(coarse_gain(10.0f, 918), 2.5f);
}

TEST_F(CalibProcs, AutoGainMakesExactlyThreeCoarseStepsThenStoresTheFinalStep) {
  dev().edit_prod.set(3 * PROD_STRIDE + 1, 0x41);
  auto_gain_proc p(poster());
  ASSERT_EQ(p.open(kDev), 0);
  // Runs the machine until it asks for another gain (or ends); the device
  // reports each gain at once, and each capture holds 21 samples of m.
  auto coarse = [&](uint32_t m) {
    report(p.gain_word);
    for (int k = 0; k < 6; ++k) p.tick(true);  // confirmed, then five ticks settling
    ASSERT_EQ(p.agn_stat, 3);
    captured(20, m);
    p.tick(true);
    ASSERT_EQ(p.agn_stat, 3) << "20 samples are not enough";
    captured(21, m);
    const size_t before = posted.size();
    p.tick(true);
    EXPECT_EQ(posted.size(), before + 1);
    EXPECT_FALSE(dev().calib_req.load());
  };
  p.tick(true);  // the first trial, 34.836
  coarse(1023);  // saturated: / 4
  EXPECT_EQ(p.last_gain_idx, find_gain_step(0, 34.836f / 4.0f, p.last_gain_idx) ? p.last_gain_idx : -1);
  EXPECT_EQ(p.agn_step, 1);
  const float g1 = p.curr_gain;
  coarse(50);  // weak: x 4
  EXPECT_EQ(p.agn_step, 2);
  int want = 0;
  find_gain_step(0, g1 * 4.0f, want);
  EXPECT_EQ(p.last_gain_idx, want);
  coarse(512);  // on target: the step stays, and it still counts as a correction
  EXPECT_EQ(p.agn_step, 3);
  EXPECT_EQ(p.last_gain_idx, want);
  EXPECT_EQ(p.status_msg, 22);

  // The final capture: Accept is usable after 183 samples; 363 end it.
  report(p.gain_word);
  for (int k = 0; k < 6; ++k) p.tick(true);
  ASSERT_EQ(p.agn_stat, 4);
  captured(182, 400u);
  p.tick(true);
  EXPECT_FALSE(p.accept_enabled);
  EXPECT_EQ(p.status_left, 364 - 182);
  EXPECT_EQ(p.smp_cnt, 182);
  captured(183, 400u);
  p.tick(true);
  EXPECT_TRUE(p.accept_enabled);
  EXPECT_EQ(p.gauge, 400);
  EXPECT_EQ(p.colour, GAUGE_BLUE);
  captured(362, 400u);
  EXPECT_FALSE(p.tick(true).close);
  // 363 samples of 400 with no spread: gain x 918 / 400.
  const float before = p.curr_gain;
  captured(363, 400u);
  const t_calib_out out = p.tick(true);
  EXPECT_TRUE(out.close);
  EXPECT_EQ(out.info_msg, 56);
  find_gain_step(0, before * 918.0f / 400.0f, want);
  EXPECT_EQ(p.last_gain_idx, want);
  EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 1), gain_word_of(0, want));
  EXPECT_EQ(posted.back(), 0);
  EXPECT_EQ(posted.size(), 5u);  // four trials, one release
  EXPECT_FALSE(dev().calib_req.load());
}

TEST_F(CalibProcs, AutoGainFailures) {
  // Saturated at the lowest step: text 55, nothing stored.
  dev().edit_prod.set(3 * PROD_STRIDE + 1, 0x41);
  {
    auto_gain_proc p(poster());
    ASSERT_EQ(p.open(kDev), 0);
    p.tick(true);
    p.curr_gain = 0.3f;  // a trial below the first step
    report(p.gain_word);
    for (int k = 0; k < 6; ++k) p.tick(true);
    captured(21, 1000u);
    const t_calib_out out = p.tick(true);
    EXPECT_TRUE(out.close);
    EXPECT_EQ(out.error_msg, 55);
    EXPECT_EQ(posted.back(), 0);
    EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 1), 0x41);
  }
  // A final gain below the table stores step 0 with text 55; all samples 0
  // (no signal) store the top step with text 55 instead of dividing by 0.
  for (const uint32_t m : {1023u, 0u}) {
    posted.clear();
    auto_gain_proc p(poster());
    ASSERT_EQ(p.open(kDev), 0);
    p.tick(true);
    p.agn_step = 3;
    p.curr_gain = 0.5f;  // 0.5 x 918 / 1023 lies below the first step (0.498)
    report(p.gain_word);
    for (int k = 0; k < 6; ++k) p.tick(true);
    ASSERT_EQ(p.agn_stat, 4);
    captured(200, m);
    p.accept();
    const t_calib_out out = p.tick(true);
    EXPECT_TRUE(out.close);
    EXPECT_EQ(out.error_msg, 55);
    EXPECT_EQ(out.info_msg, 0);
    EXPECT_EQ(p.last_gain_idx, m ? 0 : 136);
    EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 1), gain_word_of(0, m ? 0 : 136));
    EXPECT_EQ(posted.back(), 0);
  }
  float g = 10.0f;
  captured(50, 0u);
  EXPECT_FALSE(calc_final_gain(kDev, 50, g));
  EXPECT_EQ(g, 10.0f);
}

TEST_F(CalibProcs, AutoGainAveragesAndSpreadOverTheRing) {
  EXPECT_EQ(get_smp_avg(kDev, 0), 0u);
  // 400 samples: index i holds the sample counted last at that index.
  captured(400, [](int k) { return static_cast<uint32_t>(k); });
  // The newest 363 of 0..399 are 37..399; the ring holds 364..399 at 0..35.
  EXPECT_EQ(get_smp_avg(kDev, 400), static_cast<uint32_t>((37 + 399) * 363 / 2 / 363));
  // A spread: half 500, half 600 -> a = 550, s = 50, gain x 918 / 750.
  captured(100, [](int k) { return k % 2 ? 600u : 500u; });
  float g = 10.0f;
  ASSERT_TRUE(calc_final_gain(kDev, 100, g));
  EXPECT_FLOAT_EQ(g, 10.0f * 918.0f / 750.0f);
  EXPECT_EQ(agn_colour(409), GAUGE_BLUE);
  EXPECT_EQ(agn_colour(410), GAUGE_GREEN);
  EXPECT_EQ(agn_colour(613), GAUGE_GREEN);
  EXPECT_EQ(agn_colour(614), GAUGE_RED);
}

// ---- manual gain ------------------------------------------------------------------------

TEST_F(CalibProcs, ManualGainWindowColoursAndPercentages) {
  captured(11, [](int k) { return 100u + static_cast<uint32_t>(k); });
  t_headroom h = headroom_of(kDev, 11);
  EXPECT_EQ(h.window, 1);
  EXPECT_EQ(h.avg_value, 110);
  captured(60, [](int k) { return static_cast<uint32_t>(k); });
  h = headroom_of(kDev, 60);
  EXPECT_EQ(h.window, 40);
  EXPECT_EQ(h.min_value, 20);
  EXPECT_EQ(h.max_value, 59);
  EXPECT_EQ(h.avg_value, (20 + 59) * 40 / 2 / 40);
  EXPECT_EQ(headroom_of(kDev, 10).window, 0);
  // Across the ring's end: 370 samples, the newest at index 5.
  captured(370, [](int k) { return k >= 330 ? 900u : 10u; });
  h = headroom_of(kDev, 370);
  EXPECT_EQ(h.min_value, 900);
  EXPECT_EQ(h.max_value, 900);

  EXPECT_EQ(headroom_colour(511, 1023), GAUGE_BLUE);
  EXPECT_EQ(headroom_colour(600, 968), GAUGE_GREEN);
  EXPECT_EQ(headroom_colour(600, 969), GAUGE_YELLOW);
  EXPECT_EQ(headroom_colour(600, 1019), GAUGE_YELLOW);
  EXPECT_EQ(headroom_colour(600, 1020), GAUGE_RED);
  EXPECT_EQ(get_proc_val(512), "50.1 %");
  EXPECT_EQ(get_proc_val(1020), "100.0 %");
  EXPECT_EQ(get_proc_val(1023), "100.0 %");
  EXPECT_EQ(get_proc_val(5), "0.4 %");
  sys_dec_sep = u',';
  EXPECT_EQ(get_proc_val(512), "50,1 %");
}

TEST_F(CalibProcs, ManualGainSendsTheFinalPositionOneTickLaterAndRestartsTheStatistics) {
  dev().edit_prod.set(3 * PROD_STRIDE + 1, (2 << 6) | 40);
  manual_gain_proc p(poster());
  EXPECT_EQ(p.open(kDev), 136);
  EXPECT_EQ(p.last_gain_idx, 65);
  EXPECT_TRUE(dev().calib_req.load());
  p.tick(true, 65);
  EXPECT_EQ(posted, std::vector<uint16_t>{0x8000 | (2 << 6) | 40});
  EXPECT_EQ(p.gain_text, "34.8");
  // Two moves within one tick: only the final position, one tick later.
  p.tick(true, 67);
  EXPECT_EQ(posted.size(), 1u);
  captured(30, 700u);
  p.tick(true, 67);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[1], 0x8000 | gain_word_of(0, 67));
  EXPECT_EQ(dev().cal_smp_cnt.load(), 0);  // statistics start again
  EXPECT_FALSE(p.gauge_shown);
  captured(30, 700u);
  p.tick(true, 67);
  EXPECT_TRUE(p.gauge_shown);
  EXPECT_EQ(p.stat.window, 20);
  EXPECT_EQ(p.colour, GAUGE_GREEN);
  EXPECT_EQ(p.avg_text, "68.6 %");
  p.confirm(67);
  EXPECT_EQ(dev().edit_prod.get(3 * PROD_STRIDE + 1), gain_word_of(0, 67));
  p.close();
  EXPECT_EQ(posted.back(), 0);
  EXPECT_FALSE(dev().calib_req.load());
}

TEST_F(CalibProcs, ManualGainOffLinePicksAndStoresWithoutTheService) {
  select(-1, 0);
  m_stat.sensor_mode.store(1);
  m_stat.off_line_vaild.store(true);
  m_stat.ed_prod_id.store(5);
  m_stat.edit_prod.set(5 * PROD_STRIDE + 1, (0 << 6) | 30);  // beyond stage 0 of the mode-1 table
  manual_gain_proc p(poster());
  EXPECT_EQ(p.open(-1), 122);
  EXPECT_EQ(p.last_gain_idx, 21);
  EXPECT_FALSE(p.with_device());
  EXPECT_TRUE(p.tick(true, 30).stop_timer);
  p.confirm(21);  // confirming without moving rewrites the word as the step
  EXPECT_EQ(m_stat.edit_prod.get(5 * PROD_STRIDE + 1), 21);
  p.confirm(40);
  EXPECT_EQ(m_stat.edit_prod.get(5 * PROD_STRIDE + 1), gain_word_of(1, 40));
  p.close();
  EXPECT_TRUE(posted.empty());

  // No product being edited: the track bar still ends at the table's last step.
  m_stat.off_line_vaild.store(false);
  EXPECT_EQ(p.open(-1), 122);
  EXPECT_EQ(p.last_gain_idx, 0);
  m_stat.sensor_mode.store(0);
  EXPECT_EQ(p.open(-1), 136);
}
