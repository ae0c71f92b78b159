#include "archive/live_reload.h"

#include "archive/log_file.h"
#include "archive/log_lines.h"
#include "core/common_data.h"
#include "core/day_clock.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <bit>
#include <cstring>
#include <memory>

namespace {

// The bytes one line read takes at most: a longer line is damaged.
constexpr qsizetype kChunk = log_line_reader::MAX_LINE + 1;
// The block the file is read in.
constexpr qsizetype kBlock = 256 * 1024;

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Per byte of w: the high bit set where the byte lies in lo..hi (all below 0x80).
constexpr uint64_t bytes_within(uint64_t w, uint64_t lo, uint64_t hi) {
  const uint64_t at_least = w + kOnes * (0x80 - lo);
  const uint64_t above = w + kOnes * (0x7F - hi);
  return at_least & ~above & ~w & kHighs;
}

// Per byte of w: the high bit set where the byte is a hexadecimal digit.
constexpr uint64_t hex_digits(uint64_t w) {
  const uint64_t lower = (w | kOnes * 0x20) & ~kHighs;
  return bytes_within(w, '0', '9') | (bytes_within(lower, 'a', 'f') & ~w);
}

// Eight hexadecimal digits (either case) in the order they stand, as one
// number.
constexpr uint32_t hex8_value(uint64_t w) {
  // Digits are their low nibble; letters have bit 6 set and count 9 more.
  uint64_t v = (w & kOnes * 0x0F) + 9 * ((w >> 6) & kOnes);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  v = ((v << 4) | (v >> 8)) & 0x00FF00FF00FF00FFull;
  v = ((v << 8) | (v >> 16)) & 0x0000FFFF0000FFFFull;
  return static_cast<uint32_t>((v << 16) | (v >> 32));
}

inline void store_sample(t_dev_stat& s, uint32_t slot, uint32_t temp, uint32_t raw, uint32_t val, int unit_digit) {
  // 12-bit two's complement, sign-extended to 16 bits.
  const auto t16 = static_cast<uint16_t>((temp & 0x800u) ? (temp | 0xF000u) : temp);
  s.smp_raw[slot].store(raw, rlx);
  s.smp_cal[slot].store_bits(val);
  s.smp_temp[slot].store(t16, rlx);
  s.last_arch_idx.store(static_cast<int32_t>(slot), rlx);
  if (s.unit_cleared.load(rlx)) {
    s.unit_cleared.store(false, rlx);
    s.unit_idx.store(unit_digit, rlx);
  } else if (unit_digit != s.unit_idx.load(rlx)) {
    s.unit_idx.store(-1, rlx);
  }
}

// A line as it should be: 25 hexadecimal digits naming a slot of the day.
// Stored, and true; false leaves the line to load_line.
bool load_fixed_line(t_dev_stat& s, const char* p) {
  uint64_t w[3];
  std::memcpy(w, p, sizeof w);
  const int unit = hex_digit(p[24]);
  if (unit < 0 || (hex_digits(w[0]) & hex_digits(w[1]) & hex_digits(w[2])) != kHighs) return false;
  const uint32_t head = hex8_value(w[0]);
  const uint32_t slot = head >> 12;
  if (slot > static_cast<uint32_t>(SLOTS_PER_DAY)) return false;
  store_sample(s, slot, head & 0xFFFu, hex8_value(w[1]), hex8_value(w[2]), unit);
  return true;
}

// Any line (without its CR LF, not empty): stores what its fields give and
// returns its code.
int load_line(t_dev_stat& s, const char* buf, int len) {
  int code = len == LOG_LINE_CHARS ? LOAD_OK : LOAD_BAD_LENGTH;
  uint32_t slot = 0, temp = 0, raw = 0, val = 0, unit = 0;
  const bool slot_ok = log_field(buf, len, 0, 5, slot);
  const bool temp_ok = slot_ok && log_field(buf, len, 5, 3, temp);
  const bool raw_ok = temp_ok && log_field(buf, len, 8, 8, raw);
  const bool val_ok = raw_ok && log_field(buf, len, 16, 8, val);
  if (code == LOAD_OK) {
    if (!slot_ok)
      code = LOAD_BAD_SLOT;
    else if (!temp_ok)
      code = LOAD_BAD_VALUE;
    else if (!raw_ok)
      code = LOAD_BAD_RAW;
    else if (!val_ok)
      code = LOAD_BAD_CAL;
  }
  if (val_ok) {
    if (slot > static_cast<uint32_t>(SLOTS_PER_DAY)) {
      if (code == LOAD_OK) code = LOAD_BAD_INDEX;
    } else {
      const int unit_digit = log_field(buf, len, 24, 1, unit) ? static_cast<int>(unit) : -1;
      store_sample(s, slot, temp, raw, val, unit_digit);
    }
  }
  return code;
}

// The file in blocks: the unread bytes are [pos, end) of buf.
struct block_reader {
  explicit block_reader(QIODevice& f) : file(f), buf(new char[kBlock]) {}
  // Makes more than kChunk bytes ready unless the file ends or cannot be read.
  void fill() {
    if (end - pos > kChunk || eof || failed) return;
    std::memmove(buf.get(), buf.get() + pos, static_cast<size_t>(end - pos));
    end -= pos;
    pos = 0;
    while (end <= kChunk && !eof && !failed) {
      const qint64 got = file.read(buf.get() + end, kBlock - end);
      if (got > 0)
        end += got;
      else if (got == 0 || file.atEnd())
        eof = true;
      else
        failed = true;
    }
  }
  QIODevice& file;
  std::unique_ptr<char[]> buf;
  qsizetype pos = 0;
  qsizetype end = 0;
  bool eof = false;
  bool failed = false;
};

}  // namespace

bool parse_hex_field(const char* p, int len, uint32_t& out) {
  if (len < 1 || len > 8) return false;
  uint32_t v = 0;
  for (int k = 0; k < len; ++k) {
    const int d = hex_digit(p[k]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  out = v;
  return true;
}

int reload_log_file(const QString& path, int device, QString* error) {
  clear_smp_ring(m_stat.dev_stat[device]);
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    if (error) *error = f.errorString();
    return LOAD_READ_FAILED;
  }
  return read_log_lines(f, device, error);
}

int read_log_lines(QIODevice& f, int device, QString* error) {
  // The lines are cut as the line reader cuts them (lines of more than
  // kChunk bytes are damaged, empty ones skipped, at most LOG_MAX_LINES
  // lines); the lines as they should be take the short way.
  auto& s = m_stat.dev_stat[device];
  block_reader in(f);
  int64_t lines = 0;
  for (;;) {
    in.fill();
    const char* p = in.buf.get() + in.pos;
    const qsizetype avail = in.end - in.pos;
    if (avail > LOG_LINE_CHARS && lines < LOG_MAX_LINES) {
      qsizetype n = 0;
      if (p[LOG_LINE_CHARS] == '\n')
        n = LOG_LINE_CHARS + 1;
      else if (p[LOG_LINE_CHARS] == '\r' && avail > LOG_LINE_CHARS + 1 && p[LOG_LINE_CHARS + 1] == '\n')
        n = LOG_LINE_CHARS + 2;
      if (n > 0 && load_fixed_line(s, p)) {
        ++lines;
        in.pos += n;
        continue;
      }
    }
    if (avail == 0 && !in.failed) return LOAD_OK;
    // One line as the line reader takes it: up to its LF, at most kChunk bytes.
    qsizetype take = std::min(avail, kChunk);
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(take));
    if (lf) take = static_cast<const char*>(lf) - p + 1;
    if (!lf && in.failed && take == avail) {
      if (error) *error = f.errorString();
      return LOAD_READ_FAILED;
    }
    if (++lines > LOG_MAX_LINES) return LOAD_BAD_LENGTH;
    if (!lf && take < avail) return LOAD_BAD_LENGTH;
    in.pos += take;
    int len = static_cast<int>(take);
    while (len > 0 && (p[len - 1] == '\n' || p[len - 1] == '\r')) --len;
    if (len == 0) continue;  // empty lines are skipped
    if (const int code = load_line(s, p, len); code != LOAD_OK) return code;
  }
}

std::array<t_reload_result, MAX_DEVICES> reload_live_logs() {
  std::array<t_reload_result, MAX_DEVICES> results;
  const double today = today_days();
  for (int d = 0; d < MAX_DEVICES; ++d) {
    auto& s = m_stat.dev_stat[d];
    reset_acq_state(s, today);
    if (common_setup.dev_conn[d].active.load(rlx)) {
      const QString path = log_file_name(d);
      if (!QFileInfo::exists(path)) {
        clear_smp_ring(s);
      } else if (auto& r = results[d]; (r.code = reload_log_file(path, d, &r.error)) != LOAD_OK) {
        clear_smp_ring(s);
      }
    } else {
      clear_smp_ring(s);
    }
    s.smp_cleared.store(true, rlx);
  }
  return results;
}
