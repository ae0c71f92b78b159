// The transmitter's configuration: the parameter block (84 registers) and
// the 24 product blocks (72 registers each), with the register encodings
// (float and int32 low word first, text one character per register), the
// factory configuration, and the calibration curve of a product.
#pragma once

#include "register_map.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvsim {

struct config_image {
  std::array<uint16_t, PARAM_COUNT> param{};
  std::array<uint16_t, PROD_COUNT> prod{};

  uint16_t& prod_reg(int p, int r) { return prod[static_cast<size_t>(p * PROD_REGS + r)]; }
  uint16_t prod_reg(int p, int r) const { return prod[static_cast<size_t>(p * PROD_REGS + r)]; }
  float prod_float(int p, int r) const;
  void set_prod_float(int p, int r, float v);
  int32_t prod_int32(int p, int r) const;
  void set_prod_int32(int p, int r, int32_t v);

  bool operator==(const config_image&) const = default;
};

// Text encoding: one character per register, padded with blanks.
void put_text(uint16_t* regs, int n, const std::string& text);
std::string get_text(const uint16_t* regs, int n);

// The factory configuration of a transmitter at the given unit address; the
// product gains suit the sensor mode's coefficient set.
config_image factory_config(int address, const std::string& serial, int sensor_mode);

// The calibration curve of product p: the measured value of a raw value,
// straight segments between the points (2 to 5, sorted by raw value) and
// their extensions beyond the first and the last point. Points sharing a raw
// value count once, so the curve never divides by zero.
double curve_value(const config_image& cfg, int p, double raw);

// Lowest and highest raw value of product p's calibration points.
void curve_raw_span(const config_image& cfg, int p, double& lo, double& hi);

}  // namespace orvsim
