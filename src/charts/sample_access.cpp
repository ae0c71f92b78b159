#include "charts/sample_access.h"

#include "charts/draw_stat.h"
#include "charts/trace_filter.h"
#include "core/sys_number.h"

#include <algorithm>

namespace {

const char* const kUnitNames[7] = {"kg/h", "kg/min", "kg/s", "t/h", "lb/h", "lb/min", "%"};

}  // namespace

t_sample_src sample_src(int chart, int row, int dev, int32_t mode) {
  t_sample_src s;
  if (row < 0 || row >= MAX_CHANNELS) return s;
  s.mode = mode;
  s.fahrenheit = mode == MEAS_TEMP && draw_stat[chart == CHART_LIVE ? CHART_LIVE : CHART_ARCH].temp_f == 1;
  if (chart != CHART_LIVE) {
    s.kind = SRC_ARCH;
    s.arch = &m_stat.arch_stat[row];
    return s;
  }
  if (dev < 0 || dev >= MAX_DEVICES) return s;
  s.kind = SRC_LIVE;
  s.dev = &m_stat.dev_stat[dev];
  const t_filt_row& fr = filt_row(row);
  s.filt = fr.filt.data();
  s.filt_last = fr.last;
  return s;
}

bool get_sample(int chart, int row, int dev, float& value, int idx, int32_t mode) {
  if (idx < 0 || idx > SLOTS_PER_DAY) return false;
  const t_sample_src s = sample_src(chart, row, dev, mode);
  return visit_getter(s, [&](auto get) { return get(idx, value); });
}

int32_t newest_live_idx() {
  int32_t a = -1;
  for (const t_dsp_chan& ch : common_setup.dsp_chan_live) {
    if (!ch.active || !ch.displayed || ch.dev_idx < 0 || ch.dev_idx >= MAX_DEVICES) continue;
    a = std::max(a, m_stat.dev_stat[ch.dev_idx].last_saved_idx.load(std::memory_order_acquire));
  }
  return a;
}

QString fmt_time_label(int32_t seconds) {
  const int32_t s = ((seconds % 86400) + 86400) % 86400;
  const QChar sep = sys_time_sep.isNull() ? QChar(u':') : sys_time_sep;
  return QString("%1%2%3%4%5")
      .arg(s / 3600, 2, 10, QChar(u'0'))
      .arg(sep)
      .arg(s / 60 % 60, 2, 10, QChar(u'0'))
      .arg(sep)
      .arg(s % 60, 2, 10, QChar(u'0'));
}

QString fmt_axis_value(int32_t n, int kind, double value) {
  switch (kind) {
    case 0: return fmt_sys_fixed(n, value);
    case 1: return fmt_sys_fixed(1, value);
    default: return fmt_sys_fixed(0, value);
  }
}

QString fmt_sample_text(int32_t n, int32_t mode, double value) {
  switch (mode) {
    case MEAS_SCALED: return fmt_sys_fixed(n, value);
    case MEAS_RAW:
    case MEAS_SAT: return fmt_sys_fixed(0, value);
    case MEAS_TEMP: return fmt_sys_fixed(1, value);
    case MEAS_DIN1:
    case MEAS_DIN2:
    case MEAS_DIN3:
    case MEAS_DIN4: return value != 0 ? QStringLiteral("ON") : QStringLiteral("OFF");
    default: return {};
  }
}

int32_t decimals_for(double v) {
  if (v > 9999.9) return 0;
  if (v > 999.99) return 1;
  if (v > 99.999) return 2;
  if (v > 9.9999) return 3;
  if (v > 0.99999) return 4;
  return 5;
}

QString temp_unit_text(int32_t temp_f) { return temp_f == 1 ? QStringLiteral("°F") : QStringLiteral("°C"); }

int32_t chan_unit_idx(int chart, int row) {
  if (row < 0 || row >= MAX_CHANNELS) return -1;
  if (chart != CHART_LIVE) return m_stat.arch_stat[row].unit_idx;
  const int32_t dev = draw_stat[CHART_LIVE].chan_dev[row];
  return dev >= 0 && dev < MAX_DEVICES ? m_stat.dev_stat[dev].unit_idx.load(rlx) : -1;
}

QString unit_text(int chart, int row) {
  if (row < 0 || row >= MAX_CHANNELS) return {};
  const t_draw_stat& ds = draw_stat[chart == CHART_LIVE ? CHART_LIVE : CHART_ARCH];
  switch (ds.chan_meas[row]) {
    case MEAS_SCALED: {
      const int32_t u = chan_unit_idx(chart, row);
      return u >= 0 && u <= 6 ? QString(" ") + kUnitNames[u] : QString();
    }
    case MEAS_TEMP: return temp_unit_text(ds.temp_f);
    default: return {};
  }
}
