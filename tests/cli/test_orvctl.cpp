// orvctl in this process against a simulated transmitter on a pseudo-terminal.
#include "comm/com_service.h"
#include "comm/port_names.h"
#include "comm/serial_port.h"
#include "core/mono_clock.h"
#include "orvctl_rig.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

constexpr int P_AL1_DELAY = 60;
constexpr int P_SERIAL = 72;
constexpr int PR_NAME = 24;

}  // namespace

TEST(Orvctl, ReadThenWriteOfAnEditedFileChangesExactlyTheEditedRegisters) {
  ctl_rig rig(11);
  const t_param_set before = rig.device_set();

  const ctl_result rd = run_ctl(rig.target() + QStringList{"read", "--out", rig.file("a.orvcfg")});
  ASSERT_EQ(rd.rc, CTL_OK) << qPrintable(rd.err);
  EXPECT_TRUE(rd.out.contains("ORV-SIM-0001")) << qPrintable(rd.out);
  // The file is the transmitter's configuration, as the window saves it.
  EXPECT_EQ(bytes_of(rig.file("a.orvcfg")), checked_file_bytes(param_set_text(before)));

  t_param_set edited = load_set(rig.file("a.orvcfg"));
  edited.param[P_AL1_DELAY] = 123;
  edited.prod[2 * PROD_STRIDE + PR_NAME] = u'Q';
  edited.prod[23 * PROD_STRIDE + 71] = 7;  // the last transferred element
  ASSERT_TRUE(save_set(rig.file("b.orvcfg"), edited));

  const ctl_result wr = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("b.orvcfg")});
  ASSERT_EQ(wr.rc, CTL_OK) << qPrintable(wr.err);
  EXPECT_TRUE(wr.err.isEmpty()) << qPrintable(wr.err);  // same serial: nothing to say

  const t_param_set after = rig.device_set();
  EXPECT_EQ(after, edited);
  int changed = 0;
  for (int k = 0; k < PARAM_REG_COUNT; ++k) changed += after.param[k] != before.param[k];
  for (int k = 0; k < PROD_REG_COUNT; ++k) changed += after.prod[k] != before.prod[k];
  EXPECT_EQ(changed, 3);
}

TEST(Orvctl, TheTransmitterKeepsItsSerialUnlessForcedInServiceMode) {
  ctl_rig rig(12);
  t_param_set s = rig.device_set();
  const QString other = "OTHER-SERIAL";
  for (int k = 0; k < 12; ++k) s.param[P_SERIAL + k] = other[k].unicode();
  s.param[P_AL1_DELAY] = 77;
  ASSERT_TRUE(save_set(rig.file("other.orvcfg"), s));

  ctl_result r = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("other.orvcfg")});
  ASSERT_EQ(r.rc, CTL_OK) << qPrintable(r.err);
  EXPECT_TRUE(r.err.contains("keeps its serial number \"ORV-SIM-0001\"")) << qPrintable(r.err);
  t_param_set now = rig.device_set();
  EXPECT_EQ(now.param[P_AL1_DELAY], 77);
  EXPECT_EQ(now.param[P_SERIAL], u'O');
  EXPECT_EQ(now.param[P_SERIAL + 4], u'S');  // ORV-SIM-...

  // Outside service mode the forced write is refused before the line is used.
  const QStringList forced = rig.target() + QStringList{"write", "--force-serial", "--in", rig.file("other.orvcfg")};
  const uint64_t requests = rig.line->stats().requests;
  r = run_ctl(forced);
  EXPECT_EQ(r.rc, CTL_USAGE);
  EXPECT_TRUE(r.err.contains("--force-serial needs service mode")) << qPrintable(r.err);
  EXPECT_TRUE(r.err.contains("Nothing was written")) << qPrintable(r.err);
  EXPECT_EQ(rig.line->stats().requests, requests);
  EXPECT_EQ(rig.device_set(), now);

  // The window's marker in the window's configuration folder turns it on.
  const QString cfg = rig.home.path() + "/Tarvik/Orv_Cfg";
  ASSERT_TRUE(QDir().mkpath(cfg));
  ASSERT_FALSE(write_checked_file(cfg + "/srvc_ena.cfg", "1"));
  r = run_ctl(forced);
  ASSERT_EQ(r.rc, CTL_OK) << qPrintable(r.err);
  EXPECT_TRUE(r.err.contains("overwritten with \"OTHER-SERIAL\"")) << qPrintable(r.err);
  now = rig.device_set();
  for (int k = 0; k < 12; ++k) EXPECT_EQ(now.param[P_SERIAL + k], other[k].unicode());
}

TEST(Orvctl, AFileOfAnotherSensorModeWritesNothing) {
  ctl_rig rig(13, /*sensor_mode=*/0);
  const t_param_set before = rig.device_set();
  t_param_set s = before;
  s.sensor_mode = 1;
  s.param[P_AL1_DELAY] = 5;
  ASSERT_TRUE(save_set(rig.file("mode1.orvcfg"), s));
  const uint64_t requests = rig.line->stats().requests;

  const ctl_result r = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("mode1.orvcfg")});
  EXPECT_EQ(r.rc, CTL_FILE);
  EXPECT_TRUE(r.err.contains("Sensor mode mismatch")) << qPrintable(r.err);
  EXPECT_TRUE(r.err.contains("Nothing was written")) << qPrintable(r.err);
  EXPECT_EQ(rig.line->stats().requests, requests + 1);  // the status read only
  EXPECT_EQ(rig.device_set(), before);
}

TEST(Orvctl, ATransmitterThatStopsAnsweringMidWriteGivesExit3) {
  ctl_rig rig(14);
  const t_param_set before = rig.device_set();
  t_param_set s = before;
  s.param[P_AL1_DELAY] = 9;
  ASSERT_TRUE(save_set(rig.file("s.orvcfg"), s));
  // The parameter frame and two product frames are written, then the line goes quiet.
  orvsim::fault_settings f;
  f.writes_before_cut = 3;
  rig.line->set_faults(f);
  const ctl_result r = run_ctl(rig.target() + QStringList{"write", "--baud", "9600", "--in", rig.file("s.orvcfg")});
  EXPECT_EQ(r.rc, CTL_COMM);
  EXPECT_TRUE(r.err.contains("while writing the configuration (registers 4")) << qPrintable(r.err);
  EXPECT_EQ(rig.device_set(), before);  // 10005 was never written: nothing took effect
}

TEST(Orvctl, ASilentOrForeignDeviceGivesExit3) {
  ctl_rig rig(15);
  const ctl_result r = run_ctl(rig.target() + QStringList{"--addr", "9", "read", "--out", rig.file("x.orvcfg")});
  EXPECT_EQ(r.rc, CTL_COMM);
  EXPECT_TRUE(r.err.contains("no valid answer from the transmitter at COM15, address 9")) << qPrintable(r.err);
  EXPECT_FALSE(QFile::exists(rig.file("x.orvcfg")));
}

TEST(Orvctl, AnswersDelayedByAGatewayNeedTheSlack) {
  ctl_rig rig(18);
  orvsim::fault_settings f;
  f.late = 1.0;
  f.late_ms = 300;  // beyond the line's own limit at 115200 baud
  rig.line->set_faults(f);
  ctl_result r = run_ctl(rig.target() + QStringList{"status", "--slack", "400"});
  EXPECT_EQ(r.rc, CTL_OK) << qPrintable(r.err);
  r = run_ctl(rig.target() + QStringList{"status"});
  EXPECT_EQ(r.rc, CTL_COMM);
  EXPECT_TRUE(r.err.contains("no valid answer")) << qPrintable(r.err);
}

TEST(Orvctl, APortHeldByAnotherProgramIsReportedAsInUse) {
  ctl_rig rig(16);
  serial_port holder;  // as the window holds its ports
  ASSERT_TRUE(holder.open(com_port_path(16)));
  const ctl_result r = run_ctl(rig.target() + QStringList{"read", "--out", rig.file("x.orvcfg")});
  EXPECT_EQ(r.rc, CTL_COMM);
  EXPECT_TRUE(r.err.contains("COM16")) << qPrintable(r.err);
  EXPECT_TRUE(r.err.contains("is in use by another program")) << qPrintable(r.err);

  const ctl_result missing = run_ctl({"read", "--com", "49", "--out", rig.file("x.orvcfg")});
  EXPECT_EQ(missing.rc, CTL_COMM);
  EXPECT_TRUE(missing.err.contains("COM49 does not exist")) << qPrintable(missing.err);
}

TEST(Orvctl, BadFilesGiveExit4BeforeTheLineIsUsed) {
  ctl_rig rig(17);
  const uint64_t requests = rig.line->stats().requests;
  ctl_result r = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("none.orvcfg")});
  EXPECT_EQ(r.rc, CTL_FILE);
  EXPECT_TRUE(r.err.contains("no such file")) << qPrintable(r.err);

  QFile damaged(rig.file("damaged.orvcfg"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(checked_file_bytes(param_set_text(rig.device_set())).replace("Fromat1", "Fromat2"));
  damaged.close();
  r = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("damaged.orvcfg")});
  EXPECT_EQ(r.rc, CTL_FILE);
  EXPECT_TRUE(r.err.contains("checksum")) << qPrintable(r.err);

  ASSERT_TRUE(write_checked_file(rig.file("other.orvcfg"), "Orv Configuration file|Fromat1|0|1|2|") == false);
  r = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("other.orvcfg")});
  EXPECT_EQ(r.rc, CTL_FILE);
  EXPECT_TRUE(r.err.contains("Selected file is not a valid configuration file")) << qPrintable(r.err);

  EXPECT_EQ(rig.line->stats().requests, requests);

  // A folder that cannot take the file: the configuration was read, the file not written.
  r = run_ctl(rig.target() + QStringList{"read", "--out", rig.file("no/such/folder/a.orvcfg")});
  EXPECT_EQ(r.rc, CTL_FILE);
  EXPECT_TRUE(r.err.contains("a.orvcfg")) << qPrintable(r.err);
}

TEST(Orvctl, UsageErrorsGiveExit2) {
  for (const QStringList& args :
       {QStringList{}, QStringList{"frobnicate"}, QStringList{"read", "--out", "x"}, QStringList{"read", "--com", "3"},
        QStringList{"write", "--com", "3"}, QStringList{"status", "--com", "51"},
        QStringList{"status", "--com", "3", "--baud", "1200"}, QStringList{"status", "--com", "3", "--parity", "mark"},
        QStringList{"status", "--com", "3", "--addr", "0"}, QStringList{"read", "--com", "3", "--out", "x", "--json"},
        QStringList{"diff", "a.orvcfg"}, QStringList{"status", "--com"}, QStringList{"status", "--com", "3", "--bogus"},
        QStringList{"status", "--com", "3", "--slack", "-1"},
        QStringList{"status", "--com", "3", "--slack", "60001"}}) {
    const ctl_result r = run_ctl(args);
    EXPECT_EQ(r.rc, CTL_USAGE) << qPrintable(args.join(' '));
    EXPECT_TRUE(r.err.contains("orvctl --help")) << qPrintable(r.err);
  }
  const ctl_result help = run_ctl({"--help"});
  EXPECT_EQ(help.rc, CTL_OK);
  for (const char* code : {"0  done", "1  difference", "2  usage", "3  communication", "4  file"})
    EXPECT_TRUE(help.out.contains(code)) << code;
  EXPECT_TRUE(help.out.contains("default 115200"));
}
