// The two cursors of a chart and their statistics: the sample index under
// a cursor, the values at both cursors, the average and the total (the
// integral of a flow reading) between them, and the time span.
//
// A cursor drag updates the statistics at every mouse move, over up to
// 432000 indexes per channel. The sums therefore come from block summaries
// (256 indexes each) that are built once per redraw for the blocks the
// cursors cover: a query scans at most the two partial blocks at its ends
// and adds up the whole blocks in between. avg_scan and total_scan are the
// plain rescans that define the results; the fast sums equal them up to the
// rounding of the order of additions.
//
// Widget-free; user-interface thread.
#pragma once

#include "charts/draw_stat.h"

#include <QString>

#include <cstdint>

// A sample lasts 1/5 s; a gap of up to this many missing samples between
// the cursors is bridged with the last valid reading by the total.
inline constexpr int32_t TOTAL_MAX_MISSES = 25;

// Seconds per unit time of the flow unit u (0..6) and the unit of its
// total; seconds 0 and no unit for "%" and for indexes outside 0..6.
struct t_total_unit {
  double seconds = 0.0;
  const char* unit = "";
};
t_total_unit total_unit(int32_t u);

// The sample index under the cursor at pixel px of the plot (held within
// 0..plot_w): the middle of that column's index range, -1 for an empty column.
int32_t cursor_idx(const t_draw_stat& ds, int32_t px);

// A value as a cursor shows it for the channel's mode: scaled values with
// the decimals that fit them and the unit, raw and saturation values
// without decimals, temperatures with one and the chart's unit, digital
// inputs "ON"/"OFF".
QString cursor_text(int chart, int row, double v);

// The text of cursor `which` (0 left "Cursor 1", 1 right "Cursor 2") at
// index idx; sets cur_val[row][which] (NaN when there is no value).
QString cursor_value_text(int which, int chart, int row, int32_t idx);
// The average between the indexes a and b (either order) of scaled, raw,
// temperature and saturation channels; sets avg_val[row] (NaN when none).
QString avg_text(int chart, int row, int32_t a, int32_t b);
// The total between a and b of a scaled channel with a flow unit: empty
// for "%", for a missing first sample and for a gap of more than 25 samples.
QString total_text(int chart, int row, int32_t a, int32_t b);
// "dt: " (text 104) and the seconds between the cursors.
QString dt_text(int32_t r_idx, int32_t l_idx);

// ---- the sums behind the texts ----------------------------------------------------
struct t_span_sum {
  double sum = 0.0;
  int32_t count = 0;  // valid samples
};
struct t_total_sum {
  double sum = 0.0;  // held readings, one per index
  int32_t count = 0;
  bool abandoned = false;  // a missing first sample or a gap of more than 25
};

// Plain rescans of the indexes a..b (a <= b) of a channel in its chart mode.
t_span_sum avg_scan(int chart, int row, int32_t a, int32_t b);
t_total_sum total_scan(int chart, int row, int32_t a, int32_t b);
// The same through the block summaries.
t_span_sum avg_fast(int chart, int row, int32_t a, int32_t b);
t_total_sum total_fast(int chart, int row, int32_t a, int32_t b);

// The chart's samples or channels changed: every block summary is built
// again when next needed (each redraw).
void invalidate_stats(int chart);
// Only the indexes from idx on changed (new samples at the live chart's end).
void invalidate_stats_from(int chart, int32_t idx);

// ---- cursor handles -----------------------------------------------------------------
// Where a dragged handle may go: the right one stays at or right of the
// left one plus half a handle width, the left one at or left of the right
// one minus half a handle width. Lefts in the same coordinates.
int32_t drag_handle_left(bool right, int32_t wanted_left, int32_t other_left, int32_t handle_w);
