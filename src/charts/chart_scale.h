// What a chart shows before anything is painted: the channel copies, the
// full data scan with automatic scales, the layout of the image, the time
// scale, the grid steps of the three vertical scales and the value-to-pixel
// mapping. Everything works on a t_draw_stat record; text sizes come from a
// text_measure, so the layout needs no font here. Widget-free.
#pragma once

#include "charts/draw_stat.h"

#include <QStringView>

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Scale limits.
inline constexpr float SCALED_MAX = 999999.0f;
inline constexpr float RAW_SCALE_MAX = 1309440.0f;
inline constexpr float TEMP_SCALE_MIN = -150.0f;
inline constexpr float TEMP_SCALE_MAX = 300.0f;

// Pixel values are held within +-PX_LIMIT before they become integers.
inline constexpr int32_t PX_LIMIT = 1000000;

// Sizes of texts in the chart font, in pixels.
class text_measure {
 public:
  virtual ~text_measure() = default;
  virtual int32_t width(QStringView text) const = 0;
  virtual int32_t height(QStringView text) const = 0;
};

// What the page around an image asks of its layout: the plot starts at
// least at min_left, and the right margin is at least min_right.
struct t_frame_limits {
  int32_t min_left = 0;   // Left of the cursor handle strip + 12
  int32_t min_right = 0;  // width of the upper raw scale edit + 12
};

// Round half to even, NaN as 0, held within +-PX_LIMIT. Inline, without a
// library call: the traces ask it twice a column and channel.
inline int32_t round_px(double v) {
  if (std::isnan(v)) return 0;
  v = v < -PX_LIMIT ? -PX_LIMIT : v > PX_LIMIT ? PX_LIMIT : v;
#if defined(__SSE2__)
  return _mm_cvtsd_si32(_mm_set_sd(v));  // the rounding mode's rounding, as nearbyint
#else
  return static_cast<int32_t>(std::nearbyint(v));
#endif
}

// Copies active, displayed, meas_mode, color, line_thk (and dev_idx on the
// live chart) of the chart's channels into its record; the block sums the
// chart kept are dropped (forget_chan_sums).
void load_chan_cfg(int chart);
// Scans every index of the day over the active channels: data extent,
// scales fitted to the data, the view over all of it, automatic time scale.
void scan_all(int chart);
// A new view window with the automatic time scale: the next drawing fits
// the division to it (the whole-data view, a zoom rectangle, a default
// scaling).
void set_auto_view(t_draw_stat& ds, int32_t first, int32_t last);
// Pads a data range into a scale range of a measurement mode.
void pad_scale(float& min, float& max, int32_t mode);

void calc_layout(t_draw_stat& ds, int32_t img_w, int32_t img_h, const text_measure& tm, const t_frame_limits& lim,
                 int32_t pixel_div_x, int32_t pixel_div_y);
// The automatic time scale for a new view: the fewest whole seconds per
// division with which plot_w pixels hold a span of view indexes (to within
// one sample, so that a span the columns were mapped from gives its own
// division back).
int32_t fit_tdiv(int64_t span, int32_t plot_w, int32_t pixel_div_x);
// Automatic (tscale_idx 0): the division fitted to the view when it has
// none yet (tdiv 0, see set_auto_view), else the one it has, so that a
// redraw, a scroll or a follow step never widens the view. Fixed: the
// table's entry.
void calc_time_scale(t_draw_stat& ds, int32_t pixel_div_x, int32_t pixel_div_y);
// scale 0 scaled value, 1 temperature, 2 raw value.
void calc_axis_step(t_draw_stat& ds, int scale, int32_t pixel_div_y);
// Distance from min up to the first grid value (0 for a non-negative
// multiple of step, a whole step for a negative one). 0 when step is not a
// positive finite number or min is not finite.
float grid_offset(float step, float min);
// Round((v - min) / vpp), 0 when negative or not a number.
inline int32_t val_to_px(float vpp, float min, float v) {
  const double px = (static_cast<double>(v) - min) / vpp;
  if (std::isnan(px) || px < 0) return 0;
  return round_px(px);
}
