// The trace filters: the worked sequences of the median, screw and Pt1
// stages, restarts after gaps, the live rows kept up to date, the chain
// against the routine it replaced, and rebuilds in steps from the event loop.
#include "chart_fixture.h"
#include "charts/refilter_pump.h"
#include "trace_filter_ref.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <random>
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

// ---- the chain against the straightforward routine it replaced ---------------------------
namespace {

struct t_combo {
  int32_t med;
  uint16_t pt;
  uint16_t screw;
};

// Every kind of setting: each stage alone and together, the depths at
// their ends and beyond, Pt1 lengths of 0, 1 and many samples.
std::vector<t_combo> combos() {
  std::vector<t_combo> c;
  for (int32_t med : {0, 1, 5, 9})
    for (uint16_t pt : {0, 1, 3, 1000, 65535})
      for (uint16_t screw : {0, 1, 10, 65535}) c.push_back({med, pt, screw});
  return c;
}

// Values of every shape: noise around a level, steps, flat stretches (one
// class only), peaks, negative and extreme values, and gaps.
std::vector<uint32_t> random_values(std::mt19937& rng, int n) {
  std::vector<uint32_t> out(static_cast<size_t>(n));
  int32_t level = 1000;
  int32_t spread = 50;
  for (int i = 0; i < n; ++i) {
    if (rng() % 500 == 0) {
      switch (rng() % 6) {
        case 0: level = static_cast<int32_t>(rng() % 2000000); break;
        case 1: level = -static_cast<int32_t>(rng() % 2000000); break;
        case 2: spread = 0; break;
        case 3: spread = 1 + static_cast<int32_t>(rng() % 30); break;
        case 4: spread = static_cast<int32_t>(rng() % 1000000); break;
        default: level = rng() % 2 ? INT32_MAX - 2 * spread : INT32_MIN + 2 * spread; break;
      }
    }
    int64_t v = static_cast<int64_t>(level) +
                (spread ? static_cast<int32_t>(rng() % (2 * static_cast<uint32_t>(spread) + 1)) - spread : 0);
    if (rng() % 97 == 0) v = level + (rng() % 2 ? 40 : -40) * static_cast<int64_t>(spread + 1);  // a peak
    v = std::clamp<int64_t>(v, INT32_MIN, INT32_MAX);
    out[static_cast<size_t>(i)] = rng() % 400 == 0 ? NOV : static_cast<uint32_t>(static_cast<int32_t>(v));
  }
  return out;
}

// A day of raw words: few gain changes, both coefficient sets, saturated
// mantissas and empty words.
std::vector<uint32_t> random_words(std::mt19937& rng, int n) {
  std::vector<uint32_t> out(static_cast<size_t>(n));
  uint32_t gain = 0x000A8000u;
  int mant = 500;
  for (int i = 0; i < n; ++i) {
    if (rng() % 3000 == 0) gain = ((rng() & 0xFFu) << RAW_GAIN_SHIFT) | (rng() % 2 ? RAW_COEF_SET_BIT : 0u);
    mant = std::clamp(mant + static_cast<int>(rng() % 41) - 20, 0, 1023);
    uint32_t w = gain | (rng() % 50 == 0 ? 1020 + rng() % 4 : static_cast<uint32_t>(mant)) | (rng() % 4) << 10;
    if (rng() % 700 == 0) w |= RAW_EMPTY_MASK;
    out[static_cast<size_t>(i)] = w;
  }
  return out;
}

}  // namespace

TEST(TraceFilterChain, EqualsTheFirstRoutineForEverySetting) {
  std::mt19937 rng(22);
  const std::vector<uint32_t> in = random_values(rng, 5000);
  for (const t_combo& c : combos()) {
    SCOPED_TRACE(testing::Message() << "med " << c.med << " pt " << c.pt << " screw " << c.screw);
    filt_ref::state rs;
    t_filt_stat st;
    st.reset = true;
    int bad = 0;
    for (size_t i = 0; i < in.size() && bad < 3; ++i) {
      const uint32_t want = filt_ref::filter_sample(in[i], c.med, c.pt, rs, c.screw);
      const uint32_t got = filter_sample(in[i], c.med, c.pt, st, c.screw);
      if (got != want) ADD_FAILURE() << "at " << i << ": " << got << " instead of " << want << " (bad " << ++bad << ")";
    }
  }
}

TEST(TraceFilterChain, EveryMedianDepthAndScrewLengthOverNoiseAndSteps) {
  // Uniform noise (as from a sensor at its limit) moves the screw window's
  // minimum or maximum every few samples, most entries changing class,
  // through narrow windows (range up to 2^16) and wide ones; the mixed
  // values add flat stretches, extremes and gaps.
  std::mt19937 rng(26);
  std::vector<uint32_t> in = random_values(rng, 6000);
  for (int i = 0; i < 12000; ++i) {
    const uint32_t span = i < 6000 ? 40000u : (i < 9000 ? 65537u : 3000000u);
    in.push_back(static_cast<uint32_t>(static_cast<int32_t>(rng() % span) - (i % 2000 < 1000 ? 0 : 20000)));
  }
  for (int32_t med = 0; med <= 5; ++med)
    for (uint16_t screw : {1, 2, 3, 7, 9, 10})
      for (uint16_t pt : {0, 10}) {
        SCOPED_TRACE(testing::Message() << "med " << med << " pt " << pt << " screw " << screw);
        filt_ref::state rs;
        t_filt_stat st;
        st.reset = true;
        int bad = 0;
        for (size_t i = 0; i < in.size() && bad < 3; ++i) {
          const uint32_t want = filt_ref::filter_sample(in[i], med, pt, rs, screw);
          const uint32_t got = filter_sample(in[i], med, pt, st, screw);
          if (got != want)
            ADD_FAILURE() << "at " << i << ": " << got << " instead of " << want << " (bad " << ++bad << ")";
        }
      }
}

TEST(TraceFilterChain, ValuesOnTheScrewClassBoundsOfEveryNarrowRange) {
  // A screw class ends just below lo + floor(range i / 20). Windows hold
  // lo, the values on and just below each bound in a shuffled order, and
  // then hi: the new entries are classed one by one, and hi's arrival
  // classes them all again for the full range. Every range up to 2^11,
  // then a spread of ranges up to 2^16 and its neighbours, at several
  // levels (the classes of narrow windows come from products whose
  // exactness holds only up to 2^16; wider ones take another way).
  std::vector<int64_t> ranges;
  for (int64_t r = 1; r <= 2048; ++r) ranges.push_back(r);
  std::mt19937 rng(27);
  for (int n = 0; n < 600; ++n) ranges.push_back(2049 + static_cast<int64_t>(rng() % (65536 - 2049)));
  // Wide ranges that 20 divides: values just below a bound give whole
  // quotients, which a rounded product can put over the bound.
  for (int n = 0; n < 300; ++n) ranges.push_back(20 * (3277 + static_cast<int64_t>(rng() % 100000000)));
  for (int64_t r :
       {20 * 3277LL, 65519LL, 65520LL, 65534LL, 65535LL, 65536LL, 65537LL, 65540LL, 1LL << 20, 4294967295LL})
    ranges.push_back(r);
  int bad = 0;
  for (size_t n = 0; n < ranges.size() && bad < 5; ++n) {
    const int64_t range = ranges[n];
    const int64_t lo = range > 1000000000 ? INT32_MIN : std::array<int64_t, 3>{-7, 123456789, -1000000}[n % 3];
    std::vector<uint32_t> in;
    const auto put = [&](int64_t v) { in.push_back(static_cast<uint32_t>(static_cast<int32_t>(v))); };
    put(lo);
    std::vector<int64_t> on_bounds;
    for (int i = 1; i < SCREW_CLASSES; ++i) {
      const int64_t bound = lo + range * i / SCREW_CLASSES;
      on_bounds.push_back(bound);
      if (bound > lo) on_bounds.push_back(bound - 1);
    }
    std::shuffle(on_bounds.begin(), on_bounds.end(), rng);
    for (int64_t v : on_bounds) put(v);
    put(lo + range);
    // The window moves on: lo leaves, then the bounds one by one.
    for (int k = 0; k < SCREW_WIN; ++k) put(on_bounds[static_cast<size_t>(k) % on_bounds.size()]);
    filt_ref::state rs;
    t_filt_stat st;
    st.reset = true;
    for (size_t i = 0; i < in.size(); ++i) {
      const uint32_t want = filt_ref::filter_sample(in[i], 0, 0, rs, 10);
      const uint32_t got = filter_sample(in[i], 0, 0, st, 10);
      if (got != want) {
        ADD_FAILURE() << "range " << range << " at " << i << ": " << static_cast<int32_t>(got) << " instead of "
                      << static_cast<int32_t>(want);
        ++bad;
        break;
      }
    }
  }
}

TEST(TraceFilterChain, SettingsChangedWithoutARestartKeepTheWindows) {
  // The state carries its windows from one setting to the next, as the
  // first routine did: a stage switched on later sees the values before.
  std::mt19937 rng(23);
  const std::vector<uint32_t> in = random_values(rng, 40000);
  const std::vector<t_combo> all = combos();
  filt_ref::state rs;
  t_filt_stat st;
  st.reset = true;
  t_combo c = all[0];
  for (size_t i = 0; i < in.size(); ++i) {
    if (i % 700 == 0) c = all[rng() % all.size()];
    ASSERT_EQ(filter_sample(in[i], c.med, c.pt, st, c.screw), filt_ref::filter_sample(in[i], c.med, c.pt, rs, c.screw))
        << "at " << i << ", med " << c.med << " pt " << c.pt << " screw " << c.screw;
  }
}

TEST(TraceFilterChain, FlatAndTwoLevelWindowsEqualTheFirstRoutine) {
  // Windows of one value (all in the top class) and of two or three values
  // (the top class holding the maximum), narrow and wide, which a regroup
  // classifies whole; no peaks keep them from forming.
  std::mt19937 rng(27);
  std::vector<uint32_t> in;
  for (int stretch = 0; stretch < 120; ++stretch) {
    const auto level = static_cast<int32_t>(rng() % 4000000) - 2000000;
    const int32_t step = stretch % 3 == 0 ? 0 : static_cast<int32_t>(rng() % (stretch % 2 ? 70000 : 40));
    const int len = 60 + static_cast<int>(rng() % 90);
    for (int i = 0; i < len; ++i) {
      const int32_t v = level + (rng() % 4 == 0 ? step : 0) + (stretch % 5 == 0 && i % 7 == 0 ? step / 2 : 0);
      in.push_back(static_cast<uint32_t>(v));
    }
    if (stretch % 11 == 0) in.push_back(NOV);
  }
  for (int32_t med : {0, 1, 5})
    for (uint16_t screw : {1, 2, 10}) {
      SCOPED_TRACE(testing::Message() << "med " << med << " screw " << screw);
      filt_ref::state rs;
      t_filt_stat st;
      st.reset = true;
      int bad = 0;
      for (size_t i = 0; i < in.size() && bad < 3; ++i) {
        const uint32_t want = filt_ref::filter_sample(in[i], med, 0, rs, screw);
        const uint32_t got = filter_sample(in[i], med, 0, st, screw);
        if (got != want)
          ADD_FAILURE() << "at " << i << ": " << got << " instead of " << want << " (bad " << ++bad << ")";
      }
    }
}

TEST_F(LiveRows, AWholeDayInStepsEqualsTheFirstRoutine) {
  // Eight rows of a day of raw words, each with other settings, rebuilt in
  // steps of odd sizes while the service goes on storing.
  std::mt19937 rng(24);
  const t_combo set[MAX_CHANNELS] = {{5, 100, 10},  {1, 0, 0}, {0, 3, 0},  {0, 0, 1},
                                     {3, 65535, 3}, {9, 7, 2}, {2, 0, 11}, {0, 0, 0}};
  std::vector<std::vector<uint32_t>> want(MAX_CHANNELS);
  for (int s = 0; s < MAX_CHANNELS; ++s) {
    t_dsp_chan& ch = live_chan(s, s, MEAS_RAW);
    ch.filt_med = set[s].med;
    ch.filt_pt = set[s].pt;
    ch.filt_screw = set[s].screw;
    const std::vector<uint32_t> words = random_words(rng, SLOTS_PER_DAY + 1);
    auto& d = m_stat.dev_stat[s];
    filt_ref::state rs;
    for (int i = 0; i <= SLOTS_PER_DAY; ++i) {
      d.smp_raw[i].store(words[static_cast<size_t>(i)]);
      want[s].push_back(filt_ref::filter_sample(static_cast<uint32_t>(raw_to_value(words[static_cast<size_t>(i)])),
                                                ch.filt_med, ch.filt_pt, rs, ch.filt_screw));
    }
    d.last_saved_idx.store(300000);
    queue_refilter(s, REFILTER_NEWEST);
  }
  int steps = 0;
  while (refilter_step(1 + static_cast<int>(rng() % 30000))) {
    ++steps;
    for (int s = 0; s < MAX_CHANNELS; ++s) {
      if (filt_row(s).last > 250000) m_stat.dev_stat[s].last_saved_idx.store(SLOTS_PER_DAY);  // more arrived
    }
  }
  EXPECT_GT(steps, 10);
  for (int s = 0; s < MAX_CHANNELS; ++s) {
    SCOPED_TRACE(s);
    EXPECT_FALSE(refilter_pending(s));
    ASSERT_EQ(filt_row(s).last, SLOTS_PER_DAY);
    int bad = 0;
    for (int i = 0; i <= SLOTS_PER_DAY && bad < 3; ++i)
      if (filt_row(s).filt[i] != want[s][static_cast<size_t>(i)])
        ADD_FAILURE() << "at " << i << " (bad " << ++bad << ")";
  }
}

TEST_F(LiveRows, ARebuildFromTheEventLoopLeavesTheThreadFreeAndEndsOnItsOwn) {
  int argc = 1;
  char name[] = "test_charts";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  std::mt19937 rng(25);
  for (int s : {0, 5}) {
    t_dsp_chan& ch = live_chan(s, s, MEAS_RAW);
    ch.filt_med = 2;
    ch.filt_pt = 40;
    ch.filt_screw = 4;
    const std::vector<uint32_t> words = random_words(rng, SLOTS_PER_DAY);
    for (int i = 0; i < SLOTS_PER_DAY; ++i) m_stat.dev_stat[s].smp_raw[i].store(words[static_cast<size_t>(i)]);
    m_stat.dev_stat[s].last_arch_idx.store(SLOTS_PER_DAY - 1);
  }
  // The result of the rebuild at once.
  std::vector<std::vector<uint32_t>> want;
  for (int s : {0, 5}) {
    refilter_after_load(s);
    want.emplace_back(filt_row(s).filt.begin(), filt_row(s).filt.end());
    queue_refilter(s, REFILTER_LOADED);
  }

  refilter_pump pump;
  pump.progress_ms = 0;
  std::vector<int32_t> seen;  // how far row 5 was at each progress call
  bool done = false;
  pump.on_progress = [&] { seen.push_back(filt_row(5).last); };
  pump.on_done = [&] { done = true; };
  // Control comes back after a step, long before the day is through.
  EXPECT_FALSE(pump.start());
  EXPECT_TRUE(pump.running());
  EXPECT_EQ(filt_row(5).last, REFILTER_STEP - 1);
  EXPECT_FALSE(done);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done && std::chrono::steady_clock::now() < until) QCoreApplication::processEvents();
  ASSERT_TRUE(done);
  EXPECT_FALSE(pump.running());
  EXPECT_FALSE(refilter_pending());
  // The chart saw the row grow step by step.
  ASSERT_GE(seen.size(), 10u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_LT(seen.front(), SLOTS_PER_DAY / 2);
  for (int k : {0, 1}) {
    const int s = k == 0 ? 0 : 5;
    EXPECT_EQ(filt_row(s).last, SLOTS_PER_DAY - 1);
    EXPECT_TRUE(
        std::equal(want[static_cast<size_t>(k)].begin(), want[static_cast<size_t>(k)].end(), filt_row(s).filt.begin()))
        << "row " << s;
  }

  // A restart queued while a rebuild runs takes it over; finish() ends it at once.
  queue_refilter(5, REFILTER_LOADED);
  EXPECT_FALSE(pump.start());
  done = false;
  pump.finish();
  EXPECT_TRUE(done);
  EXPECT_FALSE(pump.running());
  EXPECT_TRUE(std::equal(want[1].begin(), want[1].end(), filt_row(5).filt.begin()));
}
