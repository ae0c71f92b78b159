// What the window tests reach in the main window: its parts, their dialogs
// and controls, collected here so that a test names a behaviour ("the
// manual gain dialog", "the live chart's image") rather than a member of
// one class. Each section belongs to one part of the window.
#pragma once

#include "comm/service_client.h"
#include "ui/device_column.h"
#include "ui/dlg_setup.h"
#include "ui/link_stats_dlg.h"
#include "ui/main_form.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

// ---- frame: pages, timer, start-up state ---------------------------------------
// True once the service thread the window started has ended.
inline bool service_ended(TMainForm&) { return srvc_client().service_ended(); }

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

// ---- configuration transfer ----------------------------------------------------

// ---- chart pages and chart control -----------------------------------------

// ---- calibration ---------------------------------------------------------------------
