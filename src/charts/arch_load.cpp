#include "charts/arch_load.h"

#include "archive/live_reload.h"
#include "archive/log_file.h"
#include "archive/log_lines.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/raw_value.h"

#include <QFile>

#include <bit>

namespace {

// The loader's own filter state, shared by all archive loads; every load
// restarts it at its first line.
t_filt_stat& loader_filter() {
  static t_filt_stat st;
  return st;
}

// Column (0-based) and width of the field a measurement needs.
void value_field(int32_t mode, int& col, int& w) {
  switch (mode) {
    case MEAS_SCALED: col = 16, w = 8; break;
    case MEAS_TEMP: col = 5, w = 3; break;
    default: col = 8, w = 8; break;
  }
}

float line_value(int32_t mode, uint32_t field, const t_dsp_chan& ch, t_filt_stat& st) {
  switch (mode) {
    case MEAS_SCALED: return std::bit_cast<float>(field);
    case MEAS_RAW:
      return static_cast<float>(
          filter_sample(static_cast<uint32_t>(raw_to_value(field)), ch.filt_med, ch.filt_pt, st, ch.filt_screw));
    case MEAS_TEMP: {
      const int32_t t = (field & 0x800u) ? static_cast<int32_t>(field) - 0x1000 : static_cast<int32_t>(field);
      return static_cast<float>(t / 10.0);
    }
    case MEAS_DIN1:
    case MEAS_DIN2:
    case MEAS_DIN3:
    case MEAS_DIN4: return ((field >> (28 + mode - MEAS_DIN1)) & 1u) ? 1.0f : 0.0f;
    case MEAS_SAT:
      return static_cast<float>(filter_sample(static_cast<uint32_t>(raw_to_value(field | RAW_MANT_MASK)), ch.filt_med,
                                              ch.filt_pt, st, ch.filt_screw));
    default: return std::bit_cast<float>(CAL_EMPTY);  // no such measurement: no sample
  }
}

}  // namespace

void clear_arch_ring(int k) { m_stat.arch_stat[k].smp_tab.fill(std::bit_cast<float>(CAL_EMPTY)); }

int load_arch_file(const QString& path, int k, QString* error) {
  t_arch_stat& a = m_stat.arch_stat[k];
  const t_dsp_chan& ch = common_setup.dsp_chan_arch[k];
  clear_arch_ring(k);
  a.meas_idx = ch.meas_mode;
  a.load_file.clear();
  t_filt_stat& st = loader_filter();
  int col = 0, w = 0;
  value_field(a.meas_idx, col, w);

  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = f.errorString();
    return LOAD_READ_FAILED;
  }
  log_line_reader reader(f, ARCH_MAX_LINES);
  int32_t prev = -10;
  bool first_line = true;
  int code = LOAD_OK;
  while (code == LOAD_OK) {
    const log_read_t got = reader.next();
    if (got == LOG_END) break;
    if (got == LOG_TOO_LONG) {
      code = LOAD_BAD_LENGTH;
      break;
    }
    if (got == LOG_READ_ERROR) {
      if (error) *error = f.errorString();
      code = LOAD_READ_FAILED;
      break;
    }
    const char* line = reader.line();
    const int len = reader.len();
    if (len != LOG_LINE_CHARS) code = LOAD_BAD_LENGTH;
    uint32_t slot = 0, field = 0, unit = 0;
    if (!log_field(line, len, 0, 5, slot)) {
      if (code == LOAD_OK) code = LOAD_BAD_SLOT;
      break;
    }
    if (static_cast<int64_t>(slot) > prev + 2) st.reset = true;  // a gap restarts the filters
    prev = static_cast<int32_t>(slot);
    if (!log_field(line, len, col, w, field)) {
      if (code == LOAD_OK) code = LOAD_BAD_VALUE;
      break;
    }
    const float v = line_value(a.meas_idx, field, ch, st);
    if (a.meas_idx == MEAS_SCALED) {
      const int32_t digit = log_field(line, len, 24, 1, unit) ? static_cast<int32_t>(unit) : -1;
      if (first_line)
        a.unit_idx = digit;
      else if (digit != a.unit_idx)
        a.unit_idx = -1;
    }
    first_line = false;
    if (slot <= static_cast<uint32_t>(SLOTS_PER_DAY))
      a.smp_tab[slot] = v;
    else if (code == LOAD_OK)
      code = LOAD_BAD_INDEX;
  }
  if (code == LOAD_OK) a.load_file = path;
  return code;
}

void load_arch_channels(const std::function<void(int k, int code, const QString& error)>& report) {
  int k = 0;
  while (k < MAX_CHANNELS && common_setup.dsp_chan_arch[k].active) {
    QString error;
    const int code = load_arch_file(common_setup.dsp_chan_arch[k].sample_file, k, &error);
    if (code == LOAD_OK) {
      ++k;
      continue;
    }
    if (report) report(k, code, error);
    remove_chan_slot(CHART_ARCH, k);
  }
}
