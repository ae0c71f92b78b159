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
