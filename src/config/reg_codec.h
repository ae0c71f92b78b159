// Register value encodings and the number formatters of the configuration
// pages.
//
//   word       1 register: signed 16 bits with implied decimal places
//   float      2 registers: IEEE single, low-order 16 bits first
//   int32      2 registers: signed 32 bits, low-order 16 bits first
//   text       N registers: one UTF-16 code per register, 0 reads as a blank
//   bit field  1 register: the bits under a mask, shifted down to bit 0
#pragma once

#include "config/active_cfg.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// Product registers with a meaning of their own here.
inline constexpr int PROD_REG_CAL_PTS = 0;
inline constexpr int PROD_REG_UNIT = 22;
inline constexpr int PROD_REG_DECIMALS = 23;
inline constexpr int PROD_REG_NAME = 24;
inline constexpr int PROD_NAME_CHARS = 12;

// Upper limits of float entries by decimal places: the largest value with
// six significant digits at that precision.
inline constexpr int FLOAT_DEC_MAX = 4;
inline constexpr std::array<float, FLOAT_DEC_MAX + 1> float_max_tab = {999999.0f, 99999.9f, 9999.99f, 999.999f,
                                                                       99.9999f};

// The decimal places of a product as its register 23 holds them, limited to
// the float_max_tab range (the register comes from the device). Every value
// of the product is shown, entered and range-checked with this count, and
// the decimal point box shows it.
int prod_dec_places(uint16_t reg23);

// The items of the decimal point box, one per count 0..FLOAT_DEC_MAX, with
// sep as the decimal separator: "0000", "000.0", "00.00", "00.000", "00.0000".
QStringList dec_places_items(QChar sep);

// Reading a register under a mask; mask 0 means the whole register.
uint16_t bit_field(uint16_t value, uint16_t mask);

float get_f32(const t_reg_addr& a);
int32_t get_i32(const t_reg_addr& a);
// Low-order 16 bits into the first register, high-order into the second.
void put_i32(const t_reg_addr& a, int32_t v);
void put_f32(const t_reg_addr& a, float v);

// n characters from the registers at a (fewer when the image ends).
QString regs_to_text(const t_reg_addr& a, int n);
// The text padded with blanks to n characters; its first n are stored.
void text_to_regs(const t_reg_addr& a, int n, const QString& text);

// An integer with dec implied decimal places and the system's decimal
// separator: (1234, 1) "123.4", (5, 2) "0.05", (-7, 1) "-0.7". 64-bit, so
// that every 32-bit register value (INT32_MIN included) shows as it is.
QString fmt_scaled(int64_t value, int dec);

// The format "%1.<dec>f".
QString dec_fmt(int dec);

// value with dec decimals and the system's decimal separator.
QString fmt_float(int dec, double value);
