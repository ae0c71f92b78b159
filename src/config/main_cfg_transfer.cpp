// Reading and writing the selected transmitter's configuration: the waits
// on the service with their progress bar, the serial number check before a
// write, and the offer to write pending changes before they are left.
#include "comm/com_service.h"
#include "comm/service_client.h"
#include "comm/service_requests.h"
#include "config/active_cfg.h"
#include "config/cfg_transfer.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/device_column.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

namespace {

// How often the progress bar looks at the frame counter while a transfer runs.
constexpr int kProgressMs = 40;

}  // namespace

void TMainForm::connect_cfg_commands() {
  // Read, Write, Load and Save: menu items and tool buttons.
  connect(menm_dev_read, &QAction::triggered, this, &TMainForm::menm_dev_readClick);
  connect(tcmd[3], &QAction::triggered, this, &TMainForm::menm_dev_readClick);
  connect(menm_dev_write, &QAction::triggered, this, &TMainForm::menm_dev_writeClick);
  connect(tcmd[4], &QAction::triggered, this, &TMainForm::tcmd_wr_cfgClick);
  connect(menm_load_cfg, &QAction::triggered, this, &TMainForm::menm_load_cfgClick);
  connect(tcmd[0], &QAction::triggered, this, &TMainForm::menm_load_cfgClick);
  connect(menm_save_cfg, &QAction::triggered, this, &TMainForm::menm_save_cfgClick);
  connect(tcmd[1], &QAction::triggered, this, &TMainForm::menm_save_cfgClick);
  menm_load_cfg->setShortcut(QKeySequence::Open);
  menm_save_cfg->setShortcut(QKeySequence::Save);
  connect(menm_acc_user, &QAction::triggered, this, &TMainForm::menm_acc_userClick);
  connect(menm_acc_expert, &QAction::triggered, this, &TMainForm::menm_acc_expertClick);

  // The progress of a configuration read or write, at the right end of the
  // tool bar; its place is kept while it is hidden.
  auto* spacer = new QWidget(tlb_main);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  tlb_main->addWidget(spacer);
  auto* box = new QWidget(tlb_main);
  box->setObjectName("x_pnl_xfer");
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 8, 0);
  row->setSpacing(8);
  x_lbl_xfer = new QLabel(box);
  x_lbl_xfer->setObjectName("x_lbl_xfer");
  x_prg_xfer = new QProgressBar(box);
  x_prg_xfer->setObjectName("x_prg_xfer");
  x_prg_xfer->setFixedWidth(200);
  x_prg_xfer->setTextVisible(true);
  row->addWidget(x_lbl_xfer);
  row->addWidget(x_prg_xfer);
  box->setFixedWidth(360);
  tlb_main->addWidget(box);
  show_transfer_progress(false);
}

void TMainForm::show_transfer_progress(bool on) {
  x_lbl_xfer->setVisible(on);
  x_prg_xfer->setVisible(on);
}

dev_req_stat_t TMainForm::run_request(int d, dev_request_t kind) {
  service_client& client = srvc_client();
  if (client.busy()) return REQS_IDLE;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<uint32_t> serial = client.post(kind, d);
  dev_req_stat_t result = REQS_ERROR;  // the service does not run
  if (serial) {
    const bool transfer = kind == REQR_PARAM_RD || kind == REQR_PARAM_WR;
    QTimer progress;
    if (transfer) {
      x_lbl_xfer->setText(
          ctrl_text(kind == REQR_PARAM_RD ? u"menm_dev_read" : u"menm_dev_write", TXT_REQ_CAPTION, FORM_MAIN));
      x_prg_xfer->setRange(0, request_frame_count(kind));
      x_prg_xfer->setValue(0);
      show_transfer_progress(true);
      progress.setInterval(kProgressMs);
      connect(&progress, &QTimer::timeout, this, [this, s = *serial] { x_prg_xfer->setValue(request_frames_done(s)); });
      progress.start();
    }
    result = client.wait(*serial);
    if (transfer) {
      progress.stop();
      x_prg_xfer->setValue(request_frames_done(*serial));
      show_transfer_progress(false);
    }
  }
  QApplication::restoreOverrideCursor();
  return result;
}

bool TMainForm::read_dev_config(int d) {
  // Status, parameter and product blocks into the read images, then into
  // the edit images (only when the device answered as a transmitter).
  const bool ok = take_read_config(d, run_request(d, REQR_PARAM_RD));
  refresh_cfg_views();
  return ok;
}

bool TMainForm::write_dev_config(int d) {
  devices().end_red_highlight();
  bool written = false;
  // The transmitter's status block first, for its serial number.
  if (run_request(d, REQR_STAT) == REQS_READY) {
    bool go_on = true;
    if (serial_differs(d)) {
      if (m_stat.service_ena.load(rlx)) {
        // The edit image's serial number will overwrite the transmitter's.
        go_on = ask_question(msg_text(MSG_SERIAL_OVERWRITE));
      } else {
        // The transmitter keeps its serial number; everything else is overwritten.
        go_on = ask_question(msg_text(MSG_SERIAL_KEEP));
        if (go_on) keep_device_serial(d);
      }
    }
    written = go_on && run_request(d, REQR_PARAM_WR) == REQS_READY;
  }
  if (written) commit_edit_to_read(d);  // nothing is pending any more
  refresh_cfg_views();
  if (written)
    show_info(msg_text(MSG_CFG_SAVED));
  else
    show_error(msg_text(MSG_CFG_WRITE_FAIL));  // the changes stay pending
  return written;
}

bool TMainForm::offer_write_config(int msg, bool forced) {
  if (!cfg_valid()) return true;
  const int d = selected_device();
  if (!forced && !cfg_changed(d)) return true;
  if (!ask_question(msg_text(msg))) return true;  // the changes stay in the edit image
  return d >= 0 ? write_dev_config(d) : save_param_set();
}

void TMainForm::refresh_cfg_views() {
  show_cfg_pages();
  const bool dev = selected_device() >= 0;
  menm_dev_setup->setEnabled(dev);
  set_cmd(CMD_READ_CFG | CMD_WRITE_CFG, dev);
  update_menus();  // ends with the tool images
}

void TMainForm::menm_dev_readClick() {
  const int d = selected_device();
  if (!(cmd_mask & CMD_READ_CFG) || d < 0 || srvc_client().busy() || !store_pending_edit()) return;
  // Reading replaces the edit image without asking about pending changes.
  if (read_dev_config(d))
    show_info(msg_text(MSG_CFG_LOADED));
  else
    show_error(msg_text(MSG_CFG_READ_FAIL));
}

void TMainForm::menm_dev_writeClick() {
  const int d = selected_device();
  if (!(cmd_mask & CMD_WRITE_CFG) || d < 0 || srvc_client().busy() || !store_pending_edit()) return;
  // The off-line configuration is never written to a device.
  if (m_stat.dev_stat[d].param_read.load(rlx))
    offer_write_config(MSG_CFG_OVERWRITE, true);
  else
    show_error(msg_text(MSG_CFG_NONE));
}

void TMainForm::tcmd_wr_cfgClick() {
  if (!(cmd_mask & CMD_WRITE_CFG)) return;
  menm_dev_writeClick();
}
