// Reading and writing the selected transmitter's configuration: the waits
// on the service with their progress bar, the serial number check before a
// write, and the offer to write pending changes before they are left.
#include "config/cfg_transfer_ctl.h"

#include "comm/service_client.h"
#include "config/active_cfg.h"
#include "config/cfg_frame.h"
#include "config/cfg_pages.h"
#include "config/cfg_transfer.h"
#include "config/param_set.h"
#include "config/write_history.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace {

// How often the progress bar looks at the frame counter while a transfer runs.
constexpr int kProgressMs = 40;

}  // namespace

dev_req_stat_t cfg_transfer_ctl::run_request(int d, dev_request_t kind) {
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
      x_prg_xfer->setRange(0, service_client::frame_count(kind));
      x_prg_xfer->setValue(0);
      show_transfer_progress(true);
      progress.setInterval(kProgressMs);
      connect(&progress, &QTimer::timeout, this,
              [this, s = *serial] { x_prg_xfer->setValue(service_client::frames_done(s)); });
      progress.start();
    }
    result = client.wait(*serial);
    if (transfer) {
      progress.stop();
      x_prg_xfer->setValue(service_client::frames_done(*serial));
      show_transfer_progress(false);
    }
  }
  QApplication::restoreOverrideCursor();
  return result;
}

bool cfg_transfer_ctl::read_dev_config(int d) {
  // Status, parameter and product blocks into the read images, then into
  // the edit images (only when the device answered as a transmitter).
  const bool ok = take_read_config(d, run_request(d, REQR_PARAM_RD));
  refresh_cfg_views();
  return ok;
}

bool cfg_transfer_ctl::write_dev_config(int d) {
  frame_.end_status_highlight();
  bool written = false;
  // The transmitter's status block and configuration first: its serial
  // number, and what it holds before the write (its history's old values).
  if (run_request(d, REQR_PARAM_RD) == REQS_READY) {
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
    if (go_on) written = write_and_record(d);
  }
  if (written) commit_edit_to_read(d);  // nothing is pending any more
  refresh_cfg_views();
  if (written)
    show_info(msg_text(MSG_CFG_SAVED));
  else
    show_error(msg_text(MSG_CFG_WRITE_FAIL));  // the changes stay pending
  return written;
}

bool cfg_transfer_ctl::write_and_record(int d) {
  const t_dev_conn& c = common_setup.dev_conn[d];
  t_history_record rec = write_record(d, QStringLiteral("OrvConfig"), QStringLiteral("COM%1").arg(c.com_num.load(rlx)),
                                      c.addr.load(rlx) + 1, read_param_set(d), edit_param_set(d));
  // Written, then read back and compared: only a transmitter that holds
  // what was written leaves nothing pending.
  if (run_request(d, REQR_PARAM_WR) != REQS_READY)
    rec.error = QStringLiteral("no valid answer while writing the configuration");
  else if (run_request(d, REQR_PARAM_RD) != REQS_READY)
    rec.error = QStringLiteral("no valid answer while reading the configuration back");
  else if (const int reg = first_unequal_register(d); reg >= 0)
    rec.error = QStringLiteral("register %1 holds other values than were written").arg(register_title(reg));
  else
    rec.read_back_ok = true;
  if (QString why; !append_history(rec, &why)) show_error(why + ".");
  return rec.read_back_ok;
}

bool cfg_transfer_ctl::offer_write_config(int msg, bool forced) {
  if (!cfg_valid()) return true;
  const int d = selected_device();
  if (!forced && !cfg_changed(d)) return true;
  if (!ask_question(msg_text(msg))) return true;  // the changes stay in the edit image
  return d >= 0 ? write_dev_config(d) : save_param_set();
}

void cfg_transfer_ctl::refresh_cfg_views() {
  pages_.show_cfg_pages();
  frame_.set_device_commands(selected_device() >= 0);
  frame_.refresh_menus();  // ends with the tool images
}

void cfg_transfer_ctl::menm_dev_readClick() {
  const int d = selected_device();
  if (!frame_.command_allowed(CFG_CMD_READ) || d < 0 || srvc_client().busy() || !pages_.store_pending_edit()) return;
  // Reading replaces the edit image without asking about pending changes.
  if (read_dev_config(d))
    show_info(msg_text(MSG_CFG_LOADED));
  else
    show_error(msg_text(MSG_CFG_READ_FAIL));
}

void cfg_transfer_ctl::menm_dev_writeClick() {
  const int d = selected_device();
  if (!frame_.command_allowed(CFG_CMD_WRITE) || d < 0 || srvc_client().busy() || !pages_.store_pending_edit()) return;
  // The off-line configuration is never written to a device.
  if (m_stat.dev_stat[d].param_read.load(rlx))
    offer_write_config(MSG_CFG_OVERWRITE, true);
  else
    show_error(msg_text(MSG_CFG_NONE));
}

void cfg_transfer_ctl::tcmd_wr_cfgClick() {
  if (!frame_.command_allowed(CFG_CMD_WRITE)) return;
  menm_dev_writeClick();
}
