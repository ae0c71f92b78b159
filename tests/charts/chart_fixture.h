// Shared set-up of the chart model tests: clean records, a device ring to
// fill and archive tables to fill.
#pragma once

#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/raw_value.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

// The columns of two records hold the same ranges and values (bits: the
// same bits, 0 and -0 told apart) for the drawn channels.
inline void expect_same_columns(const t_draw_stat& a, const t_draw_stat& b, bool bits = false) {
  EXPECT_EQ(a.view_first, b.view_first);
  EXPECT_EQ(a.sat_val, b.sat_val);
  auto same = [bits](float x, float y) {
    return bits ? std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(y) : x == y;
  };
  for (int k = 0; k <= a.plot_w; ++k) {
    ASSERT_EQ(a.col_first[k], b.col_first[k]) << k;
    ASSERT_EQ(a.col_last[k], b.col_last[k]) << k;
    for (int r = 0; r < MAX_CHANNELS; ++r) {
      if (!a.chan_active[r] || !a.chan_displayed[r]) continue;
      ASSERT_EQ(a.col_empty[k][r], b.col_empty[k][r]) << k << " " << r;
      ASSERT_EQ(a.col_gap[k][r], b.col_gap[k][r]) << k << " " << r;
      if (a.col_empty[k][r]) continue;
      ASSERT_TRUE(same(a.col_min[k][r], b.col_min[k][r])) << k << " " << r << ": " << a.col_min[k][r];
      ASSERT_TRUE(same(a.col_max[k][r], b.col_max[k][r])) << k << " " << r << ": " << a.col_max[k][r];
    }
  }
}

class ChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    reset_draw_stat();
    reset_filt_rows();
    for (auto& d : m_stat.dev_stat) clear_smp_ring(d);
    for (auto& a : m_stat.arch_stat) a.smp_tab.fill(std::bit_cast<float>(CAL_EMPTY));
  }
  void TearDown() override {
    reset_all_records();
    reset_draw_stat();
    reset_filt_rows();
  }

  // A live sample: scaled value, raw word, temperature in tenths.
  static void put_live(int dev, int idx, float cal, uint32_t raw = 0x000A82A7, int16_t temp = 250) {
    auto& d = m_stat.dev_stat[dev];
    d.smp_raw[idx].store(raw);
    d.smp_cal[idx].store(cal);
    d.smp_temp[idx].store(static_cast<uint16_t>(temp));
  }
  static t_dsp_chan& live_chan(int slot, int dev, int32_t mode) {
    t_dsp_chan& ch = common_setup.dsp_chan_live[slot];
    ch.active = true;
    ch.displayed = true;
    ch.dev_idx = dev;
    ch.meas_mode = mode;
    ch.tag = QString("live %1").arg(slot);
    common_setup.dev_conn[dev].active = true;
    return ch;
  }
  static t_dsp_chan& arch_chan(int slot, int32_t mode) {
    t_dsp_chan& ch = common_setup.dsp_chan_arch[slot];
    ch.active = true;
    ch.displayed = true;
    ch.meas_mode = mode;
    ch.tag = QString("arch %1").arg(slot);
    return ch;
  }
};
