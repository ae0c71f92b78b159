#include "charts/chart_view.h"

#include <QMouseEvent>
#include <QPainter>

chart_view::chart_view(QWidget* parent) : QWidget(parent), img_(1, 1, QImage::Format_RGB32) {
  img_.fill(Qt::white);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(320, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool chart_view::set_frame() {
  const QSize s = size().expandedTo(QSize(1, 1));
  if (img_.size() == s) return false;
  img_ = QImage(s, QImage::Format_RGB32);
  img_.fill(Qt::white);
  return true;
}

void chart_view::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.drawImage(0, 0, img_);
}

void chart_view::mousePressEvent(QMouseEvent* event) {
  if (on_mouse_down) on_mouse_down(event);
}
void chart_view::mouseMoveEvent(QMouseEvent* event) {
  if (on_mouse_move) on_mouse_move(event);
}
void chart_view::mouseReleaseEvent(QMouseEvent* event) {
  if (on_mouse_up) on_mouse_up(event);
}
void chart_view::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (on_resized) on_resized();
}

cursor_handle::cursor_handle(QWidget* parent) : QWidget(parent) {
  setFixedSize(WIDTH, HEIGHT);
  setCursor(Qt::SizeHorCursor);
}

void cursor_handle::paintEvent(QPaintEvent*) {
  // A grip with an arrow pointing down at the cursor line.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor ink(0, 0, 128);
  p.setPen(QPen(ink, 1));
  p.setBrush(QColor(222, 230, 246));
  p.drawRoundedRect(QRectF(1.5, 0.5, WIDTH - 3, 13), 2, 2);
  for (int x : {8, 11, 14}) p.drawLine(QPointF(x + 0.5, 3.5), QPointF(x + 0.5, 10.5));
  p.setBrush(ink);
  const QPointF arrow[3] = {{WIDTH / 2.0 - 5, 14.0}, {WIDTH / 2.0 + 5, 14.0}, {WIDTH / 2.0, HEIGHT - 1.0}};
  p.drawPolygon(arrow, 3);
}

void cursor_handle::mousePressEvent(QMouseEvent* event) {
  if (on_mouse_down) on_mouse_down(event);
}
void cursor_handle::mouseMoveEvent(QMouseEvent* event) {
  if (on_mouse_move) on_mouse_move(event);
}
void cursor_handle::mouseReleaseEvent(QMouseEvent* event) {
  if (on_mouse_up) on_mouse_up(event);
}
