// Interoperability: the master against an independent libmodbus RTU server
// on the other end of a pseudo-terminal, every frame size, every baud
// setting, the lowest and the highest unit address libmodbus serves.
#include "comm/modb_serial.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

namespace {

struct interop_case {
  int baud_idx;
  int slave;
};

void PrintTo(const interop_case& c, std::ostream* os) { *os << "baud index " << c.baud_idx << ", unit " << c.slave; }

class ModbInterop : public ::testing::TestWithParam<interop_case> {};

}  // namespace

TEST_P(ModbInterop, EveryReadAndWriteSizeRoundTrips) {
  const auto [baud_idx, slave] = GetParam();
  temp_config_home home;
  pty_pair pty;
  pty.link_as_com(2);
  modbus_peer peer(pty.master(), slave);
  for (int r = 0; r < 400; ++r) peer.set_register(3000 + r, static_cast<uint16_t>(0x8000 + r * 7 + baud_idx));

  TModbSerial m;
  ASSERT_TRUE(m.setup_port(2, baud_idx, 0));
  m.set_answer_slack_ms(20000);  // a late peer on a loaded machine is not a silent one
  uint16_t buf[125];
  for (int count = 1; count <= 125; ++count) {
    std::fill(std::begin(buf), std::end(buf), 0);
    ASSERT_EQ(m.get_mod_regs(slave, 3000 + count, buf, count), 0) << "read of " << count;
    for (int k = 0; k < count; ++k) ASSERT_EQ(buf[k], 0x8000 + (count + k) * 7 + baud_idx) << count << "/" << k;
  }
  for (int count = 1; count <= 123; ++count) {
    for (int k = 0; k < count; ++k) buf[k] = static_cast<uint16_t>(count * 251 + k * 3 + slave);
    ASSERT_EQ(m.set_mod_regs(slave, 5000, buf, count), 0) << "write of " << count;
    for (int k = 0; k < count; ++k) ASSERT_EQ(peer.get_register(5000 + k), buf[k]) << count << "/" << k;
  }
  // A request for another unit goes unanswered.
  m.set_answer_slack_ms(0);
  EXPECT_EQ(m.get_mod_regs(slave == 1 ? 2 : 1, 3000, buf, 1), 2);
  m.close_com();
}

INSTANTIATE_TEST_SUITE_P(AllBaudsAndAddresses, ModbInterop,
                         ::testing::Values(interop_case{0, 1}, interop_case{1, 1}, interop_case{2, 1},
                                           interop_case{3, 1}, interop_case{4, 1}, interop_case{0, 247},
                                           interop_case{1, 247}, interop_case{2, 247}, interop_case{3, 247},
                                           interop_case{4, 247}),
                         [](const auto& test_info) {
                           return "baud" + std::to_string(test_info.param.baud_idx) + "_unit" +
                                  std::to_string(test_info.param.slave);
                         });
