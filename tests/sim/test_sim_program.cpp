// The orvsim program itself: started with --com and a state file, found by
// the program's link as COM n, stopped with SIGTERM.
#include "register_map.h"

#include "comm/modb_serial.h"
#include "comm/port_names.h"
#include "core/mono_clock.h"
#include "core/work_dirs.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <string>

namespace {

// Deadlines only: a sanitizer build on a loaded machine starts slowly, and
// every wait ends as soon as the program has answered.
constexpr int kProgramMs = 60000;

struct child {
  pid_t pid = -1;
  int out = -1;
  std::string text;
  // Reads what the child printed until the line holding `want` is in, or the time is up.
  bool wait_for(const std::string& want, int ms) {
    const int64_t end = mono_ms() + ms;
    while (text.find(want) == std::string::npos) {
      const int64_t left = end - mono_ms();
      if (left <= 0) return false;
      pollfd p{out, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[256];
      const ssize_t n = ::read(out, buf, sizeof buf);
      if (n <= 0) return false;
      text.append(buf, static_cast<size_t>(n));
    }
    return text.find('\n', text.find(want)) != std::string::npos || wait_for("\n", ms);
  }
  // Reads everything until the child closes its output.
  void read_all(int ms) {
    const int64_t end = mono_ms() + ms;
    while (mono_ms() < end) {
      pollfd p{out, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::read(out, buf, sizeof buf);
      if (n <= 0) return;
      text.append(buf, static_cast<size_t>(n));
    }
  }
  int stop(int sig) {
    ::kill(pid, sig);
    int status = 0;
    const int64_t end = mono_ms() + kProgramMs;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (mono_ms() > end) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
      }
      sleep_ms(10);
    }
    pid = -1;
    if (out >= 0) ::close(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// Starts orvsim; with_errors takes its standard error into the same pipe.
child start(const std::vector<std::string>& args, bool with_errors = false) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  child c;
  c.pid = ::fork();
  if (c.pid == 0) {
    ::dup2(fds[1], 1);
    if (with_errors) ::dup2(fds[1], 2);
    ::close(fds[0]);
    std::vector<char*> argv;
    std::string prog = ORVSIM_PATH;
    argv.push_back(prog.data());
    std::vector<std::string> copy(args);
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(prog.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  c.out = fds[0];
  return c;
}

}  // namespace

TEST(orvsim_program, ServesAsComNAndCleansUpOnSigterm) {
  temp_config_home home;
  const std::string state = home.path().toStdString() + "/sim.state";
  child c = start({"--com", "6", "--units", "1,5", "--state", state, "--quiet"});
  ASSERT_GT(c.pid, 0);
  ASSERT_TRUE(c.wait_for("as COM6", kProgramMs)) << c.text;
  EXPECT_EQ(c.text.rfind("orvsim: line /dev/", 0), 0u) << c.text;
  const std::string entry = com_entry_path(com_ports_dir().toStdString(), 6);
  EXPECT_TRUE(path_exists(entry));
  EXPECT_EQ(com_port_path(6), entry);

  TModbSerial m;
  m.set_answer_slack_ms(kProgramMs);  // the simulator always answers
  ASSERT_TRUE(m.Open_Com(6, 4, 0));
  uint16_t regs[125];
  ASSERT_EQ(m.get_mod_regs(5, 0, regs, orvsim::STATUS_COUNT), 0);
  EXPECT_EQ(regs[0], 212);
  // A configuration write that the state file keeps.
  ASSERT_EQ(m.get_mod_regs(5, orvsim::PARAM_FIRST, regs, orvsim::PARAM_COUNT), 0);
  regs[orvsim::P_DEFAULT_PROD] = 6;
  ASSERT_EQ(m.set_mod_regs(5, orvsim::PARAM_FIRST, regs, orvsim::PARAM_COUNT), 0);
  const uint16_t one = 1;
  ASSERT_EQ(m.set_mod_regs(5, orvsim::REG_CFG_COMMIT, &one, 1), 0);
  m.close_com();

  EXPECT_EQ(c.stop(SIGTERM), 0);
  EXPECT_FALSE(path_exists(entry));
  EXPECT_TRUE(path_exists(state));

  // Started again, the transmitter still has product 7 as its default.
  child again = start({"--com", "6", "--units", "1,5", "--state", state, "--quiet"});
  ASSERT_TRUE(again.wait_for("as COM6", kProgramMs)) << again.text;
  ASSERT_TRUE(m.Open_Com(6, 4, 0));
  ASSERT_EQ(m.get_mod_regs(5, orvsim::PARAM_FIRST, regs, orvsim::PARAM_COUNT), 0);
  EXPECT_EQ(regs[orvsim::P_DEFAULT_PROD], 6);
  ASSERT_EQ(m.get_mod_regs(1, orvsim::PARAM_FIRST, regs, orvsim::PARAM_COUNT), 0);
  EXPECT_EQ(regs[orvsim::P_DEFAULT_PROD], 0);
  m.close_com();
  EXPECT_EQ(again.stop(SIGINT), 0);
  EXPECT_FALSE(path_exists(entry));
}

TEST(orvsim_program, VerboseNamesEveryCommandWriteWithItsValue) {
  temp_config_home home;
  child c = start({"--com", "7", "--units", "2", "--verbose"}, true);
  ASSERT_TRUE(c.wait_for("as COM7", kProgramMs)) << c.text;
  TModbSerial m;
  m.set_answer_slack_ms(kProgramMs);
  ASSERT_TRUE(m.Open_Com(7, 4, 0));
  const uint16_t gain = 0x8041, zero = 0;
  ASSERT_EQ(m.set_mod_regs(2, orvsim::REG_GAIN_OVERRIDE, &gain, 1), 0);
  ASSERT_EQ(m.set_mod_regs(2, orvsim::REG_GAIN_OVERRIDE, &zero, 1), 0);
  m.close_com();
  ASSERT_TRUE(c.wait_for("unit 2 command 10004 = 0x0000", kProgramMs)) << c.text;
  EXPECT_LT(c.text.find("unit 2 command 10004 = 0x8041"), c.text.find("unit 2 command 10004 = 0x0000"));
  EXPECT_EQ(c.stop(SIGTERM), 0);
}

TEST(orvsim_program, HelpAndBadOptions) {
  child h = start({"--help"});
  h.read_all(kProgramMs);
  for (const char* opt : {"--com", "--port", "--device", "--units", "--drop", "--bad-crc", "--late", "--noise",
                          "--outage", "--state", "--baud", "sensor-errors=", "reading=", "din="})
    EXPECT_NE(h.text.find(opt), std::string::npos) << opt;
  EXPECT_EQ(h.stop(0), 0);
  child bad = start({"--com", "99"});
  int status = 0;
  ::waitpid(bad.pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  ::close(bad.out);
}
