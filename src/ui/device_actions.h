// What the user does with the devices themselves: the Devices menu (add,
// edit, remove, acquisition on or off), the device pop-up menu of the
// device column (with the log folder, the link statistics and the history
// of writes), the device
// connection dialog and the link statistics dialog.
#pragma once

#include <QObject>

#include <array>

class QAction;
class QMenu;
class QPoint;
class QWidget;
class TDlg_link_stats;
class TDlg_setup;

// What the device actions ask of the window.
class device_host {
 public:
  // Leaves the selected device (as choosing the off-line set does) before a
  // device is added, edited or removed.
  virtual void leave_device() = 0;
  // Whether a device may be added now (the window's command mask).
  virtual bool may_add_device() const = 0;

 protected:
  ~device_host() = default;
};

class device_actions : public QObject {
  Q_OBJECT

 public:
  // Fills devices_menu (the main menu's Devices) and makes the device
  // pop-up menu; window parents the menus and dialogs.
  device_actions(QWidget* window, device_host& host, QMenu* devices_menu);

  // "Add new device" (menu, pop-up and tool button): only while allowed.
  void menm_dev_addClick();
  void add_device();
  void edit_device(int i);
  void remove_device(int r);
  void toggle_acquisition(int d);
  // The pop-up menu prepared for device d (-1: the empty part of the column), and shown.
  void prep_dev_popup(int d);
  void popup(int d, const QPoint& global_pos);
  int popup_device() const { return popup_dev_idx_; }
  // The menus follow the devices in use.
  void show_devices();
  TDlg_link_stats* link_dialog();  // created at its first use
  TDlg_setup* device_dialog();     // created at its first use

 signals:
  // The devices in use, their tags or their acquisition changed.
  void devices_changed();
  // Live channels went with a removed device.
  void live_channels_changed();

 private:
  void open_device_dialog(int i);
  void x_menp_link_statsClick();

  QWidget* window_;
  device_host& host_;
  int popup_dev_idx_ = -1;
  QAction* menm_dev_add_ = nullptr;
  QMenu* menm_dev_edit_ = nullptr;
  QMenu* menm_dev_delete_ = nullptr;
  QMenu* menm_dev_act_ = nullptr;
  std::array<QAction*, 8> x_menm_dev_edit_{};
  std::array<QAction*, 8> x_menm_dev_del_{};
  std::array<QAction*, 8> x_menm_act_{};
  QMenu* menp_open_ = nullptr;
  QAction* menp_dev_add_ = nullptr;
  QAction* menp_dev_edit_ = nullptr;
  QAction* menp_dev_delete_ = nullptr;
  QAction* menp_dev_act_ = nullptr;
  QAction* menp_dsp_path_ = nullptr;
  QAction* x_menp_link_stats_ = nullptr;
  QAction* x_menp_history_ = nullptr;  // the device's history of writes
  QAction* x_menp_log_error_ = nullptr;
  TDlg_setup* Dlg_setup_ = nullptr;
  TDlg_link_stats* Dlg_link_stats_ = nullptr;
};
