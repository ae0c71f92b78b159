#include "archive/log_file.h"

#include "archive/file_names.h"
#include "core/common_data.h"
#include "core/reg_text.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

constexpr qsizetype kMaxKeptBytes = 16 * 1024 * 1024;  // about 1.4 days of lines per device

struct kept_lines {
  QString path;
  QByteArray bytes;
};

// Service thread only: lines that could not be written yet, oldest first.
std::vector<kept_lines> g_kept[MAX_DEVICES];
// Service thread only: kept lines of devices that left the scan list.
std::vector<kept_lines> g_orphans;
// Service thread only: the text of one write, grown once and reused.
std::vector<char> g_text;

const char kHex[] = "0123456789ABCDEF";

void put_hex(char* out, uint32_t v, int digits) {
  for (int k = digits - 1; k >= 0; --k) {
    out[k] = kHex[v & 0xF];
    v >>= 4;
  }
}

QString native_dir(const QString& dir) {
  QString d = dir;
  d.replace(u'\\', u'/');
  return d;
}

// Formats the pending slots of d into g_text; returns the byte count.
qsizetype format_pending(int d, int from, int to) {
  const qsizetype n = to >= from ? static_cast<qsizetype>(to - from + 1) : 0;
  if (static_cast<qsizetype>(g_text.size()) < n * LOG_LINE_BYTES)
    g_text.resize(static_cast<size_t>(n * LOG_LINE_BYTES));
  char* p = g_text.data();
  for (int s = from; s <= to; ++s, p += LOG_LINE_BYTES) format_log_line(d, s, p);
  return n * LOG_LINE_BYTES;
}

// Appends to an existing or new file; 0 or the system's error number. A
// write that fails half-way is cut back, so that a file never holds a part
// of a line and the lines can be written again whole.
int append_bytes(const QString& path, const char* data, qsizetype len) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  const off_t start = ::lseek(fd, 0, SEEK_END);
  int err = 0;
  for (qsizetype done = 0; done < len;) {
    const ssize_t n = ::write(fd, data + done, static_cast<size_t>(len - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      break;
    }
    done += n;
  }
  if (err != 0 && start >= 0 && ::ftruncate(fd, start) != 0) {
    // Nothing more can be done; the error below is the one that counts.
  }
  ::close(fd);
  return err;
}

// Appends a batch of kept lines; 0 or the system's error number.
int append_kept(const kept_lines& k) {
  int err = 0;
  append_text_file(k.path, k.bytes.constData(), k.bytes.size(), &err);
  return err;
}

void flush_orphans() {
  while (!g_orphans.empty() && append_kept(g_orphans.front()) == 0) g_orphans.erase(g_orphans.begin());
}

// Writes the kept lines of d, oldest first; 0 or the error that stopped it.
int flush_kept(int d) {
  flush_orphans();
  auto& kept = g_kept[d];
  while (!kept.empty()) {
    if (const int err = append_kept(kept.front()); err != 0) return err;
    kept.erase(kept.begin());
  }
  return 0;
}

void keep(int d, const QString& path, const char* data, qsizetype len) {
  auto& kept = g_kept[d];
  if (!kept.empty() && kept.back().path == path)
    kept.back().bytes.append(data, len);
  else
    kept.push_back({path, QByteArray(data, len)});
  qsizetype total = 0;
  for (const auto& k : kept) total += k.bytes.size();
  while (total > kMaxKeptBytes && kept.size() > 1) {
    total -= kept.front().bytes.size();
    kept.erase(kept.begin());
  }
}

}  // namespace

QString device_serial_text(int device) { return trim_blanks(regs_to_text(m_stat.dev_stat[device].read_stat, 66, 12)); }

QString log_file_path(const QString& log_dir, const QString& tag, const QString& serial, int32_t date) {
  QString name = clean_file_name(tag);
  if (!serial.isEmpty()) name += u'_' + clean_serial_name(serial);
  name += u'_' + QDate(1899, 12, 30).addDays(date).toString("yyyyMMdd") + ".orvlog";
  return native_dir(log_dir) + u'/' + name;
}

QString log_file_name(int device) {
  const auto& c = common_setup.dev_conn[device];
  const auto date = static_cast<int32_t>(m_stat.dev_stat[device].last_date.load());
  return log_file_path(c.log_dir.get(), c.tag.get(), device_serial_text(device), date);
}

void format_log_line(int device, int slot, char* out) {
  auto& s = m_stat.dev_stat[device];
  const uint32_t raw = s.smp_raw[slot].load(rlx);
  const uint32_t val = s.smp_cal[slot].load_bits();
  const uint16_t temp = s.smp_temp[slot].load(rlx);
  const int unit = (s.last_dev_data.status.load(rlx) >> 6) & 0xF;
  s.unit_idx.store(unit, rlx);
  put_hex(out, static_cast<uint32_t>(slot), 5);
  put_hex(out + 5, temp & 0xFFFu, 3);
  put_hex(out + 8, raw, 8);
  put_hex(out + 16, val, 8);
  out[24] = kHex[unit];
  out[25] = '\r';
  out[26] = '\n';
}

bool append_text_file(const QString& path, const char* data, qsizetype len, int* error) {
  int err = append_bytes(path, data, len);
  if (err == ENOENT) {
    // The folder is missing: it is made, with the folders above it.
    std::error_code ec;
    std::filesystem::create_directories(QFile::encodeName(QFileInfo(path).path()).toStdString(), ec);
    err = ec ? ec.value() : append_bytes(path, data, len);
  }
  if (error) *error = err;
  return err == 0;
}

bool write_log(int device) {
  auto& s = m_stat.dev_stat[device];
  int err = flush_kept(device);
  const int saved = s.last_saved_idx.load(std::memory_order_acquire);
  const int written = s.last_written_idx.load(rlx);
  if (saved < written + 1) {
    // Nothing new; when the clock went back, later slots overwrite.
    s.last_written_idx.store(saved, rlx);
  } else if (err == 0) {
    // Kept lines go first: while they cannot be written, neither can these.
    const int from = std::max(written + 1, 0);
    const int to = std::min(saved, SLOTS_PER_DAY - 1);
    const qsizetype len = format_pending(device, from, to);
    if (append_text_file(log_file_name(device), g_text.data(), len, &err)) s.last_written_idx.store(saved, rlx);
  }
  s.log_error.store(err, rlx);
  return err == 0 && s.last_written_idx.load(rlx) == saved;
}

void write_log_or_keep(int device) {
  if (write_log(device)) return;
  auto& s = m_stat.dev_stat[device];
  const int saved = s.last_saved_idx.load(std::memory_order_acquire);
  const int written = s.last_written_idx.load(rlx);
  if (saved > written) {
    const int from = std::max(written + 1, 0);
    const int to = std::min(saved, SLOTS_PER_DAY - 1);
    const qsizetype len = format_pending(device, from, to);
    keep(device, log_file_name(device), g_text.data(), len);
  }
  s.last_written_idx.store(saved, rlx);
}

QString log_failure_text(const QString& log_dir, int error) {
  return QStringLiteral("Logging fails: ") + native_dir(log_dir) + QStringLiteral(": ") + qt_error_string(error);
}

void move_kept_logs(int from, int to) {
  if (from == to) return;
  g_kept[to] = std::move(g_kept[from]);
  g_kept[from].clear();
}

qsizetype kept_log_bytes(int device) {
  qsizetype total = 0;
  if (device < 0) {
    for (const auto& k : g_orphans) total += k.bytes.size();
    return total;
  }
  for (const auto& k : g_kept[device]) total += k.bytes.size();
  return total;
}

void orphan_kept_logs(int device) {
  for (auto& k : g_kept[device]) g_orphans.push_back(std::move(k));
  g_kept[device].clear();
}

void drop_kept_logs() {
  for (auto& k : g_kept) k.clear();
  g_orphans.clear();
}
