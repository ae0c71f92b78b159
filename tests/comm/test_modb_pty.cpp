// The Modbus RTU master over a real pseudo-terminal, with the test acting
// as the slave byte by byte: noise, corruption, truncation, exceptions.
#include "comm/modb_serial.h"
#include "comm/port_names.h"
#include "comm/serial_port.h"
#include "core/crc16.h"
#include "core/mono_clock.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <functional>
#include <thread>

namespace {

constexpr int kCom = 7;
constexpr int kSlave = 5;
constexpr int kGenerousMs = 20000;  // a deadline, never a pause

std::vector<uint8_t> with_crc(std::vector<uint8_t> f) {
  uint8_t a = 0, b = 0;
  calc_crc(f.data(), static_cast<int>(f.size()), a, b);
  f.push_back(a);
  f.push_back(b);
  return f;
}

// The answer a slave gives to a read of `count` registers with values base+k.
std::vector<uint8_t> read_answer(int slave, int count, uint16_t base) {
  std::vector<uint8_t> f{static_cast<uint8_t>(slave), 3, static_cast<uint8_t>(2 * count)};
  for (int k = 0; k < count; ++k) {
    f.push_back(static_cast<uint8_t>((base + k) >> 8));
    f.push_back(static_cast<uint8_t>(base + k));
  }
  return with_crc(f);
}

class ModbPty : public ::testing::Test {
 protected:
  void SetUp() override {
    pty.link_as_com(kCom);
    ASSERT_TRUE(m.Open_Com(kCom, 4, 0));
    // Answers are waited for generously; tests of silence set 0 first.
    m.set_answer_slack_ms(kGenerousMs);
  }
  void TearDown() override {
    if (responder.joinable()) responder.join();
    m.close_com();
  }
  // Answers the next `requests` requests with whatever make() returns for each.
  void respond(int requests, std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> make) {
    responder = std::thread([this, requests, make] {
      for (int r = 0; r < requests; ++r) {
        auto req = pty.read_request(kGenerousMs);
        if (req.empty()) return;
        frames.push_back(req);
        pty.write_master(make(req));
      }
    });
  }

  temp_config_home home;
  pty_pair pty;
  TModbSerial m;
  std::thread responder;
  std::vector<std::vector<uint8_t>> frames;
};

}  // namespace

TEST_F(ModbPty, ReadAcceptsNoiseBeforeTheAnswer) {
  respond(1, [](const std::vector<uint8_t>&) {
    auto a = read_answer(kSlave, 4, 100);
    a.insert(a.begin(), {0x00, 0xFF, 0x13});  // noise that differs from the address
    return a;
  });
  uint16_t buf[4] = {};
  EXPECT_EQ(m.get_mod_regs(kSlave, 2000, buf, 4), 0);
  EXPECT_EQ(buf[0], 100);
  EXPECT_EQ(buf[3], 103);
  responder.join();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], with_crc({kSlave, 3, 0x07, 0xD0, 0, 4}));
}

TEST_F(ModbPty, CorruptedByteGivesThreeAndMissingByteGivesTwoAfterSilence) {
  respond(2, [n = 0](const std::vector<uint8_t>&) mutable {
    auto a = read_answer(kSlave, 2, 7);
    if (n++ == 0)
      a[4] ^= 0x40;  // one data byte corrupted
    else
      a.pop_back();  // last CRC byte never comes
    return a;
  });
  uint16_t buf[2] = {};
  EXPECT_EQ(m.get_mod_regs(kSlave, 10, buf, 2), 3);
  m.set_answer_slack_ms(0);
  const int64_t t0 = mono_ms();
  EXPECT_EQ(m.get_mod_regs(kSlave, 10, buf, 2), 2);
  const int64_t waited = mono_ms() - t0;
  EXPECT_GE(waited, 100);  // the gap limit after the first byte
}

// An answer comes in pieces, the line clock moving by the given
// milliseconds before each further piece. The gap limit (100 ms) holds
// between pieces; the pauses in all stay within the limit for the first
// byte (108 ms), so that the outcome is the same however late the receiver
// takes a piece.
struct pieces_case {
  std::vector<int> cuts;  // bytes of the answer before each pause
  int pause_ms;
  int result;
};

class ModbPieces : public ModbPty, public ::testing::WithParamInterface<pieces_case> {};

TEST_P(ModbPieces, TheGapLimitHoldsBetweenPieces) {
  const pieces_case c = GetParam();
  test_line_clock clock;
  ASSERT_TRUE(m.setup_port(kCom, 0, 0));  // 9600 baud: the whole frame may take 374 ms
  m.set_answer_slack_ms(0);
  responder = std::thread([&] {
    auto req = pty.read_request(kGenerousMs);
    if (req.empty()) return;
    const auto answer = read_answer(kSlave, 125, 300);
    size_t from = 0;
    for (size_t k = 0; k <= c.cuts.size(); ++k) {
      const size_t to = k < c.cuts.size() ? static_cast<size_t>(c.cuts[k]) : answer.size();
      if (k > 0) clock.time.advance_ms(c.pause_ms);
      pty.write_master(std::vector<uint8_t>(answer.begin() + from, answer.begin() + to));
      from = to;
      if (k == c.cuts.size()) break;
      // Let the receiver take the piece before the clock moves on: wait
      // until it has come and gone from the line's receive queue.
      int queued = 0;
      for (const int64_t t = mono_ms(); queued == 0 && mono_ms() < t + 50;) ioctl(pty.slave(), FIONREAD, &queued);
      for (const int64_t t = mono_ms(); queued > 0 && mono_ms() < t + 2000; sleep_ms(1))
        ioctl(pty.slave(), FIONREAD, &queued);
    }
  });
  uint16_t buf[125] = {};
  EXPECT_EQ(m.get_mod_regs(kSlave, 2000, buf, 125), c.result);
  responder.join();
  EXPECT_EQ(buf[124], c.result == 0 ? 424 : 0);
}

INSTANTIATE_TEST_SUITE_P(Pauses, ModbPieces,
                         ::testing::Values(pieces_case{{100}, 60, 0},     // a pause below the limit
                                           pieces_case{{1, 254}, 54, 0},  // two of them
                                           pieces_case{{100}, 150, 2},    // a pause above it
                                           pieces_case{{3}, 120, 2}));

TEST_F(ModbPty, ALongerAnswerIsTakenAndWhatFollowsIgnored) {
  respond(1, [](const std::vector<uint8_t>&) {
    auto a = read_answer(kSlave, 125, 1000);
    a.insert(a.end(), {0x05, 0x03, 0x02, 0xFF, 0xFF, 0x00, 0x00, 0x13});
    return a;
  });
  uint16_t buf[125] = {};
  EXPECT_EQ(m.get_mod_regs(kSlave, 2000, buf, 125), 0);
  EXPECT_EQ(buf[0], 1000);
  EXPECT_EQ(buf[124], 1124);
}

TEST_F(ModbPty, AnAnswerCutShortIsATimeOutAfterTheGapLimit) {
  // Half an answer, then silence: no CRC error, and no giving up early.
  ASSERT_TRUE(m.setup_port(kCom, 0, 0));
  m.set_answer_slack_ms(0);
  respond(1, [](const std::vector<uint8_t>&) {
    auto a = read_answer(kSlave, 125, 7);
    a.resize(128);
    return a;
  });
  uint16_t buf[125] = {};
  const int64_t t0 = mono_ms();
  EXPECT_EQ(m.get_mod_regs(kSlave, 2000, buf, 125), 2);
  EXPECT_GE(mono_ms() - t0, 100);
  EXPECT_EQ(buf[0], 0);
}

TEST_F(ModbPty, ExceptionAnswerIsATimeOut) {
  m.set_answer_slack_ms(0);
  respond(1, [](const std::vector<uint8_t>&) { return with_crc({kSlave, 0x83, 0x02}); });
  uint16_t buf[3] = {};
  EXPECT_EQ(m.get_mod_regs(kSlave, 9999, buf, 3), 2);
}

TEST_F(ModbPty, FramesThatDoNotAnswerTheRequestCountAsNoAnswer) {
  const std::vector<std::vector<uint8_t>> answers = {
      {0x05, 0x04, 0x04, 0x11, 0x11, 0x22, 0x22, 0x73, 0xC4},  // function 4
      {0x05, 0x03, 0x00, 0x33, 0x33, 0x44, 0x44, 0x82, 0x4B},  // byte count 0
      {0x05, 0x83, 0x02, 0x00, 0x00, 0x60, 0x44},              // exception padded to a 1-register read
      {0x05, 0x03, 0x04, 0x00, 0x00, 0x00, 0x45, 0x7E},        // no echo of a 2-register write
  };
  respond(4, [&, n = 0](const std::vector<uint8_t>&) mutable { return answers[n++]; });
  uint16_t buf[2] = {0xABCD, 0xABCD};
  EXPECT_EQ(m.get_mod_regs(kSlave, 0, buf, 2), 2);
  EXPECT_EQ(m.get_mod_regs(kSlave, 0, buf, 2), 2);
  EXPECT_EQ(m.get_mod_regs(kSlave, 0, buf, 1), 2);
  EXPECT_EQ(buf[0], 0xABCD);  // nothing taken from them
  EXPECT_EQ(buf[1], 0xABCD);
  const uint16_t vals[2] = {7, 8};
  EXPECT_EQ(m.set_mod_regs(kSlave, 10004, vals, 2), 2);
  responder.join();
  EXPECT_EQ(frames.size(), 4u);
}

TEST_F(ModbPty, ALeftoverAnswerIsNeverTakenForTheNextRequest) {
  // Two answers in one burst: the second one must not answer the next request.
  respond(1, [](const std::vector<uint8_t>&) {
    return std::vector<uint8_t>{0x05, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02, 0x6F, 0xF2,
                                0x05, 0x03, 0x04, 0x0B, 0xAD, 0x0B, 0xAD, 0xEA, 0xBB};
  });
  uint16_t buf[2] = {};
  ASSERT_EQ(m.get_mod_regs(kSlave, 2000, buf, 2), 0);
  EXPECT_EQ(buf[0], 1);
  EXPECT_EQ(buf[1], 2);
  responder.join();
  // The slave stays silent now.
  m.set_answer_slack_ms(0);
  EXPECT_EQ(m.get_mod_regs(kSlave, 0, buf, 2), 2);
  EXPECT_EQ(buf[0], 1);
}

TEST_F(ModbPty, WriteWaitsForTheEcho) {
  respond(1,
          [](const std::vector<uint8_t>& req) { return with_crc(std::vector<uint8_t>(req.begin(), req.begin() + 6)); });
  const uint16_t vals[3] = {1, 0x1234, 0xFFFF};
  EXPECT_EQ(m.set_mod_regs(kSlave, 10005, vals, 3), 0);
  responder.join();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], with_crc({kSlave, 16, 0x27, 0x15, 0, 3, 6, 0, 1, 0x12, 0x34, 0xFF, 0xFF}));
}

TEST_F(ModbPty, RetryCounts) {
  // Silent slave: count the requests that reach the line.
  m.set_answer_slack_ms(0);
  std::atomic<int> seen{0};
  std::atomic<bool> stop{false};
  responder = std::thread([&] {
    while (!stop)
      if (!pty.read_request(20).empty()) ++seen;
  });
  auto seen_reaches = [&](int n) {
    const int64_t until = mono_ms() + kGenerousMs;
    while (seen.load() < n && mono_ms() < until) sleep_ms(1);
    return seen.load();
  };
  uint16_t buf[1] = {};
  EXPECT_FALSE(m.get_mod_regs_rep(kSlave, 0, buf, 1, false));
  EXPECT_EQ(seen_reaches(1), 1);
  EXPECT_FALSE(m.get_mod_regs_rep(kSlave, 0, buf, 1, true));
  EXPECT_EQ(seen_reaches(3), 3);
  EXPECT_FALSE(m.set_mod_regs_rep(kSlave, 0, buf, 1));
  EXPECT_EQ(seen_reaches(5), 5);
  stop = true;
  responder.join();
  EXPECT_EQ(seen.load(), 5);  // nothing more was sent
}

TEST_F(ModbPty, RetrySucceedsOnTheSecondAttempt) {
  respond(2, [n = 0](const std::vector<uint8_t>&) mutable {
    auto a = read_answer(kSlave, 1, 42);
    if (n++ == 0) a.back() ^= 1;
    return a;
  });
  uint16_t buf[1] = {};
  EXPECT_TRUE(m.get_mod_regs_rep(kSlave, 0, buf, 1, true));
  EXPECT_EQ(buf[0], 42);
}

TEST_F(ModbPty, TheTransmitQueueIsAskedUnlessTheLastRequestWasAnswered) {
  // Answers to the 1st, 3rd, 5th and 6th request, silence at the 2nd, a
  // wrong CRC at the 4th.
  respond(6, [n = 0](const std::vector<uint8_t>& req) mutable {
    ++n;
    auto a = req[1] == 16 ? with_crc(std::vector<uint8_t>(req.begin(), req.begin() + 6))
                          : read_answer(kSlave, 1, static_cast<uint16_t>(n));
    if (n == 2) return std::vector<uint8_t>{};
    if (n == 4) a.back() ^= 1;
    return a;
  });
  uint16_t buf[1] = {};
  const uint16_t vals[1] = {9};
  auto checks_after = [&](int expected_result, auto request) {
    EXPECT_EQ(request(), expected_result);
    return m.queue_checks();
  };
  auto read = [&] { return m.get_mod_regs(kSlave, 0, buf, 1); };
  EXPECT_EQ(checks_after(0, read), 1);  // the first request on the port
  m.set_answer_slack_ms(0);
  EXPECT_EQ(checks_after(2, read), 1);  // after an answer
  m.set_answer_slack_ms(kGenerousMs);
  EXPECT_EQ(checks_after(0, read), 2);  // after a time-out
  EXPECT_EQ(checks_after(3, read), 2);
  EXPECT_EQ(checks_after(0, [&] { return m.set_mod_regs(kSlave, 0, vals, 1); }), 3);  // after a wrong CRC
  EXPECT_EQ(checks_after(0, read), 3);
  responder.join();
  // A port opened afresh is asked again.
  ASSERT_TRUE(m.setup_port(kCom, 3, 0));
  respond(1, [](const std::vector<uint8_t>&) { return read_answer(kSlave, 1, 1); });
  EXPECT_EQ(checks_after(0, read), 4);
}

TEST(SerialPort, AWaitForMoreBytesThanAReadPieceEndsWithOneReadTakingAll) {
  pty_pair pty;
  serial_port p;
  ASSERT_TRUE(p.open(pty.slave_path()));
  ASSERT_TRUE(p.configure(4, 0));
  std::vector<uint8_t> bytes(255);
  for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 13 + 1);
  // Fewer bytes than asked for do not end a wait.
  p.set_min_bytes(255);
  pty.write_master(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10));
  for (const int64_t until = mono_ms() + kGenerousMs; p.rx_count() < 10 && mono_ms() < until;) sleep_ms(1);
  ASSERT_EQ(p.rx_count(), 10);
  EXPECT_FALSE(p.wait_readable(0));
  // The whole answer is there: the wait ends, and one read takes all of it.
  pty.write_master(std::vector<uint8_t>(bytes.begin() + 10, bytes.end()));
  ASSERT_TRUE(p.wait_readable(kGenerousMs));
  unsigned char got[1024] = {};
  ASSERT_EQ(p.read_available(got, sizeof got), 255);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), got));
}

TEST_F(ModbPty, SetupPortKeepsAnOpenPortWithTheSameSettings) {
  EXPECT_TRUE(m.setup_port(kCom, 4, 0));
  EXPECT_TRUE(m.is_open());
  EXPECT_EQ(m.port_number(), kCom);
  // Another baud rate reopens the line.
  EXPECT_TRUE(m.setup_port(kCom, 0, 0));
  EXPECT_EQ(m.baud_index(), 0);
  // A second program cannot share the line while it is open.
  serial_port other;
  EXPECT_FALSE(other.open(pty.slave_path()));
}

TEST(ModbPort, MissingPortGivesFalseAndEveryRequestTwo) {
  temp_config_home home;
  TModbSerial m;
  EXPECT_FALSE(m.setup_port(49, 4, 0));  // COM49 exists only as an entry
  EXPECT_FALSE(m.is_open());
  EXPECT_NE(m.last_error(), 0u);
  uint16_t buf[1] = {};
  EXPECT_EQ(m.get_mod_regs(1, 0, buf, 1), 2);
  EXPECT_EQ(m.set_mod_regs(1, 0, buf, 1), 2);
  EXPECT_FALSE(m.setup_port(51, 4, 0));
}

TEST(ModbPort, PortNamesFollowTheEntriesThenTheDeviceFamilies) {
  temp_config_home home;
  EXPECT_EQ(com_port_path(1), "/dev/ttyS0");
  EXPECT_EQ(com_port_path(16), "/dev/ttyS15");
  EXPECT_EQ(com_port_path(17), "/dev/ttyUSB0");
  EXPECT_EQ(com_port_path(33), "/dev/ttyACM0");
  EXPECT_EQ(com_port_path(48), "/dev/ttyACM15");
  EXPECT_EQ(com_port_path(49), "");
  EXPECT_EQ(com_port_path(0), "");
  pty_pair pty;
  pty.link_as_com(17);
  EXPECT_EQ(com_port_path(17), home.path().toStdString() + "/Tarvik/Orv_Cfg/ports/COM17");
}

TEST(ModbPort, FillComTableFindsTheEntriesAndLeavesThePortClosed) {
  temp_config_home home;
  pty_pair a, b;
  a.link_as_com(12);
  b.link_as_com(50);
  TModbSerial m;
  ASSERT_TRUE(m.Open_Com(12, 4, 0));
  bool table[50];
  m.fill_com_table(table, 50);
  EXPECT_FALSE(m.is_open());
  EXPECT_TRUE(table[11]);
  EXPECT_TRUE(table[49]);
  EXPECT_FALSE(table[48]);
}

TEST(ModbPort, ParityFlagsAndRefusedSettingsCloseThePort) {
  termios t{};
  ASSERT_TRUE(serial_port::build_termios(t, 2, 1));
  EXPECT_TRUE(t.c_cflag & PARENB);
  EXPECT_TRUE(t.c_cflag & PARODD);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B38400));
  ASSERT_TRUE(serial_port::build_termios(t, 3, 2));
  EXPECT_TRUE(t.c_cflag & PARENB);
  EXPECT_FALSE(t.c_cflag & PARODD);
  ASSERT_TRUE(serial_port::build_termios(t, 4, 0));
  EXPECT_FALSE(t.c_cflag & PARENB);
  EXPECT_FALSE(serial_port::build_termios(t, 5, 0));
  EXPECT_FALSE(serial_port::build_termios(t, 0, 3));

  // A pseudo-terminal refuses parity: the open fails and the port is closed,
  // so the next setup_port tries again instead of using a half-set line.
  temp_config_home home;
  pty_pair pty;
  pty.link_as_com(3);
  TModbSerial m;
  EXPECT_FALSE(m.Open_Com(3, 4, 2));
  EXPECT_FALSE(m.is_open());
  EXPECT_FALSE(m.setup_port(3, 4, 2));
  EXPECT_TRUE(m.setup_port(3, 4, 0));
}
