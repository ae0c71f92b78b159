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

static_assert(SLOTS_PER_DAY % SUM_BLK == 0);

// The block sums of both charts; a channel's are used while `used` is set.
struct t_sums {
  std::array<std::array<float, SUM_BLOCKS>, MAX_CHANNELS> min{};
  std::array<std::array<float, SUM_BLOCKS>, MAX_CHANNELS> max{};
  std::array<bool, MAX_CHANNELS> built{};
  bool used = false;
};
t_sums chan_sums[CHART_CNT];

// Minimum and maximum as the mapping widens them: a value equal to the one
// held (0 and -0) leaves it, so that whole blocks combined in order give
// what the samples one by one give.
inline void widen(float& mn, float& mx, float v) {
  mn = v < mn ? v : mn;
  mx = mx < v ? v : mx;
}
// The same with the minimum and maximum of a run of samples (an empty run
// holds +inf and -inf and changes nothing).
inline void join(float& mn, float& mx, float run_min, float run_max) {
  mn = run_min < mn ? run_min : mn;
  mx = mx < run_max ? run_max : mx;
}

// Where an empty slot reads as NaN, the comparisons pass it over.
template <typename G>
constexpr bool kNanIsEmpty = std::is_same_v<G, sample_get::arch_value> || std::is_same_v<G, sample_get::live_scaled>;

template <typename G>
inline void widen_at(const G& get, int32_t i, float& mn, float& mx) {
  float v = 0;
  if constexpr (kNanIsEmpty<G>) {
    get(i, v);
    widen(mn, mx, v);
  } else if (get(i, v)) {
    widen(mn, mx, v);
  }
}

template <typename G>
void scan_blocks(const G& get, float* bmin, float* bmax) {
  constexpr int32_t kPart = SUM_BLK / 4;
  constexpr float kInf = std::numeric_limits<float>::infinity();
  for (int32_t b = 0; b < SUM_BLOCKS; ++b) {
    // Four runs of the block side by side, joined in their order.
    float n0 = kInf, n1 = kInf, n2 = kInf, n3 = kInf, x0 = -kInf, x1 = -kInf, x2 = -kInf, x3 = -kInf;
    const int32_t base = b * SUM_BLK;
    for (int32_t j = base; j < base + kPart; ++j) {
      widen_at(get, j, n0, x0);
      widen_at(get, j + kPart, n1, x1);
      widen_at(get, j + 2 * kPart, n2, x2);
      widen_at(get, j + 3 * kPart, n3, x3);
    }
    join(n0, x0, n1, x1);
    join(n0, x0, n2, x2);
    join(n0, x0, n3, x3);
    bmin[b] = n0;
    bmax[b] = x0;
  }
}

// With block sums a column reads its samples only in the block its oldest
// index cuts (the rest of that block is the column before's newest ones).
// The scan read those blocks long before: they are asked for a few columns
// ahead, so that the column does not wait for them.
constexpr int kAheadCols = 8;
template <typename G>
void prefetch_block(const G& get, int32_t i) {
  const int32_t b = i & ~(SUM_BLK - 1);
  if constexpr (requires { get.tab; }) {
    __builtin_prefetch(get.tab + b);
    __builtin_prefetch(get.tab + b + SUM_BLK / 2);
  } else if constexpr (requires { get.d->smp_cal; }) {
    __builtin_prefetch(get.d->smp_cal.data() + b);
    __builtin_prefetch(get.d->smp_cal.data() + b + SUM_BLK / 2);
  }
}

// One channel over all columns: min, max, empty, and the gap flag of the
// oldest index of each column. Whole blocks come from the sums when given.
template <typename G>
void map_channel(t_draw_stat& ds, int r, const G& get, const float* bmin, const float* bmax, int k0 = 0) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  float v = 0;
  for (int k = k0; k <= ds.plot_w; ++k) {
    const int32_t hi = ds.col_first[k], lo = ds.col_last[k];
    if (bmin && k + kAheadCols <= ds.plot_w && ds.col_last[k + kAheadCols] >= 0)
      prefetch_block(get, ds.col_last[k + kAheadCols]);
    if (hi < 0) continue;
    float mn = kInf, mx = -kInf;
    bool any = false;
    int32_t i = lo;
    if (bmin) {
      for (; i <= hi && i % SUM_BLK != 0; ++i) {
        if (!get(i, v)) continue;
        any = true;
        widen(mn, mx, v);
      }
      for (; i + SUM_BLK - 1 <= hi && i < SLOTS_PER_DAY; i += SUM_BLK) {
        const int32_t b = i / SUM_BLK;
        if (!(bmin[b] <= bmax[b])) continue;
        any = true;
        join(mn, mx, bmin[b], bmax[b]);
      }
    }
    for (; i <= hi; ++i) {
      if (!get(i, v)) continue;
      any = true;
      widen(mn, mx, v);
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
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
    const t_sums& sums = chan_sums[chart];
    const bool whole = sums.used && sums.built[r];
    visit_getter(src, [&](auto get) {
      map_channel(ds, r, get, whole ? sums.min[r].data() : nullptr, whole ? sums.max[r].data() : nullptr, k0);
    });
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

int32_t follow_columns(int chart, int32_t old_view_last, int32_t stable_last, int32_t& first_new) {
  t_draw_stat& ds = draw_stat[chart];
  first_new = 0;
  const int plot_w = std::clamp(ds.plot_w, 0, CHART_COLS - 1);
  if (ds.no_data || old_view_last <= 0 || ds.view_last <= old_view_last || ds.view_last > SLOTS_PER_DAY || plot_w < 2 ||
      plot_w != ds.plot_w || ds.col_first[plot_w] < 0) {
    map_columns(chart);
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
    map_columns(chart);
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

t_chan_extent scan_chan_sums(int chart, int r) {
  t_chan_extent e;
  if (r < 0 || r >= MAX_CHANNELS) return e;
  const t_draw_stat& ds = draw_stat[chart];
  t_sums& sums = chan_sums[chart];
  float* bmin = sums.min[r].data();
  float* bmax = sums.max[r].data();
  const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
  visit_getter(src, [&](auto get) {
    scan_blocks(get, bmin, bmax);
    // The first and last sample lie in the first and last block that has one.
    float v = 0;
    int32_t b = 0;
    while (b < SUM_BLOCKS && !(bmin[b] <= bmax[b])) ++b;
    if (b == SUM_BLOCKS) return;
    for (e.first = b * SUM_BLK; !get(e.first, v);) ++e.first;
    int32_t c = SUM_BLOCKS - 1;
    while (!(bmin[c] <= bmax[c])) --c;
    for (e.last = c * SUM_BLK + SUM_BLK - 1; !get(e.last, v);) --e.last;
    e.min = bmin[b];
    e.max = bmax[b];
    for (int32_t k = b + 1; k <= c; ++k) join(e.min, e.max, bmin[k], bmax[k]);
  });
  sums.built[r] = true;
  return e;
}

void keep_chan_sums(int chart, bool keep) {
  t_sums& sums = chan_sums[chart];
  sums.used = keep;
  if (!keep) sums.built.fill(false);
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
