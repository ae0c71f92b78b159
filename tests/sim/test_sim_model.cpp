// The transmitter model without a line, on a hand-driven clock: sample
// clock, readings at the gain in force, configuration commit, inputs,
// status word, analog output, the state file and the command line.
#include "core/mono_clock.h"
#include "gain.h"
#include "register_map.h"
#include "sim_options.h"
#include "state_file.h"
#include "transmitter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <fstream>

using namespace orvsim;

namespace {

// The gain factor computed here from the transmitter's tables, written out
// independently of the simulator: divisor / coefficient.
double independent_gain(int c, int d, bool set1) {
  const double coef0[4] = {140.53, 70.27, 19.52, 1.0};
  const double coef1[4] = {71.0, 17.333, 4.333, 1.0};
  double div = d < 24 ? 70 + 10 * d : d < 39 ? 320 + 20 * (d - 24) : 640 + 40 * (std::min(d, 55) - 39);
  return div / (set1 ? coef1[c] : coef0[c]);
}

device_settings steady(int addr = 1) {
  device_settings d;
  d.address = addr;
  d.process.drift = d.process.steps = false;
  d.process.noise = 0;
  d.temp_drift = false;
  return d;
}

uint32_t raw_of(const uint16_t* block, int k) {
  return static_cast<uint32_t>(block[SB_FIRST_SAMPLE + 4 * k]) |
         (static_cast<uint32_t>(block[SB_FIRST_SAMPLE + 4 * k + 1]) << 16);
}

float value_of(const uint16_t* block, int k) {
  const uint32_t bits = static_cast<uint32_t>(block[SB_FIRST_SAMPLE + 4 * k + 2]) |
                        (static_cast<uint32_t>(block[SB_FIRST_SAMPLE + 4 * k + 3]) << 16);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

struct model : ::testing::Test {
  manual_tick_clock clock;
  uint16_t block[SAMPLES_COUNT] = {};
  void read_samples(transmitter& t) { ASSERT_EQ(t.read(SAMPLES_FIRST, SAMPLES_COUNT, block, clock.now_ms()), 0); }
  void write1(transmitter& t, int reg, uint16_t v) { ASSERT_EQ(t.write(reg, 1, &v, clock.now_ms()), 0); }
};

}  // namespace

TEST_F(model, CounterAdvancesFivePerSecondAndWraps) {
  device_settings d = steady();
  d.counter = 65530;
  transmitter t(d, clock.now_ms());
  read_samples(t);
  const uint16_t c0 = block[SB_COUNTER];
  EXPECT_EQ(c0, 65530);
  // The 30 newest samples exist from the start when the counter says so.
  EXPECT_NE(raw_of(block, 29), RAW_NO_SAMPLE);
  clock.advance_ms(10000);
  read_samples(t);
  EXPECT_EQ(static_cast<uint16_t>(block[SB_COUNTER] - c0), 50);  // wrapped past 65535
  EXPECT_LT(block[SB_COUNTER], 100);

  // A fresh transmitter has produced nothing: empty samples, NaN values.
  transmitter fresh(steady(2), clock.now_ms());
  read_samples(fresh);
  const int produced = block[SB_COUNTER];
  EXPECT_LE(produced, 1);
  EXPECT_EQ(raw_of(block, 5), RAW_NO_SAMPLE);
  EXPECT_TRUE(std::isnan(value_of(block, 5)));
}

TEST_F(model, ClockDeviationAndLongGapsKeepTheCount) {
  device_settings d = steady();
  d.clock_ppm = 10000;  // 1 % fast
  transmitter t(d, clock.now_ms());
  clock.advance_ms(3600 * 1000);  // an hour without a request
  read_samples(t);
  EXPECT_NEAR(static_cast<double>(t.produced()), 18000 * 1.01, 2);
  EXPECT_NE(raw_of(block, 29), RAW_NO_SAMPLE);  // the block is full again
}

TEST_F(model, ReadingFollowsTheGainInForceAndDecodesToTheSignal) {
  device_settings d = steady();
  d.raw = 60000;
  transmitter t(d, clock.now_ms());
  clock.advance_ms(1000);
  read_samples(t);
  uint32_t w = raw_of(block, 0);
  const uint16_t product_gain = t.active_config().prod_reg(0, R_GAIN);
  EXPECT_EQ((w >> 12) & 0xFF, product_gain);
  EXPECT_EQ(w & RAW_COEF_SET_1, 0u);
  const double g = independent_gain((product_gain >> 6) & 3, product_gain & 0x3F, false);
  EXPECT_NEAR((w & 0x3FF) * 1280.0 / g, 60000, 1280.0 / g);
  // The measured value comes through the product's calibration curve (0 .. 100000 -> 0 .. 2500 kg/h).
  EXPECT_NEAR(value_of(block, 0), 60000 * 2500.0 / 100000, 2500.0 * 1280 / g / 100000 + 0.01);

  // An override (bit 15) forces another gain; the signal stays, the reading moves.
  const uint16_t high = GAIN_OVERRIDE_FLAG | (3 << 6) | 0;  // c = 3, d = 0: G = 70
  write1(t, REG_GAIN_OVERRIDE, high);
  clock.advance_ms(400);
  read_samples(t);
  w = raw_of(block, 0);
  EXPECT_EQ((w >> 12) & 0xFF, (3u << 6));
  EXPECT_EQ(w & 0x3FF, 1023u);  // 60000 at G = 70 is beyond the converter
  write1(t, REG_GAIN_OVERRIDE, GAIN_OVERRIDE_FLAG | (2 << 6) | 20);
  clock.advance_ms(400);
  read_samples(t);
  w = raw_of(block, 0);
  EXPECT_EQ((w >> 12) & 0xFF, (2u << 6) | 20);
  EXPECT_NEAR(raw_value(w), 60000, 1280.0 / independent_gain(2, 20, false));
  // 0 ends the override; a word without bit 15 is refused.
  write1(t, REG_GAIN_OVERRIDE, 0);
  const uint16_t bad = 0x0055;
  EXPECT_EQ(t.write(REG_GAIN_OVERRIDE, 1, &bad, clock.now_ms()), EX_ILLEGAL_VALUE);
  clock.advance_ms(400);
  read_samples(t);
  EXPECT_EQ((raw_of(block, 0) >> 12) & 0xFF, product_gain);

  // Sensor mode 1: the other coefficient set, marked by bit 22.
  device_settings d1 = steady(2);
  d1.sensor_mode = 1;
  d1.raw = 60000;
  transmitter t1(d1, clock.now_ms());
  clock.advance_ms(400);
  read_samples(t1);
  w = raw_of(block, 0);
  EXPECT_NE(w & RAW_COEF_SET_1, 0u);
  const uint16_t g1 = t1.active_config().prod_reg(0, R_GAIN);
  EXPECT_NEAR((w & 0x3FF) * 1280.0 / independent_gain((g1 >> 6) & 3, g1 & 0x3F, true), 60000, 200);
}

TEST(gain, DecodingMatchesTheWorkedValues) {
  EXPECT_EQ(raw_value(1023 | (0xFFu << 12) | (0u)), raw_value(1023 | ((3u << 6 | 55u) << 12)));
  EXPECT_EQ(raw_value(1023 | ((3u << 6 | 55u) << 12)), 1023);
  EXPECT_EQ(raw_value(1023), 2628794);
  EXPECT_EQ(raw_value(1023 | RAW_COEF_SET_1), 1328146);
  EXPECT_EQ(raw_value(512 | ((2u << 6 | 13u) << 12)), 63963);
  EXPECT_EQ(raw_value(0xFFFFF | RAW_ALARM_1), 1048575);
  EXPECT_EQ(reading_for(1e9, 1.0f), 1023u);
  EXPECT_EQ(reading_for(-5, 1.0f), 0u);
}

TEST_F(model, PinnedReadingsErrorsAlarmsAndTemperatureShowInTheWords) {
  device_settings d = steady();
  d.reading = 1020;
  d.temp = 85.0;
  d.alarms = 2;
  d.system_error = true;
  d.din = 0b1010;
  transmitter t(d, clock.now_ms());
  clock.advance_ms(400);
  read_samples(t);
  const uint32_t w = raw_of(block, 0);
  EXPECT_EQ(w & 0x3FF, 1020u);
  EXPECT_TRUE(w & RAW_SYSTEM_ERROR);
  EXPECT_FALSE(w & RAW_SENSOR_ERROR);
  EXPECT_TRUE(w & RAW_ALARM_2);
  EXPECT_EQ(w >> 28, 0b1010u);
  EXPECT_EQ(static_cast<int16_t>(block[SB_TEMP]), 850);
  EXPECT_TRUE(block[SB_STATUS] & SW_TEMP_LIMITS);
  EXPECT_EQ(block[SB_ERRORS] >> 8, 0x01);

  t.settings().sensor_error = true;
  t.settings().temp = -5.5;
  t.settings().temp_lo = -30;
  clock.advance_ms(400);
  read_samples(t);
  EXPECT_TRUE(raw_of(block, 0) & RAW_SENSOR_ERROR);
  EXPECT_EQ(raw_of(block, 0) & 0x3FF, 0u);
  EXPECT_EQ(block[SB_ERRORS] & 0xFF, 0x01);
  EXPECT_EQ(static_cast<int16_t>(block[SB_TEMP]), -55);
  EXPECT_FALSE(block[SB_STATUS] & SW_TEMP_LIMITS);

  // A share of samples with sensor errors: about that share, not all, not none.
  device_settings s = steady(3);
  s.sensor_errors = 0.2;
  transmitter ts(s, clock.now_ms());
  int errors = 0;
  for (int k = 0; k < 100; ++k) {
    clock.advance_ms(SAMPLE_PERIOD_MS * SAMPLE_HISTORY);
    read_samples(ts);
    for (int j = 0; j < SAMPLE_HISTORY; ++j) errors += (raw_of(block, j) & RAW_SENSOR_ERROR) != 0;
  }
  EXPECT_NEAR(errors / 3000.0, 0.2, 0.04);
}

TEST_F(model, ConfigurationTakesEffectOnlyWithTheCommit) {
  transmitter t(steady(), clock.now_ms());
  uint16_t param[PARAM_COUNT];
  ASSERT_EQ(t.read(PARAM_FIRST, PARAM_COUNT, param, clock.now_ms()), 0);
  EXPECT_EQ(param[P_ADDRESS], 1);
  param[P_DEFAULT_PROD] = 4;  // product 5: lb/h, 0 decimals
  param[P_TEMP_UNIT] = 1;     // degF
  put_text(&param[P_SERIAL], 12, "NEW-SERIAL-1");
  ASSERT_EQ(t.write(PARAM_FIRST, PARAM_COUNT, param, clock.now_ms()), 0);
  clock.advance_ms(400);
  read_samples(t);
  EXPECT_EQ(block[SB_STATUS] & 0x1F, 0);  // not yet
  // What was written reads back before the commit.
  uint16_t back[PARAM_COUNT];
  ASSERT_EQ(t.read(PARAM_FIRST, PARAM_COUNT, back, clock.now_ms()), 0);
  EXPECT_EQ(std::memcmp(back, param, sizeof back), 0);

  write1(t, REG_CFG_COMMIT, 1);
  EXPECT_TRUE(t.take_commit());
  EXPECT_FALSE(t.take_commit());
  clock.advance_ms(400);
  read_samples(t);
  const uint16_t sw = block[SB_STATUS];
  EXPECT_EQ(sw & 0x1F, 4);
  EXPECT_TRUE(sw & SW_FAHRENHEIT);
  EXPECT_EQ((sw >> SW_UNIT_SHIFT) & 0xF, 4);
  EXPECT_EQ((sw >> SW_DEC_SHIFT) & 3, 0);
  uint16_t st[STATUS_COUNT];
  ASSERT_EQ(t.read(0, STATUS_COUNT, st, clock.now_ms()), 0);
  EXPECT_EQ(get_text(st + ST_SERIAL, 12), "NEW-SERIAL-1");
  const uint16_t two = 2;
  EXPECT_EQ(t.write(REG_CFG_COMMIT, 1, &two, clock.now_ms()), EX_ILLEGAL_VALUE);
}

TEST_F(model, DigitalInputsSelectTheProductAndFreezeTheMeasurement) {
  device_settings d = steady();
  transmitter t(d, clock.now_ms());
  uint16_t param[PARAM_COUNT];
  ASSERT_EQ(t.read(PARAM_FIRST, PARAM_COUNT, param, clock.now_ms()), 0);
  param[P_DIN_FUN + 1] = DIN_PROD_SELECT;  // input 2 selects
  param[P_DIN_FUN + 3] = DIN_PROD_SELECT;  // input 4 selects
  param[P_DIN_DIR + 3] = 1;                // input 4 inverted
  param[P_DIN_FUN + 0] = DIN_FREEZE;       // input 1 freezes
  param[P_PROD_SEL + 0] = 7;               // state 1 -> product 8
  param[P_PROD_SEL + 2] = 9;               // state 3 -> product 10
  ASSERT_EQ(t.write(PARAM_FIRST, PARAM_COUNT, param, clock.now_ms()), 0);
  write1(t, REG_CFG_COMMIT, 1);
  t.settings().din = 0b0000;  // input 4 inverted: on; state 2 (bit 1), register 37 = 0
  clock.advance_ms(400);
  EXPECT_EQ(t.active_product(), param[P_PROD_SEL + 1]);
  t.settings().din = 0b1010;  // input 2 on, input 4 off (inverted): state 1
  clock.advance_ms(400);
  read_samples(t);
  EXPECT_EQ(block[SB_STATUS] & 0x1F, 7);
  t.settings().din = 0b0010;  // both on: state 3
  clock.advance_ms(400);
  EXPECT_EQ(t.active_product(), 9);

  // Freeze holds value and reading while the process moves on.
  t.settings().din = 0b1000;  // default product, no freeze
  t.settings().process.level = 30;
  clock.advance_ms(1000);
  read_samples(t);
  const float held = value_of(block, 0);
  const uint32_t held_reading = raw_of(block, 0) & 0x3FF;
  t.settings().din = 0b1001;
  t.settings().process.level = 80;
  clock.advance_ms(1000);
  read_samples(t);
  EXPECT_EQ(value_of(block, 0), held);
  EXPECT_EQ(raw_of(block, 0) & 0x3FF, held_reading);
  EXPECT_EQ(raw_of(block, 0) >> 28, 0b0001u);  // logical inputs: 1 on, 4 inverted off
}

TEST_F(model, AnalogOutputFollowsTheDriveWhileForced) {
  transmitter t(steady(), clock.now_ms());
  uint16_t st[STATUS_COUNT];
  clock.advance_ms(1000);
  ASSERT_EQ(t.read(0, STATUS_COUNT, st, clock.now_ms()), 0);
  // Normal: 50 % of the range is about 12 mA.
  EXPECT_NEAR(st[ST_AOUT_FEEDBACK], 12000, 300);
  for (uint16_t drive : {1000, 6400, 12000}) {
    const uint16_t regs[2] = {drive, AOUT_FORCE};
    ASSERT_EQ(t.write(REG_AOUT_DRIVE, 2, regs, clock.now_ms()), 0);
    ASSERT_EQ(t.read(0, STATUS_COUNT, st, clock.now_ms()), 0);
    EXPECT_NEAR(st[ST_AOUT_FEEDBACK], drive * 24000.0 / 12800, drive * 24000.0 / 12800 * 0.02 + 20) << drive;
  }
  const uint16_t volt[2] = {6400, AOUT_FORCE | AOUT_VOLTAGE};
  ASSERT_EQ(t.write(REG_AOUT_DRIVE, 2, volt, clock.now_ms()), 0);
  ASSERT_EQ(t.read(0, STATUS_COUNT, st, clock.now_ms()), 0);
  EXPECT_NEAR(st[ST_AOUT_FEEDBACK], 6000, 150);
  const uint16_t release = 0;
  ASSERT_EQ(t.write(REG_AOUT_MODE, 1, &release, clock.now_ms()), 0);
  EXPECT_FALSE(t.aout_forced());
  ASSERT_EQ(t.read(0, STATUS_COUNT, st, clock.now_ms()), 0);
  EXPECT_NEAR(st[ST_AOUT_FEEDBACK], 12000, 300);
  const uint16_t too_far = 12801;
  EXPECT_EQ(t.write(REG_AOUT_DRIVE, 1, &too_far, clock.now_ms()), EX_ILLEGAL_VALUE);
}

TEST(curve, PointsAreSortedAndSharedRawValuesDoNotDivideByZero) {
  config_image c = factory_config(1, "X", 0);
  c.prod_reg(0, R_CAL_POINTS) = 3;
  c.set_prod_int32(0, R_CAL_RAW, 100000);
  c.set_prod_float(0, R_CAL_VAL, 1000.0f);
  c.set_prod_int32(0, R_CAL_RAW + 2, 0);
  c.set_prod_float(0, R_CAL_VAL + 2, 0.0f);
  c.set_prod_int32(0, R_CAL_RAW + 4, 50000);
  c.set_prod_float(0, R_CAL_VAL + 4, 600.0f);
  EXPECT_DOUBLE_EQ(curve_value(c, 0, 25000), 300.0);
  EXPECT_DOUBLE_EQ(curve_value(c, 0, 75000), 800.0);
  EXPECT_DOUBLE_EQ(curve_value(c, 0, 150000), 1400.0);  // the last segment extended
  c.set_prod_int32(0, R_CAL_RAW + 4, 0);                // two points at raw 0
  EXPECT_TRUE(std::isfinite(curve_value(c, 0, 25000)));
  c.prod_reg(0, R_CAL_POINTS) = 2;
  c.set_prod_int32(0, R_CAL_RAW + 2, 100000);  // all points at one raw value
  EXPECT_TRUE(std::isfinite(curve_value(c, 0, 25000)));
}

TEST(state, SavedConfigurationsComeBackAndDamagedFilesAreRefused) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/line.state";
  unit_configs in, out;
  std::string err;
  ASSERT_TRUE(load_state(path, out, err));  // no file yet
  EXPECT_TRUE(out.empty());
  in[1] = factory_config(1, "A", 0);
  in[7] = factory_config(7, "B", 1);
  in[7].prod_reg(23, 71) = 0xBEEF;
  ASSERT_TRUE(save_state(path, in, err)) << err;
  ASSERT_TRUE(load_state(path, out, err)) << err;
  EXPECT_EQ(out, in);
  {
    std::ofstream f(path, std::ios::app);
    f << "garbage\n";
  }
  EXPECT_TRUE(load_state(path, out, err));  // after "end" nothing is read
  std::string text;
  {
    std::ifstream f(path);
    text.assign(std::istreambuf_iterator<char>(f), {});
  }
  text.resize(text.size() / 2);  // cut in the middle
  {
    std::ofstream f(path, std::ios::trunc);
    f << text;
  }
  EXPECT_FALSE(load_state(path, out, err));
  EXPECT_FALSE(err.empty());
  EXPECT_TRUE(out.empty());
}

TEST(options, LinesDevicesAndFaultsAreParsedAndBadValuesRefused) {
  run_options r;
  std::string err;
  ASSERT_TRUE(
      parse_command_line({"--com", "3", "--units", "1,2", "--line", "--com", "4", "--device",
                          "addr=5,serial=S5,sensor-errors=0.05,reading=990", "--late", "0.2:50", "--line-timing"},
                         r, err))
      << err;
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[0].com, 3);
  ASSERT_EQ(r.lines[0].devices.size(), 2u);
  EXPECT_EQ(r.lines[0].devices[1].address, 2);
  const line_options& l = r.lines[1];
  EXPECT_EQ(l.com, 4);
  EXPECT_TRUE(l.line_timing);
  EXPECT_DOUBLE_EQ(l.faults.late, 0.2);
  EXPECT_EQ(l.faults.late_ms, 50);
  ASSERT_EQ(l.devices.size(), 1u);
  EXPECT_EQ(l.devices[0].address, 5);
  EXPECT_EQ(l.devices[0].serial, "S5");
  EXPECT_DOUBLE_EQ(l.devices[0].sensor_errors, 0.05);
  EXPECT_EQ(l.devices[0].reading, 990);

  EXPECT_FALSE(parse_command_line({"--com", "51"}, r, err));
  EXPECT_FALSE(parse_command_line({"--device", "addr=0"}, r, err));
  EXPECT_FALSE(parse_command_line({"--device", "colour=red"}, r, err));
  EXPECT_FALSE(parse_command_line({"--drop", "0.6", "--bad-crc", "0.6"}, r, err));
  EXPECT_FALSE(parse_command_line({"--com", "3", "--line", "--com", "3"}, r, err));
  EXPECT_FALSE(parse_command_line({"--units"}, r, err));
  EXPECT_FALSE(parse_command_line({"--bogus"}, r, err));
}
