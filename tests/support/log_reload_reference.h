// The reload of a day's log as first written: every line through the line
// reader and the general field parsing. The tests and the start-up
// benchmark hold the block parser of read_log_lines against it.
#pragma once

#include "archive/live_reload.h"
#include "archive/log_file.h"
#include "archive/log_lines.h"
#include "core/common_data.h"

#include <QIODevice>
#include <QString>

inline int reference_read_log_lines(QIODevice& f, int device, QString* error = nullptr) {
  auto& s = m_stat.dev_stat[device];
  log_line_reader reader(f, LOG_MAX_LINES);
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
