// Pixel facts of painted charts: gaps break a trace, a digital input's ON
// step is 50 pixels, saturation marks belong to the Online view, the raw
// axis can be inverted, a spike in a column reaches its pixel.
#include "chart_fixture.h"
#include "charts/chart_render.h"
#include "charts/column_map.h"
#include "charts/sample_access.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int32_t kRed = 0x0000FF;  // 0x00BBGGRR
constexpr int32_t kBlue = 0xFF0000;
constexpr int32_t kGreen = 0x00A000;
constexpr int W = 1000, H = 500;

// Rows of column x painted in a colour.
std::vector<int> rows_of(const QImage& img, int x, int32_t bgr) {
  const QRgb c = chart_color(bgr).rgb();
  std::vector<int> ys;
  for (int y = 0; y < img.height(); ++y)
    if (img.pixel(x, y) == c) ys.push_back(y);
  return ys;
}

// Pixels of a rectangle that are clearly red (antialiased text included).
int count_red(const QImage& img, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c(img.pixel(x, y));
      n += c.red() > c.green() + 60 && c.red() > c.blue() + 60;
    }
  return n;
}

class ChartRender : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    common_setup.pixel_div_x = 90;
    common_setup.pixel_div_y = 50;
  }
  QImage draw(int chart, bool full = true) {
    prepare_chart(chart, full, W, H);
    QImage img(W, H, QImage::Format_RGB32);
    paint_chart(img, chart);
    return img;
  }
  const t_draw_stat& ds(int chart) const { return draw_stat[chart]; }
  // Column of the plot that holds index i.
  int column_of(int chart, int32_t i) const {
    for (int k = 0; k <= ds(chart).plot_w; ++k)
      if (ds(chart).col_first[k] >= i && ds(chart).col_last[k] <= i) return k;
    return -1;
  }
  // The live chart's view mapped from the samples and painted whole into ref.
  static void redraw_whole(QImage& ref, int w = W, int h = H) {
    relayout_chart(CHART_LIVE, w, h);
    QPainter p(&ref);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(chart_font());
    draw_traces(p, draw_stat[CHART_LIVE], true, 90);
  }
};

}  // namespace

TEST_F(ChartRender, TheChartFontIsLiberationSans) { EXPECT_EQ(QFontInfo(chart_font()).family(), "Liberation Sans"); }

TEST_F(ChartRender, AGapBreaksTheTrace) {
  arch_chan(0, MEAS_SCALED).color = kRed;
  for (int i = 0; i < 3000; ++i)
    if (i < 1000 || i >= 1400) m_stat.arch_stat[0].smp_tab[i] = 50.0f;
  const QImage img = draw(CHART_ARCH);
  const t_draw_stat& d = ds(CHART_ARCH);
  ASSERT_GT(d.smp_per_px, 1.0);
  const int before = column_of(CHART_ARCH, 500), inside = column_of(CHART_ARCH, 1200),
            after = column_of(CHART_ARCH, 2000);
  ASSERT_GE(before, 0);
  EXPECT_FALSE(rows_of(img, d.plot_left + before, kRed).empty());
  EXPECT_TRUE(rows_of(img, d.plot_left + inside, kRed).empty());
  EXPECT_FALSE(rows_of(img, d.plot_left + after, kRed).empty());
  // The flat trace sits at the value's height.
  EXPECT_EQ(rows_of(img, d.plot_left + before, kRed),
            std::vector<int>{d.plot_bottom - val_to_px(d.h_vpp, d.h_min, 50.0f)});
  // One missing sample inside a column (not its oldest) leaves no break.
  m_stat.arch_stat[0].smp_tab[1200] = 50.0f;
  for (int i = 1000; i < 1400; ++i) m_stat.arch_stat[0].smp_tab[i] = 50.0f;
  prepare_chart(CHART_ARCH, false, W, H);
  const int k = column_of(CHART_ARCH, 1200);
  m_stat.arch_stat[0].smp_tab[d.col_first[k] - 0] = std::bit_cast<float>(CAL_EMPTY);
  const QImage img2 = draw(CHART_ARCH, false);
  for (int x = d.plot_left + k - 3; x <= d.plot_left + k + 3; ++x) EXPECT_FALSE(rows_of(img2, x, kRed).empty()) << x;
}

TEST_F(ChartRender, DigitalInputStepsAreFiftyPixelsAndStackTwoApart) {
  arch_chan(0, MEAS_DIN1).color = kBlue;
  arch_chan(1, MEAS_DIN2).color = kGreen;
  for (int i = 0; i < 2000; ++i) {
    m_stat.arch_stat[0].smp_tab[i] = i < 1000 ? 0.0f : 1.0f;
    m_stat.arch_stat[1].smp_tab[i] = 0.0f;
  }
  const QImage img = draw(CHART_ARCH);
  const t_draw_stat& d = ds(CHART_ARCH);
  const int off_x = d.plot_left + column_of(CHART_ARCH, 500);
  const int on_x = d.plot_left + column_of(CHART_ARCH, 1500);
  const auto off = rows_of(img, off_x, kBlue), on = rows_of(img, on_x, kBlue), other = rows_of(img, off_x, kGreen);
  ASSERT_EQ(off.size(), 1u);
  ASSERT_EQ(on.size(), 1u);
  EXPECT_EQ(off[0] - on[0], 50);
  EXPECT_EQ(off[0], d.plot_bottom - 2);
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(off[0] - other[0], 2);
}

TEST_F(ChartRender, SaturationMarksOnlyOnTheOnlineView) {
  // The same raw channel on both charts, its saturation value inside the raw scale.
  const uint32_t word = 0x000A82A7u;
  const auto raw = static_cast<float>(raw_to_value(word));
  const auto sat = static_cast<float>(raw_to_value(word | RAW_MANT_MASK));
  live_chan(0, 0, MEAS_RAW).color = kRed;
  for (int i = 0; i < 2000; ++i) put_live(0, i, 1.0f, word);
  m_stat.dev_stat[0].last_saved_idx.store(1999);
  refilter_chan(0, true);
  arch_chan(0, MEAS_RAW).color = kRed;
  for (int i = 0; i < 2000; ++i) m_stat.arch_stat[0].smp_tab[i] = raw;
  for (int chart : {CHART_LIVE, CHART_ARCH}) {
    prepare_chart(chart, true, W, H);
    t_draw_stat& d = draw_stat[chart];
    d.r_min = 0;
    d.r_max = sat * 2;
    relayout_chart(chart, W, H);
    QImage img(W, H, QImage::Format_RGB32);
    paint_chart(img, chart);
    const int x = d.plot_right + d.half0 + 2;
    const int y = d.plot_bottom - val_to_px(d.r_vpp, d.r_min, sat);
    const int marks = count_red(img, QRect(x, y - 8, 60, 17));
    if (chart == CHART_LIVE) {
      EXPECT_EQ(d.sat_val[0], static_cast<int32_t>(sat));
      EXPECT_EQ(rows_of(img, x + 5, kRed), std::vector<int>{y});  // the mark's line
      EXPECT_GT(marks, 20);                                       // and its text
    } else {
      EXPECT_EQ(marks, 0);
    }
  }
  // Outside the raw scale there is no mark.
  t_draw_stat& d = draw_stat[CHART_LIVE];
  d.r_max = sat - 1;
  relayout_chart(CHART_LIVE, W, H);
  QImage img(W, H, QImage::Format_RGB32);
  paint_chart(img, CHART_LIVE);
  EXPECT_EQ(count_red(img, QRect(d.plot_right + 1, 0, W - d.plot_right - 1, H)), 0);
}

TEST_F(ChartRender, TheInvertedRawAxisPutsTheMinimumAtTheTop) {
  arch_chan(0, MEAS_RAW).color = kRed;
  for (int i = 0; i < 2000; ++i) m_stat.arch_stat[0].smp_tab[i] = i < 1000 ? 1000.0f : 2000000.0f;
  prepare_chart(CHART_ARCH, true, W, H);
  t_draw_stat& d = draw_stat[CHART_ARCH];
  d.r_min = 1000;
  d.r_max = 101000;
  relayout_chart(CHART_ARCH, W, H);
  QImage img(W, H, QImage::Format_RGB32);
  paint_chart(img, CHART_ARCH);
  const int lo_x = d.plot_left + column_of(CHART_ARCH, 500), hi_x = d.plot_left + column_of(CHART_ARCH, 1500);
  EXPECT_EQ(rows_of(img, lo_x, kRed), std::vector<int>{d.plot_bottom});
  EXPECT_EQ(rows_of(img, hi_x, kRed), std::vector<int>{d.plot_top});  // above the scale: held at the top
  d.raw_invert = true;
  paint_chart(img, CHART_ARCH);
  EXPECT_EQ(rows_of(img, lo_x, kRed), std::vector<int>{d.plot_top});
  EXPECT_EQ(rows_of(img, hi_x, kRed), std::vector<int>{d.plot_bottom});  // above the scale: held at the bottom
}

TEST_F(ChartRender, AColumnsMinMaxReachesASpike) {
  arch_chan(0, MEAS_SCALED).color = kRed;
  for (int i = 0; i < 20000; ++i) m_stat.arch_stat[0].smp_tab[i] = 20.0f;
  m_stat.arch_stat[0].smp_tab[12345] = 80.0f;
  const QImage img = draw(CHART_ARCH);
  const t_draw_stat& d = ds(CHART_ARCH);
  ASSERT_GT(d.smp_per_px, 10.0);  // one sample among many in its column
  const int k = column_of(CHART_ARCH, 12345);
  const auto ys = rows_of(img, d.plot_left + k, kRed);
  const int y_spike = d.plot_bottom - val_to_px(d.h_vpp, d.h_min, 80.0f);
  const int y_base = d.plot_bottom - val_to_px(d.h_vpp, d.h_min, 20.0f);
  ASSERT_FALSE(ys.empty());
  // A line leaves out its end point: the column runs from the base up to
  // the pixel under the spike's; the next column's line starts at the middle.
  EXPECT_EQ(ys.front(), y_spike + 1);
  EXPECT_EQ(ys.back(), y_base);
  EXPECT_EQ(rows_of(img, d.plot_left + k - 3, kRed), std::vector<int>{y_base});
}

TEST_F(ChartRender, WithoutDataOnlyTheFrameIsDrawn) {
  arch_chan(0, MEAS_SCALED).color = kRed;
  draw_stat[CHART_ARCH].grid_sel = GRID_NONE;
  const QImage img = draw(CHART_ARCH);
  const t_draw_stat& d = ds(CHART_ARCH);
  EXPECT_TRUE(d.no_data);
  EXPECT_EQ(d.tdiv, 20);
  EXPECT_EQ(count_red(img, img.rect()), 0);
  // The frame: grey bottom edge, the separator line.
  EXPECT_EQ(img.pixel(d.plot_left + 10, d.plot_bottom), QColor(128, 128, 128).rgb());
  EXPECT_EQ(img.pixel(d.x_sep, d.plot_bottom - 10), QColor(128, 128, 128).rgb());
}

// The live follow step moves the image and paints only what is new; the
// result must be what a full redraw of the same view paints, pixel for
// pixel, at every step: with gaps, steep traces across the moved edge,
// thick pens, late samples, a stop and a resume, every grid choice, a new
// image size.
TEST_F(ChartRender, AFollowStepPaintsWhatAFullRedrawPaints) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<float> jump(0.0f, 1.0f);
  std::bernoulli_distribution gap(0.04);
  live_chan(0, 0, MEAS_SCALED).color = kRed;
  common_setup.dsp_chan_live[0].line_thk = 2;
  live_chan(1, 1, MEAS_TEMP).color = kBlue;
  live_chan(2, 2, MEAS_RAW).color = kGreen;
  common_setup.dsp_chan_live[2].line_thk = 1;
  live_chan(3, 0, MEAS_DIN1).color = 0x808000;
  int32_t newest = -1;
  float level = 50.0f;
  auto put_until = [&](int32_t last) {
    for (int32_t i = newest + 1; i <= last; ++i) {
      if (jump(rng) < 0.01f) level = 100.0f * jump(rng);  // a steep trace
      level += jump(rng) - 0.5f;
      if (gap(rng)) i += static_cast<int32_t>(jump(rng) * 30);  // a gap
      if (i > last) break;
      for (int dev = 0; dev < 3; ++dev)
        put_live(dev, i, level + 5.0f * dev,
                 0x000A8000u | (static_cast<uint32_t>(std::max(0.0f, level * 10)) & 0x3FFFu) | ((i / 700) % 2) << 28,
                 static_cast<int16_t>(200 + level));
    }
    newest = last;
    for (int dev = 0; dev < 3; ++dev) m_stat.dev_stat[dev].last_saved_idx.store(newest);
    for (int s = 0; s < MAX_CHANNELS; ++s) refilter_chan(s, false);
  };
  put_until(400000);
  refilter_chan(2, true);

  t_draw_stat& d = draw_stat[CHART_LIVE];
  struct t_case {
    int32_t tscale_idx, grid;
    bool invert, raw_shown;  // without a raw channel no saturation mark can change
    int w = W, h = H;        // a new size makes the step's own images again
  };
  const t_case cases[] = {{1, GRID_SCALED, false, true}, {3, GRID_TEMP, false, false},
                          {5, GRID_RAW, true, true},     {9, GRID_NONE, false, false},
                          {3, GRID_RAW, false, true},    {2, GRID_SCALED, false, false, W + 37, H - 23},
                          {0, GRID_SCALED, false, true}};
  for (const t_case& c : cases) {
    SCOPED_TRACE(c.tscale_idx);
    QImage img(c.w, c.h, QImage::Format_RGB32);
    QImage ref(c.w, c.h, QImage::Format_RGB32);
    d.grid_sel = c.grid;
    d.raw_invert = c.invert;
    common_setup.dsp_chan_live[2].displayed = c.raw_shown;
    prepare_chart(CHART_LIVE, true, c.w, c.h);
    d.tscale_idx = c.tscale_idx;
    relayout_chart(CHART_LIVE, c.w, c.h);
    paint_chart(img, CHART_LIVE);
    const int32_t unit = std::max<int32_t>(
        static_cast<int32_t>(std::lround(std::max(whole_step_cols(d.smp_per_px), 1) * d.smp_per_px)), 2);
    int moved = 0;
    for (int step = 0; step < 30; ++step) {
      SCOPED_TRACE(step);
      // A late sample lands in a slot of the last minute that was empty.
      const int32_t late = newest - 1 - static_cast<int32_t>(jump(rng) * 200);
      if (std::isnan(m_stat.dev_stat[1].smp_cal[late].load())) put_live(1, late, 80.0f);
      if (newest + 2 * unit >= SLOTS_PER_DAY) break;  // the day is full
      put_until(newest + 1 + static_cast<int32_t>(jump(rng) * 2 * unit));
      int32_t play = step == 10 ? 1 : step == 13 ? 2 : 0;  // stopped a while, then resumed
      bool changed = false;
      const int32_t old_last = d.data_last;
      if (follow_live(d, newest, play, changed) != FOLLOW_ADVANCE) continue;
      moved += follow_chart(img, CHART_LIVE, old_last) > 0;
      redraw_whole(ref, c.w, c.h);  // the same view drawn whole
      ASSERT_TRUE(img == ref) << "view_last " << d.view_last;
    }
    if (c.tscale_idx > 0) {
      EXPECT_GT(moved, 3);  // the image did move
    }
  }
}

// Over a whole day (the automatic time scale) every follow step maps the
// whole view again from the block sums kept since the last redraw, renewed
// where samples came: each step's columns and pixels are those of a redraw
// from the samples, while samples come late, gaps come and go (a device
// falls silent for a while), a filtered
// series is rebuilt (in steps between the follow steps, or at once), a
// channel changes, the temperature unit changes without a redraw and the
// chart is drawn anew.
TEST_F(ChartRender, AWholeDayFollowStepMapsFromKeptSumsWhatTheSamplesGive) {
  std::mt19937 rng(33);
  std::uniform_real_distribution<float> jump(0.0f, 1.0f);
  live_chan(0, 0, MEAS_SCALED).color = kRed;
  live_chan(1, 1, MEAS_TEMP).color = kBlue;
  live_chan(2, 2, MEAS_RAW).color = kGreen;
  common_setup.dsp_chan_live[2].filt_med = 3;
  live_chan(3, 0, MEAS_DIN1).color = 0x808000;
  live_chan(4, 1, MEAS_SCALED).color = 0x800080;
  int32_t newest = -1;
  float level = 50.0f;
  // 0 and -0 are frequent: of equal values a column keeps the oldest.
  auto value = [&](int dev) { return jump(rng) < 0.2f ? (jump(rng) < 0.5f ? 0.0f : -0.0f) : level + 5.0f * dev; };
  bool dev1_silent = false;  // a device that stops sending for a while
  auto put_until = [&](int32_t last, bool gappy) {
    for (int32_t i = newest + 1; i <= last; ++i) {
      if (jump(rng) < 0.002f) level = 100.0f * jump(rng);
      level += jump(rng) - 0.5f;
      if (gappy && jump(rng) < 0.03f) i += static_cast<int32_t>(jump(rng) * 40);
      if (i > last) break;
      for (int dev = 0; dev < 3; ++dev)
        if (dev != 1 || !dev1_silent)
          put_live(dev, i, value(dev),
                   0x000A8000u | (static_cast<uint32_t>(std::max(0.0f, level * 10)) & 0x3FFFu) | ((i / 900) % 2) << 28,
                   static_cast<int16_t>(200 + level));
    }
    newest = last;
    for (int dev = 0; dev < 3; ++dev)
      if (dev != 1 || !dev1_silent) m_stat.dev_stat[dev].last_saved_idx.store(newest);
  };
  put_until(250000, true);
  refilter_chan(2, true);

  QImage img(W, H, QImage::Format_RGB32);
  QImage ref(W, H, QImage::Format_RGB32);
  t_draw_stat& d = draw_stat[CHART_LIVE];
  // The page's redraw: the channels loaded again, with or without a new scan.
  auto page_redraw = [&](bool full) {
    prepare_chart(CHART_LIVE, full, W, H);
    paint_chart(img, CHART_LIVE);
  };
  page_redraw(true);
  ASSERT_EQ(d.tscale_idx, 0);
  bool rebuilding = false;
  int whole = 0;
  for (int step = 0; step < 48; ++step) {
    SCOPED_TRACE(step);
    // Late samples in empty slots of the last minute.
    for (int n = 0; n < 3; ++n) {
      const int32_t late = newest - 1 - static_cast<int32_t>(jump(rng) * 250);
      const int dev = n % 3;
      if (std::isnan(m_stat.dev_stat[dev].smp_cal[late].load())) put_live(dev, late, value(dev), 0x000A8123u, 300);
    }
    // No samples for a while, one device silent for some steps, else
    // samples with short gaps.
    if (step % 11 == 5) newest += 1500;
    dev1_silent = step >= 10 && step < 16;
    put_until(newest + 400 + static_cast<int32_t>(jump(rng) * 1200), step % 2 == 0);
    if (step == 6 || step == 30) {
      // The filter of the raw channel changes: its series is rebuilt (in
      // steps between the follow steps, or at once), the page redrawn at
      // once and again when it is done.
      common_setup.dsp_chan_live[2].filt_med = step == 6 ? 5 : 0;
      common_setup.dsp_chan_live[2].filt_pt = step == 6 ? 30 : 0;
      queue_refilter(2, REFILTER_NEWEST);
      rebuilding = step == 6;
      if (rebuilding)
        refilter_step(20000);
      else
        finish_refilter();
      page_redraw(false);
    } else if (rebuilding && !refilter_step(20000)) {
      rebuilding = false;
      page_redraw(false);
    }
    if (step == 18) {  // another source and mode for a channel
      live_chan(4, 2, MEAS_DIN2);
      page_redraw(false);
    }
    if (step == 24) d.temp_f = 1;       // another unit while the page is not shown
    if (step == 40) page_redraw(true);  // a new scan (a new day starts so)
    for (int s = 0; s < MAX_CHANNELS; ++s) refilter_chan(s, false);
    int32_t play = 0;
    bool changed = false;
    const int32_t old_last = d.data_last;
    if (follow_live(d, newest_live_idx(), play, changed) != FOLLOW_ADVANCE) continue;
    whole += follow_chart(img, CHART_LIVE, old_last) == 0;
    // The same view mapped from the samples and drawn whole.
    const auto followed = std::make_unique<t_draw_stat>(d);
    redraw_whole(ref);
    expect_same_columns(*followed, d, true);
    ASSERT_TRUE(img == ref) << "view_last " << d.view_last;
  }
  EXPECT_GT(whole, 40);  // the whole day moved by parts of columns
}

// Grid lines and traces are written straight into 32-bit images; a
// painter on another format draws them with its pens. Both give the same
// pixels, for every grid and both raw axis directions. A third trace is
// flat and steps up to two pixels up or down where samples are missing:
// where its pen lifts, a wide pen's pixel column holds runs a pixel apart
// that stay apart.
TEST_F(ChartRender, DirectPixelWritesMatchThePaintersPens) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> v(0.0f, 100.0f);
  arch_chan(0, MEAS_SCALED).color = kRed;
  arch_chan(1, MEAS_RAW).color = kBlue;
  arch_chan(2, MEAS_SCALED).color = kGreen;
  // Steps of 3 to 12 pixels without a gap: the line from a step's column
  // to the flat one beside it leaves that column's pixels.
  arch_chan(3, MEAS_SCALED).color = 0x800080;
  float level = 50.0f, stair = 50.0f;
  int lifted = 0;
  for (int i = 0; i < 50000; ++i) {
    if (i % 97 == 0)
      stair = std::clamp(stair + (v(rng) < 50.0f ? -1.0f : 1.0f) * (0.75f + v(rng) / 44.0f), 5.0f, 95.0f);
    m_stat.arch_stat[3].smp_tab[i] = stair;
    m_stat.arch_stat[0].smp_tab[i] = v(rng);
    m_stat.arch_stat[1].smp_tab[i] = 1000.0f * v(rng);
    if (lifted == 0 && v(rng) < 0.25f) {
      lifted = 20;
      level += (v(rng) - 50.0f) / 110.0f;
    }
    m_stat.arch_stat[2].smp_tab[i] = lifted > 0 ? std::nanf("") : level + v(rng) / 1000.0f;
    lifted = std::max(lifted - 1, 0);
  }
  for (const int32_t grid : {GRID_SCALED, GRID_TEMP, GRID_RAW}) {
    for (const bool invert : {false, true}) {
      for (const int32_t thk : {0, 1, 2}) {  // every pen width, one a channel and all of them
        SCOPED_TRACE((grid * 2 + invert) * 3 + thk);
        draw_stat[CHART_ARCH].grid_sel = grid;
        draw_stat[CHART_ARCH].raw_invert = invert;
        common_setup.dsp_chan_arch[0].line_thk = thk;
        common_setup.dsp_chan_arch[1].line_thk = (thk + grid) % 3;
        common_setup.dsp_chan_arch[2].line_thk = thk;
        common_setup.dsp_chan_arch[3].line_thk = (thk + 1) % 3;
        const QImage direct = draw(CHART_ARCH);
        QImage pens(W, H, QImage::Format_ARGB32_Premultiplied);
        paint_chart(pens, CHART_ARCH);
        EXPECT_TRUE(direct == pens.convertToFormat(QImage::Format_RGB32));
      }
    }
  }
}
