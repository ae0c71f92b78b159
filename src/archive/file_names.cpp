#include "archive/file_names.h"

namespace {

bool allowed_in_name(char16_t c) {
  if (c == u' ' || c == u'+' || c == u'-' || c == u'_' || c == u'~') return true;
  if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  return c == 196 || c == 214 || c == 220 || c == 228 || c == 246 || c == 252;
}

}  // namespace

QString clean_file_name(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (!allowed_in_name(c.unicode())) c = u'~';
  return out;
}

QString clean_serial_name(const QString& serial) {
  QString out = serial;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if (u < 32 || u == 127 || u == u'/' || u == u'\\' || u == u':' || u == u'*' || u == u'?' || u == u'"' ||
        u == u'<' || u == u'>' || u == u'|')
      c = u'~';
  }
  return out;
}
