// Start-up and shutdown of the main window, offscreen, against a fresh
// application-data folder.
#include "app/setup_file.h"
#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"
#include "settings/checked_file.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/lng_pack.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    msg_script::begin();
  }
  void TearDown() override { msg_script::end(); }
  temp_config_home home;
};

// A menu of the main window, found by its name as the text table knows it.
QMenu* menu(TMainForm& form, const char* name) { return form.findChild<QMenu*>(name); }

}  // namespace

TEST_F(Startup, CreatesWorkFoldersWritesTheLogAndShutsDownCleanly) {
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  EXPECT_TRUE(form.init_done());
  EXPECT_TRUE(QFileInfo(home.path() + "/Tarvik/Orv_Cfg").isDir());
  EXPECT_TRUE(QFileInfo(home.path() + "/Tarvik/Orv_Data").isDir());
  EXPECT_EQ(cfg_dir, "\\Tarvik\\Orv_Cfg");
  EXPECT_EQ(data_dir, "\\Tarvik\\Orv_Data");
  const QString log = read_checked_file(home.path() + "/Tarvik/Orv_Cfg/orv_init.log");
  EXPECT_EQ(log, "language pack file not found\r\nno custom logo\r\n");

  EXPECT_EQ(m_stat.dev_selected.load(), -1);
  EXPECT_EQ(m_stat.dev_stat[4].last_saved_idx.load(), -1);
  EXPECT_EQ(m_stat.dev_stat[4].smp_raw[100].load(), 0x000FFFFFu);
  EXPECT_TRUE(tick_timer(form)->isActive());
  ASSERT_NE(srvc_thread, nullptr);
  EXPECT_TRUE(srvc_thread->started());
  EXPECT_FALSE(service_ended(form));
  EXPECT_EQ(page_control(form)->count(), 7);
  EXPECT_EQ(TMainForm::page_tag(page_control(form)->currentWidget()), 0);
  ASSERT_TRUE(form.findChild<QWidget*>("tab_outputs"));
  EXPECT_EQ(TMainForm::page_tag(form.findChild<QWidget*>("tab_outputs")), 4);

  form.show();
  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  EXPECT_EQ(msg_script::shown(), QStringList{"question: Quit program?"});
  EXPECT_TRUE(service_ended(form));
  EXPECT_FALSE(tick_timer(form)->isActive());
  EXPECT_FALSE(modb_serial->is_open());
}

TEST_F(Startup, AnsweringNoKeepsTheProgramRunning) {
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.show();
  msg_script::push_answer(false);
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(tick_timer(form)->isActive());
  EXPECT_FALSE(service_ended(form));
  EXPECT_FALSE(srvc_thread->terminate_requested());
  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  EXPECT_TRUE(service_ended(form));
}

TEST_F(Startup, WorkFolderFailureShowsTheCriticalErrorAndStops) {
  // A file where the maker folder should be.
  QFile blocker(home.path() + "/Tarvik");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  TMainForm form;
  EXPECT_FALSE(form.FormCreate());
  EXPECT_FALSE(form.init_done());
  EXPECT_EQ(msg_script::shown(),
            QStringList{"error: Critical error! Cannot create work directory. Check your access rights. Must close."});
  EXPECT_TRUE(srvc_thread == nullptr || !srvc_thread->started());
  form.abort_sequence();
}

TEST_F(Startup, TheSetupSurvivesARestart) {
  {
    TMainForm form;
    ASSERT_TRUE(form.FormCreate());
    auto& c = common_setup.dev_conn[2];
    c.active = true;
    c.com_num = 7;
    c.addr = 4;
    c.tag.set("Mixer 2");
    show_page(form, window_page(form, "tab_online"));
    EXPECT_EQ(common_setup.last_page, 6);
    form.shutdown_sequence();
  }
  reset_all_records();
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  EXPECT_TRUE(common_setup.dev_conn[2].active.load());
  EXPECT_EQ(common_setup.dev_conn[2].com_num.load(), 7);
  EXPECT_EQ(common_setup.dev_conn[2].tag.get(), "Mixer 2");
  EXPECT_EQ(TMainForm::page_tag(page_control(form)->currentWidget()), 6);
  EXPECT_TRUE(form.placement_pending());
  form.shutdown_sequence();
}

TEST_F(Startup, ADamagedSetupIsKeptAndAnUnreadableLogIsReported) {
  const QString cfg = home.path() + "/Tarvik/Orv_Cfg";
  ASSERT_TRUE(QDir().mkpath(cfg));
  QFile damaged(cfg + "/OrvConfig.cfg");
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("0|0|0|0|1|1|.|;|||||||0|1|1|4|7|4|0|Mixer|" + home.path().toUtf8() + "/logs|");  // cut short
  damaged.close();
  {
    TMainForm form;
    ASSERT_TRUE(form.FormCreate());
    form.shutdown_sequence();
  }
  const QString log = read_checked_file(cfg + "/orv_init.log");
  EXPECT_TRUE(log.contains("Setup file " + cfg + "/OrvConfig.cfg failed its check and was read as empty; kept as " +
                           cfg + "/OrvConfig.cfg.bad\r\n"))
      << qPrintable(log);
  EXPECT_TRUE(QFileInfo::exists(cfg + "/OrvConfig.cfg.bad"));
  EXPECT_FALSE(read_checked_file(cfg + "/OrvConfig.cfg").isEmpty());  // saved afresh at the end

  // Today's log of an active device cannot be read: the user is told why.
  reset_all_records();
  msg_script::end();
  msg_script::begin();
  auto& c = common_setup.dev_conn[0];
  c.active = true;
  c.com_num = 7;
  c.tag.set("Mixer");
  c.log_dir.set(home.path() + "/logs");
  save_setup(t_setup_ui{});
  const QString today = QDate::currentDate().toString("yyyyMMdd");
  ASSERT_TRUE(QDir().mkpath(home.path() + "/logs/Mixer_" + today + ".orvlog"));  // a folder in its place
  reset_all_records();
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  ASSERT_EQ(msg_script::shown().size(), 1);
  EXPECT_TRUE(msg_script::shown()[0].startsWith("error: Data loading failed. [")) << qPrintable(msg_script::shown()[0]);
  form.shutdown_sequence();
}

TEST_F(Startup, TheDevicePopUpNamesTheFolderAndTheErrorWhileLoggingFails) {
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  auto* item = form.findChild<QAction*>("x_menp_log_error");
  ASSERT_NE(item, nullptr);
  prep_dev_popup(form, 0);
  EXPECT_FALSE(item->isVisible());
  common_setup.dev_conn[0].log_dir.set("/plant/logs");
  m_stat.dev_stat[0].log_error = EACCES;
  prep_dev_popup(form, 0);
  EXPECT_TRUE(item->isVisible());
  EXPECT_FALSE(item->isEnabled());
  EXPECT_EQ(item->text(), "Logging fails: /plant/logs: " + qt_error_string(EACCES));
  prep_dev_popup(form, -1);  // the pop-up of the free area
  EXPECT_FALSE(item->isVisible());
  m_stat.dev_stat[0].log_error = 0;
  form.shutdown_sequence();
}

TEST_F(Startup, ALanguagePackNextToTheProgramCanBeChosenFromTheMenu) {
  QTemporaryDir start;
  t_text_set german = default_texts();
  german[find_text_row(u"menm_file", TXT_KIND_CAPTION, FORM_MAIN)] = "Datei";
  german[find_text_row(u"lbl_click_to_sel", TXT_KIND_CAPTION, FORM_MAIN)] = "Gerät wählen";
  ASSERT_TRUE(write_lng_pack(start.filePath("Deutsch_lng.lngpack"), german));
  ASSERT_TRUE(write_lng_pack(start.filePath("English.lngpack"), default_texts()));
  const QString old_cwd = QDir::currentPath();
  QDir::setCurrent(start.path());
  {
    TMainForm form;
    ASSERT_TRUE(form.FormCreate());
    EXPECT_EQ(common_setup.lng_config.lng_cnt, 2);
    EXPECT_EQ(common_setup.lng_config.curr_lng, "Deutsch");
    EXPECT_EQ(menu(form, "menm_file")->title(), "Datei");
    EXPECT_EQ(form.findChild<QLabel*>("lbl_click_to_sel")->text(), "Gerät wählen");
    ASSERT_TRUE(menu(form, "menm_language")->menuAction()->isVisible());
    QList<QAction*> items;
    for (QAction* a : menu(form, "menm_language")->actions())
      if (a->isVisible()) items << a;
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->isChecked());
    items[1]->trigger();
    EXPECT_EQ(common_setup.lng_config.curr_lng, "English");
    EXPECT_EQ(menu(form, "menm_file")->title(), "File");
    EXPECT_EQ(form.findChild<QLabel*>("lbl_click_to_sel")->text(), "Select device");
    EXPECT_TRUE(items[1]->isChecked());
    form.shutdown_sequence();
  }
  // The choice is remembered.
  reset_all_records();
  {
    TMainForm form;
    ASSERT_TRUE(form.FormCreate());
    EXPECT_EQ(common_setup.lng_config.curr_lng, "English");
    EXPECT_EQ(menu(form, "menm_file")->title(), "File");
    form.shutdown_sequence();
  }
  QDir::setCurrent(old_cwd);
}
