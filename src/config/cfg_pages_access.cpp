// Access levels of the configuration pages: "User" hides the interface,
// input and output settings and some product details, "Expert" shows
// everything.
#include "config/cfg_pages.h"

#include "calib/gain_model.h"
#include "core/common_data.h"
#include "core/updating_guard.h"

#include <QGroupBox>
#include <QTabWidget>

void cfg_pages::show_access_level() {
  {
    updating_guard g;
    show_settings_pages();
  }
  show_products_tab();
  show_access_layout();
}

void cfg_pages::show_access_layout() {
  const bool expert = m_stat.acc_level.load(rlx) != 0;
  grp_serial_if->setVisible(expert);
  // A page that goes is left first.
  QWidget* current = tab_ctrl_.currentWidget();
  if (!expert && (current == tabs_.inputs || current == tabs_.outputs)) tab_ctrl_.setCurrentWidget(tabs_.base);
  tab_ctrl_.setTabVisible(tab_ctrl_.indexOf(tabs_.inputs), expert);
  tab_ctrl_.setTabVisible(tab_ctrl_.indexOf(tabs_.outputs), expert);

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
    if (auto* w = tabs_.products->findChild<QWidget*>(name)) w->setVisible(expert);
}
