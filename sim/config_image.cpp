#include "config_image.h"

#include "analog_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orvsim {

float config_image::prod_float(int p, int r) const {
  const uint32_t bits = static_cast<uint32_t>(prod_reg(p, r)) | (static_cast<uint32_t>(prod_reg(p, r + 1)) << 16);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

void config_image::set_prod_float(int p, int r, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  prod_reg(p, r) = static_cast<uint16_t>(bits);
  prod_reg(p, r + 1) = static_cast<uint16_t>(bits >> 16);
}

int32_t config_image::prod_int32(int p, int r) const {
  return static_cast<int32_t>(static_cast<uint32_t>(prod_reg(p, r)) |
                              (static_cast<uint32_t>(prod_reg(p, r + 1)) << 16));
}

void config_image::set_prod_int32(int p, int r, int32_t v) {
  prod_reg(p, r) = static_cast<uint16_t>(static_cast<uint32_t>(v));
  prod_reg(p, r + 1) = static_cast<uint16_t>(static_cast<uint32_t>(v) >> 16);
}

void put_text(uint16_t* regs, int n, const std::string& text) {
  for (int k = 0; k < n; ++k)
    regs[k] = k < static_cast<int>(text.size()) ? static_cast<unsigned char>(text[static_cast<size_t>(k)]) : u' ';
}

std::string get_text(const uint16_t* regs, int n) {
  std::string s;
  for (int k = 0; k < n; ++k) s += (regs[k] == 0 || regs[k] > 0x7E) ? ' ' : static_cast<char>(regs[k]);
  return s;
}

config_image factory_config(int address, const std::string& serial, int sensor_mode) {
  config_image c;
  auto& p = c.param;
  p[P_AOUT_MODE] = 0;
  // Drive values of the end points (4 mA / 20 mA, 2 V / 10 V) and the feedback
  // measured there, as a factory calibration would leave them.
  p[P_AOUT_DRIVE_LO_I] = 2133;
  p[P_AOUT_DRIVE_HI_I] = 10667;
  p[P_AOUT_FB_LO_I] = aout_feedback(aout_output(2133, false));
  p[P_AOUT_FB_HI_I] = aout_feedback(aout_output(10667, false));
  p[P_AOUT_DRIVE_LO_U] = 2133;
  p[P_AOUT_DRIVE_HI_U] = 10667;
  p[P_AOUT_FB_LO_U] = aout_feedback(aout_output(2133, true));
  p[P_AOUT_FB_HI_U] = aout_feedback(aout_output(10667, true));
  p[P_DEFAULT_PROD] = 0;
  p[P_BAUD] = 4;
  p[P_PARITY] = 0;
  p[P_ADDRESS] = static_cast<uint16_t>(address);
  put_text(&p[P_TAG], 12, "ORV SIM " + std::to_string(address));
  p[P_AOUT_ERR_I] = 360;  // 3.60 mA
  p[P_AOUT_ERR_U] = 0;
  p[P_AL1_ALARMS] = AL_MAX;
  p[P_AL2_ALARMS] = AL_SENSOR;
  put_text(&p[P_SERIAL], SERIAL_CHARS, serial);

  static const float kFullScale[7] = {2500.0f, 40.0f, 0.7f, 2.5f, 5500.0f, 90.0f, 100.0f};
  static const int kDecimals[7] = {1, 2, 2, 2, 0, 1, 1};
  for (int q = 0; q < PROD_NUM; ++q) {
    const int unit = q % 7;
    const float fs = kFullScale[unit];
    c.prod_reg(q, R_UNIT) = static_cast<uint16_t>(unit);
    c.prod_reg(q, R_DECIMALS) = static_cast<uint16_t>(kDecimals[unit]);
    // A gain of about 10.3, which puts the full-scale signal (raw value 100000)
    // at a reading of about 800: c = 2, d = 13 with the sensor mode 0
    // coefficients, c = 1, d = 11 with the others.
    c.prod_reg(q, R_GAIN) = sensor_mode == 0 ? (2 << 6) | 13 : (1 << 6) | 11;
    const bool three = q % 3 == 2;
    c.prod_reg(q, R_CAL_POINTS) = three ? 3 : 2;
    c.set_prod_float(q, R_CAL_VAL, 0.0f);
    c.set_prod_int32(q, R_CAL_RAW, 0);
    if (three) {
      c.set_prod_float(q, R_CAL_VAL + 2, fs * 0.45f);
      c.set_prod_int32(q, R_CAL_RAW + 2, 50000);
      c.set_prod_float(q, R_CAL_VAL + 4, fs);
      c.set_prod_int32(q, R_CAL_RAW + 4, 100000);
    } else {
      c.set_prod_float(q, R_CAL_VAL + 2, fs);
      c.set_prod_int32(q, R_CAL_RAW + 2, 100000);
    }
    put_text(&c.prod_reg(q, R_NAME), 12, "PRODUCT " + std::to_string(q + 1));
    c.set_prod_float(q, R_RNG_BEG, 0.0f);
    c.set_prod_float(q, R_RNG_END, fs);
    c.set_prod_float(q, R_AL1_MIN, fs * 0.1f);
    c.set_prod_float(q, R_AL2_MIN, fs * 0.1f);
    c.set_prod_float(q, R_AL1_MAX, fs * 0.9f);
    c.set_prod_float(q, R_AL2_MAX, fs * 0.9f);
    c.set_prod_float(q, R_AL1_HYST, fs * 0.01f);
    c.set_prod_float(q, R_AL2_HYST, fs * 0.01f);
    c.set_prod_float(q, R_AOUT_AL_MIN, 0.0f);
    c.set_prod_float(q, R_AOUT_AL_MAX, fs);
    c.set_prod_float(q, R_AOUT_AL_HYST, fs * 0.01f);
    c.set_prod_float(q, R_LOW_FLOW, 0.0f);
  }
  return c;
}

namespace {

struct cal_point {
  double raw;
  double val;
};

std::vector<cal_point> curve_points(const config_image& cfg, int p) {
  const int n = std::clamp<int>(cfg.prod_reg(p, R_CAL_POINTS), 2, 5);
  std::vector<cal_point> pts;
  for (int j = 0; j < n; ++j) {
    const double raw = cfg.prod_int32(p, R_CAL_RAW + 2 * j);
    const double val = cfg.prod_float(p, R_CAL_VAL + 2 * j);
    if (!std::isfinite(val)) continue;
    if (std::none_of(pts.begin(), pts.end(), [&](const cal_point& q) { return q.raw == raw; }))
      pts.push_back({raw, val});
  }
  std::sort(pts.begin(), pts.end(), [](const cal_point& a, const cal_point& b) { return a.raw < b.raw; });
  return pts;
}

}  // namespace

double curve_value(const config_image& cfg, int p, double raw) {
  const auto pts = curve_points(cfg, p);
  if (pts.empty()) return 0.0;
  if (pts.size() == 1) return pts[0].val;
  size_t k = 1;
  while (k + 1 < pts.size() && raw > pts[k].raw) ++k;
  const cal_point& a = pts[k - 1];
  const cal_point& b = pts[k];
  return a.val + (raw - a.raw) * (b.val - a.val) / (b.raw - a.raw);
}

void curve_raw_span(const config_image& cfg, int p, double& lo, double& hi) {
  const auto pts = curve_points(cfg, p);
  lo = pts.empty() ? 0.0 : pts.front().raw;
  hi = pts.empty() ? 0.0 : pts.back().raw;
}

}  // namespace orvsim
