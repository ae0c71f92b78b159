#include "calib/calib_pick.h"

#include "calib/calib_diagram.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "texts/text_table.h"

#include <algorithm>
#include <cmath>

std::optional<float> grid_cal_value(int chart, int row, int column) {
  if (chart != CHART_LIVE && chart != CHART_ARCH) return std::nullopt;
  if (column < GRID_COL_CUR_1 || column > GRID_COL_CUR_AVG) return std::nullopt;
  if (row < 0 || row >= MAX_CHANNELS || row >= active_chan_cnt(chart)) return std::nullopt;
  const t_dsp_chan& ch = chart_chans(chart)[row];
  if (!ch.active || ch.meas_mode != MEAS_RAW) return std::nullopt;
  const t_draw_stat& ds = draw_stat[chart];
  const float v = column == GRID_COL_CUR_AVG ? ds.avg_val[row] : ds.cur_val[row][column - GRID_COL_CUR_1];
  if (std::isnan(v)) return std::nullopt;
  return v;
}

QString cal_menu_caption(const QString& prefix, int k, const QString& reference) {
  return prefix + msg_text(98 + k) + " - " + reference + " %";
}

int cal_menu_items(int count) { return std::clamp(count, CAL_PTS_MIN, CAL_PTS_MAX); }

int32_t cal_pick_raw(float value) {
  const double r = std::nearbyint(static_cast<double>(value));
  if (!(r >= INT32_MIN)) return INT32_MIN;
  if (r > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(r);
}
