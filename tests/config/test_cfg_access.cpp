// Access levels in the window: what the user level hides and the expert
// level shows again, with every register left as it was, and service mode
// from the marker file.
#include "config/window_rig.h"

#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QTabWidget>

namespace {

bool tab_shown(TMainForm& f, QWidget* page) { return page_control(f)->isTabVisible(page_control(f)->indexOf(page)); }

bool shown_on(TMainForm& f, QWidget* page, const char* name) {
  auto* w = f.findChild<QWidget*>(name);
  EXPECT_TRUE(w) << name;
  return w && w->isVisibleTo(page);
}

const char* const kCalibControls[] = {"lbl_cal_4ma",  "lbl_cal_20ma", "scr_cal_4ma",
                                      "scr_cal_20ma", "cmd_calout_4", "cmd_calout_20"};
const char* const kExpertOnly[] = {"lbl_scr_filt", "txt_scr_filt", "x_lbl_scr_filt_u", "lbl_prod_crc",
                                   "x_lbl_prod_crc"};

}  // namespace

class CfgAccess : public WindowRig {};

TEST_F(CfgAccess, TheUserLevelHidesWhatTheExpertLevelShows) {
  start({}, false, false);
  form_->select_device(0);
  boxes();
  TMainForm& f = *form_;
  auto* alarms = f.findChild<QGroupBox*>("grp_alarms");
  auto* serial_if = f.findChild<QGroupBox*>("grp_serial_if");
  auto* user = action("menm_acc_user");
  auto* expert = action("menm_acc_expert");

  auto expect_level = [&](bool on) {
    SCOPED_TRACE(on ? "expert" : "user");
    EXPECT_EQ(m_stat.acc_level.load(), on ? 1 : 0);
    EXPECT_EQ(expert->isChecked(), on);
    EXPECT_EQ(user->isChecked(), !on);
    EXPECT_EQ(tab_shown(f, inputs_page(f)), on);
    EXPECT_EQ(tab_shown(f, outputs_page(f)), on);
    EXPECT_EQ(serial_if->isVisibleTo(base_page(f)), on);
    EXPECT_EQ(alarms->isVisibleTo(products_page(f)), on);
    for (const char* name : kExpertOnly) EXPECT_EQ(shown_on(f, products_page(f), name), on) << name;
    // Never without service mode.
    for (const char* name : kCalibControls) EXPECT_FALSE(shown_on(f, outputs_page(f), name)) << name;
  };

  // The program starts at the user level; the alarm limits have height 0.
  expect_level(false);
  show_page(f, products_page(f));
  wait_until([] { return false; }, 50);
  EXPECT_EQ(alarms->height(), 0);
  EXPECT_EQ(alarms->maximumHeight(), 0);
  const int design = alarms->property("Tag").toInt();
  EXPECT_GT(design, 0);

  auto& s = m_stat.dev_stat[0];
  param_image param_before;
  prod_image prod_before;
  param_before.assign(s.edit_param);
  prod_before.assign(s.edit_prod);

  expert->trigger();
  expect_level(true);
  wait_until([&] { return alarms->height() >= design; }, 2000);
  EXPECT_GE(alarms->height(), design);
  // The outputs page can be opened now; back at the user level it goes, and
  // the window shows the settings page instead.
  show_page(f, outputs_page(f));
  user->trigger();
  expect_level(false);
  EXPECT_EQ(page_control(f)->currentWidget(), base_page(f));
  EXPECT_TRUE(s.edit_param.equals(param_before));
  EXPECT_TRUE(s.edit_prod.equals(prod_before));
  EXPECT_FALSE(cfg_changed(0));
  EXPECT_FALSE(edit("txt_dev_sernum")->isEnabled());
  EXPECT_EQ(boxes(), QStringList{});
}

TEST_F(CfgAccess, ServiceModeForcesTheExpertLevelAndShowsTheOutputCalibration) {
  start({}, true, false);
  form_->select_device(0);
  boxes();
  TMainForm& f = *form_;
  EXPECT_TRUE(m_stat.service_ena.load());
  EXPECT_EQ(m_stat.acc_level.load(), 1);
  EXPECT_FALSE(action("menm_acc_user")->isEnabled());
  EXPECT_FALSE(action("menm_acc_expert")->isEnabled());
  EXPECT_TRUE(action("menm_acc_expert")->isChecked());
  EXPECT_FALSE(action("menm_acc_user")->isChecked());
  EXPECT_TRUE(tab_shown(f, outputs_page(f)));
  for (const char* name : kCalibControls) EXPECT_TRUE(shown_on(f, outputs_page(f), name)) << name;
  EXPECT_TRUE(edit("txt_dev_sernum")->isEnabled());
  // The user level cannot be had.
  f.transfer().set_access_level(false);
  EXPECT_EQ(m_stat.acc_level.load(), 1);
  EXPECT_TRUE(tab_shown(f, inputs_page(f)));
}
