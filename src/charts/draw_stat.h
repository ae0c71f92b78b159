// The per-chart view record: what one chart page shows and how it is laid
// out. Two records exist, one per chart page; they start zero-filled. The
// fields grid_sel, raw_invert, decimals, the default scaling and temp_f are
// persisted with the setup file; everything else is rebuilt while drawing.
#pragma once

#include "core/common_data.h"

#include <array>
#include <cstdint>

inline constexpr int CHART_LIVE = 0;  // Online view
inline constexpr int CHART_ARCH = 1;  // Off-line analysis
inline constexpr int CHART_CNT = 2;

inline constexpr int CHART_COLS = 3001;  // pixel columns of the column arrays
inline constexpr int CHART_MAX_PLOT_W = 2999;

// Horizontal grid choices (grid_sel, def_grid_sel).
inline constexpr int32_t GRID_SCALED = 0;
inline constexpr int32_t GRID_TEMP = 1;
inline constexpr int32_t GRID_RAW = 2;
inline constexpr int32_t GRID_NONE = 3;

inline constexpr int TDIV_CNT = 11;  // fixed time scales; tscale_idx 1..11 selects one
inline constexpr std::array<int32_t, TDIV_CNT> tdiv_table{20, 30, 60, 120, 300, 600, 1200, 1800, 3600, 7200, 18000};

// Decimals of the scaled value labels: decimals_for gives 0..5.
inline constexpr int32_t CHART_MAX_DECIMALS = 5;
inline constexpr int32_t CHART_DEF_DECIMALS = 1;

struct t_draw_stat {
  int32_t plot_w = 0;
  int32_t cur_r_px = 0;
  int32_t cur_l_px = 0;
  int32_t cur_r_idx = 0;
  int32_t cur_l_idx = 0;
  int32_t grid_sel = GRID_SCALED;
  bool raw_invert = false;
  std::array<bool, MAX_CHANNELS> chan_active{};
  std::array<bool, MAX_CHANNELS> chan_displayed{};
  std::array<int32_t, MAX_CHANNELS> chan_meas{};
  std::array<int32_t, MAX_CHANNELS> chan_color{};
  std::array<int32_t, MAX_CHANNELS> chan_thk{};
  std::array<int32_t, MAX_CHANNELS> chan_dev{};
  std::array<std::array<float, 2>, MAX_CHANNELS> cur_val{};  // [channel][0 left cursor, 1 right cursor]
  std::array<float, MAX_CHANNELS> avg_val{};
  double smp_per_px = 0.0;
  int32_t tscale_idx = 0;
  int32_t tdiv = 0;  // seconds per division; 0: the automatic scale is fitted at the next drawing
  float h_vpp = 0.0f;
  float h_step = 0.0f;
  int32_t h_step_px = 0;
  float t_vpp = 0.0f;
  float t_step = 0.0f;
  int32_t t_step_px = 0;
  float r_vpp = 0.0f;
  float r_step = 0.0f;
  int32_t r_step_px = 0;
  std::array<int32_t, CHART_COLS> col_first{};
  std::array<int32_t, CHART_COLS> col_last{};
  std::array<std::array<float, MAX_CHANNELS>, CHART_COLS> col_min{};
  std::array<std::array<float, MAX_CHANNELS>, CHART_COLS> col_max{};
  std::array<std::array<bool, MAX_CHANNELS>, CHART_COLS> col_gap{};
  std::array<std::array<bool, MAX_CHANNELS>, CHART_COLS> col_empty{};
  int32_t decimals = CHART_DEF_DECIMALS;
  bool no_data = false;
  float h_min = 0.0f;
  float h_max = 0.0f;
  float t_min = 0.0f;
  float t_max = 0.0f;
  float r_min = 0.0f;
  float r_max = 0.0f;
  // Default scaling (the scale dialog's "use as default").
  float def_h_min = 0.0f;
  float def_h_max = 0.0f;
  float def_t_min = 0.0f;
  float def_t_max = 0.0f;
  float def_r_min = 0.0f;
  float def_r_max = 0.0f;
  int32_t def_grid_sel = GRID_SCALED;
  int32_t def_tscale_idx = 0;
  int32_t def_span = 0;  // view width in samples
  bool def_valid = false;
  int32_t view_last = 0;
  int32_t view_first = 0;
  int32_t data_first = 0;
  int32_t data_last = 0;
  std::array<int32_t, 4> img_rect{};
  int32_t plot_left = 0;
  int32_t plot_right = 0;
  int32_t plot_bottom = 0;
  int32_t plot_top = 0;
  int32_t x_sep = 0;
  int32_t half0 = 0;
  int32_t lbl_h = 0;
  int32_t temp_f = 0;  // 0 degrees Celsius, 1 degrees Fahrenheit
  std::array<int32_t, MAX_CHANNELS> sat_val{};
  int32_t live_newest = -1;  // live chart: the newest stored slot the last follow step saw
};

// The two chart records, indexed by CHART_LIVE and CHART_ARCH.
extern t_draw_stat draw_stat[CHART_CNT];

// Rebuilds both records in their initial state (tests use it between cases).
void reset_draw_stat();

// ---- checks for values that come from the setup file ---------------------------
// Each gives the value when it lies in its range, else its default.
int32_t valid_grid_sel(int32_t v);    // 0..3, default GRID_SCALED
int32_t valid_decimals(int32_t v);    // 0..CHART_MAX_DECIMALS, default CHART_DEF_DECIMALS
int32_t valid_tscale_idx(int32_t v);  // 0..TDIV_CNT, default 0 (automatic)
int32_t valid_temp_unit(int32_t v);   // 0..1, default 0

// True when the default scaling can be applied: def_valid, the six values
// finite and each pair ordered, grid and time scale in range, span 0..SLOTS_PER_DAY.
bool def_scaling_usable(const t_draw_stat& ds);
