// The transmitter's register map as the service reads and writes it: the
// status, sample, parameter and product blocks and the command registers.
#pragma once

inline constexpr int STATUS_REG_COUNT = 81;
inline constexpr int SAMPLE_REG_FIRST = 2000;
inline constexpr int SAMPLE_REG_COUNT = 125;
inline constexpr int SAMPLES_PER_BLOCK = 30;
inline constexpr int PARAM_REG_FIRST = 3000;
inline constexpr int PARAM_REG_COUNT = 84;
inline constexpr int PROD_REG_FIRST = 4000;
inline constexpr int PROD_REG_COUNT = 1728;
inline constexpr int REG_GAIN = 10004;
inline constexpr int REG_CFG_END = 10005;
inline constexpr int REG_AOUT_VALUE = 10006;
inline constexpr int REG_AOUT_MODE = 10007;
