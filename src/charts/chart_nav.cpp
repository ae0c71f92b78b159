#include "charts/chart_nav.h"

#include "charts/chart_scale.h"

#include <algorithm>
#include <cmath>

namespace {

double spp(const t_draw_stat& ds) { return ds.smp_per_px > 0 ? ds.smp_per_px : 1.0; }

// Holds a new scale within lo..hi and opens it to at least min_span.
void fit_range(float& mn, float& mx, float lo, float hi, float min_span) {
  mn = std::clamp(mn, lo, hi);
  mx = std::clamp(mx, lo, hi);
  if (mx - mn < min_span) {
    const float d = (min_span - (mx - mn)) / 2.0f;
    mn -= d;
    mx += d;
  }
}

void whole_range(t_draw_stat& ds) { set_auto_view(ds, ds.data_first, ds.data_last); }

}  // namespace

bool zoom_to_rect(t_draw_stat& ds, int32_t x1, int32_t x2, int32_t y_low, int32_t y_high) {
  const int32_t first = std::max(round_px(ds.view_last + x1 * spp(ds)), ds.data_first);
  const int32_t last = std::min(round_px(ds.view_last + x2 * spp(ds)), ds.data_last);
  if (last <= first) return false;
  set_auto_view(ds, first, last);

  float mn = y_low * ds.h_vpp + ds.h_min, mx = ds.h_min + y_high * ds.h_vpp;
  fit_range(mn, mx, 0.0f, SCALED_MAX, 0.1f);
  ds.h_min = mn;
  ds.h_max = mx;

  mn = y_low * ds.t_vpp + ds.t_min;
  mx = ds.t_min + y_high * ds.t_vpp;
  fit_range(mn, mx, TEMP_SCALE_MIN, TEMP_SCALE_MAX, 0.5f);
  ds.t_min = mn;
  ds.t_max = mx;

  if (ds.raw_invert) {
    mn = ds.r_max - y_high * ds.r_vpp;
    mx = ds.r_max - y_low * ds.r_vpp;
  } else {
    mn = ds.r_min + y_low * ds.r_vpp;
    mx = y_high * ds.r_vpp + ds.r_min;
  }
  fit_range(mn, mx, 0.0f, RAW_SCALE_MAX, 50.0f);
  ds.r_min = std::nearbyint(mn);
  ds.r_max = std::nearbyint(mx);
  return true;
}

bool zoom_step(t_draw_stat& ds, bool out) {
  if (ds.no_data) return false;
  if (out) {
    if (ds.data_last - ds.data_first <= round_px(ds.plot_w * spp(ds))) return false;
    if (ds.tscale_idx == 0) {
      // The automatic scale goes to the entry above the largest it exceeds.
      int n = 1;
      for (int k = 2; k <= TDIV_CNT; ++k)
        if (ds.tdiv > tdiv_table[k - 1]) n = k;
      if (n < TDIV_CNT)
        ds.tscale_idx = n + 1;
      else
        whole_range(ds);
    } else if (ds.tscale_idx < TDIV_CNT) {
      ++ds.tscale_idx;
    } else {
      whole_range(ds);
    }
    return true;
  }
  if (ds.tscale_idx == 0) {
    int n = TDIV_CNT;
    for (int k = 1; k <= TDIV_CNT - 1; ++k)
      if (ds.tdiv < tdiv_table[k - 1]) {
        n = k;
        break;
      }
    ds.tscale_idx = std::max(n - 1, 1);
  } else {
    ds.tscale_idx = std::max(ds.tscale_idx - 1, 1);
  }
  return true;
}

t_scroll scroll_state(const t_draw_stat& ds) {
  t_scroll s;
  if (ds.no_data || ds.data_first < 0) return s;
  const int32_t total = round_px((ds.data_last - ds.data_first) / spp(ds));
  if (total <= ds.plot_w) return s;
  s.enabled = true;
  s.max = total - ds.plot_w;
  s.large = std::min(s.max, ds.plot_w) / 2;
  s.pos = std::clamp(round_px(s.max - (ds.data_last - ds.view_last) / spp(ds)), 0, s.max);
  return s;
}

void scroll_to(t_draw_stat& ds, int32_t max, int32_t pos) {
  const int32_t span = ds.view_last - ds.view_first;
  ds.view_last = std::clamp(ds.data_last - round_px((max - pos) * spp(ds)), ds.data_first, ds.data_last);
  ds.view_first = std::max(ds.view_last - span, ds.data_first);
}
