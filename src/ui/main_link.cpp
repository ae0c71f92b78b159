// The main window's way to the link statistics: the device pop-up item and
// the dialog it opens.
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/link_stats_dlg.h"
#include "ui/main_form.h"

#include <QAction>

TDlg_link_stats* TMainForm::link_dialog() {
  if (!Dlg_link_stats) Dlg_link_stats = new TDlg_link_stats(this);
  return Dlg_link_stats;
}

void TMainForm::x_menp_link_statsClick() {
  if (popup_dev_idx < 0 || popup_dev_idx >= MAX_DEVICES) return;
  link_dialog()->open_for(popup_dev_idx);
}
