#include "settings/checked_file.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

std::function<void(const QString&)>& reporter() {
  static std::function<void(const QString&)> r = [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); };
  return r;
}

}  // namespace

void set_io_error_reporter(std::function<void(const QString&)> r) { reporter() = std::move(r); }

void report_io_error(const QString& message) {
  if (reporter()) reporter()(message);
}

int32_t checked_sum(const QString& text) {
  // The sum is taken over the bytes actually stored, so that a character
  // above code 255 cannot make a freshly written file fail its check.
  uint32_t sum = 0;
  for (QChar c : text) sum += static_cast<uint32_t>((c.unicode() & 0xFF) ^ CHK_KEY);
  return static_cast<int32_t>(sum);
}

QByteArray checked_file_bytes(const QString& text) {
  QByteArray out;
  out.reserve(text.size() + 12);
  for (QChar c : text) out.append(static_cast<char>(c.unicode() & 0xFF));
  out.append(CHK_END_MARK);
  out.append(QByteArray::number(checked_sum(text)));
  return out;
}

QString parse_checked_bytes(const QByteArray& bytes) {
  const qsizetype mark = bytes.indexOf(CHK_END_MARK);
  if (mark < 0) return {};
  const QByteArray tail = bytes.mid(mark + 1);
  // Optional sign, then one or more digits, nothing else.
  qsizetype p = 0;
  if (p < tail.size() && (tail[p] == '-' || tail[p] == '+')) ++p;
  if (p == tail.size()) return {};
  for (qsizetype k = p; k < tail.size(); ++k)
    if (tail[k] < '0' || tail[k] > '9') return {};
  bool ok = false;
  const qlonglong value = tail.toLongLong(&ok);
  if (!ok || value < INT32_MIN || value > INT32_MAX) return {};

  QString text;
  text.resize(mark);
  uint32_t sum = 0;
  for (qsizetype k = 0; k < mark; ++k) {
    const auto code = static_cast<unsigned char>(bytes[k]);
    text[k] = QChar(code);
    sum += static_cast<uint32_t>(code ^ CHK_KEY);
  }
  if (static_cast<int32_t>(sum) != static_cast<int32_t>(value)) return {};
  return text;
}

bool write_checked_file(const QString& path, const QString& text) {
  QSaveFile f(path);
  // Unbuffered, so that a short write (a full disk) shows in write()'s
  // count: a buffered QSaveFile flushes at commit and takes a short write
  // there for success, renaming a truncated file over the old one.
  if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    report_io_error(path + ": " + f.errorString());
    return true;
  }
  const QByteArray bytes = checked_file_bytes(text);
  if (f.write(bytes) != bytes.size() || !f.commit()) {
    report_io_error(path + ": " + f.errorString());
    f.cancelWriting();
    return true;
  }
  return false;
}

QString read_checked_file(const QString& path, checked_state_t* state) {
  checked_state_t found = CHK_DAMAGED;
  QString text;
  QFile f(path);
  if (!f.exists()) {
    found = CHK_MISSING;
  } else if (!f.open(QIODevice::ReadOnly)) {
    report_io_error(path + ": " + f.errorString());
  } else if (const QByteArray bytes = f.readAll(); f.error() != QFileDevice::NoError) {
    report_io_error(path + ": " + f.errorString());
  } else {
    text = parse_checked_bytes(bytes);
    // An empty text is valid only when the file says so.
    if (!text.isEmpty() || bytes == checked_file_bytes(QString())) found = CHK_VALID;
  }
  if (state) *state = found;
  return text;
}

QString next_field(QString& text) {
  const qsizetype bar = text.indexOf(u'|');
  QString field;
  if (bar < 0) {
    field = text;
    text.clear();
  } else {
    field = text.left(bar);
    text.remove(0, bar + 1);
  }
  return field;
}
