// The calibration curve diagram of the edited product (form TCALIB_POINTS,
// "Calibration points"): the points with the raw value across (0 to
// 1,000,000) and the reference value upwards, joined by straight segments
// and extended to the ends of the raw axis. Modeless and kept on top; the
// picture is painted into a QImage whenever the dialog is shown or resized.
#pragma once

#include "calib/calib_diagram.h"

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;
class QWidget;

class TCalib_points : public QDialog {
  Q_OBJECT

 public:
  explicit TCalib_points(QWidget* parent = nullptr);

  // Set by the main window before the dialog is shown.
  QString curr_unit;
  float rng_beg = 0.0f;
  float rng_end = 0.0f;

  // The points from the edited product of the active configuration; without
  // one (no device selected and no valid off-line set, or a product number
  // outside the table) the points of the last showing stay.
  void load_points();
  // Lays out and paints axes, grid and curve into img (the size of Image1).
  void draw_diagram();

  const QImage& image() const { return img_; }
  const t_cal_points& points() const { return pts_; }
  const t_scale_y& scale() const { return scale_; }
  const t_diag_layout& layout() const { return layout_; }

  QWidget* pnl_top = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* cmd_close = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void apply_captions();
  void draw_axes(class QPainter& p);
  void draw_curve(class QPainter& p);

  t_cal_points pts_;
  t_scale_y scale_;
  t_diag_layout layout_;
  QImage img_;
};
