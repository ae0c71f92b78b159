#include "charts/trace_filter.h"

#include "charts/dsp_chan.h"
#include "core/raw_value.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

constexpr int SCREW_CLASSES = 20;

std::unique_ptr<std::array<t_filt_row, MAX_CHANNELS>> make_rows() {
  auto rows = std::make_unique<std::array<t_filt_row, MAX_CHANNELS>>();
  for (auto& r : *rows) {
    r.filt.fill(static_cast<uint32_t>(RAW_NO_VALUE));
    r.state = t_filt_stat{};
    r.state.reset = true;
    r.last = -1;
  }
  return rows;
}

// Allocated once at start; about 14 MB.
std::array<t_filt_row, MAX_CHANNELS>& rows() {
  static auto r = make_rows();
  return *r;
}

// Shifts a window one place toward the old end and puts v in front.
template <size_t N>
void push_front(std::array<int32_t, N>& win, int32_t v) {
  std::copy_backward(win.begin(), win.end() - 1, win.end());
  win[0] = v;
}

// The channel of live slot `slot`, when it is a raw channel of an active device.
const t_dsp_chan* filtered_chan(int slot) {
  const t_dsp_chan& ch = common_setup.dsp_chan_live[slot];
  if (!ch.active || ch.meas_mode != MEAS_RAW) return nullptr;
  if (ch.dev_idx < 0 || ch.dev_idx >= MAX_DEVICES) return nullptr;
  if (!common_setup.dev_conn[ch.dev_idx].active.load(rlx)) return nullptr;
  return &ch;
}

void filter_range(t_filt_row& row, const t_dsp_chan& ch, int start, int end) {
  const auto& ring = m_stat.dev_stat[ch.dev_idx].smp_raw;
  end = std::min(end, FILT_ROW_SIZE - 2);
  for (int i = std::max(start, 0); i <= end; ++i)
    row.filt[i] = filter_sample(static_cast<uint32_t>(raw_to_value(ring[i].load(rlx))), ch.filt_med, ch.filt_pt,
                                row.state, ch.filt_screw);
}

void clear_row(t_filt_row& row) {
  row.filt.fill(static_cast<uint32_t>(RAW_NO_VALUE));
  row.state.reset = true;
}

}  // namespace

int32_t median_of(t_filt_stat& st, int32_t med) {
  const int m = std::min<int32_t>(med, FILT_MED_MAX);
  const int n = 2 * m + 1;
  std::copy_n(st.med_win.begin(), n, st.sort_buf.begin());
  // Insertion sort: at most 11 values.
  for (int a = 1; a < n; ++a) {
    const int32_t v = st.sort_buf[a];
    int b = a - 1;
    while (b >= 0 && st.sort_buf[b] > v) {
      st.sort_buf[b + 1] = st.sort_buf[b];
      --b;
    }
    st.sort_buf[b + 1] = v;
  }
  return st.sort_buf[m];
}

int32_t screw_of(const t_filt_stat& st, int n) {
  n = std::clamp(n, 1, SCREW_WIN);
  int32_t lo = st.screw_win[0], hi = st.screw_win[0];
  for (int k = 1; k < n; ++k) {
    lo = std::min(lo, st.screw_win[k]);
    hi = std::max(hi, st.screw_win[k]);
  }
  const int64_t range = static_cast<int64_t>(hi) - lo;
  // Class i (0..18) takes the values below bound[i] and not below the bound
  // before it; class 19 the rest. bound[0] = lo, so class 0 stays empty.
  int64_t bound[SCREW_CLASSES - 1];
  for (int i = 0; i < SCREW_CLASSES - 1; ++i) bound[i] = lo + range * i / SCREW_CLASSES;
  int32_t count[SCREW_CLASSES] = {};
  int64_t sum[SCREW_CLASSES] = {};
  for (int k = 0; k < n; ++k) {
    const int32_t v = st.screw_win[k];
    const int c = static_cast<int>(std::upper_bound(std::begin(bound), std::end(bound), static_cast<int64_t>(v)) -
                                   std::begin(bound));
    ++count[c];
    sum[c] += v;
  }
  int best = 0;
  for (int c = 1; c < SCREW_CLASSES; ++c)
    if (count[c] > count[best]) best = c;
  return static_cast<int32_t>(sum[best] / count[best]);
}

uint32_t filter_sample(uint32_t x, int32_t med, uint16_t pt, t_filt_stat& st, uint16_t screw) {
  if (x == static_cast<uint32_t>(RAW_NO_VALUE)) {
    st.reset = true;
    return x;
  }
  auto v = static_cast<int32_t>(x);
  if (st.reset) {
    st.med_win.fill(v);
    st.screw_win.fill(v);
  }
  if (med > 0) {
    push_front(st.med_win, v);
    v = median_of(st, med);
  }
  if (screw > 0) {
    push_front(st.screw_win, v);
    v = screw_of(st, 5 * screw);
  }
  const int64_t n = pt / 2;  // samples: a sample lasts two tenths of a second
  if (n > 0) {
    if (st.reset) st.acc = static_cast<int64_t>(v) * n;
    const int64_t t = st.acc / n;
    st.acc = st.acc - t + v;
    v = static_cast<int32_t>(st.acc / n);
  }
  st.reset = false;
  return static_cast<uint32_t>(v);
}

t_filt_row& filt_row(int slot) { return rows()[slot]; }

void swap_filt_rows(int a, int b) {
  t_filt_row& ra = rows()[a];
  t_filt_row& rb = rows()[b];
  std::swap_ranges(ra.filt.begin(), ra.filt.end(), rb.filt.begin());
  std::swap(ra.state, rb.state);
  std::swap(ra.last, rb.last);
}

void refilter_chan(int slot, bool restart) {
  const t_dsp_chan* ch = filtered_chan(slot);
  if (!ch) return;
  t_filt_row& row = rows()[slot];
  int start = row.last + 1;
  if (restart) {
    clear_row(row);
    start = 0;
  }
  const int end = m_stat.dev_stat[ch->dev_idx].last_saved_idx.load(std::memory_order_acquire);
  filter_range(row, *ch, start, end);
  row.last = std::min(end, SLOTS_PER_DAY);
}

void refilter_after_load(int slot) {
  t_filt_row& row = rows()[slot];
  clear_row(row);
  row.last = -1;
  const t_dsp_chan* ch = filtered_chan(slot);
  if (!ch) return;
  const int end = m_stat.dev_stat[ch->dev_idx].last_arch_idx.load(rlx);
  filter_range(row, *ch, 0, end);
  row.last = std::min(end, SLOTS_PER_DAY);
}

void reset_filt_rows() {
  for (auto& r : rows()) {
    r.filt.fill(static_cast<uint32_t>(RAW_NO_VALUE));
    r.state = t_filt_stat{};
    r.state.reset = true;
    r.last = -1;
  }
}
