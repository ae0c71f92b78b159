// The trace filters: the worked sequences of the median, screw and Pt1
// stages, restarts after gaps, and the live rows kept up to date.
#include "chart_fixture.h"

#include <vector>

namespace {

std::vector<uint32_t> run(const std::vector<uint32_t>& in, int32_t med, uint16_t pt, uint16_t screw) {
  t_filt_stat st;
  st.reset = true;
  std::vector<uint32_t> out;
  for (uint32_t x : in) out.push_back(filter_sample(x, med, pt, st, screw));
  return out;
}

constexpr uint32_t NOV = RAW_NO_VALUE;

}  // namespace

TEST(TraceFilter, MedianOfThreeAfterAReset) {
  EXPECT_EQ(run({10, 50, 12}, 1, 0, 0), (std::vector<uint32_t>{10, 10, 12}));
}

TEST(TraceFilter, MedianOfElevenUsesExactlyTheElevenNewest) {
  std::vector<uint32_t> in;
  for (uint32_t v = 1; v <= 11; ++v) in.push_back(v);
  in.push_back(1000);
  const auto out = run(in, 5, 0, 0);
  // The last window holds 1000, 11 .. 2 (1 has dropped out): middle value 7.
  EXPECT_EQ(out.back(), 7u);
  // A setting above 5 still means depth 11.
  EXPECT_EQ(run(in, 9, 0, 0).back(), 7u);
}

TEST(TraceFilter, ScrewFilterRemovesAPeak) {
  EXPECT_EQ(run({100, 100, 100, 100, 400}, 0, 0, 1).back(), 100u);
  EXPECT_EQ(run({77, 77, 77, 77, 77}, 0, 0, 1), (std::vector<uint32_t>{77, 77, 77, 77, 77}));
  // The classes directly: bounds 100, 115, ..., 370; the 100s in class 1,
  // the 400 in class 19; the fuller class wins.
  t_filt_stat st;
  st.screw_win.fill(100);
  st.screw_win[0] = 400;
  EXPECT_EQ(screw_of(st, 5), 100);
  // A tie goes to the lower class: 2 x 100 and 2 x 400 (the 5th entry 100 too).
  st.screw_win[1] = 400;
  EXPECT_EQ(screw_of(st, 4), 100);
  // Only the newest n values take part; n above 50 means 50.
  st.screw_win.fill(5);
  st.screw_win[49] = 1000;
  EXPECT_EQ(screw_of(st, 49), 5);
  EXPECT_EQ(screw_of(st, 500), 5);
}

TEST(TraceFilter, Pt1StepResponseAndItsOffSetting) {
  EXPECT_EQ(run({1000, 2000, 2000, 2000}, 0, 10, 0), (std::vector<uint32_t>{1000, 1200, 1360, 1488}));
  EXPECT_EQ(run({1000, 2000, 2000}, 0, 1, 0), (std::vector<uint32_t>{1000, 2000, 2000}));  // N = 0: off
}

TEST(TraceFilter, AGapRestartsAllThreeFilters) {
  // Median 3, screw 1 s and Pt1 1 s together: after the gap the chain
  // starts at the next value as if freshly reset.
  const auto out = run({1000, 1000, 1000, NOV, 5000, 5000}, 1, 10, 1);
  EXPECT_EQ(out[3], NOV);
  EXPECT_EQ(out[4], 5000u);
  EXPECT_EQ(out[5], 5000u);
  // Without the gap the same step is slowed by all three.
  const auto slow = run({1000, 1000, 1000, 5000, 5000}, 1, 10, 1);
  EXPECT_LT(slow[4], 5000u);
}

class LiveRows : public ChartTest {};

TEST_F(LiveRows, RowsFollowTheRingAndRestartAtADayChange) {
  t_dsp_chan& ch = live_chan(0, 2, MEAS_RAW);
  ch.filt_pt = 10;
  auto& dev = m_stat.dev_stat[2];
  for (int i = 0; i < 20; ++i) put_live(2, i, 1.0f, i < 10 ? 0x064u : 0x0C8u);  // raw words of 2 readings
  const auto v0 = static_cast<uint32_t>(raw_to_value(0x064u));
  const auto v1 = static_cast<uint32_t>(raw_to_value(0x0C8u));
  dev.last_saved_idx.store(14);
  refilter_chan(0, false);
  const t_filt_row& row = filt_row(0);
  EXPECT_EQ(row.last, 14);
  EXPECT_EQ(row.filt[0], v0);
  EXPECT_GT(row.filt[10], v0);
  EXPECT_LT(row.filt[10], v1);
  EXPECT_EQ(row.filt[15], static_cast<uint32_t>(RAW_NO_VALUE));
  // The next cycle goes on where the last stopped.
  const uint32_t at14 = row.filt[14];
  dev.last_saved_idx.store(19);
  refilter_chan(0, false);
  EXPECT_EQ(row.last, 19);
  EXPECT_EQ(row.filt[14], at14);
  EXPECT_GT(row.filt[19], at14);

  // A new day: the newest index is lower; nothing is processed, last follows.
  const uint32_t at19 = row.filt[19];
  dev.last_saved_idx.store(3);
  refilter_chan(0, false);
  EXPECT_EQ(row.last, 3);
  EXPECT_EQ(row.filt[19], at19);
  // A restart rebuilds from the start of the day and clears the rest.
  for (int i = 0; i < 4; ++i) put_live(2, i, 1.0f, 0x0C8u);
  refilter_chan(0, true);
  EXPECT_EQ(row.filt[0], v1);
  EXPECT_EQ(row.filt[19], static_cast<uint32_t>(RAW_NO_VALUE));
}

TEST_F(LiveRows, OnlyRawChannelsOfActiveDevicesAreFiltered) {
  live_chan(0, 0, MEAS_SCALED);
  live_chan(1, 1, MEAS_RAW);
  common_setup.dev_conn[1].active = false;
  for (int d : {0, 1}) {
    put_live(d, 0, 1.0f);
    m_stat.dev_stat[d].last_saved_idx.store(0);
  }
  refilter_chan(0, true);
  refilter_chan(1, true);
  EXPECT_EQ(filt_row(0).last, -1);
  EXPECT_EQ(filt_row(1).last, -1);
}

TEST_F(LiveRows, StartUpRebuildGoesUpToTheReloadedSamples) {
  live_chan(3, 5, MEAS_RAW);
  for (int i = 0; i < 10; ++i) put_live(5, i, 1.0f, 0x064u);
  m_stat.dev_stat[5].last_arch_idx.store(6);
  refilter_after_load(3);
  EXPECT_EQ(filt_row(3).last, 6);
  EXPECT_EQ(filt_row(3).filt[6], static_cast<uint32_t>(raw_to_value(0x064u)));
  EXPECT_EQ(filt_row(3).filt[7], static_cast<uint32_t>(RAW_NO_VALUE));
}
