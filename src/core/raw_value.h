// Raw sample words as the transmitters send them, and their decoding into
// gain-independent raw values.
//
// A word holds a 10-bit mantissa (bits 0..9), the gain word in force (bits
// 12..19: divisor index in the low 6 bits, coefficient stage in the next 2)
// and, in bit 22, the coefficient set (0 for sensor mode 0, 1 for any other
// sensor mode). The stage coefficients and the divisors are also the
// factors of the gain steps (calib/gain_model.h).
//
// Nothing here keeps state: any thread may call it.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int32_t RAW_NO_VALUE = 1048575;  // decoded value of an empty word
inline constexpr uint32_t RAW_MANT_MASK = 0x3FF;
inline constexpr uint32_t RAW_EMPTY_MASK = 0xFFFFF;
inline constexpr uint32_t RAW_COEF_SET_BIT = 1u << 22;
inline constexpr int RAW_GAIN_SHIFT = 12;  // bits 12..19: gain word in force

inline constexpr int RAW_SAT_LIMIT = 1020;  // mantissa at saturation
inline constexpr int RAW_NEAR_LIMIT = 971;  // mantissa close to saturation

inline constexpr int GAIN_DIV_CNT = 56;

extern const std::array<float, GAIN_DIV_CNT> gain_div;
extern const std::array<float, 4> gain_coef_0;  // sensor mode 0
extern const std::array<float, 4> gain_coef_1;  // any other sensor mode

// m * 1280 * coef[c] / gain_div[d], every intermediate in single precision,
// rounded to the nearest integer with ties to even; the coefficient set is
// chosen by bit 22 of the word. RAW_NO_VALUE when the low 20 bits are all set.
int32_t raw_to_value(uint32_t word);

// True when the mantissa (low 10 bits) is at least limit.
bool raw_saturated(uint32_t word, int limit);
