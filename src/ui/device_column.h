// The device column of the main window: the hint above the panels, one
// panel per device slot with the device's tag and status images, the
// off-line check box, the live group of the selected device and the sensor
// serial number. It shows what common_setup and m_stat hold and tells the
// window about clicks; what a click does is the window's.
#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;

class device_column : public QWidget {
  Q_OBJECT

 public:
  explicit device_column(QWidget* parent = nullptr);

  // The panels of the devices in use, with their tags and connection hints.
  void show_panels();
  // Device d (-1: none, the off-line set) shown as the selected one; the
  // off-line box follows without signalling.
  void show_selection(int d);
  // The once-a-second update: status images and hints of the panels, the
  // live group and the serial number. A saturated value or a warning shows
  // red for 30 updates, or until the user clicks the measured or raw value.
  void show_status();
  // Updates the red highlight still lasts.
  int red_countdown() const { return red_dsp_tout_; }
  // Ends the red highlight (a configuration write starts).
  void end_red_highlight() { red_dsp_tout_ = 0; }

  // Status images of a panel, by dev_status_img_t (ok, discon, err, disable).
  static constexpr int IMG_COUNT = 4;
  QFrame* panel(int d) const { return pnl_dev_[static_cast<size_t>(d)]; }
  QLabel* name_label(int d) const { return lbl_dev_name_[static_cast<size_t>(d)]; }
  QLabel* status_image(int d, int k) const { return img_dev_[static_cast<size_t>(d)][static_cast<size_t>(k)]; }
  QCheckBox* off_line_box() const { return chk_off_line_; }
  QGroupBox* live_group() const { return x_grp_current_; }

 signals:
  // A mouse button went down on device d's panel, or (d == -1, right button
  // only) on the empty part of the column.
  void panel_pressed(int d, Qt::MouseButton button, const QPoint& global_pos);
  // The user ticked the off-line box.
  void off_line_chosen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* gpl_devices_ = nullptr;
  std::array<QFrame*, 8> pnl_dev_{};
  std::array<QLabel*, 8> lbl_dev_name_{};
  std::array<std::array<QLabel*, IMG_COUNT>, 8> img_dev_{};
  QCheckBox* chk_off_line_ = nullptr;
  QGroupBox* x_grp_current_ = nullptr;
  int red_dsp_tout_ = 0;
};
