// Column mapping and the live follow step: the per-channel mapping gives
// what adding the indexes one by one gives, a spike reaches its pixel, an
// unmappable view leaves every column empty.
#include "chart_fixture.h"
#include "charts/chart_scale.h"
#include "charts/column_map.h"
#include "charts/sample_access.h"

#include <bit>
#include <cmath>
#include <memory>
#include <random>

namespace {

// The mapping as one index at a time over all channels.
void ref_map_columns(int chart) {
  t_draw_stat& ds = draw_stat[chart];
  const int32_t span = round_px(ds.plot_w * ds.smp_per_px);
  ds.view_first = ds.view_last > span ? ds.view_last - span : 0;
  ds.sat_val.fill(0);
  int32_t i = ds.view_last;
  for (int k = ds.plot_w; k >= 0; --k) {
    const double limit = ds.view_last - (ds.plot_w - k + 1) * ds.smp_per_px;
    ds.col_first[k] = ds.col_last[k] = -1;
    ds.col_empty[k].fill(true);
    ds.col_gap[k].fill(false);
    while (i >= 0 && i >= limit) add_to_column(chart, k, i--);
  }
}

class ColumnMap : public ChartTest {
 protected:
  // sums: the mapping takes whole blocks from the full scan's block sums.
  void compare(int chart, int32_t view_last, double smp_per_px, int32_t plot_w, bool sums = false) {
    t_draw_stat& ds = draw_stat[chart];
    load_chan_cfg(chart);
    if (sums) scan_all(chart);
    keep_chan_sums(chart, sums);
    ds.no_data = false;
    ds.view_last = view_last;
    ds.smp_per_px = smp_per_px;
    ds.plot_w = plot_w;
    const bool mapped = map_columns(chart);
    keep_chan_sums(chart, false);
    ASSERT_TRUE(mapped);
    auto fast = std::make_unique<t_draw_stat>(ds);
    if (sums) {
      // Bit for bit what the samples one by one in the same order give (of
      // equal values, 0 and -0, the oldest stays).
      ASSERT_TRUE(map_columns(chart));
      expect_same_columns(*fast, ds, true);
    }
    ref_map_columns(chart);
    expect_same_columns(*fast, ds);
  }
};

}  // namespace

TEST_F(ColumnMap, PerChannelMappingEqualsOneIndexAtATime) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> val(0.0f, 500.0f);
  std::bernoulli_distribution gap(0.15);
  for (int r = 0; r < 4; ++r) arch_chan(r, r == 0 ? MEAS_RAW : MEAS_SCALED);
  common_setup.dsp_chan_arch[2].displayed = false;
  for (int r = 0; r < 4; ++r)
    for (int i = 0; i < 60000; ++i)
      if (!gap(rng)) m_stat.arch_stat[r].smp_tab[i] = val(rng);
  compare(CHART_ARCH, 59999, 20.0 * 5 / 90, 900);  // several samples per column
  compare(CHART_ARCH, 59999, 8640.0 * 5 / 90, 1800);
  compare(CHART_ARCH, 3000, 0.37, 700);  // less than a sample per column: empty columns
  compare(CHART_ARCH, 450, 3.3, 2999);   // the view runs out at index 0

  for (int r = 0; r < 3; ++r) live_chan(r, r, r == 0 ? MEAS_RAW : r == 1 ? MEAS_DIN2 : MEAS_TEMP);
  for (int d = 0; d < 3; ++d)
    for (int i = 0; i < 60000; ++i)
      if (!gap(rng)) put_live(d, i, val(rng), 0x40000000u | static_cast<uint32_t>(rng() % 0x3FFFF), rng() % 800);
  m_stat.dev_stat[0].last_saved_idx.store(59990);
  refilter_chan(0, true);
  compare(CHART_LIVE, 59999, 30.0 * 5 / 90, 1500);
  EXPECT_GT(draw_stat[CHART_LIVE].sat_val[0], 0);
}

TEST_F(ColumnMap, TheFullScansBlockSumsMapAsTheSamplesDo) {
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> val(0, 2);
  std::bernoulli_distribution gap(0.2);
  std::bernoulli_distribution long_gap(0.002);
  // 0 and -0 as the minimum (even rows) or the maximum (odd rows) of most
  // columns, and gaps of whole blocks.
  int row = 0;
  auto value = [&] {
    const int v = val(rng);
    return v == 0 ? 0.0f : v == 1 ? -0.0f : row % 2 ? -0.5f : 0.5f;
  };
  for (int r = 0; r < 3; ++r) arch_chan(r, r == 2 ? MEAS_TEMP : MEAS_SCALED);
  for (int r = 0; r < 3; ++r) {
    row = r;
    for (int i = 5; i < SLOTS_PER_DAY - 7; ++i) {
      if (long_gap(rng)) i += 100;
      if (!gap(rng) && i < SLOTS_PER_DAY - 7) m_stat.arch_stat[r].smp_tab[i] = value();
    }
  }
  draw_stat[CHART_ARCH].temp_f = 1;                                      // a getter that converts
  compare(CHART_ARCH, SLOTS_PER_DAY - 1, 13507.0 * 5 / 90, 1700, true);  // the whole day
  compare(CHART_ARCH, 300000, 60.0 * 5 / 90, 1700, true);                // blocks cut by columns
  compare(CHART_ARCH, 200000, 20.0 * 5 / 90, 900, true);                 // no whole block in a column
  compare(CHART_ARCH, 5000, 3600.0 * 5 / 90, 1000, true);                // the view runs out at index 0

  for (int r = 0; r < 2; ++r) live_chan(r, r, r == 0 ? MEAS_SCALED : MEAS_RAW);
  for (int d = 0; d < 2; ++d) {
    row = d;
    for (int i = 0; i < 100000; ++i)
      if (!gap(rng)) put_live(d, i, value(), 0x40000000u | static_cast<uint32_t>(rng() % 0x3FFFF));
  }
  m_stat.dev_stat[1].last_saved_idx.store(99990);
  refilter_chan(1, true);
  compare(CHART_LIVE, 99999, 300.0 * 5 / 90, 1500, true);
}

TEST_F(ColumnMap, ASpikeReachesItsColumnAndAGapIsTheOldestSample) {
  arch_chan(0, MEAS_SCALED);
  for (int i = 0; i < 10000; ++i) m_stat.arch_stat[0].smp_tab[i] = 10.0f;
  m_stat.arch_stat[0].smp_tab[5000] = 95.0f;
  load_chan_cfg(CHART_ARCH);
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ds.view_last = 9999;
  ds.smp_per_px = 50.0;  // 50 samples per column
  ds.plot_w = 100;
  ASSERT_TRUE(map_columns(CHART_ARCH));
  int spike = -1;
  for (int k = 0; k <= ds.plot_w; ++k)
    if (ds.col_first[k] >= 5000 && ds.col_last[k] <= 5000) spike = k;
  ASSERT_GE(spike, 0);
  EXPECT_FLOAT_EQ(ds.col_max[spike][0], 95.0f);
  EXPECT_FLOAT_EQ(ds.col_min[spike][0], 10.0f);
  EXPECT_FLOAT_EQ(ds.col_max[spike - 1][0], 10.0f);
  // A missing sample inside a column is no gap; at its oldest index it is.
  m_stat.arch_stat[0].smp_tab[ds.col_first[spike] - 1] = std::bit_cast<float>(CAL_EMPTY);
  m_stat.arch_stat[0].smp_tab[ds.col_last[spike - 1]] = std::bit_cast<float>(CAL_EMPTY);
  ASSERT_TRUE(map_columns(CHART_ARCH));
  EXPECT_FALSE(ds.col_gap[spike][0]);
  EXPECT_TRUE(ds.col_gap[spike - 1][0]);
  EXPECT_FALSE(ds.col_empty[spike - 1][0]);
}

TEST_F(ColumnMap, NothingToMapLeavesEveryColumnEmpty) {
  arch_chan(0, MEAS_SCALED);
  for (int i = 0; i < 1000; ++i) m_stat.arch_stat[0].smp_tab[i] = 1.0f;
  load_chan_cfg(CHART_ARCH);
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ds.view_last = 999;
  ds.smp_per_px = 1.0;
  ds.plot_w = 500;
  ASSERT_TRUE(map_columns(CHART_ARCH));
  EXPECT_FALSE(ds.col_empty[500][0]);
  ds.view_last = 0;
  EXPECT_FALSE(map_columns(CHART_ARCH));
  for (int k = 0; k < CHART_COLS; ++k) {
    ASSERT_TRUE(ds.col_empty[k][0]) << k;
    ASSERT_EQ(ds.col_first[k], -1) << k;
  }
}

TEST(LiveFollow, FollowsOnlyAtTheRightEdgeWithAColumnOfNewData) {
  t_draw_stat ds;
  ds.data_last = ds.view_last = 1000;
  ds.view_first = 100;
  ds.smp_per_px = 2.5;
  int32_t play = 0;
  bool changed = false;
  EXPECT_EQ(follow_live(ds, 1000, play, changed), FOLLOW_NONE);  // nothing new
  EXPECT_EQ(follow_live(ds, 1002, play, changed), FOLLOW_NONE);  // less than a column
  EXPECT_EQ(ds.view_last, 1000);
  EXPECT_EQ(follow_live(ds, 1003, play, changed), FOLLOW_ADVANCE);
  EXPECT_EQ(ds.data_last, 1003);
  EXPECT_EQ(ds.view_last, 1003);
  EXPECT_EQ(ds.view_first, 103);
  // Stopped, or looking at older data: the view stays.
  play = 1;
  EXPECT_EQ(follow_live(ds, 1100, play, changed), FOLLOW_NONE);
  play = 0;
  ds.view_last = 500;
  EXPECT_EQ(follow_live(ds, 1100, play, changed), FOLLOW_NONE);
  // Play jumps back to the newest data and follows.
  play = 2;
  EXPECT_EQ(follow_live(ds, 1100, play, changed), FOLLOW_ADVANCE);
  EXPECT_TRUE(changed);
  EXPECT_EQ(play, 0);
  EXPECT_EQ(ds.view_last, 1100);
  // An empty chart asks for a full redraw.
  ds.view_last = -1;
  EXPECT_EQ(follow_live(ds, 1200, play, changed), FOLLOW_FULL);
}

TEST(LiveFollow, TheViewMovesByWholeStepsWhereTheyAreShort) {
  EXPECT_EQ(whole_step_cols(60.0 * 5 / 90), 3);  // 10 samples
  EXPECT_EQ(whole_step_cols(20.0 * 5 / 90), 9);  // 10 samples
  EXPECT_EQ(whole_step_cols(3600.0 * 5 / 90), 1);
  EXPECT_EQ(whole_step_cols(0.37), 0);
  t_draw_stat ds;
  ds.data_last = ds.view_last = 100000;
  ds.smp_per_px = 4501.0 * 5 / 90;  // a whole step is 18 columns, 4501 samples: too long
  int32_t play = 0;
  bool changed = false;
  EXPECT_EQ(follow_live(ds, 100251, play, changed), FOLLOW_ADVANCE);
  EXPECT_EQ(ds.view_last, 100251);
  // 60 s per division: whole steps of 3 columns, 10 samples, once one came.
  ds.smp_per_px = 60.0 * 5 / 90;
  EXPECT_EQ(follow_live(ds, 100258, play, changed), FOLLOW_ADVANCE);
  EXPECT_EQ(ds.view_last, 100258);
  EXPECT_EQ(follow_live(ds, 100282, play, changed), FOLLOW_ADVANCE);
  EXPECT_EQ(ds.view_last, 100278);
  EXPECT_EQ(ds.data_last, 100278);
  EXPECT_EQ(ds.view_first, 251 + 7 + 20);
}

TEST(LiveFollow, ANewestSlotGoneBackBelowTheChartIsANewDay) {
  t_draw_stat ds;
  ds.data_last = 431990;  // drawn from the old day's rings
  EXPECT_FALSE(live_day_restarted(ds, 431990));
  EXPECT_TRUE(live_day_restarted(ds, 5));
  ds.data_last = 5;
  EXPECT_FALSE(live_day_restarted(ds, 8));
  // Behind a hidden channel's device that is ahead: no new day, however
  // long it lags, and none when no device has stored anything.
  ds.data_last = 40;
  EXPECT_FALSE(live_day_restarted(ds, 10));
  EXPECT_FALSE(live_day_restarted(ds, 10));
  EXPECT_FALSE(live_day_restarted(ds, -1));
}
