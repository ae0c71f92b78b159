#include "core/sys_number.h"

#include "core/common_data.h"

#include <QLocale>

#include <cfloat>
#include <cmath>

QChar sys_dec_char() { return sys_dec_sep.isNull() ? QChar(u'.') : sys_dec_sep; }

namespace {

// The C locale gives plain ASCII digits and sign whatever the system uses,
// so that every character of the text fits the one-byte settings files.
QLocale plain_locale() {
  QLocale loc = QLocale::c();
  loc.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
  return loc;
}

QChar first_separator(const QString& format, QChar fallback) {
  for (QChar c : format)
    if (!c.isLetterOrNumber() && !c.isSpace()) return c;
  return fallback;
}

}  // namespace

void save_sys_separators() {
  const QLocale loc = QLocale::system();
  const QString dec = loc.decimalPoint();
  sys_dec_sep = dec.isEmpty() ? QChar(u'.') : dec.front();
  sys_list_sep = sys_dec_sep == u',' ? QChar(u';') : QChar(u',');
  sys_time_sep = first_separator(loc.timeFormat(QLocale::ShortFormat), u':');
}

QString fmt_sys_fixed(int decimals, double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (decimals < 0) decimals = 0;
  if (decimals > 17) decimals = 17;
  QString s = plain_locale().toString(value, 'f', decimals);
  if (sys_dec_char() != u'.') s.replace(u'.', sys_dec_char());
  return s;
}

bool parse_sys_float(const QString& text, float& value) {
  const QString t = text.trimmed();
  const QChar sep = sys_dec_char();
  qsizetype p = 0;
  if (p < t.size() && (t[p] == u'-' || t[p] == u'+')) ++p;
  int digits = 0;
  int seps = 0;
  QString plain = t.left(p);
  for (; p < t.size(); ++p) {
    const QChar c = t[p];
    if (c >= u'0' && c <= u'9') {
      ++digits;
      plain += c;
    } else if (c == sep && seps == 0) {
      ++seps;
      plain += u'.';
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  bool ok = false;
  const double d = plain_locale().toDouble(plain, &ok);
  if (!ok || !std::isfinite(d) || std::fabs(d) > FLT_MAX) return false;
  value = static_cast<float>(d);
  return true;
}
