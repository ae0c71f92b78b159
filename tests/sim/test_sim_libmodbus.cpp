// An independent check of the simulator: the libmodbus master reads and
// writes a simulated transmitter over a pseudo-terminal.
#include "config_image.h"
#include "register_map.h"
#include "sim_line.h"

#include "core/mono_clock.h"

#include <gtest/gtest.h>

#include <modbus.h>

#include <cerrno>
#include <cmath>
#include <cstring>

using namespace orvsim;

namespace {

double gain_of(uint32_t raw) {
  const double coef0[4] = {140.53, 70.27, 19.52, 1.0};
  const int d = std::min<int>((raw >> 12) & 0x3F, 55);
  const int c = (raw >> 18) & 3;
  const double div = d < 24 ? 70 + 10 * d : d < 39 ? 320 + 20 * (d - 24) : 640 + 40 * (d - 39);
  return div / coef0[c];
}

class libmodbus_master : public ::testing::Test {
 protected:
  void SetUp() override {
    line_options o;
    device_settings a;
    a.address = 3;
    a.serial = "ORV-TEST-003";
    a.sensor_serial = 0x123456789ABCull;
    a.firmware = 107;
    a.raw = 60000;
    a.process.noise = 0;
    device_settings b;
    b.address = 4;
    o.devices = {a, b};
    o.clock = &time;  // the transmitters' samples come when the test moves it
    line = std::make_unique<sim_line>(o);
    ctx = modbus_new_rtu(line->path().c_str(), 115200, 'N', 8, 1);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);
    modbus_set_slave(ctx, 3);
    // The simulator always answers: a late answer of a loaded machine is waited for.
    modbus_set_response_timeout(ctx, 30, 0);
  }
  void TearDown() override {
    if (ctx) {
      modbus_close(ctx);
      modbus_free(ctx);
    }
  }
  void read(int start, int count, uint16_t* out) {
    ASSERT_EQ(modbus_read_registers(ctx, start, count, out), count) << start << ": " << modbus_strerror(errno);
  }
  void write(int start, int count, const uint16_t* in) {
    ASSERT_EQ(modbus_write_registers(ctx, start, count, in), count) << start << ": " << modbus_strerror(errno);
  }
  uint32_t newest_raw() {
    uint16_t s[SAMPLES_COUNT];
    read(SAMPLES_FIRST, SAMPLES_COUNT, s);
    return s[2] | (static_cast<uint32_t>(s[3]) << 16);
  }

  manual_tick_clock time;
  std::unique_ptr<sim_line> line;
  modbus_t* ctx = nullptr;
};

}  // namespace

TEST_F(libmodbus_master, StatusBlockNamesTheTransmitter) {
  uint16_t st[STATUS_COUNT];
  read(0, STATUS_COUNT, st);
  EXPECT_EQ(st[ST_TYPE], 212);
  EXPECT_EQ(st[ST_FIRMWARE], 107);
  EXPECT_EQ(st[ST_SENSOR_MODE], 0);
  EXPECT_EQ(get_text(st + ST_SERIAL, 12), "ORV-TEST-003");
  EXPECT_EQ(st[78], 0x9ABC);
  EXPECT_EQ(st[79], 0x5678);
  EXPECT_EQ(st[80], 0x1234);
  modbus_set_slave(ctx, 4);
  read(0, STATUS_COUNT, st);
  EXPECT_EQ(st[ST_TYPE], 212);
  EXPECT_NE(get_text(st + ST_SERIAL, 12), "ORV-TEST-003");
}

TEST_F(libmodbus_master, CounterAdvancesFiveASecondAndSamplesDecode) {
  uint16_t s[SAMPLES_COUNT];
  read(SAMPLES_FIRST, SAMPLES_COUNT, s);
  const uint16_t c0 = s[0];
  time.advance_ms(1200);
  read(SAMPLES_FIRST, SAMPLES_COUNT, s);
  const int n = static_cast<uint16_t>(s[0] - c0);
  EXPECT_EQ(n, 6);
  EXPECT_NEAR(static_cast<int16_t>(s[1]), 235, 20);  // about 23.5 degC
  // Newest first: every produced sample decodes to the pinned signal at the
  // gain it carries; the value follows the calibration curve (2500 kg/h at 100000).
  for (int k = 0; k < std::min(n, 30); ++k) {
    const uint32_t raw = s[2 + 4 * k] | (static_cast<uint32_t>(s[3 + 4 * k]) << 16);
    const uint32_t vb = s[4 + 4 * k] | (static_cast<uint32_t>(s[5 + 4 * k]) << 16);
    float v;
    std::memcpy(&v, &vb, sizeof v);
    const double g = gain_of(raw);
    EXPECT_NEAR((raw & 0x3FF) * 1280.0 / g, 60000, 1280.0 / g) << k;
    EXPECT_NEAR(v, 1500.0, 10.0) << k;
  }
  EXPECT_EQ(s[122] & 0x1F, 0);  // product 1
}

TEST_F(libmodbus_master, GainOverrideChangesTheReadingUntilReleased) {
  time.advance_ms(450);
  const uint32_t before = newest_raw();
  ASSERT_NE(before & 0xFFFFF, 0xFFFFFu);
  const uint16_t word = GAIN_OVERRIDE_FLAG | (2 << 6) | 10;  // G = 8.709
  write(REG_GAIN_OVERRIDE, 1, &word);
  time.advance_ms(450);
  uint32_t raw = newest_raw();
  EXPECT_EQ((raw >> 12) & 0xFF, word & 0xFFu);
  EXPECT_NEAR(raw & 0x3FF, std::lround(60000 * gain_of(raw) / 1280), 1);
  const uint16_t zero = 0;
  write(REG_GAIN_OVERRIDE, 1, &zero);
  time.advance_ms(450);
  raw = newest_raw();
  EXPECT_EQ((raw >> 12) & 0xFF, (before >> 12) & 0xFF);
}

TEST_F(libmodbus_master, ConfigurationRoundTripTakesEffectWithTheCommit) {
  uint16_t param[PARAM_COUNT];
  std::vector<uint16_t> prod(PROD_COUNT);
  read(PARAM_FIRST, PARAM_COUNT, param);
  for (int first = 0; first < PROD_COUNT; first += 125)
    read(PROD_FIRST + first, std::min(125, PROD_COUNT - first), &prod[first]);
  EXPECT_EQ(param[P_ADDRESS], 3);
  EXPECT_EQ(get_text(&prod[R_NAME], 12), "PRODUCT 1   ");

  put_text(param + P_TAG, 12, "LINE 7 FEED");
  param[P_DEFAULT_PROD] = 2;
  put_text(&prod[2 * PROD_REGS + R_NAME], 12, "FLOUR");
  prod[2 * PROD_REGS + R_GAIN] = (2 << 6) | 20;
  write(PARAM_FIRST, PARAM_COUNT, param);
  for (int first = 0; first < PROD_COUNT; first += 123)
    write(PROD_FIRST + first, std::min(123, PROD_COUNT - first), &prod[first]);

  uint16_t s[SAMPLES_COUNT];
  read(SAMPLES_FIRST, SAMPLES_COUNT, s);
  EXPECT_EQ(s[122] & 0x1F, 0);  // not in force yet
  const uint16_t one = 1;
  write(REG_CFG_COMMIT, 1, &one);
  time.advance_ms(450);
  read(SAMPLES_FIRST, SAMPLES_COUNT, s);
  EXPECT_EQ(s[122] & 0x1F, 2);
  EXPECT_EQ((s[2] | (static_cast<uint32_t>(s[3]) << 16)) >> 12 & 0xFF, (2u << 6) | 20);

  uint16_t back[PARAM_COUNT];
  std::vector<uint16_t> prod_back(PROD_COUNT);
  read(PARAM_FIRST, PARAM_COUNT, back);
  for (int first = 0; first < PROD_COUNT; first += 125)
    read(PROD_FIRST + first, std::min(125, PROD_COUNT - first), &prod_back[first]);
  EXPECT_EQ(std::memcmp(back, param, sizeof back), 0);
  EXPECT_EQ(prod_back, prod);
}

TEST_F(libmodbus_master, FeedbackFollowsTheForcedDriveAndIsReleased) {
  uint16_t st[STATUS_COUNT];
  time.advance_ms(450);  // a measurement to follow
  for (uint16_t drive : {2133, 6400, 10667}) {
    const uint16_t regs[2] = {drive, 1};
    write(REG_AOUT_DRIVE, 2, regs);
    read(0, STATUS_COUNT, st);
    EXPECT_NEAR(st[ST_AOUT_FEEDBACK], drive * 1.875, drive * 1.875 * 0.02 + 20) << drive;
  }
  const uint16_t volt[2] = {10667, 0x8001};
  write(REG_AOUT_DRIVE, 2, volt);
  read(0, STATUS_COUNT, st);
  EXPECT_NEAR(st[ST_AOUT_FEEDBACK], 10000, 200);
  const uint16_t zero = 0;
  write(REG_AOUT_MODE, 1, &zero);
  read(0, STATUS_COUNT, st);
  // Released: the output follows the measurement again (1500 of 2500 kg/h: 13.6 mA).
  EXPECT_NEAR(st[ST_AOUT_FEEDBACK], 13600, 400);
}

TEST_F(libmodbus_master, IllegalAddressesAndCountsGetExceptionAnswers) {
  uint16_t r[125];
  errno = 0;
  EXPECT_EQ(modbus_read_registers(ctx, 100, 5, r), -1);
  EXPECT_EQ(errno, EMBXILADD);
  EXPECT_EQ(modbus_read_registers(ctx, 3080, 8, r), -1);
  EXPECT_EQ(errno, EMBXILADD);
  const uint16_t v = 1;
  EXPECT_EQ(modbus_write_registers(ctx, 2000, 1, &v), -1);
  EXPECT_EQ(errno, EMBXILADD);
  const uint16_t bad_gain = 0x0012;
  EXPECT_EQ(modbus_write_registers(ctx, REG_GAIN_OVERRIDE, 1, &bad_gain), -1);
  EXPECT_EQ(errno, EMBXILVAL);
  // libmodbus itself keeps to 125; a raw request asks for 126.
  const uint8_t raw_req[] = {3, 3, 0x07, 0xD0, 0x00, 126};
  ASSERT_GT(modbus_send_raw_request(ctx, raw_req, sizeof raw_req), 0);
  uint8_t rsp[MODBUS_RTU_MAX_ADU_LENGTH];
  EXPECT_EQ(modbus_receive_confirmation(ctx, rsp), 5);
  EXPECT_EQ(rsp[1], 0x83);
  EXPECT_EQ(rsp[2], 3);
  // The line still serves.
  EXPECT_EQ(modbus_read_registers(ctx, 0, 1, r), 1);
}

TEST_F(libmodbus_master, CommandLogKeepsAcceptedCommandWritesInOrder) {
  const uint16_t gain = GAIN_OVERRIDE_FLAG | 0x41, zero = 0, bad_gain = 0x0012;
  write(REG_GAIN_OVERRIDE, 1, &gain);
  const uint16_t aout[2] = {6400, 0x8001};
  write(REG_AOUT_DRIVE, 2, aout);
  // Refused commands and configuration writes are not commands carried out.
  EXPECT_EQ(modbus_write_registers(ctx, REG_GAIN_OVERRIDE, 1, &bad_gain), -1);
  uint16_t param[PARAM_COUNT];
  read(PARAM_FIRST, PARAM_COUNT, param);
  write(PARAM_FIRST, PARAM_COUNT, param);
  write(REG_AOUT_MODE, 1, &zero);
  write(REG_GAIN_OVERRIDE, 1, &zero);
  const std::vector<command_write> want = {{REG_GAIN_OVERRIDE, gain},
                                           {REG_AOUT_DRIVE, 6400},
                                           {REG_AOUT_MODE, 0x8001},
                                           {REG_AOUT_MODE, 0},
                                           {REG_GAIN_OVERRIDE, 0}};
  EXPECT_EQ(line->command_log(3), want);
  EXPECT_TRUE(line->command_log(4).empty());
  EXPECT_TRUE(line->command_log(9).empty());  // no transmitter there
  // A broadcast reaches the log of every transmitter on the line.
  modbus_set_slave(ctx, 0);
  modbus_write_registers(ctx, REG_GAIN_OVERRIDE, 1, &zero);
  const int64_t end = mono_ms() + 30000;
  while (line->command_log(4).empty() && mono_ms() < end) sleep_ms(5);
  EXPECT_EQ(line->command_log(4), (std::vector<command_write>{{REG_GAIN_OVERRIDE, 0}}));
  EXPECT_EQ(line->command_log(3).size(), want.size() + 1);
}
