// Reading today's log files back into the rings, and the service going on
// with the same ring and the same file after a restart.
#include "archive/live_reload.h"
#include "archive/log_file.h"
#include "comm/service_rig.h"
#include "core/common_data.h"
#include "core/day_clock.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class LiveReload : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    dir = home.path();
  }
  QString write(const QByteArray& bytes, const QString& name = "day.orvlog") {
    const QString p = dir + "/" + name;
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return p;
  }
  temp_config_home home;
  QString dir;
};

const QByteArray kLine1 = "0B4A00FA000A82A741C800002\r\n";  // slot 46240, 25.0 C
const QByteArray kLine2 = "0B4A1F83000A82A841C900002\r\n";  // slot 46241, -12.5 C

}  // namespace

TEST_F(LiveReload, GoodFileFillsTheRing) {
  auto& s = m_stat.dev_stat[1];
  // Lower-case digits, an empty line, and a last line without CR LF.
  const QString p = write(kLine1 + "\r\n" + kLine2.toLower().left(25));
  EXPECT_EQ(reload_log_file(p, 1), LOAD_OK);
  EXPECT_EQ(s.smp_raw[46240].load(), 0x000A82A7u);
  EXPECT_EQ(s.smp_cal[46240].load(), 25.0f);
  EXPECT_EQ(s.smp_temp[46240].load(), 0xFA);
  EXPECT_EQ(static_cast<int16_t>(s.smp_temp[46241].load()), -125);
  EXPECT_EQ(s.last_arch_idx.load(), 46241);
  EXPECT_EQ(s.unit_idx.load(), 2);
  EXPECT_EQ(s.smp_raw[46242].load(), 0x000FFFFFu);
  EXPECT_TRUE(std::isnan(s.smp_cal[0].load()));
}

TEST_F(LiveReload, EmptyFileAndRepeatedSlots) {
  EXPECT_EQ(reload_log_file(write(""), 0), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[0].last_arch_idx.load(), 0);  // untouched: nothing was read
  const QString p = write(kLine1 + "0B4A00FA000000013F8000003\r\n");
  EXPECT_EQ(reload_log_file(p, 0), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw[46240].load(), 1u);  // the later line wins
  EXPECT_EQ(m_stat.dev_stat[0].unit_idx.load(), -1);        // units disagree
}

TEST_F(LiveReload, DamagedFilesGiveTheirCodesAndStop) {
  struct {
    QByteArray line;
    int code;
  } cases[] = {
      {"0B4A00FA000A82A741C8000020\r\n", LOAD_BAD_LENGTH},  // 26 characters
      {"0B4A00FA00\r\n", LOAD_BAD_LENGTH},                  // short
      {"0B4G00FA000A82A741C800002\r\n", LOAD_BAD_SLOT},
      {"0B4A00ZA000A82A741C800002\r\n", LOAD_BAD_VALUE},
      {"0B4A00FA000A8 A741C800002\r\n", LOAD_BAD_RAW},
      {"0B4A00FA000A82A741C8000X2\r\n", LOAD_BAD_CAL},
      {"697810FA000A82A741C800002\r\n", LOAD_BAD_INDEX},
  };
  for (const auto& c : cases) {
    const QString p = write(kLine1 + c.line + kLine2);
    EXPECT_EQ(reload_log_file(p, 2), c.code) << c.line.constData();
    EXPECT_EQ(m_stat.dev_stat[2].smp_raw[46241].load(), 0x000FFFFFu) << "stopped after the bad line";
  }
  // The highest slot a file may name loads.
  EXPECT_EQ(reload_log_file(write("6977F0FA000A82A741C800002\r\n"), 2), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[2].smp_raw[432000 - 1].load(), 0x000A82A7u);
  // A huge binary line is refused without reading it whole.
  EXPECT_EQ(reload_log_file(write(kLine1 + QByteArray(5'000'000, '\x01')), 2), LOAD_BAD_LENGTH);
  // Missing or unreadable.
  QString error;
  EXPECT_EQ(reload_log_file(dir + "/missing.orvlog", 2, &error), LOAD_READ_FAILED);
  EXPECT_FALSE(error.isEmpty());
  QDir().mkpath(dir + "/folder.orvlog");
  EXPECT_EQ(reload_log_file(dir + "/folder.orvlog", 2), LOAD_READ_FAILED);
}

TEST_F(LiveReload, StartUpRestoresActiveDevicesOnly) {
  manual_day_clock clock(RIG_DATE, 12 * 3600 * 1000);
  set_wall_clock(&clock);
  for (int d : {0, 1, 2, 3}) {
    auto& c = common_setup.dev_conn[d];
    c.active = d != 1;
    c.log_dir.set(dir);
    c.tag.set(QString("Dev%1").arg(d));
    write(kLine1, QString("Dev%1_20240307.orvlog").arg(d));
  }
  write(kLine1 + "garbage\r\n", "Dev2_20240307.orvlog");
  QFile::remove(dir + "/Dev3_20240307.orvlog");
  ASSERT_TRUE(QDir().mkpath(dir + "/Dev3_20240307.orvlog"));  // a folder where the file should be
  const auto results = reload_live_logs();
  set_wall_clock(nullptr);
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw[46240].load(), 0x000A82A7u);
  EXPECT_EQ(m_stat.dev_stat[0].last_arch_idx.load(), 46240);
  EXPECT_EQ(m_stat.dev_stat[1].smp_raw[46240].load(), 0x000FFFFFu);  // not active
  EXPECT_EQ(m_stat.dev_stat[2].smp_raw[46240].load(), 0x000FFFFFu);  // damaged: cleared
  EXPECT_EQ(m_stat.dev_stat[3].smp_raw[46240].load(), 0x000FFFFFu);
  EXPECT_EQ(results[0].code, LOAD_OK);
  EXPECT_EQ(results[1].code, LOAD_OK);
  EXPECT_EQ(results[2].code, LOAD_BAD_LENGTH);
  EXPECT_EQ(results[3].code, LOAD_READ_FAILED);
  EXPECT_FALSE(results[3].error.isEmpty());
  for (int d = 0; d < MAX_DEVICES; ++d) {
    EXPECT_TRUE(m_stat.dev_stat[d].smp_cleared.load());
    EXPECT_EQ(m_stat.dev_stat[d].last_saved_idx.load(), -1);
    EXPECT_EQ(static_cast<int>(m_stat.dev_stat[d].last_date.load()), RIG_DATE);
  }
}

TEST(Restart, TheServiceGoesOnWithTheSameRingAndFile) {
  service_rig rig;
  rig.add_device(0);
  const int start = 10 * 3600 * 5;
  rig.poll(0);
  for (int k = 1; k <= 40; ++k) {
    rig.clock.set_slot(start + k);
    rig.produce(1);
    rig.poll(0);
  }
  rig.svc->shutdown_step();  // the program ends: everything flushed
  const QString file = "Dryer_20240307.orvlog";
  ASSERT_EQ(rig.log_bytes(file).size(), 70 * 27);

  // Restart a minute later: the rings are empty until today's file is read back.
  for (auto& d : m_stat.dev_stat) clear_smp_ring(d);
  set_wall_clock(&rig.clock);
  rig.clock.set_slot(start + 40 + 300);
  reload_live_logs();
  set_wall_clock(nullptr);
  auto& s = m_stat.dev_stat[0];
  EXPECT_EQ(s.last_arch_idx.load(), start + 40);
  EXPECT_EQ(s.smp_raw[start - 29].load(), rig_raw(971));
  rig.produce(300);
  rig.poll(0);
  // The reloaded samples stay; the new ones follow after the pause.
  EXPECT_EQ(s.smp_raw[start - 29].load(), rig_raw(971));
  EXPECT_EQ(s.smp_raw[start + 340].load(), rig_raw(1340));
  EXPECT_EQ(s.smp_raw[start + 200].load(), 0x000FFFFFu);
  rig.svc->shutdown_step();
  const QByteArray log = rig.log_bytes(file);
  ASSERT_EQ(log.size(), (70 + 30) * 27);
  EXPECT_EQ(log.mid(70 * 27, 5).toInt(nullptr, 16), start + 311);
}

TEST(Restart, QuickRestartsWriteNoSlotTwiceAndLeaveNoHole) {
  // Three runs of 30 s, each 5 s after the end of the one before, on one
  // day. Every start reads today's file back first, as the program does.
  service_rig rig;
  rig.add_device(0);
  const int first = 10 * 3600 * 5;
  int slot = first;
  rig.clock.set_slot(slot);
  for (int run = 0; run < 3; ++run) {
    if (run > 0) {
      slot += 25;
      rig.produce(25);
      rig.clock.set_slot(slot);
      for (auto& d : m_stat.dev_stat) clear_smp_ring(d);
      set_wall_clock(&rig.clock);
      reload_live_logs();
      set_wall_clock(nullptr);
      rig.svc = std::make_unique<com_service>(rig.terminated, &rig.link, &rig.clock);
    }
    rig.poll(0);  // the first poll stores the 30 newest samples
    for (int k = 0; k < 150; ++k) {
      rig.clock.set_slot(++slot);
      rig.produce(1);
      rig.poll(0);
    }
    rig.svc->shutdown_step();
  }
  const QByteArray log = rig.log_bytes("Dryer_20240307.orvlog");
  ASSERT_EQ(log.size() % 27, 0);
  const int lines = static_cast<int>(log.size() / 27);
  // Strictly rising, one line per slot from the first stored slot to the last.
  ASSERT_EQ(lines, slot - (first - 29) + 1);
  for (int k = 0; k < lines; ++k) {
    const QByteArray line = log.mid(k * 27, 27);
    const int s = line.left(5).toInt(nullptr, 16);
    ASSERT_EQ(s, first - 29 + k) << "line " << k;
    // Each slot holds the sample the device took at that time.
    ASSERT_EQ(line.mid(8, 8).toUInt(nullptr, 16), rig_raw(1000 + s - first)) << "line " << k;
  }
}

TEST_F(LiveReload, AHugeFileOfEmptyLinesIsRefusedAtTheLongestDay) {
  // More lines than a 25-hour day has slots: damaged, and not read to its end.
  const QString p = write(kLine1 + QByteArray(LOG_MAX_LINES + 10, '\n') + kLine2);
  EXPECT_EQ(reload_log_file(p, 0), LOAD_BAD_LENGTH);
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw[46241].load(), 0x000FFFFFu);
  // A file of exactly that many lines still loads.
  const QString q = write(QByteArray(LOG_MAX_LINES - 1, '\n') + kLine2);
  EXPECT_EQ(reload_log_file(q, 0), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[0].last_arch_idx.load(), 46241);
}
