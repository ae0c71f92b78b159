// The program's own Modbus link against the simulator as COM n: normal
// traffic, every fault mode with the link's result codes, a line that
// disappears and comes back, and line timing at 9600 baud.
#include "register_map.h"
#include "sim_line.h"

#include "comm/modb_serial.h"
#include "comm/port_names.h"
#include "core/mono_clock.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace orvsim;

namespace {

constexpr int kCom = 9;
constexpr int kUnit = 2;

// The line keeps its time on the test's line clock: the link waits for every
// answer however late a loaded machine delivers it, and times out exactly
// where the line keeps silent.
class link_test : public ::testing::Test {
 protected:
  void SetUp() override {
    line_options o;
    o.com = kCom;
    o.line_clock = &line_clock.time;
    device_settings d;
    d.address = kUnit;
    o.devices = {d};
    line = std::make_unique<sim_line>(o);
    ASSERT_TRUE(m.Open_Com(kCom, 4, 0));
  }
  void TearDown() override { m.close_com(); }
  int read_status() { return m.get_mod_regs(kUnit, 0, regs, STATUS_COUNT); }
  int read_samples() { return m.get_mod_regs(kUnit, SAMPLES_FIRST, regs, SAMPLES_COUNT); }

  temp_config_home home;
  test_line_clock line_clock;
  std::unique_ptr<sim_line> line;
  TModbSerial m;
  uint16_t regs[125] = {};
};

}  // namespace

TEST_F(link_test, ReadsAndWritesSucceedAndRefusalsTimeOut) {
  ASSERT_EQ(read_status(), 0);
  EXPECT_EQ(regs[0], 212);
  EXPECT_EQ(read_samples(), 0);
  const uint16_t one = 1;
  EXPECT_EQ(m.set_mod_regs(kUnit, REG_CFG_COMMIT, &one, 1), 0);
  std::vector<uint16_t> prod(PROD_COUNT);
  for (int first = 0; first < PROD_COUNT; first += 125)
    ASSERT_EQ(m.get_mod_regs(kUnit, PROD_FIRST + first, &prod[first], std::min(125, PROD_COUNT - first)), 0);
  for (int first = 0; first < PROD_COUNT; first += 123)
    ASSERT_EQ(m.set_mod_regs(kUnit, PROD_FIRST + first, &prod[first], std::min(123, PROD_COUNT - first)), 0);
  // An exception answer is too short for what the link waits for: no answer.
  EXPECT_EQ(m.get_mod_regs(kUnit, 90, regs, 4), 2);
  EXPECT_EQ(m.get_mod_regs(kUnit + 1, 0, regs, 1), 2);  // nobody there
  EXPECT_EQ(read_status(), 0);
  EXPECT_GE(line->stats().exceptions, 1u);
}

TEST_F(link_test, FaultModesGiveTheLinkResultCodes) {
  fault_settings f;
  f.drop = 1;
  line->set_faults(f);
  EXPECT_EQ(read_status(), 2);
  EXPECT_EQ(read_samples(), 2);

  f = {};
  f.bad_crc = 1;
  line->set_faults(f);
  EXPECT_EQ(read_status(), 3);
  const uint16_t zero = 0;
  EXPECT_EQ(m.set_mod_regs(kUnit, REG_GAIN_OVERRIDE, &zero, 1), 3);

  f = {};
  f.noise = 1;
  line->set_faults(f);
  for (int k = 0; k < 10; ++k) ASSERT_EQ(read_samples(), 0) << k;
  EXPECT_EQ(regs[0] != 0 || regs[1] != 0, true);

  f = {};
  f.late = 1;
  f.late_ms = 400;
  line->set_faults(f);
  EXPECT_EQ(read_status(), 2);
  f = {};
  line->set_faults(f);
  // The late answer goes out meanwhile; the next request purges it.
  ASSERT_TRUE(wait_until([&] { return !line->sending(); }, 30000));
  EXPECT_EQ(read_status(), 0);
  EXPECT_EQ(regs[0], 212);

  // Late, but within what the link waits for.
  f.late = 1;
  f.late_ms = 30;
  line->set_faults(f);
  EXPECT_EQ(read_status(), 0);

  // A share: some of each, over many requests.
  f = {};
  f.drop = 0.2;
  f.bad_crc = 0.2;
  line->set_faults(f);
  int codes[4] = {};
  for (int k = 0; k < 40; ++k) ++codes[read_status()];
  EXPECT_GT(codes[0], 10);
  EXPECT_GT(codes[2], 0);
  EXPECT_GT(codes[3], 0);
}

TEST_F(link_test, LineThatDisappearsAndComesBack) {
  ASSERT_EQ(read_status(), 0);
  const std::string first = line->path();
  line->go_down();
  EXPECT_FALSE(line->is_up());
  EXPECT_EQ(read_status(), 2);
  EXPECT_EQ(read_status(), 2);
  // While the line is gone, it cannot be opened again either.
  m.close_com();
  EXPECT_FALSE(m.setup_port(kCom, 4, 0));
  line->come_back();
  EXPECT_TRUE(line->is_up());
  EXPECT_NE(line->path(), "");
  EXPECT_EQ(com_port_path(kCom), line->com_entry());
  ASSERT_TRUE(m.setup_port(kCom, 4, 0));
  EXPECT_EQ(read_status(), 0);
  EXPECT_EQ(regs[0], 212);
  (void)first;
}

TEST_F(link_test, TheLinkFindsTheLineAgainWithSetupPortAsTheServiceDoes) {
  // The service calls setup_port before every exchange: during the outage the
  // port cannot be reopened, afterwards it finds the new line through the entry.
  ASSERT_EQ(read_status(), 0);
  line->go_down();
  for (int k = 0; k < 3; ++k) {
    m.setup_port(kCom, 4, 0);
    EXPECT_EQ(read_status(), 2);
  }
  line->come_back();
  int code = 2;
  for (int k = 0; k < 5 && code != 0; ++k) {
    m.setup_port(kCom, 4, 0);
    code = read_status();
  }
  EXPECT_EQ(code, 0);
  EXPECT_EQ(regs[0], 212);
}

TEST_F(link_test, EntryGoesWithTheLine) {
  const std::string entry = line->com_entry();
  EXPECT_TRUE(path_exists(entry));
  line.reset();
  EXPECT_FALSE(path_exists(entry));
}

TEST(link_timing, A125RegisterReadAt9600BaudTakesTheWireTime) {
  temp_config_home home;
  line_options o;
  o.com = 11;
  o.line_timing = true;
  sim_line line(o);
  TModbSerial m;
  m.set_answer_slack_ms(20000);       // the line always answers; only the lower bound is measured
  ASSERT_TRUE(m.Open_Com(11, 0, 0));  // 9600 baud
  uint16_t regs[125];
  ASSERT_EQ(m.get_mod_regs(1, SAMPLES_FIRST, regs, 125), 0);  // the first exchange sets the line up
  // Request 8 bytes, answer 255 bytes, 10 bits each, at 9600 bit/s.
  const int64_t wire_ms = (8 + 255) * 10 * 1000 / 9600;
  for (int k = 0; k < 2; ++k) {
    const int64_t t0 = mono_ms();
    ASSERT_EQ(m.get_mod_regs(1, SAMPLES_FIRST, regs, 125), 0);
    EXPECT_GE(mono_ms() - t0, wire_ms);
  }
  // A write of 123 registers takes its request's time too.
  std::vector<uint16_t> v(123, 0);
  ASSERT_EQ(m.get_mod_regs(1, PROD_FIRST, v.data(), 123), 0);
  const int64_t t0 = mono_ms();
  ASSERT_EQ(m.set_mod_regs(1, PROD_FIRST, v.data(), 123), 0);
  EXPECT_GE(mono_ms() - t0, (255 + 8) * 10 * 1000 / 9600);
  m.close_com();
}
