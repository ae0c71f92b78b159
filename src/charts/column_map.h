// The decimation of a chart: every pixel column of the plot gets the
// minimum and maximum of each displayed channel over the sample indexes
// that fall into it, so that drawing costs the plot's width and not the
// number of samples. Also the live chart's follow step. Widget-free.
#pragma once

#include "charts/block_sums.h"
#include "charts/draw_stat.h"

#include <cstdint>

// Maps the view window (ending at view_last) onto the columns 0..plot_w:
// col_first/col_last, col_min/col_max, col_gap, col_empty and sat_val.
// When nothing can be mapped (no data, view_last <= 0) every column is
// marked empty and the result is false.
bool map_columns(int chart);

// Adds sample index idx to column k (one index, all displayed channels).
// map_columns does the same work channel by channel; this is the
// reference for a single index.
void add_to_column(int chart, int k, int32_t idx);

// The index range of a column: the newest and oldest index mapped to it
// (both -1 when none), for a view ending at view_last with smp_per_px.
struct t_col_range {
  int32_t first = -1;
  int32_t last = -1;
};

// The follow step's mapping, after the view moved on from old_view_last:
// when it moved by whole columns (the moved columns keep their index
// ranges), the columns move over with their values and only those with an
// index above stable_last (samples may have come late) or beyond the old
// view are mapped; else the whole view is mapped, a view of an eighth of
// the day or more from the chart's block sums renewed where samples came
// since (old_view_last - stable_last slots below the newest one read last
// time). Returns the number of
// columns moved (0: mapped whole); first_new is the first column mapped.
int32_t follow_columns(int chart, int32_t old_view_last, int32_t stable_last, int32_t& first_new);

// The fewest columns (up to 18) whose span of smp_per_px samples each is a
// whole number of samples; 0 when none.
int32_t whole_step_cols(double smp_per_px);
// The longest whole step the follow step takes (a minute of samples),
// unless a column alone is longer.
inline constexpr int32_t FOLLOW_MAX_STEP = 300;

// What the live follow step decided.
enum follow_t : int32_t {
  FOLLOW_NONE = 0,     // nothing to do
  FOLLOW_FULL = 1,     // redraw the chart with a full scan
  FOLLOW_ADVANCE = 2,  // the view moved: lay out, map and paint again
};

// Whether the live rings started again under the chart: the newest stored
// slot went back, below the newest one of the step before and below what
// the chart holds (a new day began, and the chart may have been rebuilt
// from the old day's rings just before). Notes newest for the next step.
// A slot that only lags behind the chart (a hidden channel's device is
// ahead) is no new day.
bool live_day_restarted(t_draw_stat& ds, int32_t newest);

// The follow step on the live chart's record, after the filters were
// brought up to date. The view moves on when more than a column of new
// samples came: by whole steps (whole_step_cols columns) where at least one
// such step came and it is no longer than FOLLOW_MAX_STEP samples, else by
// all new samples.
// newest = newest_live_idx(); play is the play state (service_client::play_state)
// (0 following, 1 stopped, 2 resume requested), updated in place;
// play_changed tells the caller to refresh the play buttons.
follow_t follow_live(t_draw_stat& ds, int32_t newest, int32_t& play, bool& play_changed);
