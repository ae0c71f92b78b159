// The device column of the main window: device panels, selection, the
// device menus, adding, editing and removing devices.
#include "archive/log_file.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "comm/service_client.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "core/work_dirs.h"
#include "texts/text_table.h"
#include "ui/device_column.h"
#include "ui/dlg_setup.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>

namespace {

// Lets pending window work run (repaints, the focus change that stores an
// edit) but no user input, so that no second click starts a nested flow.
void process_pending() { srvc_client().pump(); }

}  // namespace

void TMainForm::device_panel_mouse_down(int index, Qt::MouseButton button, const QPoint& global_pos) {
  // A click that arrives while a request is carried out changes nothing.
  if (srvc_client().busy()) return;
  // A pending edit is stored first; the focus then leaves the pages (a
  // calibration scroll bar releases the output it drives).
  if (!store_pending_edit()) return;
  pgctrl_main->setFocus();
  process_pending();
  if (button == Qt::LeftButton && index >= 0) {
    select_device(index);
  } else if (button == Qt::RightButton) {
    popup_dev_idx = index;
    prep_dev_popup(index);
    menp_open->popup(global_pos);
  }
}

void TMainForm::select_device(int d) {
  if (srvc_client().busy()) return;
  menm_dev_setup->setEnabled(d >= 0);
  set_cmd(CMD_READ_CFG | CMD_WRITE_CFG, d >= 0);
  show_tool_images();
  if (d >= 0 && d == m_stat.dev_selected.load()) return;
  if (!store_pending_edit()) return;
  // A forced analog output is released before its device is left.
  release_aout(true);
  if (!offer_write_config(0, false)) return;
  if (d >= 0 && !m_stat.dev_stat[d].param_read.load()) {
    if (read_dev_config(d)) {
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
    process_pending();
  }
  refresh_cfg_views();
}

void TMainForm::show_device_panels() {
  device_col_->show_panels();
  int in_use = 0;
  for (int i = 0; i < MAX_DEVICES; ++i) {
    const auto& c = common_setup.dev_conn[i];
    const bool active = c.active.load(rlx);
    in_use += active;
    x_menm_dev_edit[i]->setVisible(active);
    x_menm_dev_del[i]->setVisible(active);
    x_menm_act[i]->setVisible(active);
    if (!active) continue;
    const QString tag = c.tag.get();
    x_menm_dev_edit[i]->setText(tag);
    x_menm_dev_del[i]->setText(tag);
    x_menm_act[i]->setText(tag);
    x_menm_act[i]->setChecked(c.log_active.load(rlx));
  }
  menm_dev_edit->setEnabled(in_use > 0);
  menm_dev_delete->setEnabled(in_use > 0);
  menm_dev_act->setEnabled(in_use > 0);
  menp_dev_edit->setEnabled(in_use > 0);
  menp_dev_delete->setEnabled(in_use > 0);
  menm_dev_add->setEnabled(in_use < MAX_DEVICES);
  menp_dev_add->setEnabled(in_use < MAX_DEVICES);
  update_menus();
}

void TMainForm::prep_dev_popup(int d) {
  const bool dev = d >= 0;
  menp_dev_edit->setVisible(dev);
  menp_dev_delete->setVisible(dev);
  menp_dev_act->setVisible(dev);
  menp_dsp_path->setVisible(dev);
  x_menp_link_stats->setVisible(dev);
  x_menp_link_stats->setText(text_or_default(u"x_menp_link_stats", TXT_KIND_CAPTION, FORM_MAIN));
  if (dev) menp_dev_act->setChecked(common_setup.dev_conn[d].log_active.load(rlx));
  // The folder and the system's error while the device's log cannot be written.
  const int log_error = dev ? m_stat.dev_stat[d].log_error.load(rlx) : 0;
  x_menp_log_error->setVisible(log_error != 0);
  if (log_error != 0) x_menp_log_error->setText(log_failure_text(common_setup.dev_conn[d].log_dir.get(), log_error));
  menp_dev_add->setVisible(true);
}

void TMainForm::menm_dev_addClick() {
  if (cmd_mask & CMD_ADD_DEV) add_device();
}

void TMainForm::add_device() {
  select_device(-1);
  int i = 0;
  while (i < MAX_DEVICES && common_setup.dev_conn[i].active.load(rlx)) ++i;
  if (i == MAX_DEVICES) return;
  auto& c = common_setup.dev_conn[i];
  c.log_dir.set(work_path(data_dir));
  c.use_usb = true;
  c.addr = 1;
  c.parity = 0;
  c.baud_idx = 4;
  c.log_active = true;
  open_device_dialog(i);
}

void TMainForm::edit_device(int i) {
  if (i < 0 || i >= MAX_DEVICES) return;
  select_device(-1);
  open_device_dialog(i);
}

void TMainForm::open_device_dialog(int i) {
  if (!Dlg_setup) {
    Dlg_setup = new TDlg_setup(this);
    Dlg_setup->set_on_closed([this](bool) { show_device_panels(); });
  }
  Dlg_setup->open_for(i);
}

void TMainForm::remove_device(int r) {
  if (r < 0 || r >= MAX_DEVICES) return;
  select_device(-1);
  if (!ask_question(msg_text(47))) return;
  // The live channels of the device go; those of the devices behind it follow them down.
  const bool chans_removed = remove_device_chans(r);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  srvc_client().remove_device(r);
  QApplication::restoreOverrideCursor();
  show_device_panels();
  if (chans_removed) upd_chart(CHART_LIVE, false);
}

void TMainForm::toggle_acquisition(int d) {
  if (d < 0 || d >= MAX_DEVICES) return;
  auto& c = common_setup.dev_conn[d];
  c.log_active = !c.log_active.load(rlx);
  show_device_panels();
}

void TMainForm::Timer1Timer() {
  // A release of a forced gain or output that was refused or failed goes out again.
  srvc_client().keep_releasing();
  device_col_->show_status();
  live_follow();
}
