// Scales and layout of a chart: time scale, grid steps, grid offsets,
// value-to-pixel mapping, the layout of narrow and wide images, the data
// scan and sample access with its unit conversion.
#include "chart_fixture.h"
#include "charts/chart_scale.h"
#include "charts/sample_access.h"

#include <QString>

#include <cmath>
#include <limits>
#include <random>

namespace {

// Every character 6 pixels wide, every text 13 pixels high.
class fixed_measure : public text_measure {
 public:
  int32_t width(QStringView t) const override { return 6 * static_cast<int32_t>(t.size()); }
  int32_t height(QStringView) const override { return 13; }
};

// The step search as a plain loop, for comparison on normal input.
void ref_axis_step(float range, float divisions, int32_t h, float floor_step, int32_t pdy, double& step, int32_t& px) {
  float per_div = range / divisions;
  if (per_div < floor_step) {
    step = floor_step;
    px = pdy;
    return;
  }
  double m = 1;
  while (per_div > 10) {
    per_div = per_div / 10;
    m = m * 10;
  }
  const double nice = per_div < 2 ? 2 : per_div < 3 ? 3 : per_div < 5 ? 5 : 10;
  step = nice * m;
  px = static_cast<int32_t>(std::nearbyint(h * step / range));
}

float ref_grid_offset(float step, float min) {
  float f = std::fabs(min);
  while (f > step) f = f - step;
  return min > 0 ? step - f : f;
}

t_draw_stat plot(int32_t h) {
  t_draw_stat ds;
  ds.plot_top = 10;
  ds.plot_bottom = 10 + h;
  return ds;
}

}  // namespace

TEST(ChartScale, AutomaticTimeScaleFitsTheView) {
  t_draw_stat ds;
  ds.plot_w = 900;
  ds.view_first = 0;
  ds.view_last = 431999;
  calc_time_scale(ds, 90, 50);
  EXPECT_EQ(ds.tdiv, 8640);
  EXPECT_EQ(ds.tscale_idx, 0);
  EXPECT_DOUBLE_EQ(ds.smp_per_px, 8640 * 5 / 90.0);
  // A span the columns took from a division gives that division back, to
  // within a sample: 1250 samples on 900 px at 90 px/div are 25 s/div.
  EXPECT_EQ(fit_tdiv(1250, 900, 90), 25);
  EXPECT_EQ(fit_tdiv(1251, 900, 90), 25);
  EXPECT_EQ(fit_tdiv(1252, 900, 90), 26);
  EXPECT_EQ(fit_tdiv(61 * 50, 1000, 100), 61);
  EXPECT_EQ(fit_tdiv(130 * 100, 1800, 90), 130);
  // 100 samples: below the finest scale, which is taken.
  set_auto_view(ds, 1000, 1100);
  calc_time_scale(ds, 90, 50);
  EXPECT_EQ(ds.tdiv, 20);
  EXPECT_EQ(ds.tscale_idx, 1);
  // Fixed scales, and no data at all.
  ds.tscale_idx = 11;
  calc_time_scale(ds, 90, 50);
  EXPECT_EQ(ds.tdiv, 18000);
  ds.tscale_idx = 12;
  calc_time_scale(ds, 90, 50);
  EXPECT_EQ(ds.tscale_idx, 1);  // out of range: automatic, which gives 20 s here
  ds.no_data = true;
  ds.tscale_idx = 5;
  calc_time_scale(ds, 90, 50);
  EXPECT_EQ(ds.tdiv, 20);
}

TEST(ChartScale, GridStepsOfTheThreeScales) {
  t_draw_stat ds = plot(400);
  ds.h_min = 0;
  ds.h_max = 100;
  calc_axis_step(ds, 0, 50);
  EXPECT_FLOAT_EQ(ds.h_step, 20.0f);  // 20.00 %
  EXPECT_EQ(ds.h_step_px, 80);
  EXPECT_FLOAT_EQ(ds.h_vpp, 0.25f);
  // A raw range of 0..40 counts as 50: 25 per division -> step 30 at 60 px.
  ds = plot(100);
  ds.r_min = 0;
  ds.r_max = 40;
  calc_axis_step(ds, 2, 50);
  EXPECT_FLOAT_EQ(ds.r_step, 30.0f);
  EXPECT_EQ(ds.r_step_px, 60);
  // Below the unit resolution the floor step is one division.
  ds = plot(400);
  ds.t_min = 20;
  ds.t_max = 20.1f;
  calc_axis_step(ds, 1, 50);
  EXPECT_FLOAT_EQ(ds.t_step, 0.1f);
  EXPECT_EQ(ds.t_step_px, 50);
  // An exact 2 per division moves up to 3.
  ds = plot(500);
  ds.h_min = 0;
  ds.h_max = 200;  // 20000 hundredths over 10 divisions
  calc_axis_step(ds, 0, 50);
  EXPECT_FLOAT_EQ(ds.h_step, 30.0f);
}

TEST(ChartScale, GridStepEqualsThePlainSearchAndEndsOnAnyRange) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> expo(-1.0, 9.0);
  std::uniform_int_distribution<int> height(100, 2000);
  for (int n = 0; n < 20000; ++n) {
    const float range = std::max(50.0f, static_cast<float>(std::pow(10.0, expo(rng))));
    const int32_t h = height(rng);
    t_draw_stat ds = plot(h);
    ds.r_min = 0;
    ds.r_max = range;
    calc_axis_step(ds, 2, 50);
    double step;
    int32_t px;
    ref_axis_step(ds.r_max - ds.r_min, static_cast<float>(h) / 50.0f, h, 10.0f, 50, step, px);
    ASSERT_FLOAT_EQ(ds.r_step, static_cast<float>(step)) << range << " " << h;
    ASSERT_EQ(ds.r_step_px, px) << range << " " << h;
  }
  // Boundaries: exact powers of ten and the nice values per division.
  for (float per_div : {10.0f, 20.0f, 30.0f, 50.0f, 100.0f, 1000.0f, 1e6f, 19.99f, 20.01f}) {
    t_draw_stat ds = plot(500);
    ds.r_max = per_div * 10;
    calc_axis_step(ds, 2, 50);
    double step;
    int32_t px;
    ref_axis_step(ds.r_max, 10.0f, 500, 10.0f, 50, step, px);
    EXPECT_FLOAT_EQ(ds.r_step, static_cast<float>(step)) << per_div;
  }
  // Degenerate scales end, with a usable step.
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {inf, std::numeric_limits<float>::quiet_NaN(), 3e38f}) {
    t_draw_stat ds = plot(400);
    ds.h_max = bad;
    ds.r_max = bad;
    ds.t_min = -bad;
    for (int s = 0; s < 3; ++s) calc_axis_step(ds, s, 50);
    EXPECT_GE(ds.h_step_px, 1);
    EXPECT_GE(ds.r_step_px, 1);
    EXPECT_GE(ds.t_step_px, 1);
    EXPECT_TRUE(std::isfinite(ds.r_step));
  }
}

TEST(ChartScale, GridOffsetInClosedForm) {
  EXPECT_FLOAT_EQ(grid_offset(20, 0), 0);
  EXPECT_FLOAT_EQ(grid_offset(20, 40), 0);    // a positive multiple
  EXPECT_FLOAT_EQ(grid_offset(20, -40), 20);  // a negative multiple: a whole step
  EXPECT_FLOAT_EQ(grid_offset(20, 45), 15);
  EXPECT_FLOAT_EQ(grid_offset(20, -45), 5);
  for (float step : {0.5f, 2.5f, 20.0f, 1000.0f})
    for (float min : {0.0f, 1.0f, 7.5f, 12.5f, -3.0f, -150.0f, 299.5f, 12345.0f})
      EXPECT_FLOAT_EQ(grid_offset(step, min), ref_grid_offset(step, min)) << step << " " << min;
  // Steps that would never end a subtraction loop.
  EXPECT_EQ(grid_offset(0, 10), 0);
  EXPECT_EQ(grid_offset(-5, 10), 0);
  EXPECT_EQ(grid_offset(std::numeric_limits<float>::quiet_NaN(), 10), 0);
  const float tiny = grid_offset(1e-6f, 1e7f);
  EXPECT_TRUE(tiny >= 0 && tiny <= 1e-6f);
  EXPECT_EQ(grid_offset(2, std::numeric_limits<float>::infinity()), 0);
}

TEST(ChartScale, ValueToPixelIsClampedBeforeItBecomesAnInteger) {
  EXPECT_EQ(val_to_px(0.25f, 0, 20), 80);
  EXPECT_EQ(val_to_px(1, 0, 2.5f), 2);  // half to even
  EXPECT_EQ(val_to_px(1, 0, 3.5f), 4);
  EXPECT_EQ(val_to_px(1, 10, 5), 0);  // below the scale
  EXPECT_EQ(val_to_px(1, 0, std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(val_to_px(0, 0, 5), PX_LIMIT);
  EXPECT_EQ(val_to_px(1e-30f, 0, 3e38f), PX_LIMIT);
  EXPECT_EQ(round_px(-1e300), -PX_LIMIT);
}

TEST(ChartScale, LayoutOfNarrowAndWideImages) {
  const fixed_measure tm;
  t_draw_stat ds;
  ds.decimals = 1;
  calc_layout(ds, 1000, 500, tm, {}, 90, 50);
  EXPECT_EQ(ds.half0, 3);
  EXPECT_EQ(ds.x_sep, 3 + 6 * 8 + 2);                 // " 100.0°C"
  EXPECT_EQ(ds.plot_left, ds.x_sep + 6 * 6 + 3 + 3);  // "100.0%"
  EXPECT_EQ(ds.plot_right, 1000 - (6 * 9 + 3 + 2));   // "10000000 "
  EXPECT_EQ(ds.plot_w, ds.plot_right - ds.plot_left);
  EXPECT_EQ(ds.plot_top, 6);
  EXPECT_EQ(ds.plot_bottom, 500 - (6 + 13) + 2);
  EXPECT_EQ(ds.img_rect, (std::array<int32_t, 4>{0, 0, 1000, 500}));
  // The page's limits win when larger.
  calc_layout(ds, 1000, 500, tm, {200, 150}, 90, 50);
  EXPECT_EQ(ds.plot_left, 200);
  EXPECT_EQ(ds.plot_right, 850);
  // Narrower than its margins: still two divisions each way.
  calc_layout(ds, 100, 40, tm, {}, 90, 50);
  EXPECT_EQ(ds.plot_w, 180);
  EXPECT_EQ(ds.plot_bottom - ds.plot_top, 100);
  // 4000 pixels: the column arrays hold 2999.
  calc_layout(ds, 4000, 500, tm, {}, 90, 50);
  EXPECT_EQ(ds.plot_w, CHART_MAX_PLOT_W);
}

TEST(ChartScale, PaddingOfTheThreeModes) {
  float lo = 10, hi = 110;
  pad_scale(lo, hi, MEAS_SCALED);
  EXPECT_FLOAT_EQ(lo, 0);  // 10 - 2 x 10, held at 0
  EXPECT_FLOAT_EQ(hi, 120);
  lo = 500000, hi = 500010;
  pad_scale(lo, hi, MEAS_RAW);
  EXPECT_FLOAT_EQ(lo, 499000);
  EXPECT_FLOAT_EQ(hi, 501010);
  lo = 20, hi = 20;
  pad_scale(lo, hi, MEAS_TEMP);
  EXPECT_FLOAT_EQ(lo, 17);
  EXPECT_FLOAT_EQ(hi, 23);
  lo = -149, hi = 299;
  pad_scale(lo, hi, MEAS_TEMP);
  EXPECT_FLOAT_EQ(lo, -150);
  EXPECT_FLOAT_EQ(hi, 300);
}

class ChartData : public ChartTest {};

TEST_F(ChartData, TemperaturesInFahrenheitOnBothCharts) {
  live_chan(0, 1, MEAS_TEMP);
  put_live(1, 50, 1.0f, 0x000A82A7, -125);
  arch_chan(0, MEAS_TEMP);
  m_stat.arch_stat[0].smp_tab[50] = 25.0f;
  float v = 0;
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 1, v, 50, MEAS_TEMP));
  EXPECT_FLOAT_EQ(v, -12.5f);
  ASSERT_TRUE(get_sample(CHART_ARCH, 0, -1, v, 50, MEAS_TEMP));
  EXPECT_FLOAT_EQ(v, 25.0f);
  draw_stat[CHART_LIVE].temp_f = 1;
  draw_stat[CHART_ARCH].temp_f = 1;
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 1, v, 50, MEAS_TEMP));
  EXPECT_FLOAT_EQ(v, 9.5f);
  ASSERT_TRUE(get_sample(CHART_ARCH, 0, -1, v, 50, MEAS_TEMP));
  EXPECT_FLOAT_EQ(v, 77.0f);
  EXPECT_FALSE(get_sample(CHART_LIVE, 0, 1, v, 51, MEAS_TEMP));
  EXPECT_FALSE(get_sample(CHART_LIVE, 0, 9, v, 50, MEAS_TEMP));  // no such device
  EXPECT_FALSE(get_sample(CHART_ARCH, 0, -1, v, -1, MEAS_TEMP));
}

TEST_F(ChartData, LiveModesReadTheirRings) {
  // Din 3 is bit 30; the saturation value has the mantissa at 1023.
  put_live(0, 7, 42.5f, 0x400A82A7u);
  float v = 0;
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 0, v, 7, MEAS_SCALED));
  EXPECT_FLOAT_EQ(v, 42.5f);
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 0, v, 7, MEAS_DIN3));
  EXPECT_FLOAT_EQ(v, 1.0f);
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 0, v, 7, MEAS_DIN4));
  EXPECT_FLOAT_EQ(v, 0.0f);
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 0, v, 7, MEAS_SAT));
  EXPECT_FLOAT_EQ(v, static_cast<float>(raw_to_value(0x400A83FFu)));
  // The raw value is the channel's filtered series, up to what was filtered.
  filt_row(0).filt[7] = 12345;
  EXPECT_FALSE(get_sample(CHART_LIVE, 0, 0, v, 7, MEAS_RAW));
  filt_row(0).last = 7;
  ASSERT_TRUE(get_sample(CHART_LIVE, 0, 0, v, 7, MEAS_RAW));
  EXPECT_FLOAT_EQ(v, 12345.0f);
}

TEST_F(ChartData, ScanCountsHiddenChannelsAndFitsTheScales) {
  arch_chan(0, MEAS_SCALED);
  arch_chan(1, MEAS_TEMP).displayed = false;
  arch_chan(2, MEAS_DIN1);
  for (int i = 1000; i <= 2000; ++i) m_stat.arch_stat[0].smp_tab[i] = 50.0f + (i % 10);
  m_stat.arch_stat[1].smp_tab[500] = 80.0f;
  m_stat.arch_stat[1].smp_tab[600] = 20.0f;
  m_stat.arch_stat[2].smp_tab[3000] = 1.0f;
  load_chan_cfg(CHART_ARCH);
  scan_all(CHART_ARCH);
  const t_draw_stat& ds = draw_stat[CHART_ARCH];
  EXPECT_FALSE(ds.no_data);
  EXPECT_EQ(ds.data_first, 500);
  EXPECT_EQ(ds.data_last, 3000);
  EXPECT_EQ(ds.view_first, 500);
  EXPECT_EQ(ds.view_last, 3000);
  EXPECT_FLOAT_EQ(ds.h_min, 50.0f - 4.0f);  // pad 2 (at least), twice below
  EXPECT_FLOAT_EQ(ds.h_max, 59.0f + 2.0f);
  EXPECT_FLOAT_EQ(ds.t_min, 14.0f);  // the hidden channel still sets the scale
  EXPECT_FLOAT_EQ(ds.t_max, 86.0f);
  EXPECT_FLOAT_EQ(ds.r_min, 0.0f);  // no raw channel: default range
  EXPECT_FLOAT_EQ(ds.r_max, RAW_SCALE_MAX);
  // Nothing at all.
  common_setup.dsp_chan_arch[0].active = false;
  common_setup.dsp_chan_arch[1].active = false;
  common_setup.dsp_chan_arch[2].active = false;
  load_chan_cfg(CHART_ARCH);
  scan_all(CHART_ARCH);
  EXPECT_TRUE(ds.no_data);
  EXPECT_EQ(ds.view_first, -1);
  EXPECT_EQ(ds.view_last, -1);
  EXPECT_FLOAT_EQ(ds.h_max, 100.0f);
  EXPECT_FLOAT_EQ(ds.t_max, 100.0f);
}

TEST(ChartFormat, TextsOfAxesAndSamples) {
  EXPECT_EQ(fmt_time_label(0), "00:00:00");
  EXPECT_EQ(fmt_time_label(86399), "23:59:59");
  EXPECT_EQ(fmt_time_label(86400 + 61), "00:01:01");
  EXPECT_EQ(fmt_time_label(-20), "23:59:40");
  EXPECT_EQ(fmt_axis_value(2, 0, 12.5), "12.50");
  EXPECT_EQ(fmt_axis_value(2, 1, 12.34), "12.3");
  EXPECT_EQ(fmt_axis_value(2, 2, 1309440), "1309440");
  EXPECT_EQ(fmt_sample_text(1, MEAS_DIN2, 1), "ON");
  EXPECT_EQ(fmt_sample_text(1, MEAS_DIN2, 0), "OFF");
  EXPECT_EQ(fmt_sample_text(1, MEAS_TEMP, -12.5), "-12.5");
  EXPECT_EQ(fmt_sample_text(1, 99, 1), "");
  EXPECT_EQ(decimals_for(10000), 0);
  EXPECT_EQ(decimals_for(1.0), 4);
  EXPECT_EQ(decimals_for(0.5), 5);
  const QChar old = sys_dec_sep;
  sys_dec_sep = u',';
  EXPECT_EQ(fmt_axis_value(1, 0, 2.5), "2,5");
  EXPECT_EQ(filter_text(125, 1), "12,5 s");
  sys_dec_sep = old;
  EXPECT_EQ(filter_text(3, 0), "7");
  EXPECT_EQ(filter_text(0, 0), "Off");
  EXPECT_EQ(filter_text(4, 2), "4 s");
  EXPECT_EQ(meas_mode_text(MEAS_SAT), "Saturation Value");
  EXPECT_EQ(meas_mode_text(8), "");
}
