// Samples into their slots and into the day's log file, through a real
// line, with the wall clock under the test's control.
#include "service_rig.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cmath>

namespace {

const QString kFile = "Dryer_20240307.orvlog";
constexpr int kSlot = 10 * 3600 * 5;  // 10:00:00

t_dev_stat& dev0() { return m_stat.dev_stat[0]; }

}  // namespace

TEST(ServiceSamples, FirstPollStartsTheDayAndLaterPollsFillTheirSlots) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  auto& s = dev0();
  EXPECT_EQ(s.device_stat.load(), DEVSTAT_OK);
  EXPECT_EQ(s.last_saved_idx.load(), kSlot);
  EXPECT_EQ(s.last_written_idx.load(), kSlot - 30);
  EXPECT_EQ(s.last_smp_orv.load(), 1000);
  // Newest sample at the current slot, older ones before it.
  EXPECT_EQ(s.smp_raw[kSlot].load(), rig_raw(1000));
  EXPECT_EQ(s.smp_raw[kSlot - 29].load(), rig_raw(971));
  EXPECT_EQ(s.smp_raw[kSlot - 30].load(), 0x000FFFFFu);
  EXPECT_EQ(s.smp_cal[kSlot - 1].load(), rig_val(999));
  EXPECT_EQ(s.smp_temp[kSlot].load(), 215);
  EXPECT_EQ(s.unit_idx.load(), 2);
  EXPECT_EQ(s.last_dev_data.raw.load(), rig_raw(1000));
  EXPECT_EQ(s.last_dev_data.temp.load(), 215);
  EXPECT_EQ(s.last_dev_data.status_2.load(), 0x0102);
  EXPECT_EQ(srvc_diag.diag[0].panel_state.load(), 4);
  EXPECT_EQ(srvc_diag.diag[0].panel_detail.load(), 2);

  // Five slots later the device has produced five samples.
  rig.clock.set_slot(kSlot + 5);
  rig.produce(5);
  rig.poll(0);
  for (int j = 0; j < 5; ++j) EXPECT_EQ(s.smp_raw[kSlot + 5 - j].load(), rig_raw(1005 - j)) << j;
  EXPECT_EQ(s.last_saved_idx.load(), kSlot + 5);
  EXPECT_EQ(s.last_smp_orv.load(), 1005);
}

TEST(ServiceSamples, SecondPollInTheSameSlotKeepsTheNewestSampleForLater) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  rig.produce(1);  // the device is one sample ahead of the PC clock
  rig.poll(0);
  auto& s = dev0();
  EXPECT_EQ(s.last_saved_idx.load(), kSlot);
  EXPECT_EQ(s.last_smp_orv.load(), 1000);  // set back by one
  EXPECT_EQ(s.smp_raw[kSlot].load(), rig_raw(1000));
  rig.clock.set_slot(kSlot + 1);
  rig.poll(0);
  EXPECT_EQ(s.smp_raw[kSlot + 1].load(), rig_raw(1001));
  EXPECT_EQ(s.last_smp_orv.load(), 1001);
}

TEST(ServiceSamples, GapOfThirtyOneSlotsStoresExactlyThirtyAndLogsNoLinesForTheGap) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  rig.clock.set_slot(kSlot + 31);
  rig.produce(31);
  rig.poll(0);
  auto& s = dev0();
  int stored = 0;
  for (int k = kSlot + 1; k <= kSlot + 31; ++k) stored += s.smp_raw[k].load() != 0x000FFFFFu;
  EXPECT_EQ(stored, 30);
  EXPECT_EQ(s.smp_raw[kSlot + 1].load(), 0x000FFFFFu);
  EXPECT_EQ(s.last_written_idx.load(), kSlot + 1);
  // The first thirty were written before the jump.
  EXPECT_EQ(rig.log_bytes(kFile).size(), 30 * 27);
}

TEST(ServiceSamples, CounterWrapCountsThreeNewSamples) {
  service_rig rig;
  rig.add_device(0);
  rig.set_counter(65535);
  rig.poll(0);
  rig.clock.set_slot(kSlot + 3);
  rig.produce(3);  // 65535 -> 2
  ASSERT_EQ(rig.counter, 2);
  rig.poll(0);
  auto& s = dev0();
  EXPECT_EQ(s.last_smp_orv.load(), 2);
  EXPECT_EQ(s.smp_raw[kSlot + 3].load(), rig_raw(2));
  EXPECT_EQ(s.smp_raw[kSlot + 1].load(), rig_raw(0));
}

TEST(ServiceSamples, DeviceAheadOrBehindByLessThanThreeSlots) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  auto& s = dev0();
  // The PC clock is two slots ahead of the device: the samples move back.
  rig.clock.set_slot(kSlot + 5);
  rig.produce(3);
  rig.poll(0);
  EXPECT_EQ(s.last_saved_idx.load(), kSlot + 3);
  EXPECT_EQ(s.smp_raw[kSlot + 3].load(), rig_raw(1003));
  EXPECT_EQ(s.smp_raw[kSlot + 4].load(), 0x000FFFFFu);
}

TEST(ServiceSamples, FirstPollOfTheDayJustAfterMidnightWritesFromSlotZero) {
  service_rig rig(RIG_DATE, 3000);  // 00:00:03, slot 15
  rig.add_device(0);
  rig.poll(0);
  auto& s = dev0();
  EXPECT_EQ(s.last_saved_idx.load(), 15);
  EXPECT_EQ(s.last_written_idx.load(), -1);
  EXPECT_EQ(s.smp_raw[0].load(), rig_raw(985));
  EXPECT_EQ(s.smp_raw[15].load(), rig_raw(1000));
  rig.svc->shutdown_step();
  const QByteArray log = rig.log_bytes(kFile);
  ASSERT_EQ(log.size(), 16 * 27);
  EXPECT_TRUE(log.startsWith("00000"));
  EXPECT_EQ(log.mid(15 * 27, 5), "0000F");
}

TEST(ServiceSamples, MidnightFlushesTheOldDayToItsOwnFileClearsTheRingAndResetsLive) {
  service_rig rig(RIG_DATE, 86400000 - 2000);  // 23:59:58
  rig.add_device(0);
  rig.poll(0);
  auto& s = dev0();
  const int late = 431990;
  EXPECT_EQ(s.last_saved_idx.load(), late);
  rig.clock.set(RIG_DATE + 1, 1000);  // 00:00:01 next day, slot 5
  rig.produce(15);
  rig.poll(0);
  EXPECT_TRUE(m_stat.reset_live.load());
  EXPECT_EQ(s.smp_raw[late].load(), 0x000FFFFFu);  // cleared with the new day
  EXPECT_EQ(s.smp_raw[5].load(), rig_raw(1015));
  EXPECT_EQ(s.smp_raw[0].load(), rig_raw(1010));
  EXPECT_EQ(static_cast<int>(s.last_date.load()), RIG_DATE + 1);
  const QByteArray old = rig.log_bytes(kFile);
  ASSERT_EQ(old.size(), 30 * 27);
  EXPECT_EQ(old.right(27).left(5), "69776");  // 431990
  rig.svc->shutdown_step();
  const QByteArray fresh = rig.log_bytes("Dryer_20240308.orvlog");
  ASSERT_EQ(fresh.size(), 6 * 27);
  EXPECT_TRUE(fresh.startsWith("00000"));
}

TEST(ServiceSamples, HundredPendingSlotsWaitTheHundredAndFirstTriggersOneWrite) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);  // 30 pending: slots kSlot-29 .. kSlot
  auto& s = dev0();
  for (int k = 1; k <= 70; ++k) {  // up to 100 pending
    rig.clock.set_slot(kSlot + k);
    rig.produce(1);
    rig.poll(0);
  }
  EXPECT_EQ(s.last_saved_idx.load() - s.last_written_idx.load(), 100);
  EXPECT_TRUE(rig.log_bytes(kFile).isEmpty());
  rig.clock.set_slot(kSlot + 71);
  rig.produce(1);
  rig.poll(0);
  EXPECT_EQ(s.last_written_idx.load(), kSlot + 71);
  const QByteArray log = rig.log_bytes(kFile);
  ASSERT_EQ(log.size(), 101 * 27);
  // Rising slot order, every line 25 characters and CR LF.
  for (int k = 0; k < 101; ++k) {
    const QByteArray line = log.mid(k * 27, 27);
    EXPECT_EQ(line.left(5).toInt(nullptr, 16), kSlot - 29 + k);
    EXPECT_TRUE(line.endsWith("\r\n"));
  }
}

TEST(ServiceSamples, AMissingLogFolderIsMadeAtTheFirstWrite) {
  service_rig rig;
  rig.add_device(0);
  const QString missing = rig.log_dir + "/plant/line 2/dryer";
  common_setup.dev_conn[0].log_dir.set(missing);
  rig.poll(0);
  rig.svc->shutdown_step();
  QFile f(missing + "/" + kFile);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.size(), 30 * 27);
  EXPECT_EQ(dev0().log_error.load(), 0);
}

TEST(ServiceSamples, FailedAppendKeepsTheSlotsPendingAndTellsWhy) {
  service_rig rig;
  rig.add_device(0);
  // A file where a folder of the path should be: the folder cannot be made.
  const QString blocker = rig.log_dir + "/blocked";
  QFile b(blocker);
  ASSERT_TRUE(b.open(QIODevice::WriteOnly));
  b.close();
  const QString folder = blocker + "/not/yet";
  common_setup.dev_conn[0].log_dir.set(folder);
  rig.poll(0);
  auto& s = dev0();
  for (int k = 1; k <= 80; ++k) {
    rig.clock.set_slot(kSlot + k);
    rig.produce(1);
    rig.poll(0);
  }
  EXPECT_EQ(s.last_written_idx.load(), kSlot - 30);  // nothing could be written
  EXPECT_EQ(s.log_error.load(), ENOTDIR);
  ASSERT_TRUE(QFile::remove(blocker));
  rig.clock.set_slot(kSlot + 81);
  rig.produce(1);
  rig.poll(0);
  QFile f(folder + "/" + kFile);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.size(), 111 * 27);  // all slots, none lost
  EXPECT_EQ(s.log_error.load(), 0);
}

TEST(ServiceSamples, FailedAppendBeforeMidnightStillReachesTheOldDaysFile) {
  service_rig rig(RIG_DATE, 86400000 - 2000);
  rig.add_device(0);
  const QString blocker = rig.log_dir + "/later";
  QFile b(blocker);
  ASSERT_TRUE(b.open(QIODevice::WriteOnly));
  b.close();
  common_setup.dev_conn[0].log_dir.set(blocker);
  rig.poll(0);
  rig.clock.set(RIG_DATE + 1, 1000);
  rig.produce(15);
  rig.poll(0);  // the old day's 30 slots cannot be written: kept
  EXPECT_EQ(kept_log_bytes(0), 30 * 27);
  ASSERT_TRUE(QFile::remove(blocker));
  rig.svc->shutdown_step();
  QFile old(blocker + "/" + kFile);
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.size(), 30 * 27);
  QFile fresh(blocker + "/Dryer_20240308.orvlog");
  ASSERT_TRUE(fresh.open(QIODevice::ReadOnly));
  EXPECT_EQ(fresh.size(), 6 * 27);
  EXPECT_EQ(kept_log_bytes(0), 0);
}

TEST(ServiceSamples, AWriteThatFailsHalfWayLeavesTheFileAsItWas) {
  temp_config_home home;
  const QString path = home.path() + "/day.orvlog";
  const QByteArray first(27, 'A');
  ASSERT_TRUE(append_text_file(path, first.constData(), first.size()));
  // The file may grow to 100 bytes: a 270-byte append is cut off after 73.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const QByteArray lines(270, 'B');
  int error = 0;
  const bool ok = append_text_file(path, lines.constData(), lines.size(), &error);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, EFBIG);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), first);  // no part of a line
}

TEST(ServiceSamples, LogNameCleansTheTagAndTheSerial) {
  service_rig rig;
  rig.set_status(212, "A12/34:5");
  rig.add_device(0, "Line 2/Dryer.v2");
  m_stat.dev_stat[0].device_stat = DEVSTAT_IDLE;
  rig.poll(0);
  rig.svc->shutdown_step();
  EXPECT_EQ(rig.log_bytes("Line 2~Dryer~v2_A12~34~5_20240307.orvlog").size(), 30 * 27);
}

TEST(ServiceSamples, TemperaturesAreWrittenAsTwelveBitTwosComplement) {
  service_rig rig;
  rig.add_device(0);
  rig.temp = -125;
  rig.set_samples();
  rig.poll(0);
  rig.clock.set_slot(kSlot + 1);
  rig.temp = 2047;
  rig.produce(1);
  rig.poll(0);
  rig.svc->shutdown_step();
  const QByteArray log = rig.log_bytes(kFile);
  ASSERT_EQ(log.size(), 31 * 27);
  EXPECT_EQ(log.mid(29 * 27 + 5, 3), "F83");
  EXPECT_EQ(log.mid(30 * 27 + 5, 3), "7FF");
  // Raw word, value bits and unit digit of the last line.
  const QByteArray last = log.mid(30 * 27, 25);
  EXPECT_EQ(last.mid(8, 8), QByteArray::number(rig_raw(1001), 16).rightJustified(8, '0').toUpper());
  EXPECT_EQ(last.mid(16, 8), QByteArray::number(std::bit_cast<uint32_t>(rig_val(1001)), 16).toUpper());
  EXPECT_EQ(last.at(24), '2');
}
