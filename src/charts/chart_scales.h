// The scale settings of a chart: autoscale over the visible window, the
// default scaling (saved from and applied to the view record), the six
// scale edits of a chart page (what they show and what an entry stores)
// and the time scale list of the scale dialog. Widget-free.
#pragma once

#include "charts/draw_stat.h"
#include "config/cfg_entry.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// Tags of the scale edits of a chart page.
enum scale_edit_t : int {
  SCL_HMIN = 0,
  SCL_HMAX = 1,
  SCL_TMIN = 2,
  SCL_TMAX = 3,
  SCL_RMIN = 4,  // the lower raw edit: r_min, r_max when the raw axis is inverted
  SCL_RMAX = 5,  // the upper raw edit: r_max, r_min when inverted
};

// Fits the scale of a mode (MEAS_SCALED, MEAS_RAW, MEAS_TEMP) to the values
// of every active channel of that mode in the visible window, padded.
// False (nothing changed) when the window holds no value of that mode.
bool autoscale_view(int chart, int32_t mode);

// The current scales, grid, time scale and view width become the default.
void save_default_scaling(t_draw_stat& ds);
// The default scaling applied; false when there is none (or it is unusable).
bool use_default_scaling(t_draw_stat& ds);

// The text a scale edit shows.
QString scale_edit_text(const t_draw_stat& ds, int tag);
// An entry left in a scale edit: stored into the scale it edits when it is
// a number within that scale's range. The upper raw edit (the lower one
// with an inverted axis) stores 1309440 for larger numbers, with the range
// message; the others refuse numbers out of range.
t_entry_result enter_scale_edit(t_draw_stat& ds, int tag, const QString& text);

// The scale dialog's time scale list: item 0 the automatic scale's tdiv,
// items 1..11 the fixed scales ("20 s/div", "1 min/div", "1 h/div").
QStringList tscale_items(int32_t tdiv);
