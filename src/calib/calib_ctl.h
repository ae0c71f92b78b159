// The window's calibration: the gain dialogs of the products page ("Read
// raw value", "Auto-gain", "Manual-gain"), the calibration curve diagram,
// the calibration point taken from a chart's channel grid, and the analog
// output's end points on the Outputs page. It reaches the configuration
// pages only through calib_cfg_access and the transmitters only through the
// service client.
//
//   calib_ctl.cpp         construction and what the window asks of it
//   calib_ctl_gain.cpp    the gain dialogs
//   calib_ctl_points.cpp  the diagram and the grid's calibration point menu
//   calib_ctl_aout.cpp    the analog output's end points
#pragma once

#include "charts/grid_menu_hook.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <cstdint>
#include <optional>

class QAction;
class QMenu;
class QScrollBar;
class QTimer;
class QWidget;
class TAuto_gain;
class TCalib_In;
class TCalib_points;
class TManual_gain;
class calib_cfg_access;

class calib_ctl : public QObject, public grid_menu_hook {
  Q_OBJECT

 public:
  // window: the parent of the dialogs and of the pop-up menu; pages: the
  // configuration pages, built already, which outlive the part.
  calib_ctl(QWidget* window, calib_cfg_access& pages);
  ~calib_ctl() override;
  calib_ctl(const calib_ctl&) = delete;
  calib_ctl& operator=(const calib_ctl&) = delete;

  // ---- what the window asks ------------------------------------------------------
  // Closes every gain dialog that is open: their overrides end.
  void close_dialogs();
  // Releases a forced analog output (reading the feedback first). With wait,
  // the release has been carried out on return (before a device is left,
  // removed or edited, and at shutdown). A release the service client
  // refused is retried until it is posted.
  void release_output(bool wait);
  // From now on the output's scroll bars drive and release nothing (the
  // window has shut down).
  void detach();

  // ---- gain dialogs (calib_ctl_gain.cpp) ----------------------------------------------
  // "Read raw value" of point k (0..4, the button's Tag), "Auto-gain" and
  // "Manual-gain". Each dialog is created at its first use and forces the
  // gain on the transmitter while it is open.
  void cmd_calin_1Click(int k);
  void cmd_autogainClick();
  void cmd_manual_gainClick();
  // The dialogs; nullptr before their first use.
  TCalib_In* capture_dialog() const { return calib_in_; }
  TAuto_gain* auto_gain_dialog() const { return auto_gain_; }
  TManual_gain* manual_gain_dialog() const { return manual_gain_; }

  // ---- diagram and calibration point menu (calib_ctl_points.cpp) -----------------------
  // The calibration curve diagram of the edited product (cmd_cal_diag).
  void cmd_cal_diagClick();
  TCalib_points* diagram_dialog() const { return calib_points_; }
  // A right-click on a channel grid's cell holding a cursor value of a
  // raw-value channel offers that value as a calibration point (menp_cal)
  // while the active configuration can take it.
  bool take_grid_menu(int chart, int row, int col, const QPoint& global_pos) override;
  // The menu's items (Tag 0..4): the picked value becomes point tag's raw value.
  void menp_cal_pt1Click(int tag);

  // ---- analog output (calib_ctl_aout.cpp) ----------------------------------------------
  // A scroll bar drives the output while it has the focus (scr_cal_20maEnter
  // on focus and on every change); losing the focus reads the feedback and
  // releases it (scr_cal_4maExit); Confirm (Tag 0 low end, 1 high end)
  // stores drive and feedback in the edited parameters.
  void scr_cal_20maEnter(QScrollBar* bar);
  void scr_cal_4maExit(QScrollBar* bar);
  void cmd_calout_4Click(int tag);

 private:
  void connect_gain_buttons();
  void build_cal_menu();
  void connect_output_bars();
  // The menu's captions for the selected device and the edited product;
  // false when the active configuration takes no calibration point.
  bool prep_cal_menu();

  QWidget* window_;
  calib_cfg_access& pages_;
  bool detached_ = false;

  TCalib_In* calib_in_ = nullptr;
  TAuto_gain* auto_gain_ = nullptr;
  TManual_gain* manual_gain_ = nullptr;
  TCalib_points* calib_points_ = nullptr;

  QMenu* menp_cal_ = nullptr;
  std::array<QAction*, 5> menp_cal_pt_{};
  int32_t calib_data_ = 0;  // the raw value picked from the grid
  QPoint ball_position_;    // where the confirmation balloon shows

  int aout_forced_dev_ = -1;                     // device whose output was forced and not yet released
  std::optional<uint32_t> aout_release_serial_;  // the last release posted
  QTimer* aout_retry_ = nullptr;
};
