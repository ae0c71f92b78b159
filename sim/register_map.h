// Register numbers and bit layouts of an Orv transmitter as it answers on
// the line: the status block, the sample block, the parameter and product
// blocks and the command registers 10004..10007.
#pragma once

#include <cstdint>

namespace orvsim {

inline constexpr int DEVICE_TYPE = 212;

// Modbus limits of the transmitter: counts above these are refused.
inline constexpr int MAX_READ_REGS = 125;
inline constexpr int MAX_WRITE_REGS = 123;

// Blocks (register numbers on the wire).
inline constexpr int STATUS_FIRST = 0;
inline constexpr int STATUS_COUNT = 81;
inline constexpr int SAMPLES_FIRST = 2000;
inline constexpr int SAMPLES_COUNT = 125;
inline constexpr int PARAM_FIRST = 3000;
inline constexpr int PARAM_COUNT = 84;
inline constexpr int PROD_FIRST = 4000;
inline constexpr int PROD_REGS = 72;
inline constexpr int PROD_NUM = 24;
inline constexpr int PROD_COUNT = PROD_REGS * PROD_NUM;  // 1728
inline constexpr int CMD_FIRST = 10004;
inline constexpr int CMD_COUNT = 4;
inline constexpr int REG_GAIN_OVERRIDE = 10004;
inline constexpr int REG_CFG_COMMIT = 10005;
inline constexpr int REG_AOUT_DRIVE = 10006;
inline constexpr int REG_AOUT_MODE = 10007;

// Sampling.
inline constexpr int SAMPLE_PERIOD_MS = 200;
inline constexpr int SAMPLE_HISTORY = 30;

// Status block.
inline constexpr int ST_TYPE = 0;
inline constexpr int ST_FIRMWARE = 1;
inline constexpr int ST_SENSOR_MODE = 32;
inline constexpr int ST_AOUT_DRIVE = 34;  // drive value in use (not read by the program)
inline constexpr int ST_AOUT_FEEDBACK = 35;
inline constexpr int ST_SERIAL = 66;         // 12 characters
inline constexpr int ST_SENSOR_SERIAL = 78;  // 48 bits, low word first
inline constexpr int SERIAL_CHARS = 12;

// Sample block offsets (from 2000).
inline constexpr int SB_COUNTER = 0;
inline constexpr int SB_TEMP = 1;
inline constexpr int SB_FIRST_SAMPLE = 2;  // raw low, raw high, value low, value high per sample
inline constexpr int SB_STATUS = 122;
inline constexpr int SB_ERRORS = 123;

// Parameter block.
inline constexpr int P_AOUT_MODE = 0;  // 0 current, otherwise voltage
inline constexpr int P_AOUT_DRIVE_LO_I = 1;
inline constexpr int P_AOUT_DRIVE_HI_I = 2;
inline constexpr int P_AOUT_FB_LO_I = 3;
inline constexpr int P_AOUT_FB_HI_I = 4;
inline constexpr int P_AOUT_DRIVE_LO_U = 5;
inline constexpr int P_AOUT_DRIVE_HI_U = 6;
inline constexpr int P_AOUT_FB_LO_U = 7;
inline constexpr int P_AOUT_FB_HI_U = 8;
inline constexpr int P_DEFAULT_PROD = 10;
inline constexpr int P_BAUD = 11;
inline constexpr int P_PARITY = 12;
inline constexpr int P_ADDRESS = 13;
inline constexpr int P_RS_TERM = 14;
inline constexpr int P_TAG = 16;         // 12 characters
inline constexpr int P_DIN_DIR = 28;     // 4 registers
inline constexpr int P_DIN_FUN = 32;     // 4 registers: 0 none, 1 freeze, 2 product select
inline constexpr int P_PROD_SEL = 36;    // 15 registers, input states 1..15
inline constexpr int P_AOUT_ERR_I = 53;  // mA, 2 decimals
inline constexpr int P_AOUT_ERR_U = 54;  // V, 2 decimals
inline constexpr int P_AOUT_ALARMS = 55;
inline constexpr int P_AL1_ALARMS = 56;
inline constexpr int P_AL2_ALARMS = 57;
inline constexpr int P_AL1_DELAY = 60;  // tenths of a second
inline constexpr int P_AL2_DELAY = 61;
inline constexpr int P_TEMP_UNIT = 66;  // 0 degC, 1 degF
inline constexpr int P_SERIAL = 72;     // 12 characters

inline constexpr int DIN_FREEZE = 1;
inline constexpr int DIN_PROD_SELECT = 2;

// Alarm matrix bits (registers 55..57).
inline constexpr uint16_t AL_MIN = 1, AL_MAX = 2, AL_TEMP_MIN = 4, AL_TEMP_MAX = 8, AL_SENSOR = 16, AL_SAT = 32;

// Product block (offsets within one product).
inline constexpr int R_CAL_POINTS = 0;
inline constexpr int R_GAIN = 1;
inline constexpr int R_CAL_VAL = 2;   // float, point j (0..4) at 2 + 2j
inline constexpr int R_CAL_RAW = 12;  // int32, point j at 12 + 2j
inline constexpr int R_UNIT = 22;
inline constexpr int R_DECIMALS = 23;
inline constexpr int R_NAME = 24;  // 12 characters
inline constexpr int R_MEDIAN = 36;
inline constexpr int R_PT1 = 37;  // tenths of a second
inline constexpr int R_RNG_BEG = 40;
inline constexpr int R_RNG_END = 42;
inline constexpr int R_AL1_MIN = 44;
inline constexpr int R_AL2_MIN = 46;
inline constexpr int R_AL1_MAX = 48;
inline constexpr int R_AL2_MAX = 50;
inline constexpr int R_AL1_HYST = 52;
inline constexpr int R_AL2_HYST = 54;
inline constexpr int R_AOUT_AL_MIN = 56;
inline constexpr int R_AOUT_AL_MAX = 58;
inline constexpr int R_AOUT_AL_HYST = 60;
inline constexpr int R_LOW_FLOW = 62;

// Raw sample word.
inline constexpr uint32_t RAW_MANTISSA = 0x3FF;
inline constexpr int RAW_GAIN_SHIFT = 12;  // bits 12..19: gain word in force
inline constexpr uint32_t RAW_SENSOR_ERROR = 1u << 20;
inline constexpr uint32_t RAW_SYSTEM_ERROR = 1u << 21;
inline constexpr uint32_t RAW_COEF_SET_1 = 1u << 22;
inline constexpr uint32_t RAW_ALARM_1 = 1u << 24;
inline constexpr uint32_t RAW_ALARM_2 = 1u << 25;
inline constexpr int RAW_DIN_SHIFT = 28;  // bits 28..31: digital inputs 1..4
inline constexpr uint32_t RAW_NO_SAMPLE = 0x000FFFFF;
inline constexpr uint32_t VALUE_NO_SAMPLE = 0xFFC00000;  // NaN pattern

// Status word.
inline constexpr uint16_t SW_FAHRENHEIT = 1u << 5;
inline constexpr int SW_UNIT_SHIFT = 6;
inline constexpr int SW_DEC_SHIFT = 10;
inline constexpr uint16_t SW_TEMP_LIMITS = 1u << 12;

// Gain override word: bit 15 set forces the gain in its low 8 bits.
inline constexpr uint16_t GAIN_OVERRIDE_FLAG = 0x8000;
// Analog output mode word: bit 0 forces the output, bit 15 voltage mode.
inline constexpr uint16_t AOUT_FORCE = 0x0001;
inline constexpr uint16_t AOUT_VOLTAGE = 0x8000;

// Modbus exception codes the transmitter answers with.
inline constexpr uint8_t EX_ILLEGAL_FUNCTION = 1;
inline constexpr uint8_t EX_ILLEGAL_ADDRESS = 2;
inline constexpr uint8_t EX_ILLEGAL_VALUE = 3;

}  // namespace orvsim
