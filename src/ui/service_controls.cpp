#include "ui/service_controls.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace {

const char* const kCalibControls[] = {"lbl_cal_4ma",  "lbl_cal_20ma",  "scr_cal_4ma",       "scr_cal_20ma",
                                      "cmd_calout_4", "cmd_calout_20", "x_lbl_scr_cal_4ma", "x_lbl_scr_cal_20ma"};

}  // namespace

void show_service_controls(QObject* main_window, bool service_ena) {
  if (!main_window) return;
  for (const char* name : kCalibControls)
    if (QObject* o = main_window->findChild<QObject*>(QString::fromLatin1(name)))
      o->setProperty("visible", service_ena);
  if (!service_ena) return;
  if (QObject* user = main_window->findChild<QObject*>(QStringLiteral("menm_acc_user"))) {
    user->setProperty("enabled", false);
    user->setProperty("checked", false);
  }
  if (QObject* expert = main_window->findChild<QObject*>(QStringLiteral("menm_acc_expert"))) {
    expert->setProperty("enabled", false);
    expert->setProperty("checked", true);
  }
}
