// The calibration curve diagram's geometry: points from product registers,
// the vertical scale, the layout, the grid rules and the curve with its
// extensions, including points that define no line.
#include "calib/calib_diagram.h"

#include <bit>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

struct pt {
  int32_t raw;
  float val;
};

std::array<uint16_t, CAL_PROD_REGS> regs_of(int count_reg, std::initializer_list<pt> pts) {
  std::array<uint16_t, CAL_PROD_REGS> r{};
  r[0] = static_cast<uint16_t>(count_reg);
  int k = 0;
  for (const pt& p : pts) {
    const uint32_t v = std::bit_cast<uint32_t>(p.val);
    const uint32_t w = static_cast<uint32_t>(p.raw);
    r[2 + 2 * k] = static_cast<uint16_t>(v & 0xFFFF);
    r[3 + 2 * k] = static_cast<uint16_t>(v >> 16);
    r[12 + 2 * k] = static_cast<uint16_t>(w & 0xFFFF);
    r[13 + 2 * k] = static_cast<uint16_t>(w >> 16);
    ++k;
  }
  return r;
}

t_cal_points points(std::initializer_list<pt> pts) {
  return cal_points_from_regs(regs_of(static_cast<int>(pts.size()), pts));
}

// A plot 500 wide (xref 100..600) and 300 high (yref 10..310).
t_diag_layout plot() {
  t_diag_layout l;
  l.xref_0 = 100;
  l.xref_100 = 600;
  l.yref_100 = 10;
  l.yref_0 = 310;
  l.max_pixel_x = 500;
  l.max_pixel_y = 300;
  l.full_x = 650;
  l.full_y = 340;
  return l;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(CalibDiagram, PointsComeSortedByRawLargestFirstWhateverTheirOrder) {
  const t_cal_points p = points({{200000, 20.0f}, {900000, 90.0f}, {-5000, -1.0f}, {500000, 50.0f}});
  EXPECT_EQ(p.pts_cnt, 4);
  EXPECT_EQ((std::array<int32_t, 4>{p.calib_raw[0], p.calib_raw[1], p.calib_raw[2], p.calib_raw[3]}),
            (std::array<int32_t, 4>{900000, 500000, 200000, -5000}));
  EXPECT_EQ((std::array<float, 4>{p.calib_vals[0], p.calib_vals[1], p.calib_vals[2], p.calib_vals[3]}),
            (std::array<float, 4>{90.0f, 50.0f, 20.0f, -1.0f}));
  // Equal raw values keep their order; points beyond the count stay where they are.
  const t_cal_points q = cal_points_from_regs(regs_of(2, {{100, 1.0f}, {100, 2.0f}, {999, 3.0f}}));
  EXPECT_EQ(q.calib_vals[0], 1.0f);
  EXPECT_EQ(q.calib_vals[1], 2.0f);
  EXPECT_EQ(q.calib_raw[2], 999);
}

TEST(CalibDiagram, PointCountFromTheRegisterIsKeptWithinTwoToFive) {
  for (const auto& [reg, want] : {std::pair{0, 2}, {1, 2}, {3, 3}, {5, 5}, {6, 5}, {0xFFFF, 2}, {0x7FFF, 5}}) {
    const t_cal_points p = cal_points_from_regs(regs_of(reg, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));
    EXPECT_EQ(p.pts_cnt, want) << reg;
    // The curve never reads beyond the points it has.
    const t_diag_curve c = cal_diag_curve(p, t_scale_y{0, 10, 3}, plot());
    EXPECT_EQ(static_cast<int>(c.points.size()), want);
    EXPECT_EQ(static_cast<int>(c.segments.size()), want - 1);
  }
}

TEST(CalibDiagram, ScaleWidensToThePointsAndPicksTheLabelDecimals) {
  t_scale_y s = get_scale_y(points({{800000, 80.0f}, {100000, 10.0f}}), 0.0f, 100.0f);
  EXPECT_EQ(s.beg, 0.0f);
  EXPECT_EQ(s.end, 100.0f);
  EXPECT_EQ(s.decp, 2);
  // A value above the range end raises the top and changes the decimals;
  // one below the range start lowers the bottom; NaN widens nothing.
  s = get_scale_y(points({{800000, 1200.0f}, {400000, kNaN}, {100000, -30.0f}}), 0.0f, 100.0f);
  EXPECT_EQ(s.end, 1200.0f);
  EXPECT_EQ(s.beg, -30.0f);
  EXPECT_EQ(s.decp, 1);
  for (const auto& [end, decp] : {std::pair{10000.0f, 0},
                                  {9999.9f, 1},
                                  {1000.0f, 1},
                                  {999.99f, 2},
                                  {100.0f, 2},
                                  {10.0f, 3},
                                  {1.0f, 4},
                                  {0.99999f, 5},
                                  {-50.0f, 5}})
    EXPECT_EQ(cal_label_decimals(end), decp) << end;
}

TEST(CalibDiagram, LayoutLeavesRoomForLabelsAndKeepsMinimumAndMaximumSizes) {
  const t_diag_metrics m{14, 60, 42};
  t_diag_layout l = calc_diag_layout(650, 386, m, 50, 40);
  EXPECT_EQ(l.xref_0, 62);
  EXPECT_EQ(l.xref_100, 650 - 21 - 2);
  EXPECT_EQ(l.yref_100, 7);
  EXPECT_EQ(l.yref_0, 386 - 14 - 7 + 2);
  EXPECT_EQ(l.max_pixel_x, l.xref_100 - l.xref_0);
  EXPECT_EQ(l.max_pixel_y, l.yref_0 - l.yref_100);
  // Too small an image still gets two grid divisions each way ...
  l = calc_diag_layout(80, 30, m, 50, 40);
  EXPECT_EQ(l.max_pixel_x, 100);
  EXPECT_EQ(l.max_pixel_y, 80);
  // ... and a very wide one no more than 2999 columns.
  l = calc_diag_layout(5000, 400, m, 50, 40);
  EXPECT_EQ(l.max_pixel_x, 2999);
}

TEST(CalibDiagram, GridDivisionsFollowThePlotSize) {
  EXPECT_EQ(cal_grid_divs(149, 50), 2);  // narrower than 3 divisions
  EXPECT_EQ(cal_grid_divs(150, 50), 4);
  EXPECT_EQ(cal_grid_divs(249, 50), 4);
  EXPECT_EQ(cal_grid_divs(250, 50), 5);  // from 5 divisions on
  const std::vector<t_grid_line> xs = cal_x_grid(plot(), 50);
  ASSERT_EQ(xs.size(), 5u);
  EXPECT_EQ(xs[0].pos, 600);
  EXPECT_EQ(xs[0].label, 1000000);
  EXPECT_EQ(xs[4].pos, 200);
  EXPECT_EQ(xs[4].label, 200000);
  // The horizontal grid counts its divisions with the horizontal division too.
  t_scale_y s{-20.0f, 80.0f, 3};
  std::vector<t_grid_line> ys = cal_y_grid(plot(), s, 100);
  ASSERT_EQ(ys.size(), 4u);  // 300 rows < 5 * 100
  EXPECT_EQ(ys[0].pos, 10);
  EXPECT_EQ(ys[0].label, 80.0);
  EXPECT_EQ(ys[1].pos, 85);
  EXPECT_EQ(ys[1].label, 55.0);
  EXPECT_EQ(ys[3].label, 5.0);
}

TEST(CalibDiagram, MappingRoundsToNearestEvenAndClipsValuesOnly) {
  const t_diag_layout l = plot();
  const t_scale_y s{0.0f, 100.0f, 2};
  EXPECT_EQ(raw_to_x(l, 0), 100);
  EXPECT_EQ(raw_to_x(l, 1000000), 600);
  EXPECT_EQ(raw_to_x(l, 1000), 100);      // 0.5 -> 0
  EXPECT_EQ(raw_to_x(l, 3000), 102);      // 1.5 -> 2
  EXPECT_EQ(raw_to_x(l, 2000000), 1100);  // outside the plot, not clipped
  EXPECT_EQ(val_to_y(l, s, 0.0f), 310);
  EXPECT_EQ(val_to_y(l, s, 100.0f), 10);
  EXPECT_EQ(val_to_y(l, s, 250.0f), 10);  // clipped
  EXPECT_EQ(val_to_y(l, s, -5.0f), 310);
  EXPECT_FALSE(val_to_y(l, s, kNaN));
  EXPECT_FALSE(val_to_y(l, t_scale_y{5.0f, 5.0f, 2}, 5.0f));  // zero-height scale
  // Raw values far beyond any image stay within the painter's range.
  EXPECT_LT(raw_to_x(l, 1e15), 1 << 25);
}

TEST(CalibDiagram, TwoPointsExtendTheirLineToBothEndsOfTheRawAxis) {
  const t_diag_layout l = plot();
  const t_cal_points p = points({{250000, 25.0f}, {750000, 75.0f}});
  const t_scale_y s = get_scale_y(p, 0.0f, 100.0f);
  const t_diag_curve c = cal_diag_curve(p, s, l);
  ASSERT_EQ(c.segments.size(), 1u);
  EXPECT_EQ(c.segments[0].a, (t_diag_pt{475, 85}));  // the largest raw first
  EXPECT_EQ(c.segments[0].b, (t_diag_pt{225, 235}));
  ASSERT_TRUE(c.upper && c.lower);
  EXPECT_EQ(c.upper->a, c.segments[0].a);
  EXPECT_EQ(c.upper->b, (t_diag_pt{600, 10}));  // raw 1,000,000 at 100
  EXPECT_EQ(c.lower->a, c.segments[0].b);
  EXPECT_EQ(c.lower->b, (t_diag_pt{100, 310}));  // raw 0 at 0
}

TEST(CalibDiagram, ExtensionsLeavingTheScaleEndWhereTheLineCrossesIt) {
  const t_diag_layout l = plot();
  // Falling line: at raw 1,000,000 it would be at -50, below the scale
  // bottom of -10; at raw 0 at 150, above the top of 100.
  const t_cal_points p = points({{400000, 70.0f}, {600000, 30.0f}, {500000, 50.0f}});
  const t_scale_y s = get_scale_y(p, -10.0f, 100.0f);
  const t_diag_curve c = cal_diag_curve(p, s, l);
  ASSERT_EQ(c.segments.size(), 2u);
  ASSERT_TRUE(c.upper && c.lower);
  EXPECT_EQ(c.upper->b, (t_diag_pt{raw_to_x(l, 800000), 310}));  // crosses -10 at raw 800,000
  EXPECT_EQ(c.lower->b, (t_diag_pt{raw_to_x(l, 250000), 10}));   // crosses 100 at raw 250,000
  // Five points: the first and the last segment give the extensions.
  const t_cal_points f = points({{100000, 10}, {300000, 20}, {500000, 40}, {700000, 70}, {900000, 80}});
  const t_diag_curve g = cal_diag_curve(f, t_scale_y{0, 100, 2}, l);
  EXPECT_EQ(g.segments.size(), 4u);
  ASSERT_TRUE(g.upper && g.lower);
  EXPECT_EQ(g.upper->b, (t_diag_pt{600, val_to_y(l, t_scale_y{0, 100, 2}, 85.0f).value()}));
  EXPECT_EQ(g.lower->b, (t_diag_pt{100, val_to_y(l, t_scale_y{0, 100, 2}, 5.0f).value()}));
}

TEST(CalibDiagram, PointsThatDefineNoLineAreLeftOutInsteadOfDrawnAtNaN) {
  const t_diag_layout l = plot();
  const t_scale_y s{0.0f, 100.0f, 2};
  // Equal raw values: the segment between them stands, no extension from it.
  t_diag_curve c = cal_diag_curve(points({{500000, 20.0f}, {500000, 60.0f}}), s, l);
  EXPECT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.segments.size(), 1u);
  EXPECT_FALSE(c.upper);
  EXPECT_FALSE(c.lower);
  // Equal values: a level line to both ends.
  c = cal_diag_curve(points({{300000, 40.0f}, {700000, 40.0f}}), s, l);
  ASSERT_TRUE(c.upper && c.lower);
  EXPECT_EQ(c.upper->b, (t_diag_pt{600, 190}));
  EXPECT_EQ(c.lower->b, (t_diag_pt{100, 190}));
  // A value that is not a number drops its point and everything through it.
  c = cal_diag_curve(points({{900000, 90.0f}, {500000, kNaN}, {100000, 10.0f}}), s, l);
  EXPECT_EQ(c.points.size(), 2u);
  EXPECT_TRUE(c.segments.empty());
  EXPECT_FALSE(c.upper);
  EXPECT_FALSE(c.lower);
  c = cal_diag_curve(points({{900000, std::numeric_limits<float>::infinity()}, {100000, 10.0f}}), s, l);
  EXPECT_EQ(c.points.size(), 1u);
  EXPECT_FALSE(c.upper);
  // A scale of zero height has no rows for anything.
  const t_cal_points flat = points({{900000, 5.0f}, {100000, 5.0f}});
  c = cal_diag_curve(flat, get_scale_y(flat, 5.0f, 5.0f), l);
  EXPECT_TRUE(c.points.empty());
  EXPECT_TRUE(c.segments.empty());
  EXPECT_FALSE(c.upper || c.lower);
}
