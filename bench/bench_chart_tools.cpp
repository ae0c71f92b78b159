// The chart tools on 8 full-day channels (8 x 432000 samples): the CSV
// export of the whole day (time and the growth of the peak resident memory
// while it runs), and one cursor-drag update of the statistics (both cursor
// values, average and total of 8 channels), through the block sums next to
// a plain rescan of the indexes between the cursors.
#include "charts/chart_cursor.h"
#include "charts/chart_export.h"
#include "charts/chart_scale.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// 8 off-line channels over the whole day: five flows in t/h, a raw value, a
// temperature and a digital input; a few gaps.
void fill_day() {
  reset_all_records();
  reset_draw_stat();
  reset_filt_rows();
  std::mt19937 rng(5);
  std::normal_distribution<float> noise(0.0f, 0.5f);
  const int32_t modes[MAX_CHANNELS] = {MEAS_SCALED, MEAS_SCALED, MEAS_SCALED, MEAS_SCALED,
                                       MEAS_SCALED, MEAS_RAW,    MEAS_TEMP,   MEAS_DIN1};
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    t_dsp_chan& ch = common_setup.dsp_chan_arch[r];
    ch.active = ch.displayed = true;
    ch.meas_mode = modes[r];
    ch.tag = QString("Channel %1").arg(r + 1);
    t_arch_stat& a = m_stat.arch_stat[r];
    a.unit_idx = 3;
    float level = 40.0f + 5.0f * r;
    for (int i = 0; i < RING_SIZE; ++i) {
      level += noise(rng) * 0.05f;
      float v = level + noise(rng);
      if (modes[r] == MEAS_RAW) v = std::round(v * 1000.0f);
      if (modes[r] == MEAS_DIN1) v = (i / 3000) % 2;
      a.smp_tab[i] = (i % 50000) < 40 ? std::nanf("") : v;
    }
  }
  sys_dec_sep = u'.';
  sys_list_sep = u',';
  sys_time_sep = u':';
  load_chan_cfg(CHART_ARCH);
  scan_all(CHART_ARCH);
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ds.decimals = 2;
  ds.plot_w = 1700;
  ds.smp_per_px = ds.data_last / 1700.0;
  for (int k = 0; k <= ds.plot_w; ++k) {
    ds.col_last[k] = static_cast<int32_t>(k * ds.smp_per_px);
    ds.col_first[k] = std::min(static_cast<int32_t>((k + 1) * ds.smp_per_px) - 1, ds.data_last);
  }
}

long peak_rss_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_CsvExportFullDay8Channels(benchmark::State& state) {
  fill_day();
  QTemporaryDir dir;
  const QString path = dir.filePath("day.csv");
  const t_csv_format fmt = export_format(".", ";");
  const long rss0 = peak_rss_kb();
  int64_t lines = 0;
  for (auto _ : state) {
    if (!write_chart_csv(CHART_ARCH, 0, SLOTS_PER_DAY - 1, fmt, path, nullptr, &lines))
      state.SkipWithError("write failed");
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["file_MB"] = static_cast<double>(QFile(path).size()) / (1 << 20);
  state.counters["peak_rss_growth_MB"] = static_cast<double>(peak_rss_kb() - rss0) / 1024.0;
  state.counters["peak_rss_MB"] = static_cast<double>(peak_rss_kb()) / 1024.0;
}
BENCHMARK(BM_CsvExportFullDay8Channels)->Unit(benchmark::kMillisecond)->Iterations(3);

// One mouse move of a cursor drag over the whole day: the left cursor moves
// by a few columns, the right one stays at the end.
void drag_step(int px, bool fast) {
  const t_draw_stat& ds = draw_stat[CHART_ARCH];
  const int32_t l = cursor_idx(ds, px), r = cursor_idx(ds, ds.plot_w);
  for (int row = 0; row < MAX_CHANNELS; ++row) {
    benchmark::DoNotOptimize(cursor_value_text(0, CHART_ARCH, row, l));
    benchmark::DoNotOptimize(cursor_value_text(1, CHART_ARCH, row, r));
    if (fast) {
      benchmark::DoNotOptimize(avg_text(CHART_ARCH, row, l, r));
      benchmark::DoNotOptimize(total_text(CHART_ARCH, row, l, r));
    } else {
      benchmark::DoNotOptimize(avg_scan(CHART_ARCH, row, l, r));
      benchmark::DoNotOptimize(total_scan(CHART_ARCH, row, l, r));
    }
  }
}

void BM_CursorDragStats(benchmark::State& state) {
  fill_day();
  invalidate_stats(CHART_ARCH);
  drag_step(0, true);  // the redraw builds the block sums once
  int px = 0;
  for (auto _ : state) {
    px = (px + 3) % 1600;
    drag_step(px, true);
  }
}
BENCHMARK(BM_CursorDragStats)->Unit(benchmark::kMicrosecond);

void BM_CursorDragPlainRescan(benchmark::State& state) {
  fill_day();
  int px = 0;
  for (auto _ : state) {
    px = (px + 3) % 1600;
    drag_step(px, false);
  }
}
BENCHMARK(BM_CursorDragPlainRescan)->Unit(benchmark::kMicrosecond);

// The first update after a redraw, which builds the block sums of the view.
void BM_CursorStatsAfterRedraw(benchmark::State& state) {
  fill_day();
  for (auto _ : state) {
    invalidate_stats(CHART_ARCH);
    drag_step(0, true);
  }
}
BENCHMARK(BM_CursorStatsAfterRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
