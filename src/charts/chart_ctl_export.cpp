// The chart control's export: the chart of the shown page as a CSV file of
// its visible window or as a bitmap, and the export setup dialog.
#include "charts/chart_ctl.h"
#include "charts/chart_export.h"
#include "charts/chart_frame.h"
#include "charts/chart_page.h"
#include "charts/draw_stat.h"
#include "charts/exp_setup.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/menu_items.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QSaveFile>

void chart_ctl::build_export_menus(QMenu* export_menu) {
  menm_exp_csv_ = named_action(export_menu, "menm_exp_csv", u"menm_exp_csv");
  menm_exp_bmp_ = named_action(export_menu, "menm_exp_bmp", u"menm_exp_bmp");
  export_menu->addSeparator();
  menm_exp_setup_ = named_action(export_menu, "menm_exp_setup", u"menm_exp_setup");
  connect(menm_exp_csv_, &QAction::triggered, this, &chart_ctl::menm_exp_csvClick);
  connect(menm_exp_bmp_, &QAction::triggered, this, &chart_ctl::menm_exp_bmpClick);
  connect(menm_exp_setup_, &QAction::triggered, this, &chart_ctl::menm_exp_setupClick);
}

int chart_ctl::export_chart() const {
  const int tag = frame_.shown_page();
  if (tag == chart_page_tag(CHART_LIVE)) return CHART_LIVE;
  if (tag == chart_page_tag(CHART_ARCH)) return CHART_ARCH;
  return -1;
}

void chart_ctl::menm_exp_csvClick() {
  const int chart = export_chart();
  if (chart < 0 || !frame_.export_allowed(false)) return;
  export_csv(chart);
}

void chart_ctl::menm_exp_bmpClick() {
  const int chart = export_chart();
  if (chart < 0 || !frame_.export_allowed(true)) return;
  export_bitmap(chart);
}

void chart_ctl::menm_exp_setupClick() {
  if (!exp_setup_) exp_setup_ = new Texp_setup(window_);
  exp_setup_->set_captions();
  exp_setup_->restore_form();
  exp_setup_->show();
  exp_setup_->raise();
}

void chart_ctl::export_bitmap(int chart) {
  const QString path = save_as_dialog(msg_text(96), "bmp", msg_text(95));
  if (path.isEmpty()) return;
  // The picture of the whole filtered series, not of a rebuild under way.
  if (chart == CHART_LIVE) finish_refilter_now();
  QSaveFile f(path);
  const bool ok = f.open(QIODevice::WriteOnly) && page(chart).image().save(&f, "BMP") && f.commit();
  if (!ok) show_error(msg_text(11) + " [" + f.errorString() + "]");
}

void chart_ctl::export_csv(int chart) {
  const QString path = save_as_dialog(msg_text(97), "csv", msg_text(97));
  if (path.isEmpty()) return;
  if (chart == CHART_LIVE) finish_refilter_now();
  const t_csv_format fmt = export_format(common_setup.decp_separator, common_setup.field_separator);
  const t_draw_stat& ds = draw_stat[chart];
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString error;
  const bool ok = write_chart_csv(chart, ds.view_first, ds.view_last, fmt, path, &error);
  QApplication::restoreOverrideCursor();
  if (!ok) show_error(msg_text(11) + " [" + error + "]");
}
