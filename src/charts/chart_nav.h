// Moving around in a chart: the zoom buttons' time scale steps, the zoom
// rectangle (time window and the three vertical scales), and the scroll
// bar's range and position. Each works on a chart's view record; the
// caller redraws the chart when it reports a change. Widget-free.
#pragma once

#include "charts/draw_stat.h"

#include <cstdint>

// A zoom rectangle smaller than this (either side) changes nothing.
inline constexpr int32_t ZOOM_MIN_PX = 5;

// Zooms to a rectangle given in pixels relative to the plot: x1, x2 from
// the plot's right edge (negative to the left), y_low, y_high above the
// plot's bottom. False (nothing changed) when the time range is empty
// after it was held within the data.
bool zoom_to_rect(t_draw_stat& ds, int32_t x1, int32_t x2, int32_t y_low, int32_t y_high);

// The zoom buttons: one step of the time scale out ("-") or in ("+"). Out
// past 5 h/div shows the whole data range with the automatic scale. False
// when nothing changes: no data, or zooming out with all data visible.
bool zoom_step(t_draw_stat& ds, bool out);

// The scroll bar over the data range, in pixel columns.
struct t_scroll {
  bool enabled = false;
  int32_t max = 0;
  int32_t large = 0;  // page step
  int32_t pos = 0;
};
t_scroll scroll_state(const t_draw_stat& ds);
// The view after the scroll bar moved to pos (of max): the same span,
// ending pos columns from the data's start, within the data.
void scroll_to(t_draw_stat& ds, int32_t max, int32_t pos);
