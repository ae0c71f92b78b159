#include "archive/live_reload.h"

#include "archive/log_file.h"
#include "archive/log_lines.h"
#include "core/common_data.h"
#include "core/day_clock.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

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
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = f.errorString();
    return LOAD_READ_FAILED;
  }
  return read_log_lines(f, device, error);
}

int read_log_lines(QIODevice& f, int device, QString* error) {
  auto& s = m_stat.dev_stat[device];
  log_line_reader reader(f, LOG_MAX_LINES);  // more lines than any day file holds: damaged
  for (;;) {
    const log_read_t got = reader.next();
    if (got == LOG_END) return LOAD_OK;
    if (got == LOG_TOO_LONG) return LOAD_BAD_LENGTH;
    if (got == LOG_READ_ERROR) {
      if (error) *error = f.errorString();
      return LOAD_READ_FAILED;
    }
    const char* buf = reader.line();
    const int len = reader.len();
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
    }
    if (code != LOAD_OK) return code;
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
