#include "charts/chart_render.h"

#include "charts/column_map.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "core/common_data.h"

#include <QCoreApplication>
#include <QGlyphRun>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
constexpr int kFontPx = 11;  // "Arial" 8 pt at 96 dpi

int32_t pixel_div_x() { return common_setup.pixel_div_x > 0 ? common_setup.pixel_div_x : 90; }
int32_t pixel_div_y() { return common_setup.pixel_div_y > 0 ? common_setup.pixel_div_y : 50; }

// One-pixel pens draw both end points of what they are given (the lines
// come shortened by one pixel, see line_to).
QPen solid_pen(const QColor& c) {
  QPen pen(c, 1, Qt::SolidLine, Qt::SquareCap);
  pen.setCosmetic(true);
  return pen;
}

int sign(int v) { return (v > 0) - (v < 0); }

// num / den rounded half away from zero.
int div_round(int num, int den) { return static_cast<int>(std::lround(static_cast<double>(num) / den)); }

// The line from (x1, y1) to (x2, y2) without its end point: the end moves
// one pixel back along the longer axis. False when nothing is left.
bool line_to(int x1, int y1, int& x2, int& y2) {
  const int dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return false;
  if (std::abs(dx) >= std::abs(dy)) {
    x2 -= sign(dx);
    y2 = y1 + div_round(dy * (x2 - x1), dx);
  } else {
    y2 -= sign(dy);
    x2 = x1 + div_round(dx * (y2 - y1), dy);
  }
  return true;
}

// The frame's pens are made once.
const QPen& dashed_pen() {
  static const QPen pen = [] {
    QPen p(kSilver, 1, Qt::CustomDashLine, Qt::FlatCap);
    p.setCosmetic(true);
    p.setDashPattern({18, 6});
    return p;
  }();
  return pen;
}

const QPen& grey_pen() {
  static const QPen pen = solid_pen(kGrey);
  return pen;
}

// A label as it is painted: its text, its width in the chart font and its
// glyphs, laid out once (baseline at y 0), so that painting it again
// neither measures nor shapes the text.
struct t_label {
  QString text;
  int width = 0;
  QList<QGlyphRun> runs;
  QRect ink;  // a box around every pixel the glyphs can touch, from the glyphs' origin
};

t_label make_label(QString text) {
  t_label l;
  l.text = std::move(text);
  static const QFontMetrics fm(chart_font());
  l.width = fm.horizontalAdvance(l.text);
  QTextLayout layout(l.text, chart_font());
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  l.runs = layout.glyphRuns();
  QRectF ink;
  for (QGlyphRun& run : l.runs) {
    QList<QPointF> pos = run.positions();
    for (QPointF& pt : pos) pt.ry() -= line.ascent();
    run.setPositions(pos);
    const QRawFont font = run.rawFont();
    const QList<quint32> glyphs = run.glyphIndexes();
    for (qsizetype i = 0; i < glyphs.size() && i < pos.size(); ++i)
      ink |= font.boundingRect(glyphs[i]).translated(pos[i]);
  }
  // Smoothed edges reach into the pixels the outlines touch; two more for safety.
  l.ink = ink.toAlignedRect().adjusted(-2, -2, 2, 2);
  return l;
}

// Label texts are kept: a redraw formats only those it did not show
// lately. Four ways in each of 256 sets, the oldest one used is replaced.
class text_cache {
 public:
  template <typename F>
  const t_label& get(uint64_t key, uint64_t key2, F&& make) {
    const size_t set = ((key ^ (key2 * 31)) * 0x9E3779B97F4A7C15ull) >> 56;
    t_entry* ways = &entries_[set * kWays];
    t_entry* e = &ways[0];
    for (int i = 0; i < kWays; ++i) {
      if (ways[i].used && ways[i].key == key && ways[i].key2 == key2) {
        ways[i].stamp = ++clock_;
        return ways[i].label;
      }
      if (ways[i].stamp < e->stamp) e = &ways[i];
    }
    e->label = make_label(make());
    e->key = key;
    e->key2 = key2;
    e->used = true;
    e->stamp = ++clock_;
    return e->label;
  }

 private:
  static constexpr int kWays = 4;
  struct t_entry {
    uint64_t key = 0, key2 = 0, stamp = 0;
    bool used = false;
    t_label label;
  };
  std::array<t_entry, 256 * kWays> entries_;
  uint64_t clock_ = 0;
};

text_cache& label_texts() {
  static text_cache cache;
  return cache;
}

// The separators the texts were made with are part of their keys.
uint64_t sep_key() { return (static_cast<uint64_t>(sys_dec_sep.unicode()) << 16) | sys_time_sep.unicode(); }

// suffix 0: none, 1 + temp_f: the temperature unit.
const t_label& axis_label(int32_t decimals, int kind, float v, int32_t suffix) {
  const uint64_t key = (static_cast<uint64_t>(std::bit_cast<uint32_t>(v)) << 32) |
                       static_cast<uint64_t>((suffix & 3) << 6 | (decimals & 7) << 3 | (kind & 3) << 1 | 1);
  return label_texts().get(key, sep_key(), [&] {
    return fmt_axis_value(decimals, kind, v) + (suffix > 0 ? temp_unit_text(suffix - 1) : QString());
  });
}

const t_label& time_label(int32_t s) {
  const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(s)) << 32;
  return label_texts().get(key, sep_key(), [&] { return fmt_time_label(s); });
}

// A follow step paints the frame into a few rectangles: labels far from
// the one being painted are not even formatted.
const QRect* label_clip = nullptr;

// draw_text for a kept label, in the chart font (the painter's).
void draw_label(QPainter& p, int x, int y, int valign, int halign, const t_label& l) {
  static const QFontMetrics fm(chart_font());
  if (halign == 1) x -= l.width / 2;
  if (halign == 2) x -= l.width;
  if (valign == 1) y -= fm.height() / 2;
  if (valign == 2) y -= fm.height();
  // A piece of the frame leaves out the labels that cannot touch it.
  if (label_clip && !l.ink.translated(x, y + fm.ascent()).intersects(*label_clip)) return;
  for (const QGlyphRun& run : l.runs) p.drawGlyphRun(QPointF(x, y + fm.ascent()), run);
}

// The trace lines of one channel. A trace line joins neighbouring columns
// (or runs within one), so almost every line moves at most one pixel
// sideways: such lines are written straight into the image as vertical
// runs, half in each column. The few longer ones (across empty columns) are
// collected and drawn with the painter's one-pixel pen. A wider pen is
// drawn as parallel one-pixel lines side by side across the line's longer
// axis. Every line leaves out its end point.
//
// The runs of a pixel column mostly overlap (a column's own run, its
// neighbours' runs of a wider pen, the lines between them): a run is held
// back and joined with the next ones of its pixel column that touch it, so
// that each pixel of the union is written once. The held runs are written
// when another run takes their place and at the end of the channel (flush);
// all are in the channel's colour, so the order does not matter.
struct t_line_buf {
  std::array<QLine, 3 * 2 * CHART_COLS> lines;
  int n = 0;
  int width = 1;
  QRgb colour = 0;
  uchar* bits = nullptr;  // the image's pixels when it is a 32-bit image
  qsizetype bpl = 0;
  int img_w = 0, img_h = 0;
  // A follow step writes only the pixels of the marked columns.
  const uint8_t* col_mask = nullptr;

  // The rows the traces' pixels lie in, from the top one to the bottom one.
  int band_top = INT_MAX, band_bottom = INT_MIN;

  // The held runs, one a pixel column, in the slot of its x's low bits:
  // the runs of a column come while the trace is at most three columns
  // away from it.
  struct t_held {
    int x = -1, y1 = 0, y2 = -1;
  };
  static constexpr int kHeld = 8;
  std::array<t_held, kHeld> held;

  void write_run(const t_held& r) const {
    uchar* p = bits + r.y1 * bpl + r.x * static_cast<qsizetype>(sizeof(QRgb));
    for (int y = r.y1; y <= r.y2; ++y, p += bpl) *reinterpret_cast<QRgb*>(p) = colour;
  }
  void flush() {
    for (t_held& r : held) {
      if (r.x >= 0) write_run(r);
      r.x = -1;
    }
  }
  void put_run(int x, int y1, int y2) {  // y1 <= y2, both drawn
    if (x < 0 || x >= img_w) return;
    y1 = std::max(y1, 0);
    y2 = std::min(y2, img_h - 1);
    if (col_mask && !col_mask[x]) return;
    band_top = std::min(band_top, y1);
    band_bottom = std::max(band_bottom, y2);
    if (y1 > y2) return;
    t_held& h = held[static_cast<size_t>(x) % kHeld];
    if (h.x == x && y1 <= h.y2 + 1 && h.y1 <= y2 + 1) {
      h.y1 = std::min(h.y1, y1);
      h.y2 = std::max(h.y2, y2);
      return;
    }
    if (h.x >= 0) write_run(h);
    h = {x, y1, y2};
  }
  // A line with |dx| <= 1 (not a point) and its end point left out, and
  // its parallel lines of a pen of `width`, as the painter's cosmetic pen
  // puts them: a line to the left leaves only its start point in the start
  // column, a line to the right only its last point in the second one; a
  // line of one step sideways is its start point, and the wider pen puts
  // the start points one above the other.
  void add_short(int x1, int y1, int x2, int y2) {
    const int o1 = -(width / 2), o2 = (width - 1) / 2;
    const int dy = y2 - y1, steps = std::abs(dy), s = sign(dy);
    if (steps == 0) {  // one step sideways: the start points, one above the other
      put_run(x1, y1 + o1, y1 + o2);
      return;
    }
    if (x1 == x2 || steps == 1) {  // all in the start column
      const int e = y2 - s;
      for (int o = o1; o <= o2; ++o) put_run(x1 + o, std::min(y1, e), std::max(y1, e));
      return;
    }
    const int a_end = x2 < x1 ? y1 : y2 - 2 * s, b_start = a_end + s, b_end = y2 - s;
    for (int o = o1; o <= o2; ++o) {
      put_run(x1 + o, std::min(y1, a_end), std::max(y1, a_end));
      put_run(x2 + o, std::min(b_start, b_end), std::max(b_start, b_end));
    }
  }
  void add(int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    if (bits && std::abs(x2 - x1) <= 1) {
      add_short(x1, y1, x2, y2);
      return;
    }
    const bool steep = std::abs(y2 - y1) >= std::abs(x2 - x1);
    for (int o = -(width / 2); o <= (width - 1) / 2; ++o) {
      const int ax1 = steep ? x1 + o : x1, ax2 = steep ? x2 + o : x2;
      const int ay1 = steep ? y1 : y1 + o, ay2 = steep ? y2 : y2 + o;
      int ex = ax2, ey = ay2;
      if (line_to(ax1, ay1, ex, ey)) lines[n++] = QLine(ax1, ay1, ex, ey);
    }
  }
};

t_line_buf& line_buf() {
  static t_line_buf buf;
  return buf;
}

// y of a value on the raw scale (normal or inverted).
int raw_y(const t_draw_stat& ds, float v) {
  const int32_t px = val_to_px(ds.r_vpp, ds.r_min, v);
  return ds.raw_invert ? std::min(ds.plot_top + px, ds.plot_bottom) : ds.plot_bottom - px;
}

// Heights of a column's minimum and maximum for a channel; false when the
// column is skipped (saturation values outside the raw scale).
bool column_heights(const t_draw_stat& ds, int k, int r, int d, int& y_min, int& y_max) {
  const float lo = ds.col_min[k][r], hi = ds.col_max[k][r];
  switch (ds.chan_meas[r]) {
    case MEAS_SCALED:
      y_min = ds.plot_bottom - val_to_px(ds.h_vpp, ds.h_min, lo);
      y_max = ds.plot_bottom - val_to_px(ds.h_vpp, ds.h_min, hi);
      break;
    case MEAS_TEMP:
      y_min = ds.plot_bottom - val_to_px(ds.t_vpp, ds.t_min, lo);
      y_max = ds.plot_bottom - val_to_px(ds.t_vpp, ds.t_min, hi);
      break;
    case MEAS_SAT:
      if (!((lo > ds.r_min && lo < ds.r_max) || (hi > ds.r_min && hi < ds.r_max))) return false;
      [[fallthrough]];
    case MEAS_RAW:
      y_min = raw_y(ds, lo);
      y_max = raw_y(ds, hi);
      break;
    default: {  // digital inputs: 1 is 50 pixels above the channel's baseline
      const int base = d + (ds.chan_thk[r] + 2) / 2;
      y_min = ds.plot_bottom - (val_to_px(0.02f, 0, lo) + base);
      y_max = ds.plot_bottom - (val_to_px(0.02f, 0, hi) + base);
      break;
    }
  }
  y_min = std::max(y_min, ds.plot_top);
  y_max = std::max(y_max, ds.plot_top);
  return true;
}

bool drawn(const t_draw_stat& ds, int r) {
  return ds.chan_active[r] && ds.chan_displayed[r] && ds.chan_meas[r] >= MEAS_SCALED && ds.chan_meas[r] <= MEAS_SAT;
}

// The pixels a follow step draws again (nullptr: all of them).
struct t_masks {
  const uint8_t* cols;
  const uint8_t* near;  // the columns within two of a marked one
};

// The image a painter's trace pixels can be written into directly: a
// 32-bit image without a transform; nullptr when the pens must draw.
QImage* direct_image(QPainter& p) {
  auto* img = dynamic_cast<QImage*>(p.device());
  if (img && (img->format() == QImage::Format_RGB32 || img->format() == QImage::Format_ARGB32) &&
      !p.transform().isScaling() && !p.transform().isTranslating())
    return img;
  return nullptr;
}

// One channel from right to left into direct (nullptr: all with p's
// pens). d is the channel's digital input offset, the same for every
// column. With masks, only their pixels are written, no painter is needed
// and the result is false when a longer line would be needed.
bool trace_channel(QPainter* p, QImage* direct, const t_draw_stat& ds, int r, int d, const t_masks* masks = nullptr) {
  const int thk = std::clamp(ds.chan_thk[r], 0, 2) + 1;
  t_line_buf& buf = line_buf();
  buf.n = 0;
  buf.held.fill({});  // (what a channel given up held)
  buf.width = thk;
  buf.colour = chart_color(ds.chan_color[r]).rgb();
  buf.bits = nullptr;
  if (direct) {
    buf.bits = direct->bits();
    buf.bpl = direct->bytesPerLine();
    buf.img_w = direct->width();
    buf.img_h = direct->height();
  }
  buf.col_mask = masks ? masks->cols : nullptr;
  if (masks && !buf.bits) return false;
  if (masks && ds.chan_meas[r] == MEAS_SAT) return false;
  const uint8_t* near = masks ? masks->near : nullptr;
  bool pen_up = true, have_y = false;
  int last_x = 0, last_y = 0, last_k = 0;
  for (int k = ds.plot_w; k >= 0; --k) {
    const int x = ds.plot_left + k;
    if (ds.col_empty[k][r]) {
      if (ds.col_gap[k][r]) pen_up = true;
      continue;
    }
    if (near) {
      // Columns far from the marked ones are passed by; the height a line
      // starts from is found when the line is drawn.
      if (!pen_up && last_x - x > 1) return false;  // a longer line
      if (!near[x]) {
        last_x = x;
        last_k = k;
        have_y = false;
        pen_up = ds.col_gap[k][r];
        continue;
      }
      if (!pen_up && !have_y) {
        int a = 0, b = 0;
        column_heights(ds, last_k, r, d, a, b);
        last_y = (a + b) / 2;
      }
    }
    int y_min = 0, y_max = 0;
    if (!column_heights(ds, k, r, d, y_min, y_max)) {
      last_x = x;
      continue;
    }
    const int mid = (y_min + y_max) / 2;
    if (!pen_up) buf.add(last_x, last_y, x, mid);
    buf.add(x, y_min, x, y_max);
    last_x = x;
    last_y = mid;
    last_k = k;
    have_y = true;
    pen_up = ds.col_gap[k][r];
  }
  buf.flush();
  if (buf.n == 0) return true;
  if (masks || !p) return false;
  p->setPen(solid_pen(chart_color(ds.chan_color[r])));
  p->drawLines(buf.lines.data(), buf.n);
  for (int i = 0; i < buf.n; ++i) {
    buf.band_top = std::min({buf.band_top, buf.lines[i].y1(), buf.lines[i].y2()});
    buf.band_bottom = std::max({buf.band_bottom, buf.lines[i].y1(), buf.lines[i].y2()});
  }
  return true;
}

}  // namespace

QFont chart_font() {
  static const QFont font = [] {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(kFontPx);
    f.setStyleHint(QFont::SansSerif);
    return f;
  }();
  return font;
}

font_measure::font_measure() : fm_(chart_font()) {}
int32_t font_measure::width(QStringView text) const {
  // The layout measures the same few texts on every redraw.
  for (const t_width& w : widths_)
    if (!w.text.isNull() && w.text == text) return w.width;
  t_width& w = widths_[next_width_++ % widths_.size()];
  w.text = text.toString();
  w.width = fm_.horizontalAdvance(w.text);
  return w.width;
}
int32_t font_measure::height(QStringView) const { return fm_.height(); }

QColor chart_color(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void draw_line(QPainter& p, int x1, int y1, int x2, int y2) {
  if (line_to(x1, y1, x2, y2)) p.drawLine(x1, y1, x2, y2);
}

void draw_text(QPainter& p, int x, int y, int valign, int halign, const QString& text) {
  const QFontMetrics fm = p.fontMetrics();
  if (halign == 1) x -= fm.horizontalAdvance(text) / 2;
  if (halign == 2) x -= fm.horizontalAdvance(text);
  if (valign == 1) y -= fm.height() / 2;
  if (valign == 2) y -= fm.height();
  p.drawText(x, y + fm.ascent(), text);
}

void draw_sat_mark(QPainter& p, int x, int y, const QColor& colour) {
  static const QString kSat = QStringLiteral(" SAT");
  const QFontMetrics fm = p.fontMetrics();
  const int h = fm.height(), w = fm.horizontalAdvance(kSat), half = (h + 2) / 2;
  p.fillRect(QRect(x, y - half, w + 22, 2 * half), Qt::white);
  p.setPen(solid_pen(colour));
  draw_line(p, x + 1, y, x + 10, y);
  draw_text(p, x + 10, y + 1, 1, 0, kSat);
  p.setPen(solid_pen(Qt::black));
}

namespace {

// Whether a line at x (vertical) or y (horizontal) can reach the clip.
bool column_in_clip(int x) { return !label_clip || (x >= label_clip->left() && x <= label_clip->right()); }
bool row_in_clip(int y) { return !label_clip || (y >= label_clip->top() && y <= label_clip->bottom()); }

// Whether a line's pixels (its box) can reach the clip.
bool line_in_clip(int x1, int y1, int x2, int y2) {
  if (!label_clip) return true;
  return std::max(x1, x2) >= label_clip->left() && std::min(x1, x2) <= label_clip->right() &&
         std::max(y1, y2) >= label_clip->top() && std::min(y1, y2) <= label_clip->bottom();
}

// halign as draw_text's; no label is wider than kLabelW.
bool label_near(int x, int y, int halign, int lbl_h) {
  if (!label_clip) return true;
  constexpr int kLabelW = 200;
  const int x1 = halign == 0 ? x : halign == 1 ? x - kLabelW / 2 : x - kLabelW;
  return x1 + kLabelW >= label_clip->left() && x1 <= label_clip->right() && y + 2 * lbl_h >= label_clip->top() &&
         y - 2 * lbl_h <= label_clip->bottom();
}

// Dashed grid lines go straight into a 32-bit image when nothing but
// label_clip clips the painter: the pixels the dashed pen gives a line of
// that length and direction are taken once from a small image and kept.
struct t_dash_run {
  int len = -1;
  bool up = false;           // from the bottom upward, else to the right
  std::vector<int> offsets;  // of the pixels drawn, from the line's start along its direction
};

const std::vector<int>& dash_offsets(int len, bool up) {
  static std::array<t_dash_run, 4> runs;
  static size_t next = 0;
  for (const t_dash_run& r : runs)
    if (r.len == len && r.up == up) return r.offsets;
  t_dash_run& r = runs[next++ % runs.size()];
  QImage strip(up ? 3 : len + 4, up ? len + 4 : 3, QImage::Format_RGB32);
  strip.fill(Qt::white);
  {
    QPainter sp(&strip);
    sp.setRenderHint(QPainter::Antialiasing, false);
    sp.setPen(dashed_pen());
    if (up)
      sp.drawLine(1, len + 2, 1, 2);
    else
      sp.drawLine(1, 1, 1 + len, 1);
  }
  r.len = len;
  r.up = up;
  r.offsets.clear();
  const QRgb white = QColor(Qt::white).rgb();
  for (int i = 0; i < len + 4; ++i) {
    const QRgb c = up ? strip.pixel(1, len + 3 - i) : strip.pixel(i, 1);
    if (c != white) r.offsets.push_back(i - 1);
  }
  return r.offsets;
}

// A dashed grid line from (x1, y1) to (x2, y2) without its end point, to
// the right or upward.
void draw_dashed(QPainter& p, int x1, int y1, int x2, int y2) {
  auto* img = dynamic_cast<QImage*>(p.device());
  if (!img || (img->format() != QImage::Format_RGB32 && img->format() != QImage::Format_ARGB32) ||
      (p.hasClipping() && !label_clip) || p.transform().type() != QTransform::TxNone) {
    p.setPen(dashed_pen());
    draw_line(p, x1, y1, x2, y2);
    return;
  }
  if (!line_to(x1, y1, x2, y2)) return;
  const bool up = x1 == x2;
  QRect clip = img->rect();
  if (label_clip) clip &= *label_clip;
  const QRgb colour = kSilver.rgb();
  uchar* bits = img->bits();
  const qsizetype bpl = img->bytesPerLine();
  const int cx1 = clip.left(), cx2 = clip.right(), cy1 = clip.top(), cy2 = clip.bottom();
  // The offsets ascend: only those from the clip's near edge on are looked at.
  const std::vector<int>& offsets = dash_offsets(up ? y1 - y2 : x2 - x1, up);
  for (auto it = std::lower_bound(offsets.begin(), offsets.end(), up ? y1 - cy2 : cx1 - x1); it != offsets.end();
       ++it) {
    const int x = up ? x1 : x1 + *it, y = up ? y1 - *it : y1;
    if (up ? y < cy1 : x > cx2) break;
    if (x >= cx1 && x <= cx2 && y >= cy1 && y <= cy2) reinterpret_cast<QRgb*>(bits + y * bpl)[x] = colour;
  }
}

// One vertical scale: grid lines (when it is the chosen grid), ticks and labels.
struct t_scale_spec {
  float step, min, vpp;
  int32_t step_px, grid;
  bool down;               // from the top downward (inverted raw axis)
  int tick_x1, tick_x2;    // the tick
  int label_x, halign;     // the label
  int label_floor;         // labels are held at or above this y
  int32_t decimals, kind;  // fmt_axis_value
  int32_t suffix;          // axis_label
};

void draw_scale(QPainter& p, const t_draw_stat& ds, const t_scale_spec& sc) {
  const QPen& tick = grey_pen();
  const float first = grid_offset(sc.step, sc.min);
  const int off = round_px(first / sc.vpp);
  const int step = std::max(sc.step_px, 1);
  float v = first + sc.min;
  for (int y = sc.down ? ds.plot_top + off : ds.plot_bottom - off; sc.down ? y < ds.plot_bottom : y > ds.plot_top;
       y += sc.down ? step : -step, v += sc.step) {
    if (row_in_clip(y)) {
      if (ds.grid_sel == sc.grid) draw_dashed(p, ds.plot_left, y, ds.plot_right, y);
      if (line_in_clip(sc.tick_x1, y, sc.tick_x2, y)) {
        p.setPen(tick);
        draw_line(p, sc.tick_x1, y, sc.tick_x2, y);
      }
    }
    const int label_y = std::min(y, sc.label_floor);
    if (label_near(sc.label_x, label_y, sc.halign, ds.lbl_h))
      draw_label(p, sc.label_x, label_y, 1, sc.halign, axis_label(sc.decimals, sc.kind, v, sc.suffix));
  }
}

}  // namespace

void draw_frame(QPainter& p, const t_draw_stat& ds, int32_t pdx) {
  const QRect all(ds.img_rect[0], ds.img_rect[1], ds.img_rect[2], ds.img_rect[3]);
  p.fillRect(label_clip ? all & *label_clip : all, Qt::white);
  const int32_t tdiv = std::max(ds.tdiv, 1);
  const int32_t f = (ds.view_last / 5) % tdiv;
  const int32_t xoff = round_px(f * 5 / std::max(ds.smp_per_px, 1e-9));
  const int left = ds.plot_left, right = ds.plot_right, top = ds.plot_top, bottom = ds.plot_bottom;

  p.setPen(grey_pen());
  const int edges[4][4] = {{left, bottom, right + 1, bottom},
                           {left, bottom, left, top - 1},
                           {right, bottom, right, top - 1},
                           {ds.x_sep, bottom, ds.x_sep, top}};
  for (const auto& e : edges)
    if (line_in_clip(e[0], e[1], e[2], e[3])) draw_line(p, e[0], e[1], e[2], e[3]);

  // Time: grid lines and labels on whole multiples of tdiv seconds of the day.
  if (ds.grid_sel != GRID_NONE) {
    for (int x = right - xoff; x > left; x -= pdx)
      if (column_in_clip(x)) draw_dashed(p, x, bottom, x, top);
  }
  p.setPen(grey_pen());
  int32_t s = ds.view_last / 5 - f;
  for (int x = right - xoff; x > left; x -= pdx, s -= tdiv)
    if (label_near(x, bottom + 2, 1, ds.lbl_h)) draw_label(p, x, bottom + 2, 0, 1, time_label(s));

  const int label_floor = bottom - (ds.lbl_h / 2 - 2);
  const int32_t no_floor = INT32_MAX;  // temperature labels are not held above the bottom
  draw_scale(p, ds,
             {ds.t_step, ds.t_min, ds.t_vpp, ds.t_step_px, GRID_TEMP, false, ds.x_sep - ds.half0, ds.x_sep,
              ds.x_sep - ds.half0 - 2, 2, no_floor, 0, 1, ds.temp_f == 1 ? 2 : 1});
  draw_scale(p, ds,
             {ds.r_step, ds.r_min, ds.r_vpp, ds.r_step_px, GRID_RAW, ds.raw_invert, right, right + ds.half0,
              right + ds.half0 + 2, 0, label_floor, 0, 2, 0});
  draw_scale(p, ds,
             {ds.h_step, ds.h_min, ds.h_vpp, ds.h_step_px, GRID_SCALED, false, left - ds.half0, left,
              left - ds.half0 - 1, 2, label_floor, ds.decimals, 0, 0});
}

namespace {

void draw_sat_marks(QPainter& p, const t_draw_stat& ds) {
  const int x = ds.plot_right + ds.half0 + 2;
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r) || ds.chan_meas[r] != MEAS_RAW) continue;
    const float sat = static_cast<float>(ds.sat_val[r]);
    if (!(ds.sat_val[r] > 0 && sat > ds.r_min && sat < ds.r_max)) continue;
    const int y = raw_y(ds, sat);
    if (y > ds.plot_top && y < ds.plot_bottom) draw_sat_mark(p, x, y, chart_color(ds.chan_color[r]));
  }
}

}  // namespace

void draw_traces(QPainter& p, const t_draw_stat& ds, bool live, int32_t pdx) {
  draw_frame(p, ds, pdx);
  if (ds.no_data) return;
  // The traces stay inside the image rectangle; a painter of an image of
  // that size needs no clip for it.
  const QRect all(ds.img_rect[0], ds.img_rect[1], ds.img_rect[2], ds.img_rect[3]);
  const bool clip = p.hasClipping() || !all.contains(QRect(0, 0, p.device()->width(), p.device()->height()));
  const bool aa = p.testRenderHint(QPainter::Antialiasing);
  if (clip) {
    p.save();
    p.setClipRect(all);
  }
  p.setRenderHint(QPainter::Antialiasing, false);
  // Digital inputs stack upward from the bottom in channel order.
  int d = 1;
  QImage* direct = direct_image(p);
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    trace_channel(&p, direct, ds, r, d);
    if (is_din_mode(ds.chan_meas[r])) d += ds.chan_thk[r] + 2;
  }
  if (clip)
    p.restore();
  else
    p.setRenderHint(QPainter::Antialiasing, aa);
  if (live) draw_sat_marks(p, ds);
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void zero_upper_avx() { _mm256_zeroupper(); }
#endif

// Qt's raster painting can return with the upper halves of the 256-bit
// vector registers still in use. Until something clears them, every SSE
// instruction afterwards waits on them: the full scan and the column
// mapping after a paint ran three times slower. The chart's work clears
// them before it starts and after it painted.
void clear_upper_vectors() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) zero_upper_avx();
#endif
}

}  // namespace

void prepare_chart(int chart, bool full_diag, int32_t w, int32_t h, const t_frame_limits& lim) {
  clear_upper_vectors();
  load_chan_cfg(chart);
  if (!full_diag) return relayout_chart(chart, w, h, lim);
  // The scan's block sums serve this mapping only: the samples may change afterwards.
  scan_all(chart);
  keep_chan_sums(chart, true);
  relayout_chart(chart, w, h, lim);
  keep_chan_sums(chart, false);
}

void relayout_chart(int chart, int32_t w, int32_t h, const t_frame_limits& lim) {
  clear_upper_vectors();
  static const font_measure tm;
  t_draw_stat& ds = draw_stat[chart];
  calc_layout(ds, w, h, tm, lim, pixel_div_x(), pixel_div_y());
  calc_time_scale(ds, pixel_div_x(), pixel_div_y());
  clear_upper_vectors();  // after the font's measures
  map_columns(chart);
}

namespace {

// Everything but the column values that decides a chart's pixels.
struct t_frame_key {
  std::array<int32_t, 4> img_rect{};
  std::array<int32_t, 18> ints{};
  std::array<float, 15> floats{};
  double smp_per_px = 0;
  bool raw_invert = false, no_data = false;
  std::array<bool, MAX_CHANNELS> active{}, displayed{};
  std::array<int32_t, MAX_CHANNELS> meas{}, color{}, thk{};
  bool operator==(const t_frame_key&) const = default;
};

t_frame_key frame_key(const t_draw_stat& ds) {
  t_frame_key k;
  k.img_rect = ds.img_rect;
  k.ints = {ds.plot_w,    ds.plot_left, ds.plot_right, ds.plot_top,   ds.plot_bottom, ds.x_sep,
            ds.half0,     ds.lbl_h,     ds.tdiv,       ds.grid_sel,   ds.decimals,    ds.temp_f,
            ds.h_step_px, ds.t_step_px, ds.r_step_px,  pixel_div_x(), pixel_div_y(),  0};
  k.floats = {ds.h_vpp, ds.h_step, ds.t_vpp, ds.t_step, ds.r_vpp, ds.r_step, ds.h_min, ds.h_max,
              ds.t_min, ds.t_max,  ds.r_min, ds.r_max,  0,        0,         0};
  k.smp_per_px = ds.smp_per_px;
  k.raw_invert = ds.raw_invert;
  k.no_data = ds.no_data;
  k.active = ds.chan_active;
  k.displayed = ds.chan_displayed;
  k.meas = ds.chan_meas;
  k.color = ds.chan_color;
  k.thk = ds.chan_thk;
  return k;
}

// What each chart's image showed when it was last painted here.
struct t_painted {
  qint64 image = 0;  // cacheKey of the image after the painting
  int32_t view_last = 0;
  t_frame_key key;
  int band_top = INT_MAX, band_bottom = INT_MIN;  // the rows with trace pixels (line_buf)
};
t_painted painted[CHART_CNT];

void begin_chart_painter(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setFont(chart_font());
}

// The follow step paints the frame's pieces into an image of its own with
// a painter that stays open, and copies them over: the chart's image
// needs no painter, no clip and no allocation a step. Made again when the
// chart's size changes; closed when the application ends.
struct t_follow_scratch {
  QImage image;
  QPainter painter;
};
t_follow_scratch* follow_scratch_ptr = nullptr;

t_follow_scratch& follow_scratch(int w, int h) {
  if (!follow_scratch_ptr) {
    follow_scratch_ptr = new t_follow_scratch;
    qAddPostRoutine([] {
      delete follow_scratch_ptr;
      follow_scratch_ptr = nullptr;
    });
  }
  t_follow_scratch& sc = *follow_scratch_ptr;
  if (sc.image.width() != w || sc.image.height() != h) {
    if (sc.painter.isActive()) sc.painter.end();
    sc.image = QImage(w, h, QImage::Format_RGB32);
    sc.painter.begin(&sc.image);
    begin_chart_painter(sc.painter);
  }
  return sc;
}

int32_t time_xoff(const t_draw_stat& ds, int32_t view_last) {
  const int32_t f = (view_last / 5) % std::max(ds.tdiv, 1);
  return round_px(f * 5 / std::max(ds.smp_per_px, 1e-9));
}

// Marks the rows of a scale's grid lines.
void mark_grid_rows(const t_draw_stat& ds, float step_v, float min, float vpp, int32_t step_px, bool down,
                    std::vector<uint8_t>& rows) {
  const int off = round_px(grid_offset(step_v, min) / vpp);
  const int step = std::max(step_px, 1);
  for (int y = down ? ds.plot_top + off : ds.plot_bottom - off; down ? y < ds.plot_bottom : y > ds.plot_top;
       y += down ? step : -step)
    if (y >= 0 && y < static_cast<int>(rows.size())) rows[y] = 1;
}

// The background draw_frame paints in row y of the plot (or on its bottom
// edge) from x1 to x2 (x2 left out, both within the plot's edges) with the
// time grid of view_last: white (the grey edge on the bottom row), the
// dashes of a horizontal grid line (grid_row) and those of the time grid.
void plot_row_background(const t_draw_stat& ds, int y, int32_t view_last, bool grid_row, int x1, int x2, QRgb* out) {
  const int left = ds.plot_left, right = ds.plot_right, bottom = ds.plot_bottom, top = ds.plot_top;
  if (x1 >= x2) return;
  const QRgb silver = kSilver.rgb();
  std::fill(out + x1, out + x2, y == bottom ? kGrey.rgb() : QColor(Qt::white).rgb());
  if (grid_row) {
    const std::vector<int>& across = dash_offsets(right - 1 - left, false);
    for (auto it = std::lower_bound(across.begin(), across.end(), x1 - left); it != across.end(); ++it) {
      const int x = left + *it;
      if (x >= x2 || x > right) break;
      out[x] = silver;
    }
  }
  const std::vector<int>& up = dash_offsets(bottom - top - 1, true);
  if (ds.grid_sel == GRID_NONE || !std::binary_search(up.begin(), up.end(), bottom - y)) return;
  for (int x = right - time_xoff(ds, view_last); x > left; x -= pixel_div_x())
    if (x >= x1 && x < x2) out[x] = silver;
}

// Columns x1 .. x2 - 1 inside the plot's edges as draw_frame paints them,
// from the top of the image down to the row below the bottom edge; rows
// marks the rows of the horizontal grid lines, plain those that show their
// background already.
void plot_background(QImage& img, const t_draw_stat& ds, const std::vector<uint8_t>& rows,
                     const std::vector<uint8_t>& plain, int x1, int x2) {
  const int bottom = ds.plot_bottom;
  uchar* bits = img.bits();
  const qsizetype bpl = img.bytesPerLine();
  const QRgb white = QColor(Qt::white).rgb(), silver = kSilver.rgb();
  for (int y = 0; y < bottom + 2; ++y) {
    auto* row = reinterpret_cast<QRgb*>(bits + y * bpl);
    if (plain[y]) continue;
    if (rows[y] || y == bottom)
      plot_row_background(ds, y, ds.view_last, rows[y] != 0, x1, x2, row);
    else
      std::fill(row + x1, row + x2, white);
  }
  // The time grid's dashes, from the bottom edge upward (those on the grid
  // rows and the bottom edge are there already).
  if (ds.grid_sel == GRID_NONE) return;
  const std::vector<int>& up = dash_offsets(bottom - ds.plot_top - 1, true);
  for (int x = ds.plot_right - time_xoff(ds, ds.view_last); x > ds.plot_left; x -= pixel_div_x()) {
    if (x < x1 || x >= x2) continue;
    for (const int o : up) reinterpret_cast<QRgb*>(bits + (bottom - o) * bpl)[x] = silver;
  }
}

void grid_row_background(const t_draw_stat& ds, int y, int32_t view_last, QRgb* out) {
  plot_row_background(ds, y, view_last, true, ds.plot_left, ds.plot_right + 1, out);
}

// The rows of the horizontal grid lines between x1 and x2 (x2 left out)
// after the plot moved m columns to the left: a pixel that still shows the
// old background of where it came from gets the new background, any other
// is a trace's and stays (no trace has a background colour). The
// backgrounds differ only on the bottom edge and on the rows the time
// grid's dashes cross; each kind is made once.
bool renew_grid_rows(QImage& img, const t_draw_stat& ds, const std::vector<uint8_t>& rows, int x1, int x2, int32_t m,
                     int32_t old_view_last) {
  static std::array<std::vector<QRgb>, 3> now, was;
  std::array<bool, 3> made{};
  const int bottom = ds.plot_bottom;
  const std::vector<int>& up = dash_offsets(bottom - ds.plot_top - 1, true);
  const int n = std::min(static_cast<int>(rows.size()), bottom + 2);
  for (int y = 0; y < n; ++y) {
    if (!rows[y]) continue;
    if (y < ds.plot_top || y > bottom) return false;
    const int kind = y == bottom ? 2 : std::binary_search(up.begin(), up.end(), bottom - y) ? 1 : 0;
    if (!made[kind]) {
      now[kind].resize(static_cast<size_t>(img.width()));
      was[kind].resize(static_cast<size_t>(img.width()));
      grid_row_background(ds, y, ds.view_last, now[kind].data());
      grid_row_background(ds, y, old_view_last, was[kind].data());
      made[kind] = true;
    }
    const QRgb* a = was[kind].data() + m;
    const QRgb* b = now[kind].data();
    auto* row = reinterpret_cast<QRgb*>(img.bits() + y * img.bytesPerLine());
    for (int x = x1; x < x2; ++x)
      if (row[x] == a[x]) row[x] = b[x];
  }
  return true;
}

// The follow step's painting: the plot moves m columns to the left, and
// only what changed is painted again: the columns from first_new on, the
// margins with the axis labels, the rows of the horizontal grid, and the
// time grid lines where they do not move with the plot.
bool paint_shifted(QImage& img, int chart, int32_t m, int32_t first_new) {
  const t_draw_stat& ds = draw_stat[chart];
  const t_painted& was = painted[chart];
  const int w = img.width(), h = img.height();
  if (img.format() != QImage::Format_RGB32 || was.image != img.cacheKey() || !(was.key == frame_key(ds)) || m <= 0 ||
      m > ds.plot_w / 2 || ds.smp_per_px < 1.0 || ds.no_data || ds.plot_right >= w || ds.plot_bottom + 2 > h)
    return false;
  const QRgb frame_colours[] = {QColor(Qt::white).rgb(), kSilver.rgb(), kGrey.rgb()};
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    if (ds.chan_meas[r] == MEAS_SAT) return false;  // a skipped column carries a height along
    // A trace in a background colour could not be told from the background.
    if (std::ranges::find(frame_colours, chart_color(ds.chan_color[r]).rgb()) != std::end(frame_colours)) return false;
  }
  const int left = ds.plot_left, right = ds.plot_right, bottom = ds.plot_bottom;
  // Pixels of a column come from its neighbours' values up to two columns away.
  const int x0 = std::max(left + first_new - 3, left + 3);
  if (x0 >= right) return false;
  t_follow_scratch& sc = follow_scratch(w, h);
  if (!sc.painter.isActive()) return false;

  static std::vector<uint8_t> cols, rows;
  cols.assign(static_cast<size_t>(w), 0);
  rows.assign(static_cast<size_t>(h), 0);
  // The margins beside the plot keep their scales; the plot's edge columns,
  // the new columns (with the saturation marks beside them when a raw
  // channel may show one) and the time labels below are painted again.
  bool raw = false;
  for (int r = 0; r < MAX_CHANNELS; ++r) raw = raw || (drawn(ds, r) && ds.chan_meas[r] == MEAS_RAW);
  // (the right edge, its ticks and a thick trace's outer pixel)
  const int x_end = raw || chart != CHART_LIVE ? w : std::min(right + std::max(3, ds.half0 + 1), w);
  std::fill(cols.begin() + std::max(left - 2, 0), cols.begin() + left + 3, 1);
  std::fill(cols.begin() + x0, cols.begin() + x_end, 1);
  std::fill(rows.begin() + bottom + 2, rows.end(), 1);
  if (ds.grid_sel == GRID_SCALED) mark_grid_rows(ds, ds.h_step, ds.h_min, ds.h_vpp, ds.h_step_px, false, rows);
  if (ds.grid_sel == GRID_TEMP) mark_grid_rows(ds, ds.t_step, ds.t_min, ds.t_vpp, ds.t_step_px, false, rows);
  if (ds.grid_sel == GRID_RAW) mark_grid_rows(ds, ds.r_step, ds.r_min, ds.r_vpp, ds.r_step_px, ds.raw_invert, rows);
  bool time_grid_moved = true;
  if (ds.grid_sel != GRID_NONE) {
    // Time grid lines that do not land where the moved ones are.
    const int32_t pdx = pixel_div_x();
    const int32_t old_x = right - time_xoff(ds, was.view_last) - m, new_x = right - time_xoff(ds, ds.view_last);
    if ((((old_x - new_x) % pdx) + pdx) % pdx != 0) {
      for (int x = old_x; x > left; x -= pdx) cols[x] = 1;
      for (int x = new_x; x > left; x -= pdx) cols[x] = 1;
      time_grid_moved = false;
    }
  }

  // The kept part of the plot moves left. A row without a trace pixel, a
  // grid line or the bottom edge holds only white and the time grid's
  // dashes: when the time grid moves with the plot, only those move, and
  // the row shows its new background across the plot (plain).
  uchar* bits = img.bits();
  const qsizetype bpl = img.bytesPerLine();
  // (columns from x0 on are painted again)
  const int kept = std::min(x0, right + 1 - m) - left;
  const std::vector<int>& up = dash_offsets(bottom - ds.plot_top - 1, true);
  const int old_grid_x = right - time_xoff(ds, was.view_last), new_grid_x = right - time_xoff(ds, ds.view_last);
  static std::vector<uint8_t> plain;
  plain.assign(static_cast<size_t>(bottom + 2), 0);
  for (int y = 0; y < bottom + 2; ++y) {
    auto* row = reinterpret_cast<QRgb*>(bits + y * bpl);
    if (time_grid_moved && !rows[y] && y != bottom && (y < was.band_top || y > was.band_bottom)) {
      plain[y] = 1;
      if (ds.grid_sel == GRID_NONE || !std::binary_search(up.begin(), up.end(), bottom - y)) continue;
      for (int x = old_grid_x; x > left; x -= pixel_div_x())
        if (x < right) row[x] = QColor(Qt::white).rgb();
      for (int x = new_grid_x; x > left; x -= pixel_div_x())
        if (x < right) row[x] = kSilver.rgb();
      continue;
    }
    std::memmove(row + left, row + left + m, static_cast<size_t>(kept) * sizeof(QRgb));
  }

  // The grid rows inside the plot keep their traces' pixels.
  if (!renew_grid_rows(img, ds, rows, left + 3, std::min(x0, right + 1 - m), m, was.view_last)) return false;

  // The marked columns inside the plot get their background straight away
  // down to the row below the bottom edge; the rest of the marked columns
  // and the rows below the plot are painted into the scratch image and
  // copied from there.
  static std::vector<QRect> regions;
  regions.clear();
  for (int a = 0; a < w;) {
    if (!cols[a]) {
      ++a;
      continue;
    }
    int b = a;
    while (b + 1 < w && cols[b + 1]) ++b;
    const int in1 = std::max(a, left + 1), in2 = std::min(b + 1, right);  // inside the edges: in1 .. in2 - 1
    if (in1 < in2) plot_background(img, ds, rows, plain, in1, in2);
    if (a <= left) regions.emplace_back(a, 0, std::min(b, left) + 1 - a, h);
    if (b >= right) regions.emplace_back(std::max(a, right), 0, b + 1 - std::max(a, right), h);
    a = b + 1;
  }
  regions.emplace_back(0, bottom + 2, w, h - bottom - 2);
  // Each region is painted whole and copied before the next one: the
  // frame's lines are drawn without a clip. The saturation marks lie right
  // of the plot, where no trace reaches (a raw channel marks all columns
  // there).
  for (const QRect& rc : regions) {
    label_clip = &rc;
    draw_frame(sc.painter, ds, pixel_div_x());
    label_clip = nullptr;
    if (chart == CHART_LIVE) draw_sat_marks(sc.painter, ds);
    const int x = std::max(rc.left(), 0), n = std::min(rc.right() + 1, w) - x;
    for (int y = std::max(rc.top(), 0); n > 0 && y <= std::min(rc.bottom(), h - 1); ++y)
      std::memcpy(bits + y * bpl + x * 4, sc.image.constScanLine(y) + x * 4, static_cast<size_t>(n) * 4);
  }

  static std::vector<uint8_t> near;
  near.assign(static_cast<size_t>(w), 0);
  for (int x = 0; x < w; ++x)
    if (cols[x]) std::fill(near.begin() + std::max(x - 2, 0), near.begin() + std::min(x + 3, w), 1);
  const t_masks masks{cols.data(), near.data()};
  line_buf().band_top = was.band_top;
  line_buf().band_bottom = was.band_bottom;
  int d = 1;
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!drawn(ds, r)) continue;
    if (!trace_channel(nullptr, &img, ds, r, d, &masks)) return false;
    if (is_din_mode(ds.chan_meas[r])) d += ds.chan_thk[r] + 2;
  }
  return true;
}

// The columns a follow step maps again because samples may have come late
// into them: their values before the step, so that only those that did
// change (and the new ones) are painted again.
class late_column_copy {
 public:
  // The columns holding an index above stable_last, before the step.
  void keep(const t_draw_stat& ds, int32_t stable_last) {
    hi_ = std::min(ds.plot_w, CHART_COLS - 1);
    lo_ = hi_ + 1;
    while (lo_ > 0 && ds.col_first[lo_ - 1] > stable_last) --lo_;
    for (int k = lo_; k <= hi_; ++k) {
      min_[k] = ds.col_min[k];
      max_[k] = ds.col_max[k];
      gap_[k] = ds.col_gap[k];
      empty_[k] = ds.col_empty[k];
    }
  }
  // After the columns moved m to the left and those from first_new on were
  // mapped again: the first column whose values differ from those it had
  // before it moved, or the first new column.
  int32_t first_changed(const t_draw_stat& ds, int32_t m, int32_t first_new) const {
    const int32_t last_moved = ds.plot_w - m;
    for (int32_t k = first_new; k <= last_moved; ++k)
      if (k + m < lo_ || k + m > hi_ || !same(ds, k, k + m)) return k;
    return std::max(first_new, last_moved + 1);
  }

 private:
  bool same(const t_draw_stat& ds, int k, int old_k) const {
    for (int r = 0; r < MAX_CHANNELS; ++r) {
      if (ds.col_empty[k][r] != empty_[old_k][r] || ds.col_gap[k][r] != gap_[old_k][r]) return false;
      if (!ds.col_empty[k][r] &&
          (std::bit_cast<uint32_t>(ds.col_min[k][r]) != std::bit_cast<uint32_t>(min_[old_k][r]) ||
           std::bit_cast<uint32_t>(ds.col_max[k][r]) != std::bit_cast<uint32_t>(max_[old_k][r])))
        return false;
    }
    return true;
  }
  int lo_ = 0, hi_ = -1;
  std::array<std::array<float, MAX_CHANNELS>, CHART_COLS> min_{}, max_{};
  std::array<std::array<bool, MAX_CHANNELS>, CHART_COLS> gap_{}, empty_{};
};

late_column_copy& late_columns() {
  static late_column_copy copy;
  return copy;
}

void note_painted(const QImage& img, int chart) {
  painted[chart].image = img.cacheKey();
  painted[chart].view_last = draw_stat[chart].view_last;
  painted[chart].key = frame_key(draw_stat[chart]);
  painted[chart].band_top = line_buf().band_top;
  painted[chart].band_bottom = line_buf().band_bottom;
}

}  // namespace

void paint_chart(QImage& img, int chart) {
  line_buf().band_top = INT_MAX;
  line_buf().band_bottom = INT_MIN;
  {
    QPainter p(&img);
    begin_chart_painter(p);
    draw_traces(p, draw_stat[chart], chart == CHART_LIVE, pixel_div_x());
  }
  clear_upper_vectors();
  note_painted(img, chart);
}

int32_t follow_chart(QImage& img, int chart, int32_t old_view_last, const t_frame_limits& lim) {
  clear_upper_vectors();
  static const font_measure tm;
  t_draw_stat& ds = draw_stat[chart];
  calc_layout(ds, img.width(), img.height(), tm, lim, pixel_div_x(), pixel_div_y());
  calc_time_scale(ds, pixel_div_x(), pixel_div_y());
  // Slots more than a minute below the newest one seen are complete: late
  // samples of a device come within its last block.
  const int32_t stable_last = old_view_last - FOLLOW_LATE_SLOTS;
  late_columns().keep(ds, stable_last);
  int32_t first_new = 0;
  const int32_t m = follow_columns(chart, old_view_last, stable_last, first_new);
  if (m > 0) first_new = late_columns().first_changed(ds, m, first_new);
  const bool shifted = m > 0 && paint_shifted(img, chart, m, first_new);
  clear_upper_vectors();
  if (!shifted) {
    paint_chart(img, chart);
    return 0;
  }
  note_painted(img, chart);
  return m;
}
