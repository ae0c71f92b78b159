// The calibration part: construction, and what the window asks of it.
#include "calib/calib_ctl.h"

#include "calib/auto_gain_dlg.h"
#include "calib/calib_in_dlg.h"
#include "calib/manual_gain_dlg.h"

#include <QWidget>

calib_ctl::calib_ctl(QWidget* window, calib_cfg_access& pages) : window_(window), pages_(pages) {
  connect_gain_buttons();
  connect_output_bars();
  build_cal_menu();
}

calib_ctl::~calib_ctl() {
  // The dialogs belong to the window and may outlive the part: what they
  // store is no longer shown through it.
  for (TCalib_dlg_base* dlg : std::initializer_list<TCalib_dlg_base*>{calib_in_, auto_gain_, manual_gain_})
    if (dlg) dlg->on_stored = nullptr;
}

void calib_ctl::close_dialogs() {
  for (QWidget* w : std::initializer_list<QWidget*>{calib_in_, auto_gain_, manual_gain_})
    if (w && w->isVisible()) w->close();
}

void calib_ctl::detach() { detached_ = true; }
