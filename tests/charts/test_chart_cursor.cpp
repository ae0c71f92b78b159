// Cursor statistics: the values, average and total between the cursors as
// the grid shows them, and the block sums behind them against a plain
// rescan of every index.
#include "chart_fixture.h"
#include "charts/chart_cursor.h"
#include "charts/chart_scale.h"
#include "charts/sample_access.h"
#include "core/sys_number.h"
#include "texts/text_table.h"

#include <cmath>
#include <random>

namespace {

class CursorStats : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    sys_dec_sep = u'.';
    init_texts();
  }
  // An off-line scaled channel in unit u with the value v at indexes from..to.
  static void flow(int row, int32_t unit, int32_t from, int32_t to, float v) {
    arch_chan(row, MEAS_SCALED);
    m_stat.arch_stat[row].unit_idx = unit;
    for (int32_t i = from; i <= to; ++i) m_stat.arch_stat[row].smp_tab[i] = v;
    load_chan_cfg(CHART_ARCH);
    invalidate_stats(CHART_ARCH);
  }
  static void clear(int row, int32_t from, int32_t to) {
    for (int32_t i = from; i <= to; ++i) m_stat.arch_stat[row].smp_tab[i] = std::nanf("");
    invalidate_stats(CHART_ARCH);
  }
};

TEST_F(CursorStats, AConstantFlowTotalsItsUnitWithGapsUpTo25Bridged) {
  // 36 t/h for 500 samples (100 s) is 1 t, written with four decimals.
  flow(0, 3, 1000, 1499, 36.0f);
  EXPECT_EQ(total_text(CHART_ARCH, 0, 1000, 1499), "1.0000 t");
  EXPECT_EQ(total_text(CHART_ARCH, 0, 1499, 1000), "1.0000 t");  // either order
  // 25 missing samples are bridged with the last reading, 26 are not.
  clear(0, 1100, 1124);
  EXPECT_EQ(total_text(CHART_ARCH, 0, 1000, 1499), "1.0000 t");
  clear(0, 1125, 1125);
  EXPECT_EQ(total_text(CHART_ARCH, 0, 1000, 1499), "");
  // A missing first sample abandons the total at once; an index before the day too.
  EXPECT_EQ(total_text(CHART_ARCH, 0, 999, 1050), "");
  EXPECT_EQ(total_text(CHART_ARCH, 0, -1, 1050), "");
  // kg/min: 60 kg/min for 5 samples (1 s) is 1 kg.
  flow(1, 1, 0, 4, 60.0f);
  EXPECT_EQ(total_text(CHART_ARCH, 1, 0, 4), "1.0000 kg");
}

TEST_F(CursorStats, PercentAndOtherModesHaveNoTotal) {
  flow(0, 6, 0, 99, 50.0f);
  EXPECT_EQ(total_text(CHART_ARCH, 0, 0, 99), "");
  EXPECT_EQ(avg_text(CHART_ARCH, 0, 0, 99), "50.000 %");
  arch_chan(1, MEAS_TEMP);
  for (int i = 0; i < 10; ++i) m_stat.arch_stat[1].smp_tab[i] = 20.0f + i;
  arch_chan(2, MEAS_DIN1);
  m_stat.arch_stat[2].smp_tab[3] = 1.0f;
  load_chan_cfg(CHART_ARCH);
  invalidate_stats(CHART_ARCH);
  EXPECT_EQ(total_text(CHART_ARCH, 1, 0, 9), "");
  EXPECT_EQ(avg_text(CHART_ARCH, 1, 0, 9), "24.5°C");
  EXPECT_EQ(avg_text(CHART_ARCH, 2, 0, 9), "");  // digital inputs have no average
  EXPECT_TRUE(std::isnan(draw_stat[CHART_ARCH].avg_val[2]));
  EXPECT_EQ(cursor_value_text(0, CHART_ARCH, 2, 3), "ON");
  EXPECT_EQ(cursor_value_text(1, CHART_ARCH, 2, 4), "");
  EXPECT_FLOAT_EQ(draw_stat[CHART_ARCH].cur_val[2][0], 1.0f);
  EXPECT_TRUE(std::isnan(draw_stat[CHART_ARCH].cur_val[2][1]));
  // A channel that is not displayed shows nothing.
  common_setup.dsp_chan_arch[1].displayed = false;
  load_chan_cfg(CHART_ARCH);
  EXPECT_EQ(avg_text(CHART_ARCH, 1, 0, 9), "");
  EXPECT_EQ(cursor_value_text(0, CHART_ARCH, 1, 2), "");
}

TEST_F(CursorStats, BothCursorsInOneColumnMeasureItsMiddleSample) {
  flow(0, 0, 0, 999, 0.0f);
  for (int i = 0; i < 1000; ++i) m_stat.arch_stat[0].smp_tab[i] = static_cast<float>(i);
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ds.plot_w = 100;
  for (int k = 0; k <= 100; ++k) {
    ds.col_last[k] = 10 * k;
    ds.col_first[k] = 10 * k + 9;
  }
  ds.col_first[50] = ds.col_last[50] = -1;
  const int32_t i = cursor_idx(ds, 40), j = cursor_idx(ds, 40);
  EXPECT_EQ(i, 404);
  EXPECT_EQ(dt_text(i, j), "dt: 0s");
  EXPECT_EQ(avg_text(CHART_ARCH, 0, i, j), "404.00 kg/h");
  EXPECT_EQ(cursor_value_text(1, CHART_ARCH, 0, i), "404.00 kg/h");
  EXPECT_EQ(cursor_idx(ds, 50), -1);     // an empty column
  EXPECT_EQ(cursor_idx(ds, 500), 1004);  // held to plot_w
  EXPECT_EQ(cursor_idx(ds, -3), 4);
  EXPECT_EQ(dt_text(1004, 4), "dt: 200s");
  EXPECT_EQ(cursor_value_text(0, CHART_ARCH, 0, -1), "");
}

TEST_F(CursorStats, HandlesStopHalfAHandleFromEachOther) {
  EXPECT_EQ(drag_handle_left(true, 100, 300, 23), 311);  // the right one stops right of the left one
  EXPECT_EQ(drag_handle_left(true, 400, 300, 23), 400);
  EXPECT_EQ(drag_handle_left(false, 500, 300, 23), 289);  // the left one stops left of the right one
  EXPECT_EQ(drag_handle_left(false, 10, 300, 23), 10);
}

// Random data with gaps of every length around the bridging limit, on the
// off-line chart and on a live scaled channel: the block sums give what the
// plain rescan gives, for spans inside one block, across block edges and
// over the whole day, and again after the data changed.
TEST_F(CursorStats, FastSumsEqualAPlainRescan) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> val(0.0f, 2000.0f);
  std::uniform_int_distribution<int> gap(1, 40);
  std::bernoulli_distribution starts_gap(0.002);
  auto fill = [&](auto put) {
    for (int32_t i = 0; i < RING_SIZE; ++i) {
      if (starts_gap(rng)) {
        i += gap(rng) - 1;
        continue;
      }
      put(i, val(rng));
    }
  };
  arch_chan(0, MEAS_SCALED);
  m_stat.arch_stat[0].unit_idx = 0;
  fill([](int32_t i, float v) { m_stat.arch_stat[0].smp_tab[i] = v; });
  arch_chan(1, MEAS_TEMP);
  fill([](int32_t i, float v) { m_stat.arch_stat[1].smp_tab[i] = v / 10.0f - 50.0f; });
  live_chan(0, 2, MEAS_SCALED);
  m_stat.dev_stat[2].unit_idx = 3;
  fill([](int32_t i, float v) { put_live(2, i, v); });
  load_chan_cfg(CHART_ARCH);
  load_chan_cfg(CHART_LIVE);

  auto check = [&](int chart, int row, int32_t a, int32_t b) {
    const t_span_sum s = avg_scan(chart, row, a, b), f = avg_fast(chart, row, a, b);
    ASSERT_EQ(s.count, f.count) << a << ".." << b;
    ASSERT_NEAR(s.sum, f.sum, 1e-12 * std::abs(s.sum) + 1e-9) << a << ".." << b;
    const t_total_sum ts = total_scan(chart, row, a, b), tf = total_fast(chart, row, a, b);
    ASSERT_EQ(ts.abandoned, tf.abandoned) << a << ".." << b;
    if (ts.abandoned) return;
    ASSERT_EQ(ts.count, tf.count) << a << ".." << b;
    ASSERT_NEAR(ts.sum, tf.sum, 1e-12 * std::abs(ts.sum) + 1e-9) << a << ".." << b;
  };
  std::uniform_int_distribution<int32_t> idx(0, SLOTS_PER_DAY);
  std::uniform_int_distribution<int32_t> len(0, 1500);
  for (int round = 0; round < 2; ++round) {
    invalidate_stats(CHART_ARCH);
    invalidate_stats(CHART_LIVE);
    for (int n = 0; n < 3000; ++n) {
      const int32_t a = idx(rng);
      const int32_t b = n % 3 == 0 ? idx(rng) : std::min(a + len(rng), SLOTS_PER_DAY);
      check(CHART_ARCH, 0, std::min(a, b), std::max(a, b));
      check(CHART_ARCH, 1, std::min(a, b), std::max(a, b));
      check(CHART_LIVE, 0, std::min(a, b), std::max(a, b));
    }
    for (int32_t a : {0, 255, 256, 257, 511, 512}) check(CHART_ARCH, 0, a, a + 700);
    check(CHART_ARCH, 0, 0, SLOTS_PER_DAY);
    check(CHART_ARCH, 1, 0, SLOTS_PER_DAY);
    // The texts the grid shows come out the same as from the rescan.
    for (int n = 0; n < 200; ++n) {
      const int32_t a = idx(rng), b = std::min(a + len(rng), SLOTS_PER_DAY);
      const t_span_sum s = avg_scan(CHART_ARCH, 0, a, b);
      const QString want = s.count ? fmt_sys_fixed(decimals_for(s.sum / s.count), s.sum / s.count) + " kg/h" : "";
      ASSERT_EQ(avg_text(CHART_ARCH, 0, a, b), want);
      const t_total_sum t = total_scan(CHART_LIVE, 0, a, b);
      const double total = t.sum / 18000.0;
      ASSERT_EQ(total_text(CHART_LIVE, 0, a, b),
                t.abandoned || !t.count ? QString() : fmt_sys_fixed(decimals_for(total), total) + " t");
    }
    // New data at the live end and a changed archive: the sums follow once told.
    for (int32_t i = 400000; i < RING_SIZE; ++i) put_live(2, i, 5.0f);
    invalidate_stats_from(CHART_LIVE, 400000);
    check(CHART_LIVE, 0, 300000, SLOTS_PER_DAY);
    fill([](int32_t i, float v) { m_stat.arch_stat[0].smp_tab[i] = v * 3.0f; });
  }
}

}  // namespace
