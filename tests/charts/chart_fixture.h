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
