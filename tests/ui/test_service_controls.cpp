// The service-mode controls of the main window, found by name.
#include "ui/service_controls.h"

#include <QObject>
#include <QVariant>

#include <gtest/gtest.h>

TEST(ServiceControls, ShownHiddenAndMenusFixedByName) {
  QObject win;
  QObject* group = new QObject(&win);
  QObject* made[6];
  const char* names[] = {"lbl_cal_4ma", "lbl_cal_20ma", "scr_cal_4ma", "scr_cal_20ma", "cmd_calout_4", "cmd_calout_20"};
  for (int k = 0; k < 6; ++k) {
    made[k] = new QObject(k < 3 ? group : &win);  // found at any depth
    made[k]->setObjectName(names[k]);
  }
  QObject* user = new QObject(&win);
  user->setObjectName("menm_acc_user");
  QObject* expert = new QObject(group);
  expert->setObjectName("menm_acc_expert");

  show_service_controls(&win, false);
  for (QObject* o : made) EXPECT_EQ(o->property("visible"), QVariant(false));
  EXPECT_FALSE(user->property("enabled").isValid());

  show_service_controls(&win, true);
  for (QObject* o : made) EXPECT_EQ(o->property("visible"), QVariant(true));
  EXPECT_EQ(user->property("enabled"), QVariant(false));
  EXPECT_EQ(user->property("checked"), QVariant(false));
  EXPECT_EQ(expert->property("enabled"), QVariant(false));
  EXPECT_EQ(expert->property("checked"), QVariant(true));

  QObject empty;
  show_service_controls(&empty, true);  // missing controls are skipped
  show_service_controls(nullptr, true);
}
