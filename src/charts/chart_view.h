// The chart image of a chart page (img_live, img_arch): shows the bitmap
// that the renderer painted and forwards the mouse to its handlers. It
// keeps no chart state of its own.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QMouseEvent;

class chart_view : public QWidget {
  Q_OBJECT

 public:
  explicit chart_view(QWidget* parent = nullptr);

  // The bitmap; its size follows the control (set_frame).
  QImage& image() { return img_; }
  const QImage& image() const { return img_; }
  // The bitmap takes the control's size; false when it already had it.
  bool set_frame();

  std::function<void(QMouseEvent*)> on_mouse_down;
  std::function<void(QMouseEvent*)> on_mouse_move;
  std::function<void(QMouseEvent*)> on_mouse_up;
  // The control changed its size: the bitmap has to follow and be redrawn.
  std::function<void()> on_resized;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage img_;
};

// A cursor handle (img_ptr_live1 ...): a 23 x 24 marker in the strip above
// the chart that the user drags; it forwards the mouse to its handlers.
class cursor_handle : public QWidget {
  Q_OBJECT

 public:
  static constexpr int WIDTH = 23;
  static constexpr int HEIGHT = 24;
  explicit cursor_handle(QWidget* parent = nullptr);

  std::function<void(QMouseEvent*)> on_mouse_down;
  std::function<void(QMouseEvent*)> on_mouse_move;
  std::function<void(QMouseEvent*)> on_mouse_up;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};
