// Sample access of the charts: the value of a channel at a sample index
// (slot of the day), from a device's live rings (Online view) or from the
// channel's archive table (Off-line analysis), and the text formatters of
// axes, cursor values and exports.
//
// get_sample answers one index. Loops over many indexes take a channel's
// source once (sample_src) and hand a getter specialised for it to their
// body (visit_getter), so that the per-sample work is a load and a test.
// Widget-free; user-interface thread.
#pragma once

#include "charts/dsp_chan.h"
#include "core/common_data.h"
#include "core/raw_value.h"

#include <QString>

#include <cmath>
#include <cstdint>

// The value of channel row `row` of a chart at index idx for a measurement
// mode; dev is the channel's source device (live chart). False when there
// is no sample there.
bool get_sample(int chart, int row, int dev, float& value, int idx, int32_t mode);

// The largest newest stored slot among the source devices of the live
// channels that are active and displayed; -1 when none.
int32_t newest_live_idx();

// ---- formatters ---------------------------------------------------------------
// Time of day of s seconds ("hh:nn:ss" with the system's time separator), 24 h wrap.
QString fmt_time_label(int32_t seconds);
// kind 0: value with n decimals; kind 1: one decimal; kind 2: no decimals.
QString fmt_axis_value(int32_t n, int kind, double value);
// A sample as text by measurement mode; digital inputs give "ON" or "OFF".
QString fmt_sample_text(int32_t n, int32_t mode, double value);
// Decimals that show a value of this size: 0..5.
int32_t decimals_for(double value);
// " kg/h" etc. for scaled channels, the chart's temperature unit for
// temperature channels, empty otherwise.
QString unit_text(int chart, int row);
// The unit index (0..6, -1 when unknown) of a channel's scaled values: its
// source device's (Online view) or its log file's (Off-line analysis).
int32_t chan_unit_idx(int chart, int row);
// "°C" or "°F" for a chart's temperature unit (temp_f).
QString temp_unit_text(int32_t temp_f);

// ---- the source of one channel, for loops over indexes ----------------------------
enum sample_src_kind_t : int32_t { SRC_NONE = 0, SRC_ARCH = 1, SRC_LIVE = 2 };

struct t_sample_src {
  sample_src_kind_t kind = SRC_NONE;
  int32_t mode = -1;
  bool fahrenheit = false;
  const t_arch_stat* arch = nullptr;
  const t_dev_stat* dev = nullptr;
  const uint32_t* filt = nullptr;    // filtered series of a live raw channel
  int32_t filt_last = -1;            // newest filtered index
  int32_t last_idx = SLOTS_PER_DAY;  // no sample beyond this index
};

// The source of channel row `row` of a chart read as `mode`; dev is its
// source device (live chart). SRC_NONE when the device is out of range.
t_sample_src sample_src(int chart, int row, int dev, int32_t mode);

namespace sample_get {

inline float to_fahrenheit(float c) { return static_cast<float>(static_cast<double>(c) * 1.8 + 32.0); }
inline float temp_of_word(uint16_t w) { return static_cast<float>(static_cast<int16_t>(w) / 10.0); }

struct none {
  bool operator()(int, float&) const { return false; }
};
struct arch_value {
  const float* tab;
  bool operator()(int i, float& v) const {
    v = tab[i];
    return !std::isnan(v);
  }
};
struct arch_temp_f {
  const float* tab;
  bool operator()(int i, float& v) const {
    const float c = tab[i];
    if (std::isnan(c)) return false;
    v = to_fahrenheit(c);
    return true;
  }
};
// Live rings: a slot holds a sample when its scaled value is a number.
struct live_base {
  const t_dev_stat* d;
  bool valid(int i) const { return !std::isnan(d->smp_cal[i].load()); }
  uint32_t raw(int i) const { return d->smp_raw[i].load(std::memory_order_relaxed); }
};
struct live_scaled : live_base {
  bool operator()(int i, float& v) const {
    v = d->smp_cal[i].load();
    return !std::isnan(v);
  }
};
struct live_raw : live_base {
  const uint32_t* filt;
  int32_t filt_last;
  bool operator()(int i, float& v) const {
    // Samples not yet through the filter are not shown.
    if (i > filt_last || !valid(i)) return false;
    v = static_cast<float>(filt[i]);
    return true;
  }
};
struct live_temp : live_base {
  bool fahrenheit;
  bool operator()(int i, float& v) const {
    if (!valid(i)) return false;
    v = temp_of_word(d->smp_temp[i].load(std::memory_order_relaxed));
    if (fahrenheit) v = to_fahrenheit(v);
    return true;
  }
};
struct live_din : live_base {
  int bit;
  bool operator()(int i, float& v) const {
    if (!valid(i)) return false;
    v = ((raw(i) >> bit) & 1u) ? 1.0f : 0.0f;
    return true;
  }
};
struct live_sat : live_base {
  bool operator()(int i, float& v) const {
    if (!valid(i)) return false;
    v = static_cast<float>(raw_to_value(raw(i) | RAW_MANT_MASK));
    return true;
  }
};
// Modes without a value: the sample exists, its value is 0.
struct live_other : live_base {
  bool operator()(int i, float& v) const {
    if (!valid(i)) return false;
    v = 0.0f;
    return true;
  }
};

}  // namespace sample_get

// Calls f with the getter that fits the source: f(getter), where
// getter(idx, value) -> bool. idx must lie in 0..src.last_idx.
template <typename F>
decltype(auto) visit_getter(const t_sample_src& s, F&& f) {
  using namespace sample_get;
  switch (s.kind) {
    case SRC_ARCH:
      if (s.mode == MEAS_TEMP && s.fahrenheit) return f(arch_temp_f{s.arch->smp_tab.data()});
      return f(arch_value{s.arch->smp_tab.data()});
    case SRC_LIVE:
      switch (s.mode) {
        case MEAS_SCALED: return f(live_scaled{{s.dev}});
        case MEAS_RAW: return f(live_raw{{s.dev}, s.filt, s.filt_last});
        case MEAS_TEMP: return f(live_temp{{s.dev}, s.fahrenheit});
        case MEAS_DIN1:
        case MEAS_DIN2:
        case MEAS_DIN3:
        case MEAS_DIN4: return f(live_din{{s.dev}, 28 + (s.mode - MEAS_DIN1)});
        case MEAS_SAT: return f(live_sat{{s.dev}});
        default: return f(live_other{{s.dev}});
      }
    default: return f(none{});
  }
}
