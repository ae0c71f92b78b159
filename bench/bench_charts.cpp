// Chart drawing speed: a full redraw of 8 traces of a whole day (8 x 432000
// samples) into a 1920x1080 image, next to the memory-bound floor of
// reading the same floats once; one live follow step; the start-up filter
// rebuild of 8 full rows, at once and in the window's steps. Allocations are counted with a replaced operator
// new: the counters say how many happened per iteration.
#include "charts/chart_render.h"
#include "charts/column_map.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/raw_value.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <new>
#include <random>

// ---- allocation counting ------------------------------------------------------------
namespace {
std::atomic<int64_t> g_allocs{0};
}

void* operator new(std::size_t n) {
  g_allocs.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int W = 1920, H = 1080;
constexpr int kHidden = 1000;
const int32_t kColours[8] = {0x0000C0, 0xC00000, 0x008000, 0x0080FF, 0x800080, 0x808000, 0x404040, 0xFF8000};

// 8 channels of a whole day: slow random walks with noise, a few gaps.
void fill_day(int chart) {
  reset_all_records();
  reset_draw_stat();
  reset_filt_rows();
  common_setup.pixel_div_x = 90;
  common_setup.pixel_div_y = 50;
  std::mt19937 rng(11);
  std::normal_distribution<float> noise(0.0f, 0.6f);
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    t_dsp_chan& ch = chart == CHART_LIVE ? common_setup.dsp_chan_live[r] : common_setup.dsp_chan_arch[r];
    ch.active = ch.displayed = true;
    ch.meas_mode = MEAS_SCALED;
    ch.dev_idx = r;
    ch.color = kColours[r];
    ch.line_thk = r % 3;
    common_setup.dev_conn[r].active = true;
    float level = 20.0f + 8.0f * r;
    for (int i = 0; i < SLOTS_PER_DAY; ++i) {
      level += 0.02f * noise(rng);
      const bool gap = (i / 1000) % 97 == 13 + r;
      const float v = gap ? std::bit_cast<float>(CAL_EMPTY) : level + noise(rng);
      if (chart == CHART_LIVE) {
        auto& d = m_stat.dev_stat[r];
        d.smp_cal[i].store(v);
        d.smp_raw[i].store(0x000A82A7u);
        d.smp_temp[i].store(250);
      } else {
        m_stat.arch_stat[r].smp_tab[i] = v;
      }
    }
    if (chart == CHART_LIVE) m_stat.dev_stat[r].last_saved_idx.store(SLOTS_PER_DAY - 1);
  }
}

double thread_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return 1e3 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

QImage& image() {
  static QImage img(W, H, QImage::Format_RGB32);
  return img;
}

void BM_FullRedraw(benchmark::State& st) {
  fill_day(CHART_ARCH);
  prepare_chart(CHART_ARCH, true, W, H);
  paint_chart(image(), CHART_ARCH);  // warm the font and glyph caches
  int64_t allocs = 0;
  double prep = 0, paint = 0;
  for (auto _ : st) {
    const int64_t a0 = g_allocs.load();
    const double t0 = thread_cpu_ms();
    prepare_chart(CHART_ARCH, true, W, H);
    const double t1 = thread_cpu_ms();
    paint_chart(image(), CHART_ARCH);
    paint += thread_cpu_ms() - t1;
    prep += t1 - t0;
    allocs += g_allocs.load() - a0;
  }
  st.counters["allocs/redraw"] = benchmark::Counter(static_cast<double>(allocs) / st.iterations());
  // CPU time of the two halves.
  st.counters["prepare_ms"] = benchmark::Counter(prep / st.iterations());
  st.counters["paint_ms"] = benchmark::Counter(paint / st.iterations());
  st.counters["samples"] = 8.0 * SLOTS_PER_DAY;
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);

// The floor: each of the 8 x 432000 floats read once.
void BM_MemoryFloor(benchmark::State& st) {
  fill_day(CHART_ARCH);
  for (auto _ : st) {
    float lo = 1e30f, hi = -1e30f;
    for (int r = 0; r < MAX_CHANNELS; ++r) {
      const float* t = m_stat.arch_stat[r].smp_tab.data();
      for (int i = 0; i < SLOTS_PER_DAY; ++i) {
        lo = std::min(lo, t[i]);
        hi = std::max(hi, t[i]);
      }
    }
    benchmark::DoNotOptimize(lo);
    benchmark::DoNotOptimize(hi);
  }
}
BENCHMARK(BM_MemoryFloor)->Unit(benchmark::kMillisecond);

// The parts of a full redraw.
void BM_ScanOnly(benchmark::State& st) {
  fill_day(CHART_ARCH);
  load_chan_cfg(CHART_ARCH);
  int64_t allocs = 0;
  for (auto _ : st) {
    const int64_t a0 = g_allocs.load();
    scan_all(CHART_ARCH);
    allocs += g_allocs.load() - a0;
  }
  st.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(allocs) / st.iterations());
}
BENCHMARK(BM_ScanOnly)->Unit(benchmark::kMillisecond);

void BM_MapColumnsOnly(benchmark::State& st) {
  fill_day(CHART_ARCH);
  prepare_chart(CHART_ARCH, true, W, H);
  int64_t allocs = 0;
  for (auto _ : st) {
    const int64_t a0 = g_allocs.load();
    map_columns(CHART_ARCH);
    allocs += g_allocs.load() - a0;
  }
  st.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(allocs) / st.iterations());
}
BENCHMARK(BM_MapColumnsOnly)->Unit(benchmark::kMillisecond);

void BM_PaintOnly(benchmark::State& st) {
  fill_day(CHART_ARCH);
  prepare_chart(CHART_ARCH, true, W, H);
  paint_chart(image(), CHART_ARCH);
  int64_t allocs = 0;
  for (auto _ : st) {
    const int64_t a0 = g_allocs.load();
    paint_chart(image(), CHART_ARCH);
    allocs += g_allocs.load() - a0;
  }
  st.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(allocs) / st.iterations());
}
BENCHMARK(BM_PaintOnly)->Unit(benchmark::kMillisecond);

// One live follow step: new samples arrived; the view moves, is mapped and
// painted (moved: the share of steps that moved the image instead of
// painting it whole). Arg: seconds per division (0: the whole day so far).
void BM_LiveFollowStep(benchmark::State& st) {
  fill_day(CHART_LIVE);
  const int32_t newest_end = SLOTS_PER_DAY - 1;
  t_draw_stat& ds = draw_stat[CHART_LIVE];
  const int tdiv = static_cast<int>(st.range(0));
  // The newest 200 s of samples have not arrived yet: the page shows the
  // chart without them; then they arrive.
  auto before_step = [&] {
    static float held[MAX_CHANNELS][kHidden];
    for (int r = 0; r < MAX_CHANNELS; ++r) {
      auto& d = m_stat.dev_stat[r];
      for (int k = 0; k < kHidden; ++k) {
        held[r][k] = d.smp_cal[newest_end - k].load();
        d.smp_cal[newest_end - k].store_bits(CAL_EMPTY);
      }
      d.last_saved_idx.store(newest_end - kHidden);
    }
    prepare_chart(CHART_LIVE, true, W, H);
    if (tdiv > 0) {
      for (int k = 0; k < TDIV_CNT; ++k)
        if (tdiv_table[k] == tdiv) ds.tscale_idx = k + 1;
      relayout_chart(CHART_LIVE, W, H);
    }
    paint_chart(image(), CHART_LIVE);  // what the page shows before the step
    for (int r = 0; r < MAX_CHANNELS; ++r) {
      auto& d = m_stat.dev_stat[r];
      for (int k = 0; k < kHidden; ++k) d.smp_cal[newest_end - k].store(held[r][k]);
      d.last_saved_idx.store(newest_end);
    }
  };
  // The step as the page takes it; true when the image moved.
  auto step = [&] {
    int32_t play = 0;
    bool changed = false;
    for (int r = 0; r < MAX_CHANNELS; ++r) refilter_chan(r, false);
    const int32_t old_last = ds.data_last;
    return follow_live(ds, newest_live_idx(), play, changed) == FOLLOW_ADVANCE &&
           follow_chart(image(), CHART_LIVE, old_last) > 0;
  };
  // One step first: what a page makes once (the follow step's own image,
  // the label texts) is made before the steps are counted.
  before_step();
  step();
  int64_t allocs = 0, moved = 0;
  for (auto _ : st) {
    st.PauseTiming();
    before_step();
    st.ResumeTiming();
    const int64_t a0 = g_allocs.load();
    moved += step();
    allocs += g_allocs.load() - a0;
  }
  st.counters["allocs/step"] = benchmark::Counter(static_cast<double>(allocs) / st.iterations());
  st.counters["moved"] = benchmark::Counter(static_cast<double>(moved) / st.iterations());
}
BENCHMARK(BM_LiveFollowStep)->Arg(0)->Arg(3600)->Arg(60)->Iterations(30)->Unit(benchmark::kMillisecond);

// 8 raw channels of a whole day with every filter on (or only the stages
// in `stages`: 1 median, 2 screw, 4 Pt1).
void fill_filtered_day(int stages = 7) {
  fill_day(CHART_LIVE);
  std::mt19937 rng(5);
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    t_dsp_chan& ch = common_setup.dsp_chan_live[r];
    ch.meas_mode = MEAS_RAW;
    ch.filt_med = (stages & 1) ? 5 : 0;
    ch.filt_screw = (stages & 2) ? 10 : 0;
    ch.filt_pt = (stages & 4) ? 100 : 0;
    auto& d = m_stat.dev_stat[r];
    for (int i = 0; i < SLOTS_PER_DAY; ++i) d.smp_raw[i].store(0x000A8000u | (rng() & 0x3FF));
    d.last_arch_idx.store(SLOTS_PER_DAY - 1);
  }
}

// Start-up: the 8 rows rebuilt at once.
void BM_FilterRebuild(benchmark::State& st) {
  fill_filtered_day();
  int64_t allocs = 0;
  for (auto _ : st) {
    const int64_t a0 = g_allocs.load();
    for (int r = 0; r < MAX_CHANNELS; ++r) refilter_after_load(r);
    allocs += g_allocs.load() - a0;
  }
  st.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(allocs) / st.iterations());
  st.counters["samples"] = 8.0 * SLOTS_PER_DAY;
}
BENCHMARK(BM_FilterRebuild)->Unit(benchmark::kMillisecond);

// Where the rebuild's time goes: the same rows with some stages only
// (1 median, 2 screw, 4 Pt1; 0 the raw decoding alone).
void BM_FilterStages(benchmark::State& st) {
  fill_filtered_day(static_cast<int>(st.range(0)));
  for (auto _ : st)
    for (int r = 0; r < MAX_CHANNELS; ++r) refilter_after_load(r);
}
BENCHMARK(BM_FilterStages)->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);

// The same rebuild as the window runs it, in steps between its events: the
// time is the longest step, the time the window's thread is away at most.
void BM_FilterRebuildStep(benchmark::State& st) {
  fill_filtered_day();
  int64_t steps = 0;
  double total = 0;
  for (auto _ : st) {
    for (int r = 0; r < MAX_CHANNELS; ++r) queue_refilter(r, REFILTER_LOADED);
    double longest = 0;
    bool more = true;
    while (more) {
      const auto t0 = std::chrono::steady_clock::now();
      more = refilter_step();
      const double d = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      longest = std::max(longest, d);
      total += d;
      ++steps;
    }
    st.SetIterationTime(longest);
  }
  st.counters["steps"] = benchmark::Counter(static_cast<double>(steps) / st.iterations());
  st.counters["whole_ms"] = benchmark::Counter(1000.0 * total / st.iterations());
}
BENCHMARK(BM_FilterRebuildStep)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
