// What the window tests reach in the main window: its parts, their dialogs
// and controls, collected here so that a test names a behaviour ("the
// manual gain dialog", "the live chart's image") rather than a member of
// one class. Each section belongs to one part of the window.
#pragma once

#include "calib/auto_gain_dlg.h"
#include "calib/calib_ctl.h"
#include "calib/calib_in_dlg.h"
#include "calib/calib_points_dlg.h"
#include "calib/manual_gain_dlg.h"
#include "charts/chart_ctl.h"
#include "charts/chart_page.h"
#include "charts/chart_view.h"
#include "charts/draw_stat.h"
#include "comm/service_client.h"
#include "config/cfg_pages.h"
#include "config/cfg_transfer_ctl.h"
#include "ui/device_column.h"
#include "ui/dlg_setup.h"
#include "ui/link_stats_dlg.h"
#include "ui/main_form.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <array>

// ---- frame: pages, timer, start-up state ---------------------------------------
// True once the service thread the window started has ended.
inline bool service_ended(TMainForm&) { return srvc_client().service_ended(); }
// The tab control of the pages, a page by its name, and the once-a-second timer.
inline QTabWidget* page_control(TMainForm& f) { return f.findChild<QTabWidget*>("pgctrl_main"); }
inline QWidget* window_page(TMainForm& f, const char* name) { return f.findChild<QWidget*>(name); }
inline void show_page(TMainForm& f, QWidget* page) { page_control(f)->setCurrentWidget(page); }
inline QTimer* tick_timer(TMainForm& f) { return f.findChild<QTimer*>("Timer1"); }

// ---- device column -----------------------------------------------------------------
inline QFrame* device_panel(TMainForm& f, int d) { return f.devices().panel(d); }
inline QLabel* device_name_label(TMainForm& f, int d) { return f.devices().name_label(d); }
// Device d's status image k: 0 ok, 1 disconnected, 2 error, 3 acquisition off.
inline QLabel* device_status_image(TMainForm& f, int d, int k) { return f.devices().status_image(d, k); }
inline QCheckBox* off_line_box(TMainForm& f) { return f.devices().off_line_box(); }
// The live group of the selected device (x_grp_current).
inline QGroupBox* live_group(TMainForm& f) { return f.devices().live_group(); }
// Updates the red highlight of the live values still lasts.
inline int red_countdown(TMainForm& f) { return f.devices().red_countdown(); }
// The device actions: the Devices menu, the device pop-up menu and dialogs.
inline void add_device(TMainForm& f) { f.device_acts().add_device(); }
inline void edit_device(TMainForm& f, int d) { f.device_acts().edit_device(d); }
inline void remove_device(TMainForm& f, int d) { f.device_acts().remove_device(d); }
inline void toggle_acquisition(TMainForm& f, int d) { f.device_acts().toggle_acquisition(d); }
// The device pop-up menu prepared for device d (-1: the free area), not shown.
inline void prep_dev_popup(TMainForm& f, int d) { f.device_acts().prep_dev_popup(d); }
inline TDlg_setup* device_dialog(TMainForm& f) { return f.findChild<TDlg_setup*>(); }
inline TDlg_link_stats* link_dialog(TMainForm& f) { return f.findChild<TDlg_link_stats*>(); }
// A menu item or menu of the window by its name.
inline QAction* window_action(TMainForm& f, const char* name) { return f.findChild<QAction*>(name); }
inline QMenu* window_menu(TMainForm& f, const char* name) { return f.findChild<QMenu*>(name); }

// ---- configuration pages ---------------------------------------------------------
inline QWidget* base_page(TMainForm& f) { return f.pages().base_page(); }
inline QWidget* inputs_page(TMainForm& f) { return f.pages().inputs_page(); }
inline QWidget* outputs_page(TMainForm& f) { return f.pages().outputs_page(); }
inline QWidget* products_page(TMainForm& f) { return f.pages().products_page(); }
// The edited product's checksum and gain, as the products page shows them.
inline QLabel* prod_crc_label(TMainForm& f) { return products_page(f)->findChild<QLabel*>("x_lbl_prod_crc"); }
inline QLabel* gain_label(TMainForm& f) { return products_page(f)->findChild<QLabel*>("x_lbl_gain_val"); }

// ---- configuration transfer ----------------------------------------------------
// The progress of a configuration read or write in the tool bar.
inline QProgressBar* transfer_progress(TMainForm& f) { return f.findChild<QProgressBar*>("x_prg_xfer"); }

// ---- chart pages and chart control -----------------------------------------

// The chart control (menus, channels, live follow, dialogs) and a chart's page.
inline chart_ctl& chart_control(TMainForm& f) { return f.charts(); }
inline chart_page& chart_page_of(TMainForm& f, int chart) {
  return chart == CHART_LIVE ? f.live_page() : f.arch_page();
}

// The controls around a chart's image, found by their names.
struct chart_controls {
  std::array<cursor_handle*, 2> img_ptr{};      // the right and the left cursor handle
  std::array<QFrame*, 2> bvl_ptr{};             // their lines over the image
  QFrame* bvl_frame = nullptr;                  // the zoom rectangle
  QScrollBar* scr = nullptr;                    // the scroll bar
  QAbstractButton* zin = nullptr;               // "+"
  QAbstractButton* zout = nullptr;              // "-"
  QLabel* tdiff = nullptr;                      // the time between the cursors
  std::array<QLineEdit*, 6> txt_scale{};        // hmin, hmax, tmin, tmax, rmin, rmax
  QComboBox* cmb_grid = nullptr;                // the grid selector
  QComboBox* cmb_tunit = nullptr;               // the temperature unit
  std::array<QAbstractButton*, 3> cmd_scale{};  // autoscale: scaled, temperature, raw
  QAbstractButton* cmd_reset = nullptr;         // default scaling
};

inline chart_controls chart_controls_of(TMainForm& f, int chart) {
  const bool live = chart == CHART_LIVE;
  const QString page = live ? "live" : "arch";
  const QString sfx = live ? "_1" : "_2";
  chart_controls c;
  for (int w = 0; w < 2; ++w) {
    c.img_ptr[w] = f.findChild<cursor_handle*>(QString("img_ptr_%1%2").arg(page).arg(w + 1));
    c.bvl_ptr[w] = f.findChild<QFrame*>(QString("bvl_ptr_%1%2").arg(page).arg(w + 1));
  }
  c.bvl_frame = f.findChild<QFrame*>("bvl_frame_" + page);
  c.scr = f.findChild<QScrollBar*>("scr_" + page);
  c.zin = f.findChild<QAbstractButton*>(live ? "x_cmd_zin_l" : "x_cmd_zin_a");
  c.zout = f.findChild<QAbstractButton*>(live ? "x_cmd_zout_l" : "x_cmd_zout_a");
  c.tdiff = f.findChild<QLabel*>("x_lbl_tdiff_" + page);
  static const char* const kScaleNames[6] = {"txt_hmin", "txt_hmax", "txt_tmin", "txt_tmax", "txt_rmin", "txt_rmax"};
  for (int t = 0; t < 6; ++t) c.txt_scale[t] = f.findChild<QLineEdit*>(kScaleNames[t] + sfx);
  c.cmb_grid = f.findChild<QComboBox*>("cmb_sel_grid" + sfx);
  c.cmb_tunit = f.findChild<QComboBox*>("x_cmb_sel_tunit" + sfx);
  static const char* const kScaleCmds[3] = {"cmd_scale_h", "cmd_scale_t", "cmd_scale_r"};
  for (int k = 0; k < 3; ++k) c.cmd_scale[k] = f.findChild<QAbstractButton*>(kScaleCmds[k] + sfx);
  c.cmd_reset = f.findChild<QAbstractButton*>("cmd_reset_scale" + sfx);
  return c;
}

// A chart's channel grid and image.
inline QTableWidget* chan_grid(TMainForm& f, int chart) {
  return f.findChild<QTableWidget*>(chart == CHART_LIVE ? "grd_setup_live" : "grd_setup_arch");
}
inline chart_view* chart_image_view(TMainForm& f, int chart) {
  return f.findChild<chart_view*>(chart == CHART_LIVE ? "img_live" : "img_arch");
}
// The chart pop-up menu (menp_dsp), and an entry of the chart menus by its name.
inline QMenu* chart_popup_menu(TMainForm& f) { return f.findChild<QMenu*>("menp_dsp"); }
inline QAction* chart_menu_action(TMainForm& f, const QString& name) { return f.findChild<QAction*>(name); }

// ---- calibration ---------------------------------------------------------------------
// The part, with the handlers the products and Outputs pages' buttons call.
inline calib_ctl& calibration(TMainForm& f) { return f.calib(); }
// The gain dialogs and the calibration diagram; nullptr before their first use.
inline TCalib_In* capture_dialog(TMainForm& f) { return f.calib().capture_dialog(); }
inline TAuto_gain* auto_gain_dialog(TMainForm& f) { return f.calib().auto_gain_dialog(); }
inline TManual_gain* manual_gain_dialog(TMainForm& f) { return f.calib().manual_gain_dialog(); }
inline TCalib_points* calib_diagram(TMainForm& f) { return f.calib().diagram_dialog(); }
// The pop-up that offers a channel grid's cursor value as a calibration
// point, and its item for point k (0..4).
inline QMenu* calib_point_menu(TMainForm& f) { return f.findChild<QMenu*>("menp_cal"); }
inline QAction* calib_point_item(TMainForm& f, int k) {
  return f.findChild<QAction*>(QString("menp_cal_pt%1").arg(k + 1));
}
