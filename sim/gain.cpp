#include "gain.h"

#include "register_map.h"

#include <cmath>

namespace orvsim {
namespace {

constexpr float kCoef0[4] = {140.53f, 70.27f, 19.52f, 1.0f};
constexpr float kCoef1[4] = {71.0f, 17.333f, 4.333f, 1.0f};

float divisor(int d) {
  if (d > 55) d = 55;
  if (d < 24) return static_cast<float>(70 + 10 * d);
  if (d < 39) return static_cast<float>(320 + 20 * (d - 24));
  return static_cast<float>(640 + 40 * (d - 39));
}

}  // namespace

float gain_factor(uint16_t gain_word, bool coef_set_1) {
  const int d = gain_word & 0x3F;
  const int c = (gain_word >> 6) & 3;
  return divisor(d) / (coef_set_1 ? kCoef1[c] : kCoef0[c]);
}

uint32_t reading_for(double signal, float gain) {
  if (!(signal > 0)) return 0;
  const double m = std::round(signal * static_cast<double>(gain) / 1280.0);
  return m >= 1023 ? 1023u : static_cast<uint32_t>(m);
}

int32_t raw_value(uint32_t raw_word) {
  if ((raw_word & 0xFFFFF) == 0xFFFFF) return 1048575;
  float v = static_cast<float>(raw_word & RAW_MANTISSA) * 1280.0f;
  const int c = (raw_word >> 18) & 3;
  v *= (raw_word & RAW_COEF_SET_1) ? kCoef1[c] : kCoef0[c];
  v /= divisor((raw_word >> 12) & 0x3F);
  return static_cast<int32_t>(std::nearbyint(v));
}

}  // namespace orvsim
