#include "config/reg_codec.h"

#include "core/reg_text.h"
#include "core/sys_number.h"

#include <algorithm>
#include <bit>

int prod_dec_places(uint16_t reg23) { return std::min<int>(reg23, FLOAT_DEC_MAX); }

QStringList dec_places_items(QChar sep) {
  QStringList items{QStringLiteral("0000")};
  for (int dec = 1; dec <= FLOAT_DEC_MAX; ++dec)
    items << QString(std::max(4 - dec, 2), u'0') + sep + QString(dec, u'0');
  return items;
}

uint16_t bit_field(uint16_t value, uint16_t mask) {
  if (mask == 0) return value;
  const int shift = std::countr_zero(mask);
  return static_cast<uint16_t>((value >> shift) & (mask >> shift));
}

int32_t get_i32(const t_reg_addr& a) {
  return static_cast<int32_t>(static_cast<uint32_t>(a.get(0)) | (static_cast<uint32_t>(a.get(1)) << 16));
}

float get_f32(const t_reg_addr& a) { return std::bit_cast<float>(get_i32(a)); }

void put_i32(const t_reg_addr& a, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  a.set(0, static_cast<uint16_t>(u & 0xFFFF));
  a.set(1, static_cast<uint16_t>(u >> 16));
}

void put_f32(const t_reg_addr& a, float v) { put_i32(a, std::bit_cast<int32_t>(v)); }

QString regs_to_text(const t_reg_addr& a, int n) {
  if (!a || a.is_prod_index()) return {};
  return regs_to_text(a.word(), std::min(n, a.room()));
}

void text_to_regs(const t_reg_addr& a, int n, const QString& text) {
  for (int k = 0; k < n; ++k) a.set(k, k < text.size() ? text[k].unicode() : u' ');
}

QString fmt_scaled(int64_t value, int dec) {
  const uint64_t mag = value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  QString digits = QString::number(mag);
  if (dec > 0) {
    while (digits.size() < dec + 1) digits.prepend(u'0');
    digits.insert(digits.size() - dec, sys_dec_char());
  }
  if (value < 0) digits.prepend(u'-');
  return digits;
}

QString dec_fmt(int dec) { return QStringLiteral("%1.") + QString::number(dec) + u'f'; }

QString fmt_float(int dec, double value) { return fmt_sys_fixed(dec, value); }
