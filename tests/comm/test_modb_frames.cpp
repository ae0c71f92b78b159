// Frames, CRC and time-out arithmetic of the Modbus RTU master.
#include "comm/modb_serial.h"
#include "core/crc16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> crc_of(const std::vector<uint8_t>& bytes) {
  uint8_t a = 0, b = 0;
  calc_crc(bytes.data(), static_cast<int>(bytes.size()), a, b);
  return {a, b};
}

}  // namespace

TEST(ModbCrc, KnownVectors) {
  EXPECT_EQ(crc_of({0x01, 0x03, 0x00, 0x00, 0x00, 0x01}), (std::vector<uint8_t>{0x84, 0x0A}));
  const char* text = "123456789";
  uint8_t a = 0, b = 0;
  calc_crc(reinterpret_cast<const uint8_t*>(text), 9, a, b);
  EXPECT_EQ(a | (b << 8), 0x4B37);  // CRC-16/MODBUS check value
  EXPECT_EQ(crc_of({}), (std::vector<uint8_t>{0xFF, 0xFF}));
}

TEST(ModbFrames, Read125RegistersFrame) {
  uint8_t f[16] = {};
  ASSERT_EQ(TModbSerial::build_read_frame(f, 0x11, 2000, 125), 8);
  const std::vector<uint8_t> head(f, f + 6);
  EXPECT_EQ(head, (std::vector<uint8_t>{0x11, 0x03, 0x07, 0xD0, 0x00, 0x7D}));
  EXPECT_EQ(std::vector<uint8_t>(f + 6, f + 8), crc_of(head));
}

TEST(ModbFrames, Write123RegistersFrameIs255Bytes) {
  std::vector<uint16_t> values(123);
  for (int k = 0; k < 123; ++k) values[k] = static_cast<uint16_t>(0x0100 * k + 0xA5);
  uint8_t f[300] = {};
  ASSERT_EQ(TModbSerial::build_write_frame(f, 247, 4000, values.data(), 123), 255);
  EXPECT_EQ(f[0], 247);
  EXPECT_EQ(f[1], 16);
  EXPECT_EQ(f[2], 0x0F);
  EXPECT_EQ(f[3], 0xA0);
  EXPECT_EQ(f[4], 0x00);
  EXPECT_EQ(f[5], 123);
  EXPECT_EQ(f[6], 0xF6);
  for (int k = 0; k < 123; ++k) {
    EXPECT_EQ(f[7 + 2 * k], values[k] >> 8) << k;  // high byte first
    EXPECT_EQ(f[8 + 2 * k], values[k] & 0xFF) << k;
  }
  EXPECT_EQ(std::vector<uint8_t>(f + 253, f + 255), crc_of(std::vector<uint8_t>(f, f + 253)));
}

TEST(ModbFrames, TimeLimitsFollowTheCharacterTimeTable) {
  // A 125-register read at 9600 baud: 253 bytes expected, 8 sent.
  EXPECT_EQ(TModbSerial::overall_limit_ms(0, 253, 8), 374);
  EXPECT_EQ(TModbSerial::gap_limit_ms(0, 8), 108);
  EXPECT_EQ(TModbSerial::gap_limit_ms(4, 8), 100);
  EXPECT_EQ(TModbSerial::overall_limit_ms(4, 253, 8), 123);
  EXPECT_EQ(TModbSerial::get_baud_value(0), 9600);
  EXPECT_EQ(TModbSerial::get_baud_value(4), 115200);
  EXPECT_EQ(TModbSerial::get_baud_value(5), 0);
  EXPECT_EQ(TModbSerial::get_baud_value(-1), 0);
}

TEST(ModbRequests, ClosedPortAndBadArgumentsGiveTwoWithoutTraffic) {
  TModbSerial m;
  uint16_t buf[130] = {};
  EXPECT_FALSE(m.is_open());
  EXPECT_EQ(m.get_mod_regs(1, 0, buf, 1), 2);
  EXPECT_EQ(m.set_mod_regs(1, 0, buf, 1), 2);
  EXPECT_EQ(m.get_mod_regs(1, -1, buf, 1), 2);
  EXPECT_FALSE(m.get_mod_regs_rep(1, 0, buf, 1, true));
  EXPECT_FALSE(m.set_mod_regs_rep(1, 0, buf, 1));
  EXPECT_EQ(m.max_baud_index(), 4);
}

namespace {

// Runs bytes from the line through the receiver's assembly and judges the
// frame once expected + 2 bytes are kept; -1 when the bytes end before.
int receive(const std::vector<uint8_t>& request, int expected, const std::vector<uint8_t>& line, int slave = 5) {
  uint8_t frame[300] = {};
  int kept = 0;
  for (uint8_t b : line) {
    TModbSerial::take_byte(frame, kept, b, slave);
    if (kept == expected + 2) return TModbSerial::judge_answer(request.data(), frame, expected);
  }
  return -1;
}

std::vector<uint8_t> read_request(int slave, int start, int count) {
  std::vector<uint8_t> r(8);
  TModbSerial::build_read_frame(r.data(), slave, start, count);
  return r;
}

std::vector<uint8_t> write_request(int slave, int start, int count) {
  const uint16_t values[4] = {1, 2, 3, 4};
  std::vector<uint8_t> r(9 + 2 * count);
  TModbSerial::build_write_frame(r.data(), slave, start, values, count);
  return r;
}

}  // namespace

TEST(ModbReceiver, AnswersAreJudgedAgainstTheirRequest) {
  const auto read2 = read_request(5, 2000, 2);
  // The true answer, after noise that differs from the address.
  EXPECT_EQ(receive(read2, 7, {0x00, 0x13, 0x05, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02, 0x6F, 0xF2}), 0);
  // The same with one bit flipped: a CRC error.
  EXPECT_EQ(receive(read2, 7, {0x05, 0x03, 0x04, 0x00, 0x01, 0x00, 0x03, 0x6F, 0xF2}), 3);
  // Function 4 instead of 3, with a correct CRC: no answer to this request.
  EXPECT_EQ(receive(read2, 7, {0x05, 0x04, 0x04, 0x11, 0x11, 0x22, 0x22, 0x73, 0xC4}), 2);
  // Byte count 0.
  EXPECT_EQ(receive(read2, 7, {0x05, 0x03, 0x00, 0x33, 0x33, 0x44, 0x44, 0x82, 0x4B}), 2);
  // An exception reply followed by two zero bytes that make up the length of a one-register read.
  EXPECT_EQ(receive(read_request(5, 9999, 1), 5, {0x05, 0x83, 0x02, 0x00, 0x00, 0x60, 0x44}), 2);
  // A plain exception reply never completes the frame (the time-out ends it).
  EXPECT_EQ(receive(read_request(5, 9999, 1), 5, {0x05, 0x83, 0x02, 0xC0, 0xF1}), -1);
}

TEST(ModbReceiver, AWriteNeedsTheEchoOfItsFunctionStartAndCount) {
  const auto write2 = write_request(5, 10004, 2);
  auto echo = [](std::vector<uint8_t> head) {
    uint8_t a = 0, b = 0;
    calc_crc(head.data(), 6, a, b);
    head.push_back(a);
    head.push_back(b);
    return head;
  };
  EXPECT_EQ(receive(write2, 6, echo({0x05, 0x10, 0x27, 0x14, 0x00, 0x02})), 0);
  EXPECT_EQ(receive(write2, 6, {0x05, 0x03, 0x04, 0x00, 0x00, 0x00, 0x45, 0x7E}), 2);  // a read answer
  EXPECT_EQ(receive(write2, 6, echo({0x05, 0x10, 0x27, 0x15, 0x00, 0x02})), 2);        // another start
  EXPECT_EQ(receive(write2, 6, echo({0x05, 0x10, 0x27, 0x14, 0x00, 0x01})), 2);        // another count
  EXPECT_EQ(receive(write2, 6, echo({0x05, 0x90, 0x27, 0x14, 0x00, 0x02})), 2);        // exception bit
}
