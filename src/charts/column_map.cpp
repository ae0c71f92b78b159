#include "charts/column_map.h"

#include "charts/chart_scale.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

void clear_column(t_draw_stat& ds, int k) {
  ds.col_first[k] = ds.col_last[k] = -1;
  ds.col_empty[k].fill(true);
  ds.col_gap[k].fill(false);
}

// Columns plot_w down to 0 take the indexes from view_last downward: column
// k those not below view_last - (plot_w - k + 1) * smp_per_px.
void map_ranges(const t_draw_stat& ds, int32_t* first, int32_t* last) {
  int32_t i = ds.view_last;
  for (int k = ds.plot_w; k >= 0; --k) {
    const double limit = ds.view_last - (ds.plot_w - k + 1) * ds.smp_per_px;
    const int32_t lo = limit <= 0 ? 0 : static_cast<int32_t>(std::min(std::ceil(limit), 1.0e9));
    first[k] = last[k] = -1;
    if (i >= 0 && i >= lo) {
      first[k] = i;
      last[k] = lo;
      i = lo - 1;
    }
  }
}

// Asks the cache for the slots of a getter's rings around index i (within
// SUM_SUB - 1 on either side): what the edges of a column read one by one.
template <typename G>
inline void prefetch_edge(const G& get, int32_t i) {
  const int32_t a = std::max(i - (SUM_SUB - 1), 0), b = std::min(i + SUM_SUB - 1, SLOTS_PER_DAY);
  if constexpr (std::is_base_of_v<sample_get::live_base, G>) {
    __builtin_prefetch(&get.d->smp_cal[a]);
    __builtin_prefetch(&get.d->smp_cal[b]);
    if constexpr (std::is_same_v<G, sample_get::live_raw>) {
      __builtin_prefetch(&get.filt[a]);
      __builtin_prefetch(&get.filt[b]);
    } else if constexpr (std::is_same_v<G, sample_get::live_temp>) {
      __builtin_prefetch(&get.d->smp_temp[a]);
      __builtin_prefetch(&get.d->smp_temp[b]);
    } else if constexpr (!std::is_same_v<G, sample_get::live_scaled>) {
      __builtin_prefetch(&get.d->smp_raw[a]);
      __builtin_prefetch(&get.d->smp_raw[b]);
    }
  } else if constexpr (std::is_same_v<G, sample_get::arch_value> || std::is_same_v<G, sample_get::arch_temp_f>) {
    __builtin_prefetch(&get.tab[a]);
    __builtin_prefetch(&get.tab[b]);
  }
}

// The middle of each column from the sums, all channels at once: the
// parts and blocks that lie wholly in it, in index order (mid_min > mid_max
// where none holds a sample); the column's indexes from mid_from up to
// mid_end - 1 (both hi + 1 when none). Only the singles at the edges are
// left for map_channel.
struct t_middles {
  std::array<t_sum_lanes, CHART_COLS> min, max;
  std::array<int32_t, CHART_COLS> from, end;
};
t_middles middles;

// The runs' lanes joined in order into the held ones (sum_join lane by lane).
struct t_lane_acc {
  t_sum_lanes mn, mx;
  t_lane_acc() {
    mn.fill(std::numeric_limits<float>::infinity());
    mx.fill(-std::numeric_limits<float>::infinity());
  }
  void join(const t_sum_lanes& run_min, const t_sum_lanes& run_max) {
    for (int r = 0; r < MAX_CHANNELS; ++r) sum_join(mn[r], mx[r], run_min[r], run_max[r]);
  }
  void store(t_sum_lanes& to_min, t_sum_lanes& to_max) const {
    to_min = mn;
    to_max = mx;
  }
};

void map_middles(const t_draw_stat& ds, const t_sum_view& sums, int k0) {
  for (int k = k0; k <= ds.plot_w; ++k) {
    const int32_t hi = ds.col_first[k], lo = ds.col_last[k];
    if (hi < 0) continue;
    t_lane_acc acc;
    int32_t i = (lo + SUM_SUB - 1) / SUM_SUB * SUM_SUB;
    if (i + SUM_SUB - 1 > hi) {
      acc.store(middles.min[k], middles.max[k]);
      middles.from[k] = middles.end[k] = hi + 1;
      continue;
    }
    middles.from[k] = i;
    for (; i + SUM_SUB - 1 <= hi && i % SUM_BLK != 0; i += SUM_SUB)
      acc.join(sums.sub_min[i / SUM_SUB], sums.sub_max[i / SUM_SUB]);
    for (; i + SUM_BLK - 1 <= hi; i += SUM_BLK) acc.join(sums.min[i / SUM_BLK], sums.max[i / SUM_BLK]);
    for (; i + SUM_SUB - 1 <= hi; i += SUM_SUB) acc.join(sums.sub_min[i / SUM_SUB], sums.sub_max[i / SUM_SUB]);
    acc.store(middles.min[k], middles.max[k]);
    middles.end[k] = i;
  }
}

// One channel over all columns: min, max, empty, and the gap flag of the
// oldest index of each column; with mid, the middles come from
// map_middles. The samples before a middle are taken newest first, so
// that of equal values (0 and -0) the oldest stays, as in index order.
template <typename G>
void map_channel(t_draw_stat& ds, int r, const G& get, bool mid, int k0) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  // The edges of the columns a few ahead are fetched early.
  constexpr int kAhead = 8;
  if (mid)
    for (int k = k0; k < k0 + kAhead && k <= ds.plot_w; ++k)
      if (ds.col_last[k] >= 0) prefetch_edge(get, ds.col_last[k]);
  float v = 0;
  for (int k = k0; k <= ds.plot_w; ++k) {
    const int32_t hi = ds.col_first[k], lo = ds.col_last[k];
    if (mid && k + kAhead <= ds.plot_w && ds.col_last[k + kAhead] >= 0) prefetch_edge(get, ds.col_last[k + kAhead]);
    if (hi < 0) continue;
    float mn = kInf, mx = -kInf;
    bool any = false;
    int32_t i = lo;
    if (mid) {
      mn = middles.min[k][r];
      mx = middles.max[k][r];
      any = mn <= mx;
      for (int32_t j = middles.from[k] - 1; j >= lo; --j) {
        if (!get(j, v)) continue;
        any = true;
        mn = v <= mn ? v : mn;
        mx = mx <= v ? v : mx;
      }
      i = middles.end[k];
    }
    for (; i <= hi; ++i) {
      if (!get(i, v)) continue;
      any = true;
      sum_widen(mn, mx, v);
    }
    ds.col_empty[k][r] = !any;
    if (any) {
      ds.col_min[k][r] = mn;
      ds.col_max[k][r] = mx;
    }
    ds.col_gap[k][r] = !get(lo, v);
  }
}

// The saturation value of a raw channel: that of the newest sample in the
// mapped window whose saturation value is not 0.
void find_sat_val(int chart, t_draw_stat& ds, int r, int32_t lowest) {
  const t_sample_src raw = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
  const t_sample_src sat = sample_src(chart, r, ds.chan_dev[r], MEAS_SAT);
  visit_getter(raw, [&](auto get_raw) {
    visit_getter(sat, [&](auto get_sat) {
      float v = 0;
      for (int32_t i = std::min(ds.view_last, SLOTS_PER_DAY); i >= lowest && ds.sat_val[r] == 0; --i)
        if (get_raw(i, v) && get_sat(i, v)) ds.sat_val[r] = round_px(v);
    });
  });
}

bool drawn(const t_draw_stat& ds, int r) { return ds.chan_active[r] && ds.chan_displayed[r]; }

}  // namespace

namespace {

// Maps columns k0..plot_w of the record whose ranges are set, and the saturation values.
void map_from(int chart, t_draw_stat& ds, int k0) {
  const int32_t span = round_px(ds.plot_w * ds.smp_per_px);
  ds.view_first = ds.view_last > span ? ds.view_last - span : 0;
  ds.sat_val.fill(0);
  int32_t lowest = ds.view_last + 1;
  for (int k = 0; k <= ds.plot_w && lowest > ds.view_last; ++k)
    if (ds.col_last[k] >= 0) lowest = ds.col_last[k];
  const t_sum_view sums = chart_sums_in_use(chart);
  if (sums.min) map_middles(ds, sums, k0);
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
    const bool mid = sums.min && chan_sums_built(chart, r);
    visit_getter(src, [&](auto get) { map_channel(ds, r, get, mid, k0); });
    if (ds.chan_meas[r] == MEAS_RAW) find_sat_val(chart, ds, r, lowest);
  }
}

void reset_columns(t_draw_stat& ds, int k0) {
  for (int k = k0; k <= ds.plot_w; ++k) {
    ds.col_empty[k].fill(true);
    ds.col_gap[k].fill(false);
  }
}

}  // namespace

bool map_columns(int chart) {
  t_draw_stat& ds = draw_stat[chart];
  const int plot_w = std::clamp(ds.plot_w, 0, CHART_COLS - 1);
  ds.plot_w = plot_w;
  if (ds.no_data || ds.view_last <= 0) {
    // Nothing to map: no column may show what an earlier drawing left.
    for (int k = 0; k < CHART_COLS; ++k) clear_column(ds, k);
    ds.sat_val.fill(0);
    return false;
  }
  ds.view_last = std::min(ds.view_last, SLOTS_PER_DAY);
  map_ranges(ds, ds.col_first.data(), ds.col_last.data());
  reset_columns(ds, 0);
  map_from(chart, ds, 0);
  return true;
}

namespace {

// Views narrower than this many samples are mapped from their samples: the
// sums would save little, and a scan of the day for them costs more.
constexpr double kSumsSpan = SLOTS_PER_DAY / 8.0;

// The follow step's whole mapping: from the chart's block sums, renewed
// from `late` slots below the newest sample they read on.
void map_whole_view(int chart, int32_t late) {
  const t_draw_stat& ds = draw_stat[chart];
  if (ds.no_data || ds.view_last <= 0 || ds.plot_w * ds.smp_per_px < kSumsSpan) {
    map_columns(chart);
    return;
  }
  renew_chan_sums(chart, late);
  keep_chan_sums(chart, true);
  map_columns(chart);
  keep_chan_sums(chart, false);
}

}  // namespace

int32_t follow_columns(int chart, int32_t old_view_last, int32_t stable_last, int32_t& first_new) {
  t_draw_stat& ds = draw_stat[chart];
  first_new = 0;
  const int plot_w = std::clamp(ds.plot_w, 0, CHART_COLS - 1);
  if (ds.no_data || old_view_last <= 0 || ds.view_last <= old_view_last || ds.view_last > SLOTS_PER_DAY || plot_w < 2 ||
      plot_w != ds.plot_w || ds.col_first[plot_w] < 0) {
    map_whole_view(chart, old_view_last - stable_last);
    return 0;
  }
  static std::array<int32_t, CHART_COLS> first, last;
  map_ranges(ds, first.data(), last.data());
  // The column before the old newest one lands m columns further left (the
  // newest column alone holds both of its limits); every column that moves
  // must keep its index range.
  int j = plot_w - 1;
  while (j >= 0 && first[j] != ds.col_first[plot_w - 1]) --j;
  const int m = plot_w - 1 - j;
  bool same = j >= 0 && m > 0 && ds.col_first[plot_w - 1] >= 0;
  for (int k = 0; same && k <= j; ++k) same = first[k] == ds.col_first[k + m] && last[k] == ds.col_last[k + m];
  if (!same) {
    map_whole_view(chart, old_view_last - stable_last);
    return 0;
  }
  // Columns with an index above stable_last may have samples they lacked.
  int k0 = j + 1;
  while (k0 > 0 && first[k0 - 1] > stable_last) --k0;
  std::copy(ds.col_min.begin() + m, ds.col_min.begin() + plot_w + 1, ds.col_min.begin());
  std::copy(ds.col_max.begin() + m, ds.col_max.begin() + plot_w + 1, ds.col_max.begin());
  std::copy(ds.col_gap.begin() + m, ds.col_gap.begin() + plot_w + 1, ds.col_gap.begin());
  std::copy(ds.col_empty.begin() + m, ds.col_empty.begin() + plot_w + 1, ds.col_empty.begin());
  std::copy(first.begin(), first.begin() + plot_w + 1, ds.col_first.begin());
  std::copy(last.begin(), last.begin() + plot_w + 1, ds.col_last.begin());
  reset_columns(ds, k0);
  map_from(chart, ds, k0);
  first_new = k0;
  return m;
}

void add_to_column(int chart, int k, int32_t idx) {
  t_draw_stat& ds = draw_stat[chart];
  if (ds.col_first[k] < 0) ds.col_first[k] = idx;
  ds.col_last[k] = idx;
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    float v = 0;
    if (!get_sample(chart, r, ds.chan_dev[r], v, idx, ds.chan_meas[r])) {
      ds.col_gap[k][r] = true;
      continue;
    }
    ds.col_gap[k][r] = false;
    if (ds.col_empty[k][r]) {
      ds.col_empty[k][r] = false;
      ds.col_min[k][r] = ds.col_max[k][r] = v;
    } else {
      ds.col_min[k][r] = std::min(ds.col_min[k][r], v);
      ds.col_max[k][r] = std::max(ds.col_max[k][r], v);
    }
    if (ds.chan_meas[r] == MEAS_RAW && ds.sat_val[r] == 0) {
      float s = 0;
      if (get_sample(chart, r, ds.chan_dev[r], s, idx, MEAS_SAT)) ds.sat_val[r] = round_px(s);
    }
  }
}

bool live_day_restarted(t_draw_stat& ds, int32_t newest) {
  const bool back = newest >= 0 && newest < ds.live_newest && newest < ds.data_last;
  ds.live_newest = newest;
  return back;
}

follow_t follow_live(t_draw_stat& ds, int32_t newest, int32_t& play, bool& play_changed) {
  play_changed = false;
  if (newest <= ds.data_last) return FOLLOW_NONE;
  if (ds.view_last < 0) return FOLLOW_FULL;
  const bool resumed = play == 2;
  if (resumed) {
    play = 0;
    ds.view_last = ds.data_last;
    play_changed = true;
  }
  if (ds.data_last != ds.view_last || play == 1) return FOLLOW_NONE;
  int32_t delta = newest - ds.data_last;
  if (delta <= ds.smp_per_px) return FOLLOW_NONE;
  // By whole steps when a short one fits: the image then moves by whole
  // columns and only the new ones are painted. A view that jumps (resume)
  // is painted whole anyway.
  const int32_t cols = whole_step_cols(ds.smp_per_px);
  const auto step = static_cast<int32_t>(std::lround(cols * ds.smp_per_px));
  if (!resumed && cols > 0 && step <= std::max(FOLLOW_MAX_STEP, static_cast<int32_t>(std::ceil(ds.smp_per_px))) &&
      delta >= step)
    delta -= delta % step;
  ds.data_last += delta;
  ds.view_last += delta;
  ds.view_first += delta;
  return FOLLOW_ADVANCE;
}

int32_t whole_step_cols(double smp_per_px) {
  for (int32_t m = 1; m <= 18; ++m) {
    const double d = m * smp_per_px;
    if (std::abs(d - std::round(d)) < 1e-6 && d >= 1) return m;
  }
  return 0;
}
