#include "calib/calib_diagram.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Columns far outside any image still fit the painter's integer range.
constexpr double X_LIMIT = 1 << 24;

uint32_t reg_pair(const std::array<uint16_t, CAL_PROD_REGS>& regs, int low) {
  return static_cast<uint32_t>(regs[low]) | (static_cast<uint32_t>(regs[low + 1]) << 16);
}

std::optional<t_diag_pt> point_at(const t_diag_layout& l, const t_scale_y& s, double raw, double v) {
  if (!std::isfinite(raw)) return std::nullopt;
  const std::optional<int> y = val_to_y(l, s, v);
  if (!y) return std::nullopt;
  return t_diag_pt{raw_to_x(l, raw), *y};
}

// The extension from point `from` along the line through `from` and
// `other`, towards raw `target` (0 or 1,000,000), ending where the line
// leaves the scale when it does so first.
std::optional<t_diag_seg> extension(const t_cal_points& p, int from, int other, double target, const t_scale_y& s,
                                    const t_diag_layout& l) {
  const float ra = static_cast<float>(p.calib_raw[from]);
  const float va = p.calib_vals[from];
  const float rb = static_cast<float>(p.calib_raw[other]);
  const float vb = p.calib_vals[other];
  if (ra == rb) return std::nullopt;  // no value at any other raw
  const std::optional<t_diag_pt> start = point_at(l, s, p.calib_raw[from], va);
  if (!start || !std::isfinite(vb)) return std::nullopt;
  const float v = cal_val_at_raw(ra, va, rb, vb, static_cast<float>(target));
  std::optional<t_diag_pt> end;
  if (v < s.beg) {
    end = point_at(l, s, cal_raw_at_val(ra, va, rb, vb, s.beg), s.beg);
  } else if (v > s.end) {
    end = point_at(l, s, cal_raw_at_val(ra, va, rb, vb, s.end), s.end);
  } else {
    end = point_at(l, s, target, v);
  }
  if (!end) return std::nullopt;
  return t_diag_seg{*start, *end};
}

}  // namespace

t_cal_points cal_points_from_regs(const std::array<uint16_t, CAL_PROD_REGS>& regs) {
  t_cal_points p;
  p.pts_cnt = std::clamp<int>(static_cast<int16_t>(regs[0]), CAL_PTS_MIN, CAL_PTS_MAX);
  for (int k = 0; k < CAL_PTS_MAX; ++k) {
    p.calib_vals[k] = std::bit_cast<float>(reg_pair(regs, 2 + 2 * k));
    p.calib_raw[k] = std::bit_cast<int32_t>(reg_pair(regs, 12 + 2 * k));
  }
  sort_cal_points(p);
  return p;
}

void sort_cal_points(t_cal_points& p) {
  const int n = std::clamp(p.pts_cnt, CAL_PTS_MIN, CAL_PTS_MAX);
  std::array<int, CAL_PTS_MAX> order{0, 1, 2, 3, 4};
  std::stable_sort(order.begin(), order.begin() + n, [&p](int a, int b) { return p.calib_raw[a] > p.calib_raw[b]; });
  const t_cal_points old = p;
  for (int k = 0; k < n; ++k) {
    p.calib_raw[k] = old.calib_raw[order[k]];
    p.calib_vals[k] = old.calib_vals[order[k]];
  }
}

int cal_label_decimals(float scale_end) {
  if (scale_end > 9999.9f) return 0;
  if (scale_end > 999.99f) return 1;
  if (scale_end > 99.999f) return 2;
  if (scale_end > 9.9999f) return 3;
  if (scale_end > 0.99999f) return 4;
  return 5;
}

t_scale_y get_scale_y(const t_cal_points& p, float rng_beg, float rng_end) {
  t_scale_y s{rng_beg, rng_end, 5};
  const int n = std::clamp(p.pts_cnt, CAL_PTS_MIN, CAL_PTS_MAX);
  for (int k = 0; k < n; ++k) {
    const float v = p.calib_vals[k];
    if (!std::isfinite(v)) continue;
    if (v > s.end) s.end = v;
    if (v < s.beg) s.beg = v;
  }
  s.decp = cal_label_decimals(s.end);
  return s;
}

t_diag_layout calc_diag_layout(int width, int height, const t_diag_metrics& m, int pixel_div_x, int pixel_div_y) {
  t_diag_layout l;
  l.full_x = width;
  l.full_y = height;
  const int h = m.text_h;
  l.xref_0 = m.value_w + 2;
  l.xref_100 = width - m.raw_label_w / 2 - 2;
  if (l.xref_100 - l.xref_0 < 2 * pixel_div_x) l.xref_100 = l.xref_0 + 2 * pixel_div_x;
  if (l.xref_100 - l.xref_0 >= 3000) l.xref_100 = l.xref_0 + 2999;
  l.yref_100 = h / 2;
  l.yref_0 = height - h - h / 2 + 2;
  if (l.yref_0 - l.yref_100 < 2 * pixel_div_y) l.yref_0 = l.yref_100 + 2 * pixel_div_y;
  l.max_pixel_x = l.xref_100 - l.xref_0;
  l.max_pixel_y = l.yref_0 - l.yref_100;
  return l;
}

int raw_to_x(const t_diag_layout& l, double raw) {
  const double x = std::nearbyint(raw / CAL_RAW_FULL * l.max_pixel_x);
  return static_cast<int>(std::clamp(x, -X_LIMIT, X_LIMIT)) + l.xref_0;
}

std::optional<int> val_to_y(const t_diag_layout& l, const t_scale_y& s, double v) {
  const double f = (v - s.beg) / (static_cast<double>(s.end) - s.beg);
  if (!std::isfinite(f)) return std::nullopt;
  const double c = std::clamp(f, 0.0, 1.0);
  return l.max_pixel_y - static_cast<int>(std::nearbyint(l.max_pixel_y * c)) + l.yref_100;
}

int cal_grid_divs(int max_pixel, int pixel_div_x) {
  if (max_pixel < 3 * pixel_div_x) return 2;
  if (max_pixel < 5 * pixel_div_x) return 4;
  return 5;
}

std::vector<t_grid_line> cal_x_grid(const t_diag_layout& l, int pixel_div_x) {
  const int n = cal_grid_divs(l.max_pixel_x, pixel_div_x);
  std::vector<t_grid_line> lines;
  for (int p = 0; p < n; ++p)
    lines.push_back({l.xref_100 - p * (l.max_pixel_x / n), static_cast<double>(CAL_RAW_FULL - (CAL_RAW_FULL / n) * p)});
  return lines;
}

std::vector<t_grid_line> cal_y_grid(const t_diag_layout& l, const t_scale_y& s, int pixel_div_x) {
  const int n = cal_grid_divs(l.max_pixel_y, pixel_div_x);
  std::vector<t_grid_line> lines;
  for (int p = 0; p < n; ++p)
    lines.push_back({l.yref_100 + p * (l.max_pixel_y / n), s.end - (s.end - s.beg) / static_cast<float>(n) * p});
  return lines;
}

float cal_val_at_raw(float ra, float va, float rb, float vb, float r) { return va + (vb - va) / (rb - ra) * (r - ra); }

float cal_raw_at_val(float ra, float va, float rb, float vb, float v) { return ra + (rb - ra) / (vb - va) * (v - va); }

t_diag_curve cal_diag_curve(const t_cal_points& p, const t_scale_y& s, const t_diag_layout& l) {
  t_diag_curve c;
  const int n = std::clamp(p.pts_cnt, CAL_PTS_MIN, CAL_PTS_MAX);
  std::array<std::optional<t_diag_pt>, CAL_PTS_MAX> at{};
  for (int k = 0; k < n; ++k) {
    at[k] = point_at(l, s, p.calib_raw[k], p.calib_vals[k]);
    if (at[k]) c.points.push_back(*at[k]);
  }
  for (int k = 0; k + 1 < n; ++k)
    if (at[k] && at[k + 1]) c.segments.push_back({*at[k], *at[k + 1]});
  c.upper = extension(p, 0, 1, CAL_RAW_FULL, s, l);
  c.lower = extension(p, n - 1, n - 2, 0.0, s, l);
  return c;
}
