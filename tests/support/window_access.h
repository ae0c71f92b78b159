// What the window tests reach in the main window: its parts, their dialogs
// and controls, collected here so that a test names a behaviour ("the
// manual gain dialog", "the live chart's image") rather than a member of
// one class. Each section belongs to one part of the window.
#pragma once

#include "comm/service_client.h"
#include "ui/device_column.h"
#include "ui/main_form.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>

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

// ---- configuration pages ---------------------------------------------------------

// ---- configuration transfer ----------------------------------------------------

// ---- chart pages and chart control -----------------------------------------

// ---- calibration ---------------------------------------------------------------------
