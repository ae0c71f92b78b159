#include "charts/chart_scales.h"

#include "charts/chart_scale.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "charts/trace_filter.h"
#include "core/sys_number.h"

#include <algorithm>
#include <limits>

namespace {

QString tdiv_text(int32_t n, bool prefer_hours) {
  if (prefer_hours && n % 3600 == 0) return QString::number(n / 3600) + " h/div";
  if (n % 60 != 0) return QString::number(n) + " s/div";
  return QString::number(n / 60) + " min/div";
}

}  // namespace

bool autoscale_view(int chart, int32_t mode) {
  t_draw_stat& ds = draw_stat[chart];
  if (chart == CHART_LIVE && mode == MEAS_RAW) finish_refilter();  // the scale of the whole filtered series
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  bool any = false;
  const int32_t first = std::max(ds.view_first, 0), last = std::min(ds.view_last, SLOTS_PER_DAY);
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!ds.chan_active[r] || ds.chan_meas[r] != mode) continue;
    const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], mode);
    visit_getter(src, [&](auto get) {
      float v = 0;
      for (int32_t i = first; i <= last; ++i) {
        if (!get(i, v)) continue;
        any = true;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    });
  }
  if (!any) return false;
  pad_scale(lo, hi, mode);
  switch (mode) {
    case MEAS_SCALED:
      ds.h_min = lo;
      ds.h_max = hi;
      break;
    case MEAS_RAW:
      ds.r_min = lo;
      ds.r_max = hi;
      break;
    case MEAS_TEMP:
      ds.t_min = lo;
      ds.t_max = hi;
      break;
    default: return false;
  }
  return true;
}

void save_default_scaling(t_draw_stat& ds) {
  ds.def_h_min = ds.h_min;
  ds.def_h_max = ds.h_max;
  ds.def_t_min = ds.t_min;
  ds.def_t_max = ds.t_max;
  ds.def_r_min = ds.r_min;
  ds.def_r_max = ds.r_max;
  ds.def_grid_sel = ds.grid_sel;
  ds.def_tscale_idx = ds.tscale_idx;
  ds.def_span = ds.view_last - ds.view_first;
  ds.def_valid = true;
}

bool use_default_scaling(t_draw_stat& ds) {
  if (!def_scaling_usable(ds)) return false;
  ds.h_min = ds.def_h_min;
  ds.h_max = ds.def_h_max;
  ds.t_min = ds.def_t_min;
  ds.t_max = ds.def_t_max;
  ds.r_min = ds.def_r_min;
  ds.r_max = ds.def_r_max;
  ds.grid_sel = ds.def_grid_sel;
  ds.tscale_idx = ds.def_tscale_idx;
  if (ds.def_tscale_idx == 0) set_auto_view(ds, std::max(ds.view_last - ds.def_span, 0), ds.view_last);
  return true;
}

QString scale_edit_text(const t_draw_stat& ds, int tag) {
  switch (tag) {
    case SCL_HMIN: return fmt_sys_fixed(ds.decimals, ds.h_min);
    case SCL_HMAX: return fmt_sys_fixed(ds.decimals, ds.h_max);
    case SCL_TMIN: return fmt_sys_fixed(0, ds.t_min);
    case SCL_TMAX: return fmt_sys_fixed(0, ds.t_max);
    case SCL_RMIN: return fmt_sys_fixed(0, ds.raw_invert ? ds.r_max : ds.r_min);
    case SCL_RMAX: return fmt_sys_fixed(0, ds.raw_invert ? ds.r_min : ds.r_max);
    default: return {};
  }
}

t_entry_result enter_scale_edit(t_draw_stat& ds, int tag, const QString& text) {
  switch (tag) {
    case SCL_HMIN: return enter_float_value(text, ds.decimals, 0.0f, ds.h_max, false, ds.h_min);
    case SCL_HMAX: return enter_float_value(text, ds.decimals, ds.h_min, SCALED_MAX, false, ds.h_max);
    case SCL_TMIN: return enter_float_value(text, 0, TEMP_SCALE_MIN, ds.t_max, false, ds.t_min);
    case SCL_TMAX: return enter_float_value(text, 0, ds.t_min, TEMP_SCALE_MAX, false, ds.t_max);
    case SCL_RMIN:
      if (ds.raw_invert) return enter_float_value(text, 0, ds.r_min, RAW_SCALE_MAX, true, ds.r_max);
      return enter_float_value(text, 0, 0.0f, ds.r_max, false, ds.r_min);
    case SCL_RMAX:
      if (ds.raw_invert) return enter_float_value(text, 0, 0.0f, ds.r_max, false, ds.r_min);
      return enter_float_value(text, 0, ds.r_min, RAW_SCALE_MAX, true, ds.r_max);
    default: return {};
  }
}

QStringList tscale_items(int32_t tdiv) {
  QStringList items{tdiv_text(tdiv, false)};
  for (int32_t n : tdiv_table) items << tdiv_text(n, true);
  return items;
}
