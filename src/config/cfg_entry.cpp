#include "config/cfg_entry.h"

#include "config/bind_table.h"
#include "config/reg_codec.h"
#include "core/reg_text.h"
#include "core/sys_number.h"
#include "texts/text_table.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

constexpr int MSG_TOO_LONG = 3;
constexpr int MSG_CHARS_CUT = 4;
constexpr int MSG_RANGE = 5;
constexpr int MSG_INVALID = 6;

// Optional sign and 1..18 digits (always fits 64 bits).
bool to_int64(QStringView s, int64_t& out) {
  qsizetype p = 0;
  bool neg = false;
  if (p < s.size() && (s[p] == u'-' || s[p] == u'+')) neg = s[p++] == u'-';
  if (p == s.size() || s.size() - p > 18) return false;
  int64_t v = 0;
  for (; p < s.size(); ++p) {
    if (s[p] < u'0' || s[p] > u'9') return false;
    v = v * 10 + (s[p].unicode() - u'0');
  }
  out = neg ? -v : v;
  return true;
}

QString range_error(const QString& lo, const QString& hi) { return msg_text(MSG_RANGE) + lo + " .. " + hi; }

// Checks e against min..max (both 0: against the register's own range) and
// stores it with put; the result shows the register as it then stands.
template <typename Put, typename Show>
t_entry_result enter_integer(const QString& text, int dec, int64_t min, int64_t max, int64_t lo, int64_t hi, Put put,
                             Show show) {
  t_entry_result r;
  r.handled = true;
  const t_scaled e = parse_scaled(text, dec);
  if (!e.ok) {
    r.error = msg_text(MSG_INVALID);
    r.refused = true;
  } else {
    if (min == 0 && max == 0) {
      min = lo;
      max = hi;
    }
    if (e.value >= min && e.value <= max) {
      put(e.value);
      r.stored = true;
    } else {
      r.error = range_error(fmt_scaled(min, dec), fmt_scaled(max, dec));
      r.refused = true;
    }
  }
  r.shown = show();
  return r;
}

}  // namespace

bool filter_key(QChar key, int mode, bool sep_allowed, QStringView text) {
  if (key.unicode() < 32) return true;
  if (mode == KEY_TEXT) return key != u'|';
  if (key.isDigit() && key.unicode() < 128) return true;
  if (key == u'-') return true;
  if (key == sys_dec_char()) return sep_allowed && !text.contains(sys_dec_char());
  return false;
}

t_scaled parse_scaled(QStringView text, int dec) {
  QString t = text.trimmed().toString();
  const QChar sep = sys_dec_char();
  const qsizetype at = t.indexOf(sep);
  if (dec <= 0) {
    if (at >= 0) t.truncate(at);
  } else {
    QString whole = at >= 0 ? t.left(at) : t;
    QString frac = at >= 0 ? t.mid(at + 1) : QString();
    while (frac.size() < dec) frac += u'0';
    t = whole + frac.left(dec);
  }
  t_scaled r;
  r.ok = to_int64(t, r.value);
  if (!r.ok) r.value = 0;
  return r;
}

t_entry_result enter_word(const QString& text, const t_reg_addr& a, int dec, int32_t min, int32_t max) {
  return enter_integer(
      text, dec, min, max, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(),
      [&](int64_t v) { a.set(static_cast<uint16_t>(v & 0xFFFF)); },
      [&] { return fmt_scaled(static_cast<int16_t>(a.get()), dec); });
}

t_entry_result enter_int32(const QString& text, const t_reg_addr& a, int dec, int32_t min, int32_t max) {
  return enter_integer(
      text, dec, min, max, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
      [&](int64_t v) { put_i32(a, static_cast<int32_t>(v)); }, [&] { return fmt_scaled(get_i32(a), dec); });
}

t_entry_result enter_float_value(const QString& text, int dec, float min, float max, bool clamp, float& value) {
  t_entry_result r;
  r.handled = true;
  float v = 0.0f;
  if (!parse_sys_float(text, v) || !std::isfinite(v)) {
    r.error = msg_text(MSG_INVALID);
    r.refused = true;
  } else if ((v < min || v > max) && !(min == 0.0f && max == 0.0f)) {
    r.error = range_error(fmt_float(dec, min), fmt_float(dec, max));
    if (clamp && v > max) {
      value = max;
      r.stored = true;
    } else {
      r.refused = true;
    }
  } else {
    value = v;
    r.stored = true;
  }
  r.shown = fmt_float(dec, value);
  return r;
}

t_entry_result enter_float(const QString& text, const t_reg_addr& a, int dec, float min, float max, bool clamp) {
  dec = std::clamp(dec, 0, FLOAT_DEC_MAX);
  float v = get_f32(a);
  t_entry_result r = enter_float_value(text, dec, min, max, clamp, v);
  if (r.stored) put_f32(a, v);
  r.shown = fmt_float(dec, get_f32(a));
  return r;
}

t_entry_result enter_text(const QString& text, const t_reg_addr& a, int n) {
  t_entry_result r;
  r.handled = true;
  QString t = trim_blanks(QString(text).remove(u'|'));
  if (t.size() > n) {
    r.error = msg_text(MSG_TOO_LONG) + QString::number(n) + msg_text(MSG_CHARS_CUT);
    t.truncate(n);
  }
  text_to_regs(a, n, t);
  r.stored = true;
  r.shown = regs_to_text(a, n);
  return r;
}

t_entry_result store_edit_entry(QStringView name, const QString& text) {
  const t_ctrl_bind* row = find_bind_row(name);
  if (!row) return {};
  const t_reg_addr a = bind_reg_addr(*row);
  if (!a) return {};
  const int dec = bind_dec_places(*row);
  const int32_t min = row->no_tab_limits ? 0 : row->min_val;
  const int32_t max = row->no_tab_limits ? 0 : row->max_val;
  switch (row->val_kind) {
    case BIND_WORD: return enter_word(text, a, dec, min, max);
    case BIND_FLOAT:
    case BIND_ALARM_LIMIT: return enter_float(text, a, dec, 0.0f, float_max_tab[dec], false);
    case BIND_INT32: return enter_int32(text, a, dec, min, max);
    case BIND_TEXT: return enter_text(text, a, row->dec_pl);
    default: return {};
  }
}

bool store_combo_entry(QStringView name, int item_index) {
  const t_ctrl_bind* row = first_bind_row(name);
  if (!row || aout_cond_excludes(row->aout_cond) || item_index < 0) return false;
  const t_reg_addr a = bind_reg_addr(*row);
  if (!a) return false;
  const int32_t v = item_index + row->dec_pl;
  const auto mask = static_cast<uint16_t>(row->bit_mask);
  if (mask == 0) {
    a.set(static_cast<uint16_t>(v));
    return true;
  }
  const int n = std::countr_zero(mask);
  const auto bits = static_cast<uint16_t>((static_cast<uint32_t>(v) & (mask >> n)) << n);
  a.set(static_cast<uint16_t>((a.get() & ~mask) | bits));
  return true;
}

bool store_check_entry(QStringView name, bool checked) {
  const t_ctrl_bind* row = find_bind_row(name);
  if (!row) return false;
  const t_reg_addr a = bind_reg_addr(*row);
  if (!a) return false;
  const auto mask = static_cast<uint16_t>(row->bit_mask);
  a.set(static_cast<uint16_t>(checked ? (a.get() | mask) : (a.get() & ~mask)));
  return true;
}
