#include "transmitter.h"

#include "analog_output.h"
#include "gain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvsim {
namespace {

uint32_t float_bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

std::string default_serial(int address) {
  std::string digits = std::to_string(100000000 + address);
  return "ORV" + digits;  // 12 characters
}

// Samples produced more than this far behind the clock are not generated one
// by one (only the counter moves); the block holds 30 of them anyway.
constexpr uint64_t kMaxCatchUp = 3000;

}  // namespace

float sample::value() const {
  float f;
  std::memcpy(&f, &value_bits, sizeof f);
  return f;
}

transmitter::transmitter(const device_settings& s, int64_t now_ms)
    : s_(s),
      address_(s.address),
      process_(s.seed ? s.seed : 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(s.address + 1), s.process.level),
      start_ms_(now_ms),
      produced_(s.counter),
      history_(SAMPLE_HISTORY) {
  if (s_.serial.empty()) s_.serial = default_serial(s.address);
  if (s_.sensor_serial == 0) s_.sensor_serial = 700000000ull + static_cast<uint64_t>(s.address);
  active_ = factory_config(address_, s_.serial, s_.sensor_mode);
  written_ = active_;
  // Transmitters on one line do not tick together.
  phase_ms_ = process_.chance() * SAMPLE_PERIOD_MS;
  temp_tenths_ = static_cast<int16_t>(std::lround(s_.temp * 10.0));
  // A counter given at the start stands for samples already produced: the
  // newest of them are in the block from the first read on.
  const uint64_t pre = std::min<uint64_t>(s.counter, SAMPLE_HISTORY);
  produced_ = s.counter - pre;
  for (uint64_t k = 0; k < pre; ++k) produce_sample();
  update_aout(last_value_, false);
}

void transmitter::load_config(const config_image& c) {
  active_ = c;
  written_ = c;
  active_.param[P_ADDRESS] = written_.param[P_ADDRESS] = static_cast<uint16_t>(address_);
  median_window_.clear();
  pt1_.reset();
}

bool transmitter::take_commit() {
  const bool c = committed_;
  committed_ = false;
  return c;
}

void transmitter::advance(int64_t now_ms) {
  const double elapsed = static_cast<double>(now_ms - start_ms_) * (1.0 + s_.clock_ppm * 1e-6) + phase_ms_;
  if (elapsed < 0) return;
  const uint64_t due = s_.counter + static_cast<uint64_t>(elapsed / SAMPLE_PERIOD_MS);
  if (due <= produced_) return;
  if (due - produced_ > kMaxCatchUp) produced_ = due - kMaxCatchUp;
  while (produced_ < due) produce_sample();
}

int transmitter::logical_inputs() const {
  int m = 0;
  for (int i = 0; i < 4; ++i) {
    const bool wired = (s_.din >> i) & 1;
    const bool inverted = active_.param[static_cast<size_t>(P_DIN_DIR + i)] != 0;
    if (wired != inverted) m |= 1 << i;
  }
  return m;
}

int transmitter::active_product() const {
  const int inputs = logical_inputs();
  int state = 0, bit = 0;
  for (int i = 0; i < 4; ++i) {
    if (active_.param[static_cast<size_t>(P_DIN_FUN + i)] != DIN_PROD_SELECT) continue;
    if ((inputs >> i) & 1) state |= 1 << bit;
    ++bit;
  }
  const int p = state == 0 ? active_.param[P_DEFAULT_PROD] : active_.param[static_cast<size_t>(P_PROD_SEL + state - 1)];
  return p < PROD_NUM ? p : 0;  // a product number beyond the table falls back to product 1
}

uint16_t transmitter::gain_in_force() const {
  if (gain_override_ & GAIN_OVERRIDE_FLAG) return gain_override_ & 0xFF;
  return active_.prod_reg(active_product(), R_GAIN) & 0xFF;
}

bool transmitter::relay_state(int relay, double value, bool sensor_err, uint32_t reading) {
  alarm_state& a = alarm_[static_cast<size_t>(relay)];
  const int p = active_product();
  uint16_t matrix;
  double lo, hi, hyst;
  int delay_tenths = 0;
  if (relay < 2) {
    matrix = active_.param[static_cast<size_t>(relay == 0 ? P_AL1_ALARMS : P_AL2_ALARMS)];
    lo = active_.prod_float(p, relay == 0 ? R_AL1_MIN : R_AL2_MIN);
    hi = active_.prod_float(p, relay == 0 ? R_AL1_MAX : R_AL2_MAX);
    hyst = active_.prod_float(p, relay == 0 ? R_AL1_HYST : R_AL2_HYST);
    delay_tenths = active_.param[static_cast<size_t>(relay == 0 ? P_AL1_DELAY : P_AL2_DELAY)];
  } else {
    matrix = active_.param[P_AOUT_ALARMS];
    lo = active_.prod_float(p, R_AOUT_AL_MIN);
    hi = active_.prod_float(p, R_AOUT_AL_MAX);
    hyst = active_.prod_float(p, R_AOUT_AL_HYST);
  }
  if (!std::isfinite(hyst) || hyst < 0) hyst = 0;
  if (matrix & AL_MIN) {
    if (value < lo)
      a.min_on = true;
    else if (value >= lo + hyst)
      a.min_on = false;
  } else {
    a.min_on = false;
  }
  if (matrix & AL_MAX) {
    if (value > hi)
      a.max_on = true;
    else if (value <= hi - hyst)
      a.max_on = false;
  } else {
    a.max_on = false;
  }
  const double t = temp_tenths_ / 10.0;
  const bool cond = a.min_on || a.max_on || ((matrix & AL_TEMP_MIN) && t < s_.temp_lo) ||
                    ((matrix & AL_TEMP_MAX) && t > s_.temp_hi) || ((matrix & AL_SENSOR) && sensor_err) ||
                    ((matrix & AL_SAT) && reading >= 1020);
  if (!cond) {
    a.pending = 0;
    a.on = false;
  } else {
    ++a.pending;
    a.on = a.pending * 2 >= delay_tenths;  // the condition has held for the switching delay
  }
  return a.on;
}

void transmitter::update_aout(double value, bool alarm) {
  const bool forced = aout_forced();
  const bool voltage = forced ? (aout_mode_ & AOUT_VOLTAGE) != 0 : active_.param[P_AOUT_MODE] != 0;
  int drive;
  if (forced) {
    drive = aout_drive_req_;
  } else {
    const auto& p = active_.param;
    const int dlo = voltage ? p[P_AOUT_DRIVE_LO_U] : p[P_AOUT_DRIVE_LO_I];
    const int dhi = voltage ? p[P_AOUT_DRIVE_HI_U] : p[P_AOUT_DRIVE_HI_I];
    const int flo = voltage ? p[P_AOUT_FB_LO_U] : p[P_AOUT_FB_LO_I];
    const int fhi = voltage ? p[P_AOUT_FB_HI_U] : p[P_AOUT_FB_HI_I];
    // The end points are 4 mA and 20 mA, or 2 V and 10 V.
    const double out_lo = voltage ? 2000.0 : 4000.0, out_hi = voltage ? 10000.0 : 20000.0;
    double target;
    if (alarm) {
      target = (voltage ? p[P_AOUT_ERR_U] : p[P_AOUT_ERR_I]) * 10.0;
    } else {
      const int q = active_product();
      const double beg = active_.prod_float(q, R_RNG_BEG), end = active_.prod_float(q, R_RNG_END);
      double frac = (std::isfinite(beg) && std::isfinite(end) && end != beg) ? (value - beg) / (end - beg) : 0.0;
      if (!std::isfinite(frac)) frac = 0.0;
      frac = std::clamp(frac, -0.0125, 1.03125);  // 3.8 .. 20.5 mA
      target = out_lo + frac * (out_hi - out_lo);
    }
    drive = aout_drive_for(target, dlo, flo, dhi, fhi);
  }
  aout_drive_in_use_ = static_cast<uint16_t>(std::clamp(drive, 0, AOUT_DRIVE_MAX));
  aout_feedback_ = orvsim::aout_feedback(aout_output(aout_drive_in_use_, voltage) + process_.jitter());
}

void transmitter::produce_sample() {
  const int p = active_product();
  // Temperature.
  if (s_.temp_drift)
    temp_wander_ += -0.02 * temp_wander_ + 0.02 * (process_.chance() - 0.5);
  else
    temp_wander_ = 0.0;
  temp_tenths_ = static_cast<int16_t>(std::clamp(std::lround((s_.temp + temp_wander_) * 10.0), -32768L, 32767L));
  const double t = temp_tenths_ / 10.0;

  const bool sensor_err = s_.sensor_error || (s_.sensor_errors > 0 && process_.chance() < s_.sensor_errors);
  const bool system_err = s_.system_error || (s_.system_errors > 0 && process_.chance() < s_.system_errors);
  const int inputs = logical_inputs();
  bool frozen = false;
  for (int i = 0; i < 4; ++i)
    if (active_.param[static_cast<size_t>(P_DIN_FUN + i)] == DIN_FREEZE && ((inputs >> i) & 1)) frozen = true;

  // The signal and the reading at the gain in force.
  const uint16_t gw = gain_in_force();
  const bool coef1 = s_.sensor_mode != 0;
  const double pct = process_.next(s_.process);
  double lo, hi;
  curve_raw_span(active_, p, lo, hi);
  if (hi - lo < 1.0) {
    lo = 0.0;
    hi = 100000.0;
  }
  const double signal = s_.raw ? *s_.raw : lo + pct / 100.0 * (hi - lo);
  uint32_t reading = s_.reading ? static_cast<uint32_t>(std::clamp(*s_.reading, 0, 1023))
                                : reading_for(signal, gain_factor(gw, coef1));
  if (sensor_err) reading = 0;

  uint32_t raw = reading | (static_cast<uint32_t>(gw) << RAW_GAIN_SHIFT) | (coef1 ? RAW_COEF_SET_1 : 0u);
  double value;
  if (frozen || sensor_err) {
    // A frozen measurement, or one the sensor cannot deliver, holds the last good one.
    value = last_value_;
    if (frozen && !sensor_err && last_good_.raw != RAW_NO_SAMPLE)
      raw = (raw & ~RAW_MANTISSA & ~(0xFFu << RAW_GAIN_SHIFT)) |
            (last_good_.raw & (RAW_MANTISSA | (0xFFu << RAW_GAIN_SHIFT)));
  } else {
    value = curve_value(active_, p, raw_value(raw));
    // Median over 1, 3, .. 11 samples, then the Pt1 average.
    static const int kWidth[6] = {1, 3, 5, 7, 9, 11};
    const size_t width = static_cast<size_t>(kWidth[std::min<int>(active_.prod_reg(p, R_MEDIAN), 5)]);
    median_window_.push_back(value);
    while (median_window_.size() > width) median_window_.pop_front();
    std::vector<double> sorted(median_window_.begin(), median_window_.end());
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    value = sorted[sorted.size() / 2];
    const double tau = active_.prod_reg(p, R_PT1) / 10.0;
    if (!pt1_ || tau <= 0)
      pt1_ = value;
    else
      *pt1_ += (value - *pt1_) * (0.2 / (tau + 0.2));
    value = *pt1_;
    const float low_flow = active_.prod_float(p, R_LOW_FLOW);
    if (std::isfinite(low_flow) && low_flow > 0 && std::fabs(value) < low_flow) value = 0.0;
    last_value_ = value;
  }
  if (sensor_err) raw |= RAW_SENSOR_ERROR;
  if (system_err) raw |= RAW_SYSTEM_ERROR;
  if (relay_state(0, value, sensor_err, reading) || (s_.alarms & 1)) raw |= RAW_ALARM_1;
  if (relay_state(1, value, sensor_err, reading) || (s_.alarms & 2)) raw |= RAW_ALARM_2;
  raw |= static_cast<uint32_t>(inputs) << RAW_DIN_SHIFT;

  sample smp;
  smp.raw = raw;
  smp.value_bits = float_bits(static_cast<float>(value));
  if (!sensor_err && !frozen) last_good_ = smp;
  history_.push_front(smp);
  history_.pop_back();
  ++produced_;

  uint16_t sw = static_cast<uint16_t>(p & 0x1F);
  if (active_.param[P_TEMP_UNIT] != 0) sw |= SW_FAHRENHEIT;
  sw |= static_cast<uint16_t>((active_.prod_reg(p, R_UNIT) & 0xF) << SW_UNIT_SHIFT);
  sw |= static_cast<uint16_t>((std::min<int>(active_.prod_reg(p, R_DECIMALS), 3)) << SW_DEC_SHIFT);
  if (t < s_.temp_lo || t > s_.temp_hi) sw |= SW_TEMP_LIMITS;
  status_word_ = sw;
  error_word_ = static_cast<uint16_t>((sensor_err ? 0x01 : 0) | (system_err ? 0x0100 : 0) | s_.error_code);
  update_aout(value, relay_state(2, value, sensor_err, reading));
}

void transmitter::status_block(uint16_t* out) const {
  std::fill(out, out + STATUS_COUNT, 0);
  out[ST_TYPE] = DEVICE_TYPE;
  out[ST_FIRMWARE] = static_cast<uint16_t>(s_.firmware);
  out[ST_SENSOR_MODE] = static_cast<uint16_t>(s_.sensor_mode);
  out[ST_AOUT_DRIVE] = aout_drive_in_use_;
  out[ST_AOUT_FEEDBACK] = aout_feedback_;
  std::copy_n(&active_.param[P_SERIAL], SERIAL_CHARS, out + ST_SERIAL);
  for (int k = 0; k < 3; ++k) out[ST_SENSOR_SERIAL + k] = static_cast<uint16_t>(s_.sensor_serial >> (16 * k));
}

void transmitter::sample_block(uint16_t* out) const {
  std::fill(out, out + SAMPLES_COUNT, 0);
  out[SB_COUNTER] = counter();
  out[SB_TEMP] = static_cast<uint16_t>(temp_tenths_);
  for (int k = 0; k < SAMPLE_HISTORY; ++k) {
    const sample& s = history_[static_cast<size_t>(k)];
    uint16_t* w = out + SB_FIRST_SAMPLE + 4 * k;
    w[0] = static_cast<uint16_t>(s.raw);
    w[1] = static_cast<uint16_t>(s.raw >> 16);
    w[2] = static_cast<uint16_t>(s.value_bits);
    w[3] = static_cast<uint16_t>(s.value_bits >> 16);
  }
  out[SB_STATUS] = status_word_;
  out[SB_ERRORS] = error_word_;
}

namespace {

bool inside(int start, int count, int first, int n) { return start >= first && start + count <= first + n; }

}  // namespace

uint8_t transmitter::read(int start, int count, uint16_t* out, int64_t now_ms) {
  if (count < 1 || count > MAX_READ_REGS) return EX_ILLEGAL_VALUE;
  advance(now_ms);
  if (inside(start, count, STATUS_FIRST, STATUS_COUNT)) {
    uint16_t b[STATUS_COUNT];
    status_block(b);
    std::copy_n(b + (start - STATUS_FIRST), count, out);
  } else if (inside(start, count, SAMPLES_FIRST, SAMPLES_COUNT)) {
    uint16_t b[SAMPLES_COUNT];
    sample_block(b);
    std::copy_n(b + (start - SAMPLES_FIRST), count, out);
  } else if (inside(start, count, PARAM_FIRST, PARAM_COUNT)) {
    std::copy_n(written_.param.begin() + (start - PARAM_FIRST), count, out);
  } else if (inside(start, count, PROD_FIRST, PROD_COUNT)) {
    std::copy_n(written_.prod.begin() + (start - PROD_FIRST), count, out);
  } else if (inside(start, count, CMD_FIRST, CMD_COUNT)) {
    const uint16_t b[CMD_COUNT] = {gain_override_, 0, aout_drive_req_, aout_mode_};
    std::copy_n(b + (start - CMD_FIRST), count, out);
  } else {
    return EX_ILLEGAL_ADDRESS;
  }
  return 0;
}

uint8_t transmitter::write(int start, int count, const uint16_t* in, int64_t now_ms) {
  if (count < 1 || count > MAX_WRITE_REGS) return EX_ILLEGAL_VALUE;
  advance(now_ms);
  if (inside(start, count, PARAM_FIRST, PARAM_COUNT)) {
    std::copy_n(in, count, written_.param.begin() + (start - PARAM_FIRST));
    return 0;
  }
  if (inside(start, count, PROD_FIRST, PROD_COUNT)) {
    std::copy_n(in, count, written_.prod.begin() + (start - PROD_FIRST));
    return 0;
  }
  if (!inside(start, count, CMD_FIRST, CMD_COUNT)) return EX_ILLEGAL_ADDRESS;
  // Check every command before carrying out any of them.
  for (int k = 0; k < count; ++k) {
    const int reg = start + k;
    const uint16_t v = in[k];
    if (reg == REG_GAIN_OVERRIDE && v != 0 && !(v & GAIN_OVERRIDE_FLAG)) return EX_ILLEGAL_VALUE;
    if (reg == REG_CFG_COMMIT && v != 1) return EX_ILLEGAL_VALUE;
    if (reg == REG_AOUT_DRIVE && v > AOUT_DRIVE_MAX) return EX_ILLEGAL_VALUE;
  }
  for (int k = 0; k < count; ++k) {
    const int reg = start + k;
    const uint16_t v = in[k];
    if (reg == REG_GAIN_OVERRIDE) gain_override_ = v;
    if (reg == REG_CFG_COMMIT) commit();
    if (reg == REG_AOUT_DRIVE) aout_drive_req_ = v;
    if (reg == REG_AOUT_MODE) aout_mode_ = v;
    command_log_.push_back(command_write{reg, v});
    if (command_log_.size() > COMMAND_LOG_MAX) command_log_.pop_front();
    ++command_count_;
  }
  // The output follows a new drive value at once, not only at the next sample.
  update_aout(last_value_, alarm_[2].on);
  return 0;
}

void transmitter::commit() {
  active_ = written_;
  committed_ = true;
  median_window_.clear();
  pt1_.reset();
  for (auto& a : alarm_) a = alarm_state{};
}

}  // namespace orvsim
