// The Load and Save commands: the active configuration (the selected
// device's, or the off-line one) to and from parameter set files.
#include "config/cfg_transfer_ctl.h"

#include "config/active_cfg.h"
#include "config/cfg_frame.h"
#include "config/cfg_pages.h"
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
