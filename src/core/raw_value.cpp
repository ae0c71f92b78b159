#include "core/raw_value.h"

#include <cmath>

namespace {

constexpr std::array<float, GAIN_DIV_CNT> make_gain_div() {
  std::array<float, GAIN_DIV_CNT> t{};
  for (int i = 0; i < GAIN_DIV_CNT; ++i) {
    if (i <= 23)
      t[i] = static_cast<float>(70 + 10 * i);
    else if (i <= 38)
      t[i] = static_cast<float>(320 + 20 * (i - 24));
    else
      t[i] = static_cast<float>(640 + 40 * (i - 39));
  }
  return t;
}

// Rounds to the nearest integer, ties to even, whatever the rounding mode.
int32_t round_half_even(float v) {
  const float fl = std::floor(v);
  const float diff = v - fl;  // exact for the magnitudes decoded here
  int32_t r = static_cast<int32_t>(fl);
  if (diff > 0.5f || (diff == 0.5f && (r % 2) != 0)) ++r;
  return r;
}

}  // namespace

const std::array<float, GAIN_DIV_CNT> gain_div = make_gain_div();
const std::array<float, 4> gain_coef_0{140.53f, 70.27f, 19.52f, 1.0f};
const std::array<float, 4> gain_coef_1{71.0f, 17.333f, 4.333f, 1.0f};

int32_t raw_to_value(uint32_t word) {
  if ((word & RAW_EMPTY_MASK) == RAW_EMPTY_MASK) return RAW_NO_VALUE;
  // volatile keeps every intermediate a single-precision value even where
  // the compiler could contract or widen the expression.
  volatile float v = static_cast<float>(word & RAW_MANT_MASK) * 1280.0f;
  const uint32_t c = (word >> 18) & 3;
  v = v * ((word & RAW_COEF_SET_BIT) ? gain_coef_1[c] : gain_coef_0[c]);
  uint32_t d = (word >> RAW_GAIN_SHIFT) & 0x3F;
  if (d >= GAIN_DIV_CNT) d = GAIN_DIV_CNT - 1;
  v = v / gain_div[d];
  return round_half_even(v);
}

bool raw_saturated(uint32_t word, int limit) { return static_cast<int>(word & RAW_MANT_MASK) >= limit; }
