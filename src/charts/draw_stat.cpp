#include "charts/draw_stat.h"

#include <cmath>

namespace {

bool in_range(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

}  // namespace

// Constant-initialised (every member has a constant default), so the
// records are ready before any other static initialiser runs.
t_draw_stat draw_stat[CHART_CNT];

void reset_draw_stat() {
  for (auto& ds : draw_stat) ds = t_draw_stat{};
}

int32_t valid_grid_sel(int32_t v) { return in_range(v, GRID_SCALED, GRID_NONE) ? v : GRID_SCALED; }

int32_t valid_decimals(int32_t v) { return in_range(v, 0, CHART_MAX_DECIMALS) ? v : CHART_DEF_DECIMALS; }

int32_t valid_tscale_idx(int32_t v) { return in_range(v, 0, TDIV_CNT) ? v : 0; }

int32_t valid_temp_unit(int32_t v) { return in_range(v, 0, 1) ? v : 0; }

bool def_scaling_usable(const t_draw_stat& ds) {
  if (!ds.def_valid) return false;
  const float vals[] = {ds.def_h_min, ds.def_h_max, ds.def_t_min, ds.def_t_max, ds.def_r_min, ds.def_r_max};
  for (float v : vals)
    if (!std::isfinite(v)) return false;
  if (ds.def_h_min > ds.def_h_max || ds.def_t_min > ds.def_t_max || ds.def_r_min > ds.def_r_max) return false;
  return in_range(ds.def_grid_sel, GRID_SCALED, GRID_NONE) && in_range(ds.def_tscale_idx, 0, TDIV_CNT) &&
         in_range(ds.def_span, 0, SLOTS_PER_DAY);
}
