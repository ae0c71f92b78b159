// Request frames in, answer frames out: the transmitters of one line as
// Modbus slaves, and the splitting of the byte stream into frames.
#include "core/mono_clock.h"
#include "modbus_slave.h"
#include "rtu_framer.h"

#include "comm/modb_serial.h"

#include <gtest/gtest.h>

using namespace orvsim;

namespace {

std::vector<uint8_t> with_crc(std::vector<uint8_t> f) {
  append_crc(f);
  return f;
}

std::vector<uint8_t> read_req(int unit, int start, int count) {
  uint8_t f[8];
  TModbSerial::build_read_frame(f, unit, start, count);
  return {f, f + 8};
}

std::vector<uint8_t> write_req(int unit, int start, const std::vector<uint16_t>& v) {
  std::vector<uint8_t> f(9 + 2 * v.size());
  TModbSerial::build_write_frame(f.data(), unit, start, v.data(), static_cast<int>(v.size()));
  return f;
}

struct frames : ::testing::Test {
  manual_tick_clock clock;
  unit_set units;
  void SetUp() override {
    device_settings a;
    a.address = 1;
    device_settings b;
    b.address = 9;
    units.add(a, clock.now_ms());
    units.add(b, clock.now_ms());
  }
  std::vector<uint8_t> ask(const std::vector<uint8_t>& req) {
    return units.handle(req.data(), req.size(), clock.now_ms());
  }
  uint8_t exception_of(const std::vector<uint8_t>& req) {
    const auto a = ask(req);
    if (a.size() != 5 || !(a[1] & 0x80) || !frame_crc_ok(a.data(), a.size())) return 0;
    return a[2];
  }
};

}  // namespace

TEST_F(frames, ReadsAnswerWithByteCountAndCrcForEachUnit) {
  const auto a = ask(read_req(9, 0, 81));
  ASSERT_EQ(a.size(), 3u + 162 + 2);
  EXPECT_EQ(a[0], 9);
  EXPECT_EQ(a[1], 3);
  EXPECT_EQ(a[2], 162);
  EXPECT_TRUE(frame_crc_ok(a.data(), a.size()));
  EXPECT_EQ((a[3] << 8) | a[4], 212);
  EXPECT_EQ(ask(read_req(2, 0, 1)).size(), 0u);  // nobody at address 2
  EXPECT_EQ(ask(read_req(1, 2000, 125)).size(), 255u);
  EXPECT_EQ(ask(read_req(1, 10004, 4)).size(), 13u);
}

TEST_F(frames, RefusalsAreExceptionAnswers) {
  EXPECT_EQ(exception_of(read_req(1, 81, 1)), EX_ILLEGAL_ADDRESS);
  EXPECT_EQ(exception_of(read_req(1, 60, 30)), EX_ILLEGAL_ADDRESS);     // runs past the status block
  EXPECT_EQ(exception_of(read_req(1, 3080, 10)), EX_ILLEGAL_ADDRESS);   // past the parameters
  EXPECT_EQ(exception_of(read_req(1, 5700, 100)), EX_ILLEGAL_ADDRESS);  // past the products
  EXPECT_EQ(exception_of(read_req(1, 1999, 2)), EX_ILLEGAL_ADDRESS);
  EXPECT_EQ(exception_of(read_req(1, 2000, 126)), EX_ILLEGAL_VALUE);
  EXPECT_EQ(exception_of(read_req(1, 0, 0)), EX_ILLEGAL_VALUE);
  EXPECT_EQ(exception_of(write_req(1, 0, {1})), EX_ILLEGAL_ADDRESS);     // status is read-only
  EXPECT_EQ(exception_of(write_req(1, 2000, {1})), EX_ILLEGAL_ADDRESS);  // samples too
  EXPECT_EQ(exception_of(write_req(1, 3000, std::vector<uint16_t>(124, 0))), EX_ILLEGAL_VALUE);
  EXPECT_EQ(exception_of(write_req(1, 10003, {0, 0})), EX_ILLEGAL_ADDRESS);
  // A byte count that does not match the register count.
  auto w = write_req(1, 3000, {1, 2});
  w.resize(w.size() - 2);
  w[6] = 3;
  w.push_back(0);
  EXPECT_EQ(exception_of(with_crc(w)), EX_ILLEGAL_VALUE);
  EXPECT_EQ(exception_of(with_crc({1, 4, 0, 0, 0, 1})), EX_ILLEGAL_FUNCTION);
}

TEST_F(frames, WritesEchoAndBroadcastsAndBadCrcStaySilent) {
  const auto req = write_req(1, 3016, {'T', 'A', 'G'});
  const auto a = ask(req);
  ASSERT_EQ(a.size(), 8u);
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + 6, req.begin()));
  EXPECT_EQ(units.find(1)->written_config().param[16], 'T');

  auto bad = read_req(1, 0, 1);
  bad[7] ^= 1;
  EXPECT_TRUE(ask(bad).empty());

  EXPECT_TRUE(ask(write_req(0, 3020, {0x55})).empty());  // broadcast: done, unanswered
  EXPECT_EQ(units.find(1)->written_config().param[20], 0x55);
  EXPECT_EQ(units.find(9)->written_config().param[20], 0x55);
}

TEST_F(frames, ACommittedAddressMovesTheUnitUnlessTaken) {
  std::vector<uint16_t> p(units.find(1)->written_config().param.begin(), units.find(1)->written_config().param.end());
  p[13] = 9;  // taken by the other unit
  ASSERT_EQ(ask(write_req(1, 3000, p)).size(), 8u);
  ASSERT_EQ(ask(write_req(1, 10005, {1})).size(), 8u);
  EXPECT_NE(units.find(1), nullptr);
  EXPECT_EQ(units.find(1)->active_config().param[13], 1);
  p[13] = 12;
  ASSERT_EQ(ask(write_req(1, 3000, p)).size(), 8u);
  ASSERT_EQ(ask(write_req(1, 10005, {1})).size(), 8u);
  EXPECT_EQ(units.find(1), nullptr);
  ASSERT_NE(units.find(12), nullptr);
  EXPECT_EQ(ask(read_req(12, 0, 1)).size(), 7u);
}

TEST(framer, FramesEndByLengthAndCrcOrBySilence) {
  rtu_framer f(4000);
  const auto r1 = read_req(1, 0, 81);
  const auto r2 = write_req(1, 3000, {1, 2, 3});
  // Two frames back to back in one chunk, the second split in two.
  std::vector<uint8_t> chunk(r1);
  chunk.insert(chunk.end(), r2.begin(), r2.begin() + 5);
  f.push(chunk.data(), chunk.size(), 1000);
  auto a = f.take(1000);
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, r1);
  EXPECT_FALSE(f.take(2000));
  f.push(r2.data() + 5, r2.size() - 5, 3000);
  a = f.take(3000);
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, r2);

  // Noise before a frame without a pause spoils it; after a pause it is dropped.
  const uint8_t noise[3] = {0x00, 0x7F, 0x13};
  f.push(noise, 3, 10000);
  f.push(r1.data(), r1.size(), 10000);
  EXPECT_FALSE(f.take(10000));
  EXPECT_FALSE(f.take(20000));  // the silence ends it, and the CRC is wrong
  f.push(noise, 3, 30000);
  f.push(r1.data(), r1.size(), 40000);
  a = f.take(40000);
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, r1);
  EXPECT_GE(f.dropped_bytes(), 3u + 3u + r1.size());
}
