// The main window's export commands: the chart of the active page as a CSV
// file of its visible window or as a bitmap, and the export setup dialog.
#include "charts/chart_export.h"
#include "charts/draw_stat.h"
#include "charts/exp_setup.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QSaveFile>
#include <QTabWidget>

namespace {

QAction* export_action(QMenu* menu, const char* name) {
  auto* a = menu->addAction(ctrl_text(QString::fromLatin1(name), TXT_REQ_CAPTION, FORM_MAIN));
  a->setObjectName(name);
  return a;
}

}  // namespace

void TMainForm::build_export_menus() {
  menm_exp_csv = export_action(menm_export, "menm_exp_csv");
  menm_exp_bmp = export_action(menm_export, "menm_exp_bmp");
  menm_export->addSeparator();
  menm_exp_setup = export_action(menm_export, "menm_exp_setup");
  connect(menm_exp_csv, &QAction::triggered, this, &TMainForm::menm_exp_csvClick);
  connect(menm_exp_bmp, &QAction::triggered, this, &TMainForm::menm_exp_bmpClick);
  connect(menm_exp_setup, &QAction::triggered, this, &TMainForm::menm_exp_setupClick);
  connect(tcmd[5], &QAction::triggered, this, &TMainForm::menm_exp_csvClick);
  connect(tcmd[6], &QAction::triggered, this, &TMainForm::menm_exp_bmpClick);
}

int TMainForm::export_chart() const {
  switch (page_tag(pgctrl_main->currentWidget())) {
    case 6: return CHART_LIVE;
    case 7: return CHART_ARCH;
    default: return -1;
  }
}

void TMainForm::menm_exp_csvClick() {
  const int chart = export_chart();
  if (chart < 0 || !(cmd_mask & CMD_EXP_CSV)) return;
  export_csv(chart);
}

void TMainForm::menm_exp_bmpClick() {
  const int chart = export_chart();
  if (chart < 0 || !(cmd_mask & CMD_EXP_BMP)) return;
  export_bitmap(chart);
}

void TMainForm::menm_exp_setupClick() {
  if (!exp_setup) exp_setup = new Texp_setup(this);
  exp_setup->set_captions();
  exp_setup->restore_form();
  exp_setup->show();
  exp_setup->raise();
}

void TMainForm::export_bitmap(int chart) {
  const QString path = save_as_dialog(msg_text(96), "bmp", msg_text(95));
  if (path.isEmpty()) return;
  QSaveFile f(path);
  const bool ok = f.open(QIODevice::WriteOnly) && chart_image(chart).save(&f, "BMP") && f.commit();
  if (!ok) show_error(msg_text(11) + " [" + f.errorString() + "]");
}

void TMainForm::export_csv(int chart) {
  const QString path = save_as_dialog(msg_text(97), "csv", msg_text(97));
  if (path.isEmpty()) return;
  const t_csv_format fmt = export_format(common_setup.decp_separator, common_setup.field_separator);
  const t_draw_stat& ds = draw_stat[chart];
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString error;
  const bool ok = write_chart_csv(chart, ds.view_first, ds.view_last, fmt, path, &error);
  QApplication::restoreOverrideCursor();
  if (!ok) show_error(msg_text(11) + " [" + error + "]");
}
