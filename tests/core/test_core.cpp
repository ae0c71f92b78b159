// Run-time records and work folders.
#include "core/common_data.h"
#include "core/work_dirs.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>

TEST(Records, SizesAndZeroFilledStart) {
  reset_all_records();
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw.size(), 432001u);
  EXPECT_EQ(m_stat.dev_stat[7].smp_cal.size(), 432001u);
  EXPECT_EQ(m_stat.dev_stat[3].smp_temp.size(), 432001u);
  EXPECT_EQ(m_stat.dev_stat[0].read_stat.size(), 82);
  EXPECT_EQ(m_stat.read_param.size(), 85);
  EXPECT_EQ(m_stat.tmp_prod.size(), 1729);
  EXPECT_EQ(m_stat.dev_stat[0].cal_raw_smp.size(), 365u);
  EXPECT_EQ(m_stat.arch_stat[7].smp_tab.size(), 432001u);
  EXPECT_EQ(sizeof(device_stat_t), 1u);
  EXPECT_EQ(sizeof(dev_request_t), 1u);
  EXPECT_EQ(sizeof(m_stat.dev_stat[0].smp_raw[0]), 4u);
  EXPECT_EQ(sizeof(m_stat.dev_stat[0].smp_temp[0]), 2u);
  EXPECT_EQ(m_stat.dev_stat[5].smp_raw[431999].load(), 0u);
  EXPECT_EQ(m_stat.dev_stat[5].read_prod.get(1728), 0);
  EXPECT_EQ(m_stat.data_req.load(), REQR_IDLE);
  EXPECT_FALSE(common_setup.dev_conn[7].active.load());
  EXPECT_TRUE(common_setup.dev_conn[7].tag.get().isEmpty());
}

TEST(Records, ClearedRingReadsEmptyEverywhereAndResetSetsIndexes) {
  reset_all_records();
  auto& d = m_stat.dev_stat[2];
  d.smp_temp[10].store(215);
  clear_smp_ring(d);
  for (int i : {0, 1, 215999, 431999, 432000}) {
    EXPECT_EQ(d.smp_raw[i].load(), 0x000FFFFFu);
    EXPECT_EQ(d.smp_cal[i].load_bits(), 0xFFC00000u);
    EXPECT_TRUE(std::isnan(d.smp_cal[i].load()));
  }
  EXPECT_EQ(d.smp_temp[10].load(), 215);  // temperatures stay
  EXPECT_TRUE(d.unit_cleared.load());

  d.device_stat = DEVSTAT_OK;
  d.param_read = true;
  d.calib_req = true;
  d.cal_smp_cnt = 9;
  reset_acq_state(d, 46000.0);
  EXPECT_EQ(d.device_stat.load(), DEVSTAT_IDLE);
  EXPECT_FALSE(d.param_read.load());
  EXPECT_FALSE(d.calib_req.load());
  EXPECT_EQ(d.cal_smp_cnt.load(), 0);
  EXPECT_EQ(d.last_saved_idx.load(), -1);
  EXPECT_EQ(d.last_written_idx.load(), -1);
  EXPECT_EQ(d.last_smp_orv.load(), -1);
  EXPECT_EQ(d.last_arch_idx.load(), -1);
  EXPECT_EQ(d.last_date.load(), 46000.0);
}

TEST(Records, TextFieldsCopyAndAssign) {
  reset_all_records();
  common_setup.dev_conn[1].tag.set("Line 3 dryer");
  common_setup.dev_conn[1].log_dir.set("/data/logs");
  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "Line 3 dryer");
  EXPECT_EQ(common_setup.dev_conn[1].log_dir.get(), "/data/logs");
  reset_all_records();
  EXPECT_TRUE(common_setup.dev_conn[1].tag.get().isEmpty());
}

TEST(WorkDirs, AppDataFollowsXdgConfigHome) {
  temp_config_home home;
  EXPECT_EQ(app_data_dir(), QDir::cleanPath(home.path()));
  EXPECT_EQ(to_native_path("\\Tarvik\\Orv_Cfg"), "/Tarvik/Orv_Cfg");
  EXPECT_EQ(com_ports_dir(), QDir::cleanPath(home.path()) + "/Tarvik/Orv_Cfg/ports");
}

TEST(WorkDirs, MakeWorkDirNormalisesAndCreatesEveryLevel) {
  temp_config_home home;
  QString f = "\\Maker\\Sub\\Leaf\\";
  ASSERT_TRUE(make_work_dir(f, "OrvConfig"));
  EXPECT_EQ(f, "\\Maker\\Sub\\Leaf");
  EXPECT_TRUE(QFileInfo(home.path() + "/Maker/Sub/Leaf").isDir());
  EXPECT_EQ(work_path(f), QDir::cleanPath(home.path()) + "/Maker/Sub/Leaf");

  QString empty;
  ASSERT_TRUE(make_work_dir(empty, "Orv_Data"));
  EXPECT_EQ(empty, "\\Tarvik\\Orv_Data");
  EXPECT_TRUE(QFileInfo(home.path() + "/Tarvik/Orv_Data").isDir());

  QString again = "\\";
  ASSERT_TRUE(make_work_dir(again, "OrvConfig"));
  EXPECT_EQ(again, "\\Tarvik\\OrvConfig");
  ASSERT_TRUE(make_work_dir(again, "OrvConfig"));  // existing folders are fine
  EXPECT_EQ(again, "\\Tarvik\\OrvConfig");
}

TEST(WorkDirs, MakeWorkDirFailsWhereAFileBlocksTheWay) {
  temp_config_home home;
  QFile blocker(home.path() + "/Tarvik");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QString f = "Tarvik\\Orv_Cfg";
  EXPECT_FALSE(make_work_dir(f, "OrvConfig"));
  EXPECT_EQ(f, "Tarvik\\Orv_Cfg");  // left as it was
}

TEST(SafeFolderText, AcceptsPlainFoldersOnly) {
  EXPECT_TRUE(safe_folder_text(""));
  EXPECT_TRUE(safe_folder_text("Tarvik\\Orv_Cfg"));
  EXPECT_TRUE(safe_folder_text("\\Tarvik\\Orv_Cfg\\"));
  EXPECT_TRUE(safe_folder_text("Orv Daten 2"));
  EXPECT_FALSE(safe_folder_text(".."));
  EXPECT_FALSE(safe_folder_text("Tarvik\\..\\..\\x"));
  EXPECT_FALSE(safe_folder_text("Tarvik\\ .. "));
  EXPECT_FALSE(safe_folder_text("Tarvik\\.\\x"));
  EXPECT_FALSE(safe_folder_text("C:\\Windows"));
  EXPECT_FALSE(safe_folder_text("/etc"));
  EXPECT_FALSE(safe_folder_text("a\\\\b"));
  EXPECT_FALSE(safe_folder_text(QString("a") + QChar(u'\n') + "b"));
}
