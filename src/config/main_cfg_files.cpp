// The Load and Save commands: the active configuration (the selected
// device's, or the off-line one) to and from parameter set files.
#include "config/active_cfg.h"
#include "config/param_set.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

namespace {

QString pset_ext() { return QString::fromLatin1(PARAM_SET_EXT); }

}  // namespace

bool TMainForm::save_param_set() {
  const QString name = save_as_dialog(msg_text(MSG_PSET_SAVE_TITLE), pset_ext(), msg_text(MSG_PSET_FILTER));
  if (name.isEmpty()) return false;
  // A failed write is reported by the writer and leaves an old file as it was.
  if (!write_param_set_file(name, param_set_text())) return false;
  param_set_saved();
  update_menus();
  show_info(msg_text(MSG_PSET_SAVED));
  return true;
}

void TMainForm::menm_save_cfgClick() {
  if (!(cmd_mask & CMD_SAVE) || !cfg_addressable() || !store_pending_edit()) return;
  save_param_set();
}

void TMainForm::menm_load_cfgClick() {
  if (!(cmd_mask & CMD_LOAD) || !store_pending_edit()) return;
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
