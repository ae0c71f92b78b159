#include "charts/column_map.h"

#include "charts/chart_scale.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

void clear_column(t_draw_stat& ds, int k) {
  ds.col_first[k] = ds.col_last[k] = -1;
  ds.col_empty[k].fill(true);
  ds.col_gap[k].fill(false);
}

// Columns plot_w down to 0 take the indexes from view_last downward: column
// k those not below view_last - (plot_w - k + 1) * smp_per_px.
void map_ranges(t_draw_stat& ds) {
  int32_t i = ds.view_last;
  for (int k = ds.plot_w; k >= 0; --k) {
    const double limit = ds.view_last - (ds.plot_w - k + 1) * ds.smp_per_px;
    const int32_t lo = limit <= 0 ? 0 : static_cast<int32_t>(std::min(std::ceil(limit), 1.0e9));
    clear_column(ds, k);
    if (i >= 0 && i >= lo) {
      ds.col_first[k] = i;
      ds.col_last[k] = lo;
      i = lo - 1;
    }
  }
}

// One channel over all columns: min, max, empty, and the gap flag of the
// oldest index of each column.
template <typename G>
void map_channel(t_draw_stat& ds, int r, const G& get) {
  float v = 0;
  for (int k = 0; k <= ds.plot_w; ++k) {
    const int32_t hi = ds.col_first[k], lo = ds.col_last[k];
    if (hi < 0) continue;
    float mn = std::numeric_limits<float>::infinity(), mx = -mn;
    bool any = false;
    for (int32_t i = lo; i <= hi; ++i) {
      if (!get(i, v)) continue;
      any = true;
      mn = std::min(mn, v);
      mx = std::max(mx, v);
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
  const int32_t span = round_px(plot_w * ds.smp_per_px);
  ds.view_first = ds.view_last > span ? ds.view_last - span : 0;
  ds.sat_val.fill(0);
  map_ranges(ds);
  int32_t lowest = ds.view_last + 1;
  for (int k = 0; k <= plot_w && lowest > ds.view_last; ++k)
    if (ds.col_last[k] >= 0) lowest = ds.col_last[k];
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
    visit_getter(src, [&](auto get) { map_channel(ds, r, get); });
    if (ds.chan_meas[r] == MEAS_RAW) find_sat_val(chart, ds, r, lowest);
  }
  return true;
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
  if (play == 2) {
    play = 0;
    ds.view_last = ds.data_last;
    play_changed = true;
  }
  if (ds.data_last != ds.view_last || play == 1) return FOLLOW_NONE;
  const int32_t delta = newest - ds.data_last;
  if (delta <= ds.smp_per_px) return FOLLOW_NONE;
  ds.data_last += delta;
  ds.view_last += delta;
  ds.view_first += delta;
  return FOLLOW_ADVANCE;
}
