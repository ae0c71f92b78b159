// Zoom, scrolling and the scale settings on a chart's view record: the
// time scale steps of the zoom buttons, the zoom rectangle, the scroll bar,
// autoscale, the scale edits and the default scaling.
#include "chart_fixture.h"
#include "charts/chart_nav.h"
#include "charts/chart_scale.h"
#include "charts/chart_scales.h"
#include "charts/column_map.h"
#include "texts/text_table.h"

namespace {

class ChartNav : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    sys_dec_sep = u'.';
    init_texts();
  }
  // An off-line chart over a whole day of data, laid out on a 900-pixel plot.
  static t_draw_stat& day_chart(int32_t tscale_idx) {
    arch_chan(0, MEAS_SCALED);
    for (int i = 0; i < SLOTS_PER_DAY; ++i) m_stat.arch_stat[0].smp_tab[i] = 50.0f;
    load_chan_cfg(CHART_ARCH);
    scan_all(CHART_ARCH);
    t_draw_stat& ds = draw_stat[CHART_ARCH];
    ds.plot_left = 100;
    ds.plot_right = 1000;
    ds.plot_w = 900;
    ds.plot_top = 10;
    ds.plot_bottom = 410;
    ds.tscale_idx = tscale_idx;
    calc_time_scale(ds, 90, 50);
    return ds;
  }
};

TEST_F(ChartNav, ZoomButtonsStepThroughTheTimeScales) {
  t_draw_stat& ds = day_chart(1);
  ASSERT_EQ(ds.tdiv, 20);
  EXPECT_TRUE(zoom_step(ds, false));  // "+" at 20 s/div stays at 20 s/div
  EXPECT_EQ(ds.tscale_idx, 1);
  EXPECT_TRUE(zoom_step(ds, true));  // "-" from a fixed scale: the next coarser one
  EXPECT_EQ(ds.tscale_idx, 2);
  ds.tscale_idx = 10;
  EXPECT_TRUE(zoom_step(ds, true));
  EXPECT_EQ(ds.tscale_idx, 11);
  // From 5 h/div (on a plot too narrow for the day): the whole data range
  // with the automatic scale.
  ds.view_last = 200000;
  ds.plot_w = 90;
  calc_time_scale(ds, 90, 50);
  EXPECT_TRUE(zoom_step(ds, true));
  EXPECT_EQ(ds.tscale_idx, 0);
  EXPECT_EQ(ds.view_first, 0);
  EXPECT_EQ(ds.view_last, SLOTS_PER_DAY - 1);
  ds.plot_w = 900;
  calc_time_scale(ds, 90, 50);
  EXPECT_EQ(ds.tdiv, 8640);
  // All data visible: "-" does nothing.
  EXPECT_FALSE(zoom_step(ds, true));
  // "+" from the automatic 8640 s/div: the largest fixed scale below it.
  EXPECT_TRUE(zoom_step(ds, false));
  EXPECT_EQ(ds.tscale_idx, 10);  // 7200 s/div
  // The automatic scale between two entries: "-" goes to the one above.
  ds.tscale_idx = 0;
  ds.tdiv = 25;
  ds.smp_per_px = 25 * 5 / 90.0;
  EXPECT_TRUE(zoom_step(ds, true));
  EXPECT_EQ(ds.tscale_idx, 2);  // 30 s/div
  ds.tscale_idx = 0;
  ds.tdiv = 25;
  EXPECT_TRUE(zoom_step(ds, false));
  EXPECT_EQ(ds.tscale_idx, 1);  // 20 s/div
  // No data: nothing.
  ds.no_data = true;
  EXPECT_FALSE(zoom_step(ds, false));
}

TEST_F(ChartNav, TheZoomRectangleSetsTimeAndScales) {
  t_draw_stat& ds = day_chart(0);
  ds.h_min = 0;
  ds.h_max = 100;
  ds.h_vpp = 0.25f;  // 400 px for 100
  ds.t_min = 0;
  ds.t_vpp = 0.25f;
  ds.r_min = 0;
  ds.r_max = 1309440;
  ds.r_vpp = 3273.6f;
  ds.view_last = 432000 - 1;
  ds.smp_per_px = 480;
  // The right half of the plot, from 100 px to 200 px above the bottom.
  ASSERT_TRUE(zoom_to_rect(ds, -450, 0, 100, 200));
  EXPECT_EQ(ds.view_last, SLOTS_PER_DAY - 1);
  EXPECT_EQ(ds.view_first, SLOTS_PER_DAY - 1 - 450 * 480);
  EXPECT_FLOAT_EQ(ds.h_min, 25.0f);
  EXPECT_FLOAT_EQ(ds.h_max, 50.0f);
  EXPECT_FLOAT_EQ(ds.r_min, 327360.0f);
  EXPECT_FLOAT_EQ(ds.r_max, 654720.0f);
  EXPECT_EQ(ds.tscale_idx, 0);
  // Spans below the minimum open around their middle.
  ds.h_min = 10;
  ds.h_vpp = 0.0001f;
  ASSERT_TRUE(zoom_to_rect(ds, -10, 0, 100, 101));
  EXPECT_NEAR(ds.h_max - ds.h_min, 0.1f, 1e-4);
  // The inverted raw axis counts from its maximum at the top.
  ds.raw_invert = true;
  ds.r_min = 0;
  ds.r_max = 400000;
  ds.r_vpp = 1000;
  ASSERT_TRUE(zoom_to_rect(ds, -10, 0, 100, 300));
  EXPECT_FLOAT_EQ(ds.r_min, 100000.0f);
  EXPECT_FLOAT_EQ(ds.r_max, 300000.0f);
  // A time range that is empty after clamping changes nothing.
  const t_draw_stat before = ds;
  EXPECT_FALSE(zoom_to_rect(ds, 5, 10, 0, 100));
  EXPECT_EQ(ds.view_first, before.view_first);
  EXPECT_EQ(ds.h_min, before.h_min);
}

TEST_F(ChartNav, TheScrollBarCoversTheDataInPixelColumns) {
  t_draw_stat& ds = day_chart(1);  // 20 s/div: 100 / 90 samples per pixel
  map_columns(CHART_ARCH);
  t_scroll s = scroll_state(ds);
  ASSERT_TRUE(s.enabled);
  EXPECT_EQ(s.max, round_px((SLOTS_PER_DAY - 1) / ds.smp_per_px) - 900);
  EXPECT_EQ(s.pos, s.max);  // at the newest data
  EXPECT_EQ(s.large, 450);
  const int32_t span = ds.view_last - ds.view_first;
  scroll_to(ds, s.max, 0);
  EXPECT_EQ(ds.view_first, 0);
  EXPECT_EQ(ds.view_last, span);
  scroll_to(ds, s.max, s.max / 2);
  EXPECT_EQ(scroll_state(ds).pos, s.max / 2);
  // Everything visible: no scroll bar.
  set_auto_view(ds, 0, SLOTS_PER_DAY - 1);
  calc_time_scale(ds, 90, 50);
  EXPECT_FALSE(scroll_state(ds).enabled);
}

TEST_F(ChartNav, AutoscaleFitsTheVisibleWindowAndIgnoresAnEmptyOne) {
  t_draw_stat& ds = day_chart(0);
  for (int i = 1000; i < 2000; ++i) m_stat.arch_stat[0].smp_tab[i] = 20.0f + (i % 10);
  arch_chan(1, MEAS_TEMP);
  load_chan_cfg(CHART_ARCH);
  ds.view_first = 1000;
  ds.view_last = 1999;
  ASSERT_TRUE(autoscale_view(CHART_ARCH, MEAS_SCALED));
  EXPECT_FLOAT_EQ(ds.h_min, 20.0f - 4.0f);  // pad at least 2, twice below
  EXPECT_FLOAT_EQ(ds.h_max, 29.0f + 2.0f);
  // No temperature in the window: the scale stays as it was.
  ds.t_min = -7;
  ds.t_max = 77;
  EXPECT_FALSE(autoscale_view(CHART_ARCH, MEAS_TEMP));
  EXPECT_FLOAT_EQ(ds.t_min, -7.0f);
  EXPECT_FLOAT_EQ(ds.t_max, 77.0f);
}

TEST_F(ChartNav, ScaleEditsCheckTheirRanges) {
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ds.h_min = 0;
  ds.h_max = 100;
  ds.r_min = 1000;
  ds.r_max = 5000;
  ds.decimals = 1;
  // The upper raw edit takes 2000000 as 1309440, with the range message.
  t_entry_result r = enter_scale_edit(ds, SCL_RMAX, "2000000");
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(r.error, msg_text(5) + "1000 .. 1309440");
  EXPECT_FLOAT_EQ(ds.r_max, 1309440.0f);
  // The upper scaled edit refuses it.
  r = enter_scale_edit(ds, SCL_HMAX, "2000000");
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.error, msg_text(5) + "0.0 .. 999999.0");
  EXPECT_FLOAT_EQ(ds.h_max, 100.0f);
  r = enter_scale_edit(ds, SCL_HMIN, "abc");
  EXPECT_EQ(r.error, msg_text(6));
  EXPECT_TRUE(enter_scale_edit(ds, SCL_HMIN, "12.5").stored);
  EXPECT_FLOAT_EQ(ds.h_min, 12.5f);
  EXPECT_TRUE(enter_scale_edit(ds, SCL_HMIN, "200").refused);  // above the maximum
  EXPECT_EQ(scale_edit_text(ds, SCL_HMIN), "12.5");
  EXPECT_TRUE(enter_scale_edit(ds, SCL_TMIN, "-151").refused);
  // With the raw axis inverted the upper raw edit shows and edits the minimum.
  ds.r_max = 5000;
  ds.raw_invert = true;
  EXPECT_EQ(scale_edit_text(ds, SCL_RMAX), "1000");
  EXPECT_EQ(scale_edit_text(ds, SCL_RMIN), "5000");
  EXPECT_TRUE(enter_scale_edit(ds, SCL_RMAX, "2500").stored);
  EXPECT_FLOAT_EQ(ds.r_min, 2500.0f);
  EXPECT_FLOAT_EQ(ds.r_max, 5000.0f);
  EXPECT_TRUE(enter_scale_edit(ds, SCL_RMAX, "6000").refused);
  EXPECT_TRUE(enter_scale_edit(ds, SCL_RMIN, "2000000").stored);  // the lower one clamps now
  EXPECT_FLOAT_EQ(ds.r_max, 1309440.0f);
}

TEST_F(ChartNav, DefaultScalingIsSavedAndUsed) {
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  EXPECT_FALSE(use_default_scaling(ds));  // none saved yet
  ds.h_min = 5;
  ds.h_max = 55;
  ds.t_min = -10;
  ds.t_max = 40;
  ds.r_min = 0;
  ds.r_max = 100000;
  ds.grid_sel = GRID_RAW;
  ds.tscale_idx = 0;
  ds.view_first = 1000;
  ds.view_last = 4000;
  save_default_scaling(ds);
  EXPECT_TRUE(ds.def_valid);
  EXPECT_EQ(ds.def_span, 3000);
  ds.h_max = 999;
  ds.grid_sel = GRID_NONE;
  ds.view_last = 10000;
  ASSERT_TRUE(use_default_scaling(ds));
  EXPECT_FLOAT_EQ(ds.h_max, 55.0f);
  EXPECT_EQ(ds.grid_sel, GRID_RAW);
  EXPECT_EQ(ds.view_first, 7000);
}

TEST_F(ChartNav, TheScaleDialogListsTheTimeScales) {
  const QStringList items = tscale_items(8640);
  ASSERT_EQ(items.size(), 12);
  EXPECT_EQ(items[0], "144 min/div");
  EXPECT_EQ(items[1], "20 s/div");
  EXPECT_EQ(items[2], "30 s/div");
  EXPECT_EQ(items[3], "1 min/div");
  EXPECT_EQ(items[8], "30 min/div");
  EXPECT_EQ(items[9], "1 h/div");
  EXPECT_EQ(items[11], "5 h/div");
  EXPECT_EQ(tscale_items(25)[0], "25 s/div");
  EXPECT_EQ(tscale_items(7200)[0], "120 min/div");
}

}  // namespace
