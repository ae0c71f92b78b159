// The orvctl program as a script runs it: its exit codes, its output.
#include "orvctl_rig.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

ctl_result run_program(const QStringList& args) {
  QProcess p;
  p.start(ORVCTL_PATH, args);
  ctl_result r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

}  // namespace

// The simulator in this process always answers; orvctl in its own process
// waits for a late answer of a loaded machine rather than take it for silence.
const QStringList kPatient{"--slack", "60000"};

TEST(OrvctlProgram, ReadsAndWritesAsAScriptWould) {
  ctl_rig rig(21);
  ctl_result r = run_program(QStringList{"read", "--com", "21", "--out", rig.file("p.orvcfg")} + kPatient);
  ASSERT_EQ(r.rc, 0) << qPrintable(r.err);
  EXPECT_EQ(load_set(rig.file("p.orvcfg")), rig.device_set());
  EXPECT_FALSE(r.err.contains(u'\r'));  // no progress display into a pipe

  t_param_set s = load_set(rig.file("p.orvcfg"));
  s.param[61] = 42;  // relay 2 delay
  ASSERT_TRUE(save_set(rig.file("p2.orvcfg"), s));
  r = run_program(QStringList{"write", "--com", "21", "--in", rig.file("p2.orvcfg")} + kPatient);
  EXPECT_EQ(r.rc, 0) << qPrintable(r.err);
  EXPECT_EQ(rig.device_set(), s);

  r = run_program({"write", "--com", "21"});
  EXPECT_EQ(r.rc, 2);
  r = run_program({"read", "--com", "22", "--out", rig.file("q.orvcfg")});  // no such line
  EXPECT_EQ(r.rc, 3);
  r = run_program({"write", "--com", "21", "--in", rig.file("missing.orvcfg")});
  EXPECT_EQ(r.rc, 4);
}

TEST(OrvctlProgram, HelpAndVersion) {
  temp_config_home home;
  ctl_result r = run_program({"--help"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(r.out.startsWith("Usage: orvctl"));
  r = run_program({"--version"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(r.out.startsWith("orvctl 4.0")) << qPrintable(r.out);
}
