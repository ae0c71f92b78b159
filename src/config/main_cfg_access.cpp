// Access levels of the configuration pages: "User" hides the interface,
// input and output settings and some product details, "Expert" shows
// everything; service mode (set once at start-up) forces the expert level.
#include "calib/gain_model.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "ui/main_form.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

void TMainForm::set_access_level(bool expert) {
  // Service mode keeps the expert level (its menu items are disabled).
  if (m_stat.service_ena.load(rlx)) expert = true;
  m_stat.acc_level.store(expert ? 1 : 0, rlx);
  menm_acc_expert->setChecked(expert);
  menm_acc_user->setChecked(!expert);
  {
    updating_guard g;
    show_bound_controls(tab_base);
    show_bound_controls(tab_inputs);
    show_bound_controls(tab_outputs);
    show_din_matrix();
    refresh_gain_display();
  }
  show_products_tab();
  show_access_layout();
}

void TMainForm::show_access_layout() {
  const bool expert = m_stat.acc_level.load(rlx) != 0;
  grp_serial_if->setVisible(expert);
  // A page that goes is left first.
  QWidget* current = pgctrl_main->currentWidget();
  if (!expert && (current == tab_inputs || current == tab_outputs)) pgctrl_main->setCurrentWidget(tab_base);
  pgctrl_main->setTabVisible(pgctrl_main->indexOf(tab_inputs), expert);
  pgctrl_main->setTabVisible(pgctrl_main->indexOf(tab_outputs), expert);

  // The alarm limits collapse to height 0; they are hidden too, so that Tab
  // never moves the focus into edits nobody sees. The design height is kept
  // in the group's Tag.
  if (!grp_alarms->property("Tag").isValid()) grp_alarms->setProperty("Tag", grp_alarms->sizeHint().height());
  if (!grp_filter->property("Tag").isValid()) grp_filter->setProperty("Tag", grp_filter->sizeHint().height());
  grp_alarms->setMaximumHeight(expert ? QWIDGETSIZE_MAX : 0);
  grp_alarms->setVisible(expert);

  for (const char* name : {"lbl_scr_filt", "txt_scr_filt", "x_lbl_scr_filt_u"})
    if (auto* w = grp_filter->findChild<QWidget*>(name)) w->setVisible(expert);
  for (const char* name : {"lbl_prod_crc", "x_lbl_prod_crc"})
    if (auto* w = tab_products->findChild<QWidget*>(name)) w->setVisible(expert);
}
