#include "texts/lng_pack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr QLatin1String k_lng_crlf("\r\n");

void log_line(QString& log, const QString& line) {
  log += line;
  log += k_lng_crlf;
}

int clamped_count(const t_lng_config& cfg) { return std::clamp<int>(cfg.lng_cnt, 0, LNG_MAX_PACKS); }

}  // namespace

uint32_t lng_checksum(const QStringList& lines) {
  uint32_t sum = 0;
  const qsizetype n = std::min<qsizetype>(lines.size(), TXT_ROW_CNT);
  for (qsizetype a = 0; a < n; ++a) {
    const QString& line = lines[a];
    for (qsizetype i = 1; i <= line.size(); ++i) {
      const uint32_t code = line[i - 1].unicode();
      sum += code ^ (static_cast<uint32_t>(a) * static_cast<uint32_t>(i));
    }
  }
  return sum;
}

QString lng_checksum_text(uint32_t sum) {
  return QString::number(sum, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

QStringList split_lng_lines(QStringView text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  qsizetype p = 0;
  while (p < n) {
    const QChar c = text[p];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
      ++p;
      continue;
    }
    lines.append(text.mid(start, p - start).toString());
    if (c == QLatin1Char('\r') && p + 1 < n && text[p + 1] == QLatin1Char('\n')) ++p;
    ++p;
    start = p;
  }
  if (start < n) lines.append(text.mid(start).toString());
  return lines;
}

bool decode_lng_bytes(const QByteArray& bytes, QString& text) {
  text.clear();
  if (bytes.size() % 2 != 0) return false;
  if (bytes.startsWith("\xEF\xBB\xBF")) return false;  // UTF-8 with byte-order mark
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  qsizetype n = bytes.size() / 2;
  bool big_endian = false;
  if (n > 0 && p[0] == 0xFF && p[1] == 0xFE) {
    p += 2;
    --n;
  } else if (n > 0 && p[0] == 0xFE && p[1] == 0xFF) {
    big_endian = true;
    p += 2;
    --n;
  }
  text.resize(n);
  QChar* out = text.data();
  for (qsizetype k = 0; k < n; ++k) {
    const unsigned lo = big_endian ? p[2 * k + 1] : p[2 * k];
    const unsigned hi = big_endian ? p[2 * k] : p[2 * k + 1];
    out[k] = QChar(static_cast<char16_t>(lo | (hi << 8)));
  }
  return true;
}

bool read_lng_pack(const QString& path, t_text_set& texts, QString& log) {
  // Only plain files: a pipe or device would block the read or never end.
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    log_line(log, QStringLiteral("Not a plain file") + QLatin1String(LNG_LOG_READ_FAILED));
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    log_line(log, file.errorString() + QLatin1String(LNG_LOG_READ_FAILED));
    return false;
  }
  // Never more than the largest pack plus one byte, so an oversized file is
  // recognised without reading all of it.
  const QByteArray bytes = file.read(LNG_PACK_MAX_BYTES + 1);
  if (file.error() != QFileDevice::NoError) {
    log_line(log, file.errorString() + QLatin1String(LNG_LOG_READ_FAILED));
    return false;
  }
  return parse_lng_pack(bytes, texts, log);
}

bool parse_lng_pack(const QByteArray& bytes, t_text_set& texts, QString& log) {
  if (bytes.size() > LNG_PACK_MAX_BYTES) {
    log_line(log, QStringLiteral("Language file too large") + QLatin1String(LNG_LOG_READ_FAILED));
    return false;
  }
  QString text;
  if (!decode_lng_bytes(bytes, text)) {
    log_line(log, QStringLiteral("Language file is not UTF-16 text") + QLatin1String(LNG_LOG_READ_FAILED));
    return false;
  }
  const QStringList lines = split_lng_lines(text);
  if (lines.size() != LNG_PACK_LINES) {
    log_line(log, QLatin1String(LNG_LOG_COUNT));
    return false;
  }
  if (lines[TXT_ROW_CNT] != lng_checksum_text(lng_checksum(lines))) {
    log_line(log, QLatin1String(LNG_LOG_CHECKSUM));
    return false;
  }
  for (int r = 0; r < TXT_ROW_CNT; ++r) texts[r] = lines[r];
  return true;
}

bool load_lng_pack(const QString& path, QString& log) {
  t_text_set texts;
  if (!read_lng_pack(path, texts, log)) return false;
  cur_texts = std::move(texts);
  return true;
}

bool write_lng_lines(const QString& path, const QStringList& lines, QString* error) {
  QByteArray bytes;
  bytes.reserve(2 + 2 * std::max<qsizetype>(lines.size(), 1) * 40);
  bytes.append("\xFF\xFE", 2);
  auto put = [&bytes](char16_t u) {
    bytes.append(static_cast<char>(u & 0xFF));
    bytes.append(static_cast<char>(u >> 8));
  };
  for (const QString& line : lines) {
    for (QChar c : line) {
      if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
        if (error) *error = QStringLiteral("A text holds a line break");
        return false;
      }
      put(c.unicode());
    }
    put(u'\r');
    put(u'\n');
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}

bool write_lng_pack(const QString& path, const t_text_set& texts, QString* error) {
  QStringList lines(texts.begin(), texts.end());
  lines.append(lng_checksum_text(lng_checksum(lines)));
  return write_lng_lines(path, lines, error);
}

bool write_basic_lng(const QString& dir, QString* error) {
  QStringList lines(cur_texts.begin(), cur_texts.end());
  lines.append(QString::fromLatin1(BASIC_LNG_CHECKSUM));
  return write_lng_lines(lng_pack_path(dir, QString::fromLatin1(BASIC_LNG_FILE)), lines, error);
}

QString lng_name_of_file(const QString& file_name) {
  qsizetype end = file_name.indexOf(QLatin1Char('_'));
  if (end < 0) end = file_name.indexOf(QLatin1Char('.'));
  return end < 0 ? file_name : file_name.left(end);
}

QStringList find_lng_files(const QString& dir) {
  const QString folder = dir.isEmpty() ? QStringLiteral(".") : dir;
  // Hidden files count as well; only plain files (or links to them), never
  // pipes, sockets or devices.
  QStringList names = QDir(folder).entryList(QStringList{QString::fromLatin1(LNG_PACK_PATTERN)},
                                             QDir::Files | QDir::Hidden, QDir::Unsorted);
  const QLatin1String suffix(LNG_PACK_SUFFIX);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [&](const QString& n) { return !n.endsWith(suffix, Qt::CaseInsensitive); }),
              names.end());
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.compare(b, Qt::CaseSensitive) < 0;
  });
  return names;
}

int find_lng_packs(t_lng_config& cfg, const QString& dir, QString& log) {
  for (int k = 0; k < LNG_SLOTS; ++k) {
    cfg.lng_name[k].clear();
    cfg.lng_file[k].clear();
  }
  cfg.lng_cnt = 0;
  const QStringList files = find_lng_files(dir);
  if (files.isEmpty()) {
    log_line(log, QLatin1String(LNG_LOG_NOT_FOUND));
    return 0;
  }
  for (const QString& f : files) {
    if (cfg.lng_cnt >= LNG_MAX_PACKS) break;
    cfg.lng_name[cfg.lng_cnt] = lng_name_of_file(f);
    cfg.lng_file[cfg.lng_cnt] = f;
    ++cfg.lng_cnt;
  }
  return cfg.lng_cnt;
}

QString lng_pack_path(const QString& dir, const QString& file_name) {
  return dir.isEmpty() ? file_name : QDir(dir).filePath(file_name);
}

void remove_language(t_lng_config& cfg, int index) {
  const int n = clamped_count(cfg);
  if (index < 0 || index >= n) return;
  for (int k = index; k + 1 < n; ++k) {
    cfg.lng_name[k] = cfg.lng_name[k + 1];
    cfg.lng_file[k] = cfg.lng_file[k + 1];
  }
  cfg.lng_name[n - 1].clear();
  cfg.lng_file[n - 1].clear();
  cfg.lng_cnt = n - 1;
}

bool select_language(t_lng_config& cfg, const QString& name, const QString& dir, QString& log) {
  const int n = clamped_count(cfg);
  for (int i = 0; i < n; ++i) {
    if (cfg.lng_name[i] != name) continue;
    if (load_lng_pack(lng_pack_path(dir, cfg.lng_file[i]), log)) {
      cfg.curr_lng = name;
      return true;
    }
    remove_language(cfg, i);
    return false;
  }
  return false;
}

bool load_first_lng_pack(t_lng_config& cfg, const QString& dir, QString& log) {
  while (clamped_count(cfg) > 0) {
    if (load_lng_pack(lng_pack_path(dir, cfg.lng_file[0]), log)) return true;
    remove_language(cfg, 0);
  }
  cfg.lng_cnt = 0;
  return false;
}

void restore_language(t_lng_config& cfg, const QString& dir, QString& log) {
  if (clamped_count(cfg) <= 1) return;
  if (select_language(cfg, cfg.curr_lng, dir, log)) return;
  if (select_language(cfg, QStringLiteral("Englisch"), dir, log)) return;
  if (clamped_count(cfg) > 0) cfg.curr_lng = cfg.lng_name[0];
}

bool choose_language(t_lng_config& cfg, int index, const QString& dir, QString& log) {
  if (index < 0 || index >= clamped_count(cfg)) return false;
  if (!load_lng_pack(lng_pack_path(dir, cfg.lng_file[index]), log)) return false;
  cfg.curr_lng = cfg.lng_name[index];
  return true;
}
