#include "ui/icons.h"

#include "orv_version.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRectF>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace {

// ---- palette -------------------------------------------------------------------
const QColor kInk(0x2b, 0x3a, 0x4a);    // outlines and dark details
const QColor kSlate(0x5a, 0x6e, 0x82);  // device housing
const QColor kSlateLight(0x8c, 0x9d, 0xae);
const QColor kSlateDark(0x3e, 0x4f, 0x61);
const QColor kBlue(0x2f, 0x74, 0xc0);
const QColor kBlueDark(0x1f, 0x55, 0x92);
const QColor kGreen(0x2e, 0x9e, 0x4f);
const QColor kGreenDark(0x21, 0x7a, 0x3c);
const QColor kRed(0xd6, 0x45, 0x41);
const QColor kRedDark(0xa8, 0x30, 0x2d);
const QColor kAmber(0xf2, 0xa3, 0x1b);
const QColor kAmberDark(0xc2, 0x7c, 0x0a);
const QColor kOrange(0xe8, 0x7a, 0x1e);
const QColor kOrangeDark(0xb8, 0x5a, 0x0e);
const QColor kFolderBack(0xd9, 0x93, 0x22);
const QColor kFolderFront(0xf6, 0xc1, 0x4e);
const QColor kFolderEdge(0xb0, 0x74, 0x12);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperEdge(0x6b, 0x7a, 0x89);
const QColor kGrey(0x93, 0x9e, 0xaa);
const QColor kGreyDark(0x6e, 0x7a, 0x86);
const QColor kDisplay(0x1f, 0x3d, 0x4c);
const QColor kDisplayText(0x7f, 0xe0, 0xb0);
const QColor kSky(0xcf, 0xe6, 0xfa);
const QColor kHill(0x3f, 0xa3, 0x5c);
const QColor kHillBack(0x7c, 0xc4, 0x8a);

constexpr qreal kGrid = 24.0;  // every picture is drawn on a 24 x 24 grid

using painter_fn = std::function<void(QPainter&)>;

QPen edge(const QColor& c, qreal w = 1.0) {
  QPen pen(c, w);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

// Renders a picture drawn on the 24-unit grid into a square image of
// logical size size at device pixel ratio dpr.
QImage render(const painter_fn& paint, int size, qreal dpr) {
  const int px = std::max(1, static_cast<int>(std::lround(size * dpr)));
  QImage img(px, px, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.scale(px / kGrid, px / kGrid);
    paint(p);
  }
  img.setDevicePixelRatio(dpr);
  return img;
}

// Greyed look of a disabled command: the colours become a light grey of
// their brightness, and the picture a little more transparent.
QImage greyed(const QImage& src) {
  QImage img = src.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = line[x];
      const int a = qAlpha(c);
      if (a == 0) continue;
      const int lum = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
      const int v = 118 + lum * 120 / 255;  // 118..238: light, never white on white
      line[x] = qRgba(v, v, std::min(255, v + 4), a * 80 / 100);
    }
  }
  img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(src.devicePixelRatio());
  return img;
}

// ---- shared parts --------------------------------------------------------------

// A filled disc with a slightly darker rim.
void disc(QPainter& p, QPointF c, qreal r, const QColor& fill, const QColor& rim) {
  p.setPen(edge(rim, 1.0));
  p.setBrush(fill);
  p.drawEllipse(c, r - 0.5, r - 0.5);
}

// The corner badge of the device commands: a disc with a white ring that
// separates it from the device behind it.
void badge(QPainter& p, const QColor& fill, const QColor& rim) {
  const QPointF c(17.5, 17.5);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(c, 6.6, 6.6);
  disc(p, c, 6.0, fill, rim);
}

// A measuring transmitter: round head with a cable gland and a display
// showing a trend, on a neck with its process flange. Drawn at the upper
// left so that a badge fits bottom right.
void transmitter(QPainter& p) {
  const QPointF head(10.0, 8.5);
  // process connection: neck and flange
  p.setPen(edge(kSlateDark, 1.0));
  p.setBrush(kSlateLight);
  p.drawRect(QRectF(8.0, 15.0, 4.0, 3.5));
  p.setBrush(kSlate);
  p.drawRoundedRect(QRectF(4.5, 18.5, 11.0, 3.0), 0.8, 0.8);
  // cable gland on the left of the head
  p.setBrush(kSlateLight);
  p.drawRoundedRect(QRectF(1.0, 7.0, 2.6, 3.0), 0.5, 0.5);
  // head
  QLinearGradient g(head.x(), head.y() - 7, head.x(), head.y() + 7);
  g.setColorAt(0.0, kSlateLight);
  g.setColorAt(1.0, kSlate);
  p.setPen(edge(kSlateDark, 1.0));
  p.setBrush(g);
  p.drawEllipse(head, 7.0, 7.0);
  // display window with a trend line
  p.setPen(Qt::NoPen);
  p.setBrush(kDisplay);
  p.drawRoundedRect(QRectF(5.5, 5.0, 9.0, 6.0), 1.0, 1.0);
  p.setPen(edge(kDisplayText, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({QPointF(6.7, 9.3), QPointF(8.6, 7.6), QPointF(10.2, 8.6), QPointF(13.3, 6.3)}));
}

void arrow_down(QPainter& p, QPointF c) {
  p.setPen(edge(Qt::white, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(c.x(), c.y() - 3.3), QPointF(c.x(), c.y() + 2.6));
  p.drawPolyline(
      QPolygonF({QPointF(c.x() - 2.8, c.y() - 0.1), QPointF(c.x(), c.y() + 2.9), QPointF(c.x() + 2.8, c.y() - 0.1)}));
}

void arrow_up(QPainter& p, QPointF c) {
  p.setPen(edge(Qt::white, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(c.x(), c.y() + 3.3), QPointF(c.x(), c.y() - 2.6));
  p.drawPolyline(
      QPolygonF({QPointF(c.x() - 2.8, c.y() + 0.1), QPointF(c.x(), c.y() - 2.9), QPointF(c.x() + 2.8, c.y() + 0.1)}));
}

void pause_bars(QPainter& p, const QColor& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(QRectF(8.0, 7.0, 2.8, 10.0), 0.7, 0.7);
  p.drawRoundedRect(QRectF(13.2, 7.0, 2.8, 10.0), 0.7, 0.7);
}

// ---- tool bar pictures -----------------------------------------------------------

void paint_load(QPainter& p) {
  QPainterPath back;
  back.moveTo(2.5, 19.5);
  back.lineTo(2.5, 5.5);
  back.quadTo(2.5, 4.5, 3.5, 4.5);
  back.lineTo(8.5, 4.5);
  back.lineTo(10.5, 6.5);
  back.lineTo(18.5, 6.5);
  back.quadTo(19.5, 6.5, 19.5, 7.5);
  back.lineTo(19.5, 10.0);
  back.lineTo(2.5, 19.5);
  p.setPen(edge(kFolderEdge, 1.0));
  p.setBrush(kFolderBack);
  p.drawPath(back);
  // a sheet peeking out
  p.setPen(edge(kPaperEdge, 0.8));
  p.setBrush(kPaper);
  p.drawRect(QRectF(5.5, 8.0, 11.5, 6.0));
  QPainterPath front;
  front.moveTo(2.5, 19.5);
  front.lineTo(5.3, 10.8);
  front.quadTo(5.6, 10.0, 6.4, 10.0);
  front.lineTo(21.6, 10.0);
  front.quadTo(22.4, 10.0, 22.1, 10.8);
  front.lineTo(19.5, 18.7);
  front.quadTo(19.2, 19.5, 18.4, 19.5);
  front.closeSubpath();
  QLinearGradient g(0, 10, 0, 19.5);
  g.setColorAt(0.0, kFolderFront.lighter(108));
  g.setColorAt(1.0, kFolderFront);
  p.setPen(edge(kFolderEdge, 1.0));
  p.setBrush(g);
  p.drawPath(front);
}

void paint_save(QPainter& p) {
  QPainterPath body;
  body.moveTo(4.5, 3.5);
  body.lineTo(17.0, 3.5);
  body.lineTo(20.5, 7.0);
  body.lineTo(20.5, 19.5);
  body.quadTo(20.5, 20.5, 19.5, 20.5);
  body.lineTo(4.5, 20.5);
  body.quadTo(3.5, 20.5, 3.5, 19.5);
  body.lineTo(3.5, 4.5);
  body.quadTo(3.5, 3.5, 4.5, 3.5);
  p.setPen(edge(kBlueDark, 1.0));
  p.setBrush(kBlue);
  p.drawPath(body);
  // shutter with its slot
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xdc, 0xe4, 0xee));
  p.drawRect(QRectF(7.0, 4.0, 9.0, 5.5));
  p.setBrush(kBlueDark);
  p.drawRect(QRectF(12.5, 5.0, 2.0, 3.5));
  // label
  p.setPen(edge(kBlueDark, 0.8));
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(6.0, 12.0, 12.0, 8.5), 0.8, 0.8);
  p.setPen(edge(QColor(0xa9, 0xb6, 0xc4), 1.0));
  p.drawLine(QPointF(8.0, 14.8), QPointF(16.0, 14.8));
  p.drawLine(QPointF(8.0, 17.5), QPointF(14.0, 17.5));
}

void paint_new_dev(QPainter& p) {
  transmitter(p);
  badge(p, kGreen, kGreenDark);
  p.setPen(edge(Qt::white, 2.0));
  p.drawLine(QPointF(17.5, 14.3), QPointF(17.5, 20.7));
  p.drawLine(QPointF(14.3, 17.5), QPointF(20.7, 17.5));
}

void paint_rd_cfg(QPainter& p) {
  transmitter(p);
  badge(p, kBlue, kBlueDark);
  arrow_down(p, QPointF(17.5, 17.5));
}

void paint_wr_cfg(QPainter& p) {
  transmitter(p);
  badge(p, kOrange, kOrangeDark);
  arrow_up(p, QPointF(17.5, 17.5));
}

void paint_exp_csv(QPainter& p) {
  QPainterPath page;
  page.moveTo(5.0, 2.5);
  page.lineTo(14.5, 2.5);
  page.lineTo(19.5, 7.5);
  page.lineTo(19.5, 21.0);
  page.quadTo(19.5, 21.5, 19.0, 21.5);
  page.lineTo(5.0, 21.5);
  page.quadTo(4.5, 21.5, 4.5, 21.0);
  page.lineTo(4.5, 3.0);
  page.quadTo(4.5, 2.5, 5.0, 2.5);
  p.setPen(edge(kPaperEdge, 1.0));
  p.setBrush(kPaper);
  p.drawPath(page);
  // folded corner
  p.setBrush(QColor(0xdd, 0xe3, 0xea));
  p.drawPolygon(QPolygonF({QPointF(14.5, 2.5), QPointF(14.5, 7.5), QPointF(19.5, 7.5)}));
  // table: header row and cells
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawRect(QRectF(7.0, 9.5, 10.0, 2.5));
  p.setPen(edge(kGreen, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(7.0, 9.5, 10.0, 9.5));
  p.drawLine(QPointF(7.0, 15.5), QPointF(17.0, 15.5));
  p.drawLine(QPointF(11.5, 12.0), QPointF(11.5, 19.0));
  p.setPen(edge(kGreenDark.lighter(150), 0.8));
  p.drawLine(QPointF(7.5, 13.75), QPointF(16.5, 13.75));
  p.drawLine(QPointF(7.5, 17.25), QPointF(16.5, 17.25));
}

void paint_exp_bmp(QPainter& p) {
  const QRectF frame(2.5, 4.5, 19.0, 15.0);
  p.setPen(Qt::NoPen);
  p.setBrush(kSky);
  p.drawRoundedRect(frame, 1.5, 1.5);
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(frame, 1.5, 1.5);
  p.setClipPath(clip);
  p.setBrush(kAmber);
  p.drawEllipse(QPointF(16.5, 9.0), 2.2, 2.2);
  p.setBrush(kHillBack);
  p.drawPolygon(QPolygonF({QPointF(9.0, 19.5), QPointF(15.0, 12.5), QPointF(22.0, 19.5)}));
  p.setBrush(kHill);
  p.drawPolygon(QPolygonF({QPointF(2.0, 19.5), QPointF(2.0, 17.0), QPointF(8.0, 10.5), QPointF(15.0, 19.5)}));
  p.restore();
  p.setPen(edge(kPaperEdge, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(frame, 1.5, 1.5);
}

void paint_stop(QPainter& p) {
  disc(p, QPointF(12, 12), 10.0, kRed, kRedDark);
  pause_bars(p, Qt::white);
}

void paint_play(QPainter& p) {
  disc(p, QPointF(12, 12), 10.0, kGreen, kGreenDark);
  QPainterPath tri;
  tri.moveTo(9.6, 7.4);
  tri.lineTo(16.8, 12.0);
  tri.lineTo(9.6, 16.6);
  tri.closeSubpath();
  p.setPen(edge(Qt::white, 1.0));
  p.setBrush(Qt::white);
  p.drawPath(tri);
}

painter_fn tool_painter(tool_cmd_t cmd) {
  switch (cmd) {
    case tool_cmd_t::LOAD_CFG: return paint_load;
    case tool_cmd_t::SAVE_CFG: return paint_save;
    case tool_cmd_t::NEW_DEVICE: return paint_new_dev;
    case tool_cmd_t::READ_CFG: return paint_rd_cfg;
    case tool_cmd_t::WRITE_CFG: return paint_wr_cfg;
    case tool_cmd_t::EXPORT_CSV: return paint_exp_csv;
    case tool_cmd_t::EXPORT_BMP: return paint_exp_bmp;
    case tool_cmd_t::STOP: return paint_stop;
    case tool_cmd_t::PLAY: return paint_play;
    default: return [](QPainter&) {};
  }
}

// ---- status pictures ---------------------------------------------------------------

void paint_stat_ok(QPainter& p) {
  disc(p, QPointF(12, 12), 10.5, kGreen, kGreenDark);
  p.setPen(edge(Qt::white, 2.4));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({QPointF(7.2, 12.4), QPointF(10.6, 15.8), QPointF(16.9, 8.6)}));
}

void paint_stat_discon(QPainter& p) {
  disc(p, QPointF(12, 12), 10.5, kRed, kRedDark);
  // a plug pulled out of its socket, on a diagonal
  p.save();
  p.translate(12, 12);
  p.rotate(-45);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(-8.0, -3.0, 5.0, 6.0), 1.2, 1.2);  // plug body
  p.drawRect(QRectF(-3.4, -2.2, 2.6, 1.4));                   // prongs
  p.drawRect(QRectF(-3.4, 0.8, 2.6, 1.4));
  p.drawRoundedRect(QRectF(2.2, -3.0, 5.8, 6.0), 1.2, 1.2);  // socket
  p.setBrush(kRed);
  p.drawRect(QRectF(2.2, -2.2, 1.6, 1.4));  // its holes
  p.drawRect(QRectF(2.2, 0.8, 1.6, 1.4));
  p.setPen(edge(Qt::white, 1.6));
  p.drawLine(QPointF(-10.2, 0), QPointF(-7.5, 0));  // cables
  p.drawLine(QPointF(7.5, 0), QPointF(10.2, 0));
  p.restore();
}

void paint_stat_err(QPainter& p) {
  QPainterPath tri;
  tri.moveTo(10.6, 3.3);
  tri.quadTo(12.0, 1.2, 13.4, 3.3);
  tri.lineTo(22.2, 18.9);
  tri.quadTo(23.3, 21.0, 21.0, 21.0);
  tri.lineTo(3.0, 21.0);
  tri.quadTo(0.7, 21.0, 1.8, 18.9);
  tri.closeSubpath();
  p.setPen(edge(kAmberDark, 1.0));
  p.setBrush(kAmber);
  p.drawPath(tri);
  const QColor mark(0x3a, 0x2a, 0x08);
  p.setPen(edge(mark, 2.4));
  p.drawLine(QPointF(12.0, 8.4), QPointF(12.0, 13.8));
  p.setPen(Qt::NoPen);
  p.setBrush(mark);
  p.drawEllipse(QPointF(12.0, 17.4), 1.4, 1.4);
}

void paint_stat_disable(QPainter& p) {
  disc(p, QPointF(12, 12), 10.5, kGrey, kGreyDark);
  pause_bars(p, Qt::white);
}

painter_fn status_painter(dev_status_img_t img) {
  switch (img) {
    case dev_status_img_t::OK: return paint_stat_ok;
    case dev_status_img_t::DISCON: return paint_stat_discon;
    case dev_status_img_t::ERR: return paint_stat_err;
    case dev_status_img_t::DISABLE: return paint_stat_disable;
    default: return [](QPainter&) {};
  }
}

// ---- application icon -------------------------------------------------------------

// A dial gauge on a transmitter head: blue housing, white face, a scale
// from green over amber to red, and the needle. Small renderings leave out
// the ticks and the display and draw band and needle bolder.
void paint_app_at(QPainter& p, bool detailed) {
  const QPointF c(12.0, 11.0);
  p.setPen(edge(kSlateDark, 0.8));
  p.setBrush(kSlate);
  p.drawRoundedRect(QRectF(9.5, 19.5, 5.0, 4.0), 0.6, 0.6);  // process connection
  QLinearGradient g(0, 0.5, 0, 21.5);
  g.setColorAt(0.0, kBlue.lighter(115));
  g.setColorAt(1.0, kBlueDark);
  p.setPen(edge(kBlueDark.darker(120), 0.8));
  p.setBrush(g);
  p.drawEllipse(c, 10.5, 10.5);
  p.setPen(Qt::NoPen);
  p.setBrush(kPaper);
  p.drawEllipse(c, 8.2, 8.2);
  // coloured scale band, 225 deg (lower left) to -45 deg (lower right)
  const QRectF band(c.x() - 6.4, c.y() - 6.4, 12.8, 12.8);
  auto arc = [&](double from_deg, double span_deg, const QColor& col) {
    QPen pen(col, detailed ? 1.8 : 2.6);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(band, static_cast<int>(from_deg * 16), static_cast<int>(span_deg * 16));
  };
  arc(225, -160, kGreen);
  arc(65, -60, kAmber);
  arc(5, -50, kRed);
  // ticks
  p.setPen(edge(kInk, 0.6));
  for (int k = 0; detailed && k <= 6; ++k) {
    const double a = (225.0 - k * 45.0) * std::numbers::pi / 180.0;
    const QPointF dir(std::cos(a), -std::sin(a));
    p.drawLine(c + dir * 4.2, c + dir * 5.2);
  }
  // needle at about 70 % of the scale
  const double na = (225.0 - 0.7 * 270.0) * std::numbers::pi / 180.0;
  const QPointF tip = c + QPointF(std::cos(na), -std::sin(na)) * 6.0;
  p.setPen(edge(kRedDark, detailed ? 1.3 : 2.0));
  p.drawLine(c, tip);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawEllipse(c, detailed ? 1.5 : 2.0, detailed ? 1.5 : 2.0);
  if (!detailed) return;
  // display window under the hub
  p.setBrush(kDisplay);
  p.drawRoundedRect(QRectF(c.x() - 2.8, c.y() + 3.3, 5.6, 2.4), 0.5, 0.5);
  p.setBrush(kDisplayText);
  p.drawRect(QRectF(c.x() - 2.0, c.y() + 4.1, 1.0, 0.8));
  p.drawRect(QRectF(c.x() - 0.5, c.y() + 4.1, 1.0, 0.8));
  p.drawRect(QRectF(c.x() + 1.0, c.y() + 4.1, 1.0, 0.8));
}

void paint_app_small(QPainter& p) { paint_app_at(p, false); }
void paint_app(QPainter& p) { paint_app_at(p, true); }

// ---- caches --------------------------------------------------------------------

// Adds renderings of a picture at each size, at 1x and 2x.
void add_renderings(QIcon& icon, const painter_fn& paint, bool enabled, std::initializer_list<int> sizes) {
  for (int size : sizes)
    for (qreal dpr : {1.0, 2.0}) {
      const QImage img = render(paint, size, dpr);
      icon.addPixmap(QPixmap::fromImage(enabled ? img : greyed(img)));
    }
}

QIcon make_icon(const painter_fn& paint, bool enabled, std::initializer_list<int> sizes) {
  QIcon icon;
  add_renderings(icon, paint, enabled, sizes);
  return icon;
}

const std::array<QIcon, TOOL_IMAGE_CNT>& tool_icons() {
  static const std::array<QIcon, TOOL_IMAGE_CNT> icons = [] {
    std::array<QIcon, TOOL_IMAGE_CNT> out;
    for (int k = 0; k < TOOL_CMD_CNT; ++k)
      for (bool enabled : {true, false})
        out[tool_image_index(static_cast<tool_cmd_t>(k), enabled)] =
            make_icon(tool_painter(static_cast<tool_cmd_t>(k)), enabled, {16, TOOL_ICON_SIZE});
    return out;
  }();
  return icons;
}

bool valid(tool_cmd_t cmd) { return static_cast<int>(cmd) >= 0 && static_cast<int>(cmd) < TOOL_CMD_CNT; }
bool valid(dev_status_img_t img) { return static_cast<int>(img) >= 0 && static_cast<int>(img) < STAT_IMG_CNT; }

}  // namespace

const char* tool_cmd_name(tool_cmd_t cmd) {
  static const char* const names[TOOL_CMD_CNT] = {"tcmd_load",    "tcmd_save",   "tcmd_new_dev",
                                                  "tcmd_rd_cfg",  "tcmd_wr_cfg", "tcmd_exp_exc",
                                                  "tcmd_exp_bmp", "tcmd_stop",   "tcmd_play"};
  const int k = static_cast<int>(cmd);
  return k >= 0 && k < TOOL_CMD_CNT ? names[k] : "";
}

int tool_image_index(tool_cmd_t cmd, bool enabled) { return 2 * static_cast<int>(cmd) + (enabled ? 0 : 1); }

QIcon tool_icon(tool_cmd_t cmd, bool enabled) {
  if (!valid(cmd)) return QIcon();
  return tool_icons()[tool_image_index(cmd, enabled)];
}

QIcon tool_image(int index) {
  if (index < 0 || index >= TOOL_IMAGE_CNT) return QIcon();
  return tool_icons()[index];
}

QImage tool_image_at(tool_cmd_t cmd, bool enabled, int size, qreal dpr) {
  if (!valid(cmd)) return QImage();
  const QImage img = render(tool_painter(cmd), size, dpr);
  return enabled ? img : greyed(img);
}

QPixmap status_pixmap(dev_status_img_t img, qreal dpr) {
  if (!valid(img)) return QPixmap();
  return QPixmap::fromImage(render(status_painter(img), STATUS_IMG_SIZE, dpr));
}

QIcon status_icon(dev_status_img_t img) {
  if (!valid(img)) return QIcon();
  return make_icon(status_painter(img), true, {STATUS_IMG_SIZE});
}

QIcon app_icon() {
  static const QIcon icon = [] {
    QIcon out;
    add_renderings(out, paint_app_small, true, {16, 24});
    add_renderings(out, paint_app, true, {32, 48, 64, 128, 256});
    return out;
  }();
  return icon;
}

QImage app_icon_image(int px) { return render(px < 32 ? paint_app_small : paint_app, px, 1.0); }

QImage icon_sheet() {
  // Per ground (light above, dark below): tool images enabled, greyed, then
  // the status images and the application icon; 1x on the left, 2x in the
  // middle, the application icon at 64 and 128 pixels on the right.
  constexpr int cell = 28;
  constexpr int pad = 10;
  const int block_h = 3 * 2 * cell + 2 * pad;
  const int width = pad + TOOL_CMD_CNT * cell + pad + TOOL_CMD_CNT * 2 * cell + pad + 64 + pad + 128 + pad;
  QImage sheet(width, 2 * block_h, QImage::Format_ARGB32);
  sheet.fill(QColor(0xf4, 0xf5, 0xf7));
  QPainter p(&sheet);
  p.fillRect(QRect(0, block_h, width, block_h), QColor(0x3a, 0x3f, 0x46));
  auto put = [&](const QImage& img, int x, int y) {
    p.drawImage(QRectF(x, y, img.width(), img.height()), img);  // pixel for pixel
  };
  for (int ground = 0; ground < 2; ++ground) {
    const int y0 = ground * block_h + pad;
    int x0 = pad;
    for (qreal dpr : {1.0, 2.0}) {
      const int c = static_cast<int>(cell * dpr);
      for (int k = 0; k < TOOL_CMD_CNT; ++k) {
        put(tool_image_at(static_cast<tool_cmd_t>(k), true, TOOL_ICON_SIZE, dpr), x0 + k * c, y0);
        put(tool_image_at(static_cast<tool_cmd_t>(k), false, TOOL_ICON_SIZE, dpr), x0 + k * c, y0 + c);
      }
      for (int k = 0; k < STAT_IMG_CNT; ++k)
        put(render(status_painter(static_cast<dev_status_img_t>(k)), STATUS_IMG_SIZE, dpr), x0 + k * c, y0 + 2 * c);
      put(render(paint_app_small, 16, dpr), x0 + (STAT_IMG_CNT + 1) * c, y0 + 2 * c);
      put(render(paint_app_small, 24, dpr), x0 + (STAT_IMG_CNT + 2) * c, y0 + 2 * c);
      x0 += TOOL_CMD_CNT * c + pad;
    }
    put(render(paint_app, 64, 1.0), x0, y0);
    put(render(paint_app, 128, 1.0), x0 + 64 + pad, y0);
  }
  return sheet;
}

QPixmap default_info_page(QSize size, qreal dpr) {
  QPixmap pm(size * dpr);
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(QPointF(0, 0), QSizeF(size));
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(246, 248, 251));
  g.setColorAt(1, QColor(226, 233, 242));
  p.setPen(QPen(QColor(200, 208, 220), 1));
  p.setBrush(g);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
  const int icon = 128;
  p.drawPixmap(QRectF(r.center().x() - icon / 2.0, 70, icon, icon), app_icon().pixmap(QSize(icon, icon), dpr),
               QRectF());
  QFont title("Arial", 26, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(40, 56, 80));
  p.drawText(QRectF(0, 220, r.width(), 50), Qt::AlignHCenter | Qt::AlignVCenter,
             QStringLiteral("Orv Config " ORV_VERSION));
  QFont sub("Arial", 12);
  p.setFont(sub);
  p.setPen(QColor(90, 104, 124));
  p.drawText(QRectF(40, 280, r.width() - 80, 60), Qt::AlignHCenter | Qt::TextWordWrap,
             QStringLiteral("Setup, monitoring, logging and calibration of Orv measuring transmitters"));
  return pm;
}
