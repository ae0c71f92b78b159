// The Load and Save commands: the active configuration (the selected
// device's, or the off-line one) to and from parameter set files; and
// Compare with file: the selected transmitter against a file.
#include "config/cfg_transfer_ctl.h"

#include "comm/service_client.h"
#include "config/active_cfg.h"
#include "config/cfg_frame.h"
#include "config/cfg_pages.h"
#include "config/cfg_record_dlgs.h"
#include "config/cfg_transfer.h"
#include "config/param_diff.h"
#include "config/param_set.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"

namespace {

QString pset_ext() { return QString::fromLatin1(PARAM_SET_EXT); }

}  // namespace

bool cfg_transfer_ctl::save_param_set() {
  const QString name = save_as_dialog(msg_text(MSG_PSET_SAVE_TITLE), pset_ext(), msg_text(MSG_PSET_FILTER));
  if (name.isEmpty()) return false;
  // A failed write is reported by the writer and leaves an old file as it was.
  if (!write_param_set_file(name, param_set_text())) return false;
  param_set_saved();
  frame_.refresh_menus();
  show_info(msg_text(MSG_PSET_SAVED));
  return true;
}

void cfg_transfer_ctl::menm_save_cfgClick() {
  if (!frame_.command_allowed(CFG_CMD_SAVE) || !cfg_addressable() || !pages_.store_pending_edit()) return;
  save_param_set();
}

void cfg_transfer_ctl::menm_load_cfgClick() {
  if (!frame_.command_allowed(CFG_CMD_LOAD) || !pages_.store_pending_edit()) return;
  const QString filter = msg_text(MSG_PSET_FILTER) + " (*." + pset_ext() + ")|*." + pset_ext();
  const QString name = open_dialog(QString(), filter, msg_text(MSG_PSET_LOAD_TITLE));
  if (name.isEmpty()) return;
  QString content;
  switch (read_param_set_file(name, content)) {
    case PSET_READ_OK: break;
    case PSET_READ_NONE: return;  // missing, or its checksum is wrong: ignored
    case PSET_READ_TOO_BIG: show_error(msg_text(MSG_PSET_INVALID)); return;
    case PSET_READ_IO_ERROR: return;  // reported by the reader
  }
  switch (parse_param_set(content)) {
    case PSET_LOADED:
      refresh_cfg_views();
      show_info(msg_text(MSG_PSET_LOADED));
      break;
    case PSET_INVALID: show_error(msg_text(MSG_PSET_INVALID)); break;
    case PSET_MODE_MISMATCH: show_error(msg_text(MSG_PSET_MODE_MISMATCH)); break;
  }
}

void cfg_transfer_ctl::x_menm_dev_compareClick() {
  const int d = selected_device();
  if (d < 0 || srvc_client().busy()) return;
  const QString filter = msg_text(MSG_PSET_FILTER) + " (*." + pset_ext() + ")|*." + pset_ext();
  const QString name = open_dialog(QString(), filter, record_caption(u"x_dlg_compare", "Compare with file"));
  if (name.isEmpty()) return;
  const QString heading =
      QStringLiteral("--- %1 (the transmitter)\n+++ %2").arg(common_setup.dev_conn[d].tag.get(), name);
  QString content, problem;
  t_param_set file;
  switch (read_param_set_file(name, content)) {
    case PSET_READ_OK:
      if (!parse_param_set_fields(content, file)) problem = msg_text(MSG_PSET_INVALID);
      break;
    case PSET_READ_NONE:
      problem = "The file cannot be read: it is missing, or damaged (its end mark or checksum is wrong).";
      break;
    case PSET_READ_TOO_BIG: problem = "The file cannot be read: it is larger than 1 MB."; break;
    case PSET_READ_IO_ERROR: problem = "The file cannot be read."; break;
  }
  std::vector<t_diff_line> lines;
  if (problem.isEmpty()) {
    // The transmitter as it is now; the read images go back as they were,
    // so what counts as a pending change stays the same.
    const t_cfg_images im = cfg_images(d);
    const t_param_set kept = read_param_set(d);
    if (run_request(d, REQR_PARAM_RD) == REQS_READY) {
      t_param_set now = read_param_set(d);
      now.sensor_mode = m_stat.dev_stat[d].read_stat.get(STAT_SENSOR_MODE);
      // Registers that never reach a transmitter are no difference from it.
      now.param[PARAM_XFER_REGS] = file.param[PARAM_XFER_REGS];
      now.prod[PROD_XFER_REGS] = file.prod[PROD_XFER_REGS];
      lines = param_set_diff(now, file);
    } else {
      problem = msg_text(MSG_CFG_READ_FAIL);
    }
    im.read_param.copy_in(0, kept.param.data(), PARAM_XFER_REGS);
    im.read_prod.copy_in(0, kept.prod.data(), PROD_XFER_REGS);
  }
  open_diff_dialog(window_, heading, lines, problem);
}
