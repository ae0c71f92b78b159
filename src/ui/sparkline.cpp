#include "ui/sparkline.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

QImage paint_sparkline(const uint32_t* values, int n, QSize size, qreal dpr) {
  QImage img(size * dpr, QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(dpr);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF frame(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
  p.setPen(QPen(QColor(200, 200, 200), 1));
  p.drawRect(frame);

  const QRectF plot = frame.adjusted(4, 4, -4, -4);
  p.setPen(QPen(QColor(160, 160, 160), 1));
  p.drawLine(QPointF(plot.left(), plot.bottom()), QPointF(plot.right(), plot.bottom()));
  if (n <= 0 || !values || plot.width() < 2 || plot.height() < 2) return img;

  uint64_t sum = 0;
  uint32_t top = 1;
  for (int k = 0; k < n; ++k) {
    sum += values[k];
    top = std::max(top, values[k]);
  }
  const double scale = plot.height() / (static_cast<double>(top) * 1.1);
  // The newest value sits at the right edge; a short row starts further right.
  const double step = plot.width() / std::max(1, n - 1);
  auto at = [&](int k) {
    const double x = n == 1 ? plot.right() : plot.left() + step * k;
    return QPointF(x, plot.bottom() - static_cast<double>(values[k]) * scale);
  };

  const double mean_y = plot.bottom() - static_cast<double>(sum) / n * scale;
  p.setPen(QPen(QColor(230, 140, 0), 1, Qt::DashLine));
  p.drawLine(QPointF(plot.left(), mean_y), QPointF(plot.right(), mean_y));

  QPainterPath path(at(0));
  for (int k = 1; k < n; ++k) path.lineTo(at(k));
  p.setPen(QPen(QColor(20, 80, 170), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 80, 170));
  p.drawEllipse(at(n - 1), 2.5, 2.5);
  return img;
}
