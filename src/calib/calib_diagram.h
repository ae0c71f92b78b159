// The geometry of the calibration curve diagram: a product's calibration
// points (raw value on the horizontal axis, 0..1,000,000, reference value
// on the vertical axis), the plot layout from the measured label texts,
// the grid lines with their label values, and the curve with its extensions
// to the ends of the raw axis. Plain functions; the dialog paints what they
// give.
//
// Nothing here yields a coordinate from a NaN: a point whose value is not
// finite, a segment or extension through two points with the same raw or
// the same value where that makes the line undefined, and every point on a
// scale of zero height are left out instead.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr int CAL_PTS_MIN = 2;
inline constexpr int CAL_PTS_MAX = 5;
inline constexpr int32_t CAL_RAW_FULL = 1000000;
inline constexpr int CAL_PROD_REGS = 22;  // product registers the points take (0..21)

struct t_cal_points {
  int pts_cnt = CAL_PTS_MIN;                     // 2..5
  std::array<float, CAL_PTS_MAX> calib_vals{};   // reference values
  std::array<int32_t, CAL_PTS_MAX> calib_raw{};  // raw values
};

// The points of a product from its first CAL_PROD_REGS registers: the count
// in register 0 (taken as 2..5, whatever the register holds), the value of
// point k as the single in registers 2 + 2k, 3 + 2k and its raw value as the
// 32-bit signed number in registers 12 + 2k, 13 + 2k (low-order word first);
// the first pts_cnt points sorted by sort_cal_points.
t_cal_points cal_points_from_regs(const std::array<uint16_t, CAL_PROD_REGS>& regs);

// Sorts the first pts_cnt points by raw value, largest first; points with
// equal raw values keep their order.
void sort_cal_points(t_cal_points& p);

// The vertical scale: the product's range widened to every finite point
// value, and the decimals of its labels.
struct t_scale_y {
  float beg = 0.0f;  // scale_y_beg
  float end = 0.0f;  // scale_y_end
  int decp = 5;      // curr_decp
};
t_scale_y get_scale_y(const t_cal_points& p, float rng_beg, float rng_end);
// Label decimals for the scale top: 0 above 9999.9, 1 above 999.99, ... 5.
int cal_label_decimals(float scale_end);

// Text extents of the diagram's font that the layout needs.
struct t_diag_metrics {
  int text_h = 0;       // height of "100.0 %"
  int value_w = 0;      // width of "0000.0 " + unit
  int raw_label_w = 0;  // width of "0000000"
};

struct t_diag_layout {
  int full_x = 0;  // image width
  int full_y = 0;  // image height
  int xref_0 = 0;
  int xref_100 = 0;
  int yref_0 = 0;
  int yref_100 = 0;
  int max_pixel_x = 0;
  int max_pixel_y = 0;
};
t_diag_layout calc_diag_layout(int width, int height, const t_diag_metrics& m, int pixel_div_x, int pixel_div_y);

// Column of a raw value (not clipped; kept within the range a painter takes).
int raw_to_x(const t_diag_layout& l, double raw);
// Row of a value, clipped to the plot; none for a value that is not finite
// or on a scale of zero or undefined height.
std::optional<int> val_to_y(const t_diag_layout& l, const t_scale_y& s, double v);

// Grid divisions of a plot extent: 2 below 3 divisions' width, 4 below 5,
// else 5. The horizontal grid counts with pixel_div_x too.
int cal_grid_divs(int max_pixel, int pixel_div_x);

struct t_grid_line {
  int pos = 0;         // column (vertical lines) or row (horizontal lines)
  double label = 0.0;  // the value written at the line
};
// Vertical lines from the right end leftwards (raw labels 1000000 down),
// without the line of raw 0 (the axis, labelled "0").
std::vector<t_grid_line> cal_x_grid(const t_diag_layout& l, int pixel_div_x);
// Horizontal lines from the top downwards (value labels from scale_y_end),
// without the bottom line (the axis, labelled scale_y_beg).
std::vector<t_grid_line> cal_y_grid(const t_diag_layout& l, const t_scale_y& s, int pixel_div_x);

struct t_diag_pt {
  int x = 0;
  int y = 0;
  bool operator==(const t_diag_pt&) const = default;
};
struct t_diag_seg {
  t_diag_pt a;
  t_diag_pt b;
};
struct t_diag_curve {
  std::vector<t_diag_pt> points;     // circle centres, largest raw first
  std::vector<t_diag_seg> segments;  // between neighbouring points
  std::optional<t_diag_seg> upper;   // from the largest raw towards raw 1,000,000
  std::optional<t_diag_seg> lower;   // from the smallest raw towards raw 0
};

// The line through (ra, va) and (rb, vb), in single precision.
float cal_val_at_raw(float ra, float va, float rb, float vb, float r);
float cal_raw_at_val(float ra, float va, float rb, float vb, float v);

// The curve of sorted points (sort_cal_points) on a layout and scale.
t_diag_curve cal_diag_curve(const t_cal_points& p, const t_scale_y& s, const t_diag_layout& l);
