// The block sums of a chart's channels: the minimum and maximum of each
// block of SUM_BLK sample indexes and of each of its SUM_SUB-index parts,
// so that the column mapping takes whole blocks instead of their samples.
//
// The full scan (scan_all) builds them for every active channel while it
// reads each sample once. They stay with the chart after that redraw: the
// live follow step, whose time scale may shift every column, renews only
// the blocks whose samples may have come since (renew_chan_sums) and maps
// the whole view from them again. What may have changed older samples
// drops them: every redraw of a page loads the channels anew
// (forget_chan_sums, through load_chan_cfg), which covers a filter rebuild,
// a channel change and a new day; a channel whose source differs from the
// one they were read from (another temperature unit) is scanned again.
// Widget-free; user-interface thread.
#pragma once

#include "charts/draw_stat.h"

#include <array>
#include <cstdint>

inline constexpr int32_t SUM_BLK = 32;
inline constexpr int32_t SUM_BLOCKS = SLOTS_PER_DAY / SUM_BLK;
inline constexpr int32_t SUM_SUB = 8;
inline constexpr int32_t SUM_SUBS = SLOTS_PER_DAY / SUM_SUB;

// What the scan found in one channel: its first and last sample (-1 when
// none) and the smallest and largest value.
struct t_chan_extent {
  int32_t first = -1;
  int32_t last = -1;
  float min = 0.0f;
  float max = 0.0f;
};

// Scans indexes 0..SLOTS_PER_DAY - 1 of channel row r of a chart (its
// source and mode from the record) and builds its block sums.
t_chan_extent scan_chan_sums(int chart, int r);
// The block sums of a chart are used by map_columns from now on (keep) or
// no longer; they stay built for the follow step either way.
void keep_chan_sums(int chart, bool keep);
// The samples may have changed anywhere: the next use scans them again.
void forget_chan_sums(int chart);
// Brings the sums of the drawn channels up to date for a view ending at
// view_last: a channel without valid sums is scanned whole, else the
// blocks from `late` slots below the newest slot read last time on (the
// view's end then, the device's newest sample for a scan, or less where a
// filtered series ended).
void renew_chan_sums(int chart, int32_t late);

// The sums as the mapping takes them, the channels side by side: block b's
// minimum and maximum of channel r at min[b][r] and max[b][r] (min > max:
// no sample in it), the parts' in sub_min and sub_max. All nullptr when
// the chart's sums are not in use; a channel's lanes are valid where
// chan_sums_built says so.
using t_sum_lanes = std::array<float, MAX_CHANNELS>;
struct t_sum_view {
  const t_sum_lanes* min = nullptr;
  const t_sum_lanes* max = nullptr;
  const t_sum_lanes* sub_min = nullptr;
  const t_sum_lanes* sub_max = nullptr;
};
t_sum_view chart_sums_in_use(int chart);
bool chan_sums_built(int chart, int r);

// Minimum and maximum as the mapping widens them: a value equal to the one
// held (0 and -0) leaves it, so that whole blocks combined in order give
// what the samples one by one give; NaN changes nothing.
inline void sum_widen(float& mn, float& mx, float v) {
  mn = v < mn ? v : mn;
  mx = mx < v ? v : mx;
}
// The same with the minimum and maximum of a run of samples (an empty run
// holds +inf and -inf and changes nothing).
inline void sum_join(float& mn, float& mx, float run_min, float run_max) {
  mn = run_min < mn ? run_min : mn;
  mx = mx < run_max ? run_max : mx;
}
