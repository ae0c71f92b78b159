// The window's side of the device column: a click on a panel, selecting a
// device (what leaving one runs, in order), the panels and menus shown
// after a change of the devices, and the once-a-second timer.
#include "calib/calib_ctl.h"
#include "charts/chart_ctl.h"
#include "charts/draw_stat.h"
#include "comm/service_client.h"
#include "config/cfg_pages.h"
#include "config/cfg_transfer_ctl.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "texts/text_table.h"
#include "ui/device_column.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>

void TMainForm::device_panel_mouse_down(int index, Qt::MouseButton button, const QPoint& global_pos) {
  // A click that arrives while a request is carried out changes nothing.
  if (srvc_client().busy()) return;
  // A pending edit is stored first; the focus then leaves the pages (a
  // calibration scroll bar releases the output it drives).
  if (!pages().store_pending_edit()) return;
  pgctrl_main->setFocus();
  srvc_client().pump();
  if (button == Qt::LeftButton && index >= 0) {
    select_device(index);
  } else if (button == Qt::RightButton) {
    device_acts_->popup(index, global_pos);
  }
}

void TMainForm::select_device(int d) {
  if (srvc_client().busy()) return;
  enable_dev_setup(d >= 0);
  set_cmd(CMD_READ_CFG | CMD_WRITE_CFG, d >= 0);
  show_tool_images();
  if (d >= 0 && d == m_stat.dev_selected.load()) return;
  if (!pages().store_pending_edit()) return;
  // A forced analog output is released before its device is left.
  calib().release_output(true);
  if (!transfer().offer_write_config(0, false)) return;
  if (d >= 0 && !m_stat.dev_stat[d].param_read.load()) {
    if (transfer().read_dev_config(d)) {
      show_info(msg_text(9));
    } else {
      show_error(msg_text(10));
      d = -1;
    }
  }
  m_stat.dev_selected.store(d);
  device_col_->show_selection(d);
  {
    // The configuration handlers stay quiet while the window catches up.
    const updating_guard quiet;
    srvc_client().pump();
  }
  transfer().refresh_cfg_views();
}

void TMainForm::show_device_panels() {
  device_col_->show_panels();
  device_acts_->show_devices();
  update_menus();
}

void TMainForm::Timer1Timer() {
  // A release of a forced gain or output that was refused or failed goes out again.
  srvc_client().keep_releasing();
  device_col_->show_status();
  charts_->live_follow();
}
