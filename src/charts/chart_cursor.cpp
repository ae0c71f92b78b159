#include "charts/chart_cursor.h"

#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "charts/trace_filter.h"
#include "core/sys_number.h"
#include "texts/text_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// ---- block summaries ----------------------------------------------------------------
constexpr int32_t kBlk = 256;
constexpr int32_t kBlocks = (RING_SIZE + kBlk - 1) / kBlk;

struct t_blk {
  double sum = 0.0;   // valid values, in index order
  double held = 0.0;  // from the first valid sample on: each index's last valid reading
  float last = 0.0f;  // last valid value
  int32_t count = 0;
  int32_t lead = 0;       // missing indexes before the first valid one
  int32_t trail = 0;      // missing indexes after the last valid one
  bool long_gap = false;  // more than 25 missing between two valid samples
  int32_t stamp = 0;      // equals the chart's generation while valid
};

struct t_chart_cache {
  int32_t gen = 1;
  std::array<std::array<t_blk, kBlocks>, MAX_CHANNELS> blk{};
};
t_chart_cache cache[CHART_CNT];

int32_t blk_end(int32_t b) { return std::min((b + 1) * kBlk, RING_SIZE) - 1; }

template <typename G>
void build_blk(const G& get, int32_t b, t_blk& s) {
  s = t_blk{};
  float v = 0;
  int32_t run = 0;
  bool have = false;
  for (int32_t i = b * kBlk, e = blk_end(b); i <= e; ++i) {
    if (get(i, v)) {
      if (!have)
        s.lead = run;
      else if (run > TOTAL_MAX_MISSES)
        s.long_gap = true;
      have = true;
      run = 0;
      s.sum += v;
      s.held += v;
      s.last = v;
      ++s.count;
    } else {
      ++run;
      if (have) s.held += s.last;
    }
  }
  if (have)
    s.trail = run;
  else
    s.lead = run;
}

template <typename G>
const t_blk& blk_of(int chart, int row, const G& get, int32_t b) {
  t_chart_cache& c = cache[chart];
  t_blk& s = c.blk[row][b];
  if (s.stamp != c.gen) {
    build_blk(get, b, s);
    s.stamp = c.gen;
  }
  return s;
}

// ---- the running sums ------------------------------------------------------------------
template <typename G>
void scan_avg(const G& get, int32_t a, int32_t b, t_span_sum& r) {
  float v = 0;
  for (int32_t i = a; i <= b; ++i)
    if (get(i, v)) {
      r.sum += v;
      ++r.count;
    }
}

struct t_total_run {
  t_total_sum r;
  int32_t misses = TOTAL_MAX_MISSES;
  float held = 0.0f;
};

template <typename G>
void scan_total(const G& get, int32_t a, int32_t b, t_total_run& t) {
  float v = 0;
  for (int32_t i = a; i <= b && !t.r.abandoned; ++i) {
    if (get(i, v)) {
      t.misses = 0;
      t.held = v;
      ++t.r.count;
    } else if (++t.misses > TOTAL_MAX_MISSES) {
      t.r.abandoned = true;
      break;
    }
    t.r.sum += t.held;
  }
}

void add_blk_total(const t_blk& s, t_total_run& t) {
  if (s.count == 0) {
    t.misses += kBlk;
    t.r.abandoned = true;  // kBlk > TOTAL_MAX_MISSES
    return;
  }
  if (t.misses + s.lead > TOTAL_MAX_MISSES || s.long_gap || s.trail > TOTAL_MAX_MISSES) {
    t.r.abandoned = true;
    return;
  }
  t.r.sum += s.lead * static_cast<double>(t.held) + s.held;
  t.r.count += s.count;
  t.misses = s.trail;
  t.held = s.last;
}

// Indexes a..b split into a scanned head, whole blocks and a scanned tail.
struct t_split {
  int32_t head_end;   // last index of the head (a - 1 when none)
  int32_t blk_first;  // whole blocks blk_first..blk_last (none when first > last)
  int32_t blk_last;
  int32_t tail_start;  // first index of the tail (b + 1 when none)
};

t_split split_range(int32_t a, int32_t b) {
  const int32_t first = (a + kBlk - 1) / kBlk;  // first block starting at or after a
  const int32_t last = (b + 1) / kBlk - 1;      // last block ending at or before b
  if (first > last) return {b, 1, 0, b + 1};
  return {first * kBlk - 1, first, last, blk_end(last) + 1};
}

bool shown_channel(const t_draw_stat& ds, int row) {
  return row >= 0 && row < MAX_CHANNELS && ds.chan_active[row] && ds.chan_displayed[row];
}

template <typename F>
decltype(auto) with_getter(int chart, int row, F&& f) {
  const t_draw_stat& ds = draw_stat[chart];
  const t_sample_src src = sample_src(chart, row, ds.chan_dev[row], ds.chan_meas[row]);
  return visit_getter(src, std::forward<F>(f));
}

QString fmt_fit(double v) { return fmt_sys_fixed(decimals_for(v), v); }

}  // namespace

t_total_unit total_unit(int32_t u) {
  static const t_total_unit units[7] = {{3600, "kg"}, {60, "kg"}, {1, "kg"},   {3600, "t"},
                                        {3600, "lb"}, {60, "lb"}, {0, nullptr}};
  if (u < 0 || u > 6 || !units[u].unit) return {};
  return units[u];
}

int32_t cursor_idx(const t_draw_stat& ds, int32_t px) {
  px = std::clamp(px, 0, std::clamp(ds.plot_w, 0, CHART_COLS - 1));
  return (ds.col_first[px] + ds.col_last[px]) / 2;
}

QString cursor_text(int chart, int row, double v) {
  const t_draw_stat& ds = draw_stat[chart];
  switch (ds.chan_meas[row]) {
    case MEAS_SCALED: return fmt_fit(v) + unit_text(chart, row);
    case MEAS_RAW:
    case MEAS_SAT: return fmt_sys_fixed(0, v);
    case MEAS_TEMP: return fmt_sys_fixed(1, v) + temp_unit_text(ds.temp_f);
    case MEAS_DIN1:
    case MEAS_DIN2:
    case MEAS_DIN3:
    case MEAS_DIN4: return v != 0 ? QStringLiteral("ON") : QStringLiteral("OFF");
    default: return {};
  }
}

QString cursor_value_text(int which, int chart, int row, int32_t idx) {
  t_draw_stat& ds = draw_stat[chart];
  if (row < 0 || row >= MAX_CHANNELS) return {};
  ds.cur_val[row][which] = kNaN;
  float v = 0;
  if (!shown_channel(ds, row) || idx < 0 || !get_sample(chart, row, ds.chan_dev[row], v, idx, ds.chan_meas[row]))
    return {};
  ds.cur_val[row][which] = v;
  return cursor_text(chart, row, v);
}

QString avg_text(int chart, int row, int32_t a, int32_t b) {
  t_draw_stat& ds = draw_stat[chart];
  if (row < 0 || row >= MAX_CHANNELS) return {};
  if (a > b) std::swap(a, b);
  ds.avg_val[row] = kNaN;
  const int32_t m = ds.chan_meas[row];
  if (!shown_channel(ds, row) || (m != MEAS_SCALED && m != MEAS_RAW && m != MEAS_TEMP && m != MEAS_SAT)) return {};
  // No mean of a part while the filtered series is rebuilt over the span.
  if (chart == CHART_LIVE && m == MEAS_RAW && refilter_pending(row) && b > filt_row(row).last) return {};
  const t_span_sum s = avg_fast(chart, row, a, b);
  if (s.count < 1) return {};
  const double avg = s.sum / s.count;
  ds.avg_val[row] = static_cast<float>(avg);
  return cursor_text(chart, row, avg);
}

QString total_text(int chart, int row, int32_t a, int32_t b) {
  const t_draw_stat& ds = draw_stat[chart];
  if (row < 0 || row >= MAX_CHANNELS || ds.chan_meas[row] != MEAS_SCALED) return {};
  const t_total_unit tu = total_unit(chan_unit_idx(chart, row));
  if (tu.seconds < 0.5 || !shown_channel(ds, row)) return {};
  const double k = 1.0 / (tu.seconds * 5.0);
  if (a > b) std::swap(a, b);
  const t_total_sum t = total_fast(chart, row, a, b);
  if (t.abandoned || t.count < 1) return {};
  const double total = t.sum * k;
  return fmt_fit(total) + " " + tu.unit;
}

QString dt_text(int32_t r_idx, int32_t l_idx) { return msg_text(104) + QString::number((r_idx - l_idx) / 5) + "s"; }

t_span_sum avg_scan(int chart, int row, int32_t a, int32_t b) {
  t_span_sum r;
  if (row < 0 || row >= MAX_CHANNELS) return r;
  a = std::max(a, 0);
  b = std::min(b, SLOTS_PER_DAY);
  with_getter(chart, row, [&](auto get) { scan_avg(get, a, b, r); });
  return r;
}

t_total_sum total_scan(int chart, int row, int32_t a, int32_t b) {
  t_total_run t;
  if (row < 0 || row >= MAX_CHANNELS) return t.r;
  if (a < 0) {  // an index before the day is missing: the first sample is
    t.r.abandoned = a <= b;
    return t.r;
  }
  b = std::min(b, SLOTS_PER_DAY);
  with_getter(chart, row, [&](auto get) { scan_total(get, a, b, t); });
  return t.r;
}

t_span_sum avg_fast(int chart, int row, int32_t a, int32_t b) {
  t_span_sum r;
  if (row < 0 || row >= MAX_CHANNELS) return r;
  a = std::max(a, 0);
  b = std::min(b, SLOTS_PER_DAY);
  if (a > b) return r;
  const t_split sp = split_range(a, b);
  with_getter(chart, row, [&](auto get) {
    scan_avg(get, a, sp.head_end, r);
    for (int32_t k = sp.blk_first; k <= sp.blk_last; ++k) {
      const t_blk& s = blk_of(chart, row, get, k);
      r.sum += s.sum;
      r.count += s.count;
    }
    scan_avg(get, sp.tail_start, b, r);
  });
  return r;
}

t_total_sum total_fast(int chart, int row, int32_t a, int32_t b) {
  t_total_run t;
  if (row < 0 || row >= MAX_CHANNELS) return t.r;
  if (a < 0) {
    t.r.abandoned = a <= b;
    return t.r;
  }
  b = std::min(b, SLOTS_PER_DAY);
  if (a > b) return t.r;
  const t_split sp = split_range(a, b);
  with_getter(chart, row, [&](auto get) {
    scan_total(get, a, sp.head_end, t);
    for (int32_t k = sp.blk_first; k <= sp.blk_last && !t.r.abandoned; ++k)
      add_blk_total(blk_of(chart, row, get, k), t);
    if (!t.r.abandoned) scan_total(get, sp.tail_start, b, t);
  });
  return t.r;
}

void invalidate_stats(int chart) {
  if (chart < 0 || chart >= CHART_CNT) return;
  ++cache[chart].gen;
}

void invalidate_stats_from(int chart, int32_t idx) {
  if (chart < 0 || chart >= CHART_CNT) return;
  const int32_t first = std::clamp(idx, 0, RING_SIZE - 1) / kBlk;
  for (auto& row : cache[chart].blk)
    for (int32_t k = first; k < kBlocks; ++k) row[k].stamp = 0;
}

int32_t drag_handle_left(bool right, int32_t wanted, int32_t other, int32_t handle_w) {
  return right ? std::max(wanted, other + handle_w / 2) : std::min(wanted, other - handle_w / 2);
}
