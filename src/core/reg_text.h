// Texts held in registers: one character (a UTF-16 code unit) per register,
// a register holding 0 read as a blank.
#pragma once

#include "core/common_data.h"

#include <QString>

// count registers from regs on.
inline QString regs_to_text(const std::atomic<uint16_t>* regs, int count) {
  QString s;
  if (!regs || count <= 0) return s;
  s.reserve(count);
  for (int k = 0; k < count; ++k) {
    const uint16_t c = regs[k].load(std::memory_order_relaxed);
    s += c == 0 ? QChar(u' ') : QChar(static_cast<char16_t>(c));
  }
  return s;
}

template <int N>
QString regs_to_text(const reg_image<N>& regs, int first, int count) {
  if (first < 0 || count <= 0 || first + count > N) return {};
  return regs_to_text(regs.r.data() + first, count);
}

// The text without leading and trailing characters of code 32 or less.
inline QString trim_blanks(const QString& text) {
  qsizetype a = 0, b = text.size();
  while (a < b && text[a].unicode() <= 32) ++a;
  while (b > a && text[b - 1].unicode() <= 32) --b;
  return text.mid(a, b - a);
}
