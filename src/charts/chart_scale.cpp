#include "charts/chart_scale.h"

#include "charts/column_map.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "core/common_data.h"
#include "core/sys_number.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kDefMax[3] = {100.0f, RAW_SCALE_MAX, 100.0f};  // scaled, raw, temperature

int scale_group(int32_t mode) {
  switch (mode) {
    case MEAS_SCALED: return 0;
    case MEAS_RAW: return 1;
    case MEAS_TEMP: return 2;
    default: return -1;
  }
}

}  // namespace

void load_chan_cfg(int chart) {
  t_draw_stat& ds = draw_stat[chart];
  // A page's redraw starts here: samples may have changed since the block
  // sums were read (a filter rebuild, other channels, a new day).
  forget_chan_sums(chart);
  const t_dsp_chan* ch = chart_chans(chart);
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    ds.chan_active[r] = ch[r].active;
    ds.chan_displayed[r] = ch[r].displayed;
    ds.chan_meas[r] = ch[r].meas_mode;
    ds.chan_color[r] = ch[r].color;
    ds.chan_thk[r] = ch[r].line_thk;
    if (chart == CHART_LIVE) ds.chan_dev[r] = ch[r].dev_idx;
  }
}

void scan_all(int chart) {
  t_draw_stat& ds = draw_stat[chart];
  int32_t first = -1, last = -1;
  float lo[3], hi[3];
  bool any[3] = {false, false, false};
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!ds.chan_active[r]) continue;
    const int g = scale_group(ds.chan_meas[r]);
    const t_chan_extent e = scan_chan_sums(chart, r);
    if (e.first < 0) continue;
    first = first < 0 ? e.first : std::min(first, e.first);
    last = std::max(last, e.last);
    if (g < 0) continue;
    lo[g] = any[g] ? std::min(lo[g], e.min) : e.min;
    hi[g] = any[g] ? std::max(hi[g], e.max) : e.max;
    any[g] = true;
  }
  float* mins[3] = {&ds.h_min, &ds.r_min, &ds.t_min};
  float* maxs[3] = {&ds.h_max, &ds.r_max, &ds.t_max};
  const int32_t modes[3] = {MEAS_SCALED, MEAS_RAW, MEAS_TEMP};
  for (int g = 0; g < 3; ++g) {
    if (!any[g]) {
      *mins[g] = 0.0f;
      *maxs[g] = kDefMax[g];
      continue;
    }
    pad_scale(lo[g], hi[g], modes[g]);
    *mins[g] = lo[g];
    *maxs[g] = hi[g];
  }
  ds.data_first = first;
  ds.data_last = last;
  ds.no_data = first < 0;
  set_auto_view(ds, first, last);
}

void set_auto_view(t_draw_stat& ds, int32_t first, int32_t last) {
  ds.view_first = first;
  ds.view_last = last;
  ds.tscale_idx = 0;
  ds.tdiv = 0;
}

void pad_scale(float& min, float& max, int32_t mode) {
  float pad = (max - min) / 10.0f;
  switch (mode) {
    case MEAS_SCALED:
      pad = std::max(pad, 2.0f);
      min = std::max(min - 2.0f * pad, 0.0f);
      max = std::min(max + pad, SCALED_MAX);
      break;
    case MEAS_RAW:
      pad = std::max(pad, 1000.0f);
      min = std::max(min - pad, 0.0f);
      max = std::min(max + pad, RAW_SCALE_MAX);
      break;
    case MEAS_TEMP:
      pad = std::max(pad, 3.0f);
      min = std::max(min - pad, TEMP_SCALE_MIN);
      max = std::min(max + pad, TEMP_SCALE_MAX);
      break;
    default: break;
  }
}

void calc_layout(t_draw_stat& ds, int32_t img_w, int32_t img_h, const text_measure& tm, const t_frame_limits& lim,
                 int32_t pixel_div_x, int32_t pixel_div_y) {
  ds.img_rect = {0, 0, img_w, img_h};
  ds.half0 = tm.width(u"0") / 2;
  ds.x_sep = ds.half0 + tm.width(u" 100.0°C") + 2;
  // The widest scaled label, made again only when its decimals or separator change.
  static QString label;
  static int32_t label_decimals = -1;
  static QChar label_sep;
  if (label.isEmpty() || label_decimals != ds.decimals || label_sep != sys_dec_sep) {
    label = fmt_sys_fixed(ds.decimals, 100.0) + u'%';
    label_decimals = ds.decimals;
    label_sep = sys_dec_sep;
  }
  ds.plot_left = std::max(ds.x_sep + tm.width(label) + ds.half0 + 3, lim.min_left);
  const int32_t right_margin = std::max(tm.width(u"10000000 ") + ds.half0 + 2, lim.min_right);
  ds.plot_right = img_w - right_margin;
  ds.lbl_h = tm.height(u"100.0 %");
  if (ds.plot_right - ds.plot_left < 2 * pixel_div_x) ds.plot_right = ds.plot_left + 2 * pixel_div_x;
  if (ds.plot_right - ds.plot_left >= CHART_MAX_PLOT_W + 1) ds.plot_right = ds.plot_left + CHART_MAX_PLOT_W;
  ds.plot_w = ds.plot_right - ds.plot_left;
  ds.plot_top = ds.lbl_h / 2;
  ds.plot_bottom = img_h - (ds.plot_top + ds.lbl_h) + 2;
  if (ds.plot_bottom - ds.plot_top < 2 * pixel_div_y) ds.plot_bottom = ds.plot_top + 2 * pixel_div_y;
}

int32_t fit_tdiv(int64_t span, int32_t plot_w, int32_t pixel_div_x) {
  // The plot holds plot_w * tdiv * 5 / pixel_div_x samples; one sample less
  // than the span is enough, so that the span the view took from a division
  // (rounded to whole samples) gives that division back.
  const int64_t need = std::max<int64_t>(span - 1, 0) * std::max(pixel_div_x, 1);
  const int64_t per_sec = 5 * static_cast<int64_t>(std::max(plot_w, 1));
  return static_cast<int32_t>(std::min<int64_t>((need + per_sec - 1) / per_sec, 1000000));
}

void calc_time_scale(t_draw_stat& ds, int32_t pixel_div_x, int32_t pixel_div_y) {
  if (ds.no_data) ds.tscale_idx = 1;
  if (ds.tscale_idx > TDIV_CNT || ds.tscale_idx < 0) {
    ds.tscale_idx = 0;
    ds.tdiv = 0;
  }
  if (ds.tscale_idx == 0) {
    // The division is fitted once to a new view; later drawings keep it.
    if (ds.tdiv <= 0) ds.tdiv = fit_tdiv(static_cast<int64_t>(ds.view_last) - ds.view_first, ds.plot_w, pixel_div_x);
    if (ds.tdiv < tdiv_table[0]) {
      ds.tdiv = tdiv_table[0];
      ds.tscale_idx = 1;
    }
  } else {
    ds.tdiv = tdiv_table[ds.tscale_idx - 1];
  }
  ds.smp_per_px = static_cast<double>(ds.tdiv) * 5.0 / std::max(pixel_div_x, 1);
  for (int s = 0; s < 3; ++s) calc_axis_step(ds, s, pixel_div_y);
}

void calc_axis_step(t_draw_stat& ds, int scale, int32_t pixel_div_y) {
  const int32_t h = ds.plot_bottom - ds.plot_top;
  const float divisions = static_cast<float>(h) / static_cast<float>(std::max(pixel_div_y, 1));
  float range, floor_step;
  switch (scale) {
    case 0:
      range = (ds.h_max - ds.h_min) * 100.0f;
      floor_step = 1.0f;
      range = std::isnan(range) ? 10.0f : std::max(range, 10.0f);
      break;
    case 1:
      range = (ds.t_max - ds.t_min) * 10.0f;
      floor_step = 1.0f;
      range = std::isnan(range) ? 5.0f : std::max(range, 5.0f);
      break;
    default:
      range = ds.r_max - ds.r_min;
      floor_step = 10.0f;
      range = std::isnan(range) ? 50.0f : std::max(range, 50.0f);
      break;
  }
  range = std::min(range, 1.0e30f);  // an infinite range would give no step
  const float per_div = range / std::max(divisions, 1.0f);
  double step;
  int32_t px;
  if (per_div < floor_step) {
    step = floor_step;
    px = pixel_div_y;
  } else {
    // per_div = r * 10^k with 1 < r <= 10 (k = 0 when per_div <= 10).
    int k = per_div > 10.0f ? static_cast<int>(std::ceil(std::log10(static_cast<double>(per_div)))) - 1 : 0;
    float r = per_div / static_cast<float>(std::pow(10.0, k));
    if (r > 10.0f) {  // log10 rounded low
      ++k;
      r = per_div / static_cast<float>(std::pow(10.0, k));
    } else if (k > 0 && r * 10.0f <= 10.0f) {  // rounded high
      --k;
      r = per_div / static_cast<float>(std::pow(10.0, k));
    }
    const float nice = r < 2.0f ? 2.0f : r < 3.0f ? 3.0f : r < 5.0f ? 5.0f : 10.0f;
    step = static_cast<double>(nice) * std::pow(10.0, k);
    px = std::max(round_px(h * step / range), 1);
  }
  const float vpp = static_cast<float>(step / px);
  switch (scale) {
    case 0:
      ds.h_vpp = vpp / 100.0f;
      ds.h_step = static_cast<float>(step / 100.0);
      ds.h_step_px = px;
      break;
    case 1:
      ds.t_vpp = vpp / 10.0f;
      ds.t_step = static_cast<float>(step / 10.0);
      ds.t_step_px = px;
      break;
    default:
      ds.r_vpp = vpp;
      ds.r_step = static_cast<float>(step);
      ds.r_step_px = px;
      break;
  }
}

float grid_offset(float step, float min) {
  if (!(step > 0.0f) || !std::isfinite(step) || !std::isfinite(min)) return 0.0f;
  const float a = std::fabs(min);
  // What remains of |min| after whole steps, in (0, step]; 0 for 0.
  float f = std::fmod(a, step);
  if (f == 0.0f && a > 0.0f) f = step;
  return min > 0.0f ? step - f : f;
}
