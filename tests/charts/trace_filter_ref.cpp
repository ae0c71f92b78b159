// The trace filter chain as it was first written, kept as the reference
// the chain is compared with. Built with optimisation (see CMakeLists.txt):
// the comparisons run it over whole days.
#include "trace_filter_ref.h"

#include "charts/dsp_chan.h"
#include "core/raw_value.h"

#include <algorithm>
#include <iterator>

namespace filt_ref {

namespace {

template <size_t N>
void push_front(std::array<int32_t, N>& win, int32_t v) {
  std::copy_backward(win.begin(), win.end() - 1, win.end());
  win[0] = v;
}

int32_t median_of(const state& st, int32_t med) {
  const int m = std::min<int32_t>(med, FILT_MED_MAX);
  const int n = 2 * m + 1;
  std::array<int32_t, MED_WIN> b{};
  std::copy_n(st.med_win.begin(), n, b.begin());
  for (int i = 1; i < n; ++i) {
    const int32_t v = b[i];
    int j = i - 1;
    while (j >= 0 && b[j] > v) {
      b[j + 1] = b[j];
      --j;
    }
    b[j + 1] = v;
  }
  return b[m];
}

int32_t screw_of(const state& st, int n) {
  n = std::clamp(n, 1, SCREW_WIN);
  int32_t lo = st.screw_win[0], hi = st.screw_win[0];
  for (int k = 1; k < n; ++k) {
    lo = std::min(lo, st.screw_win[k]);
    hi = std::max(hi, st.screw_win[k]);
  }
  const int64_t range = static_cast<int64_t>(hi) - lo;
  int64_t bound[SCREW_CLASSES - 1];
  for (int i = 0; i < SCREW_CLASSES - 1; ++i) bound[i] = lo + range * i / SCREW_CLASSES;
  int32_t count[SCREW_CLASSES] = {};
  int64_t sum[SCREW_CLASSES] = {};
  for (int k = 0; k < n; ++k) {
    const int32_t v = st.screw_win[k];
    const auto c = std::upper_bound(std::begin(bound), std::end(bound), static_cast<int64_t>(v)) - std::begin(bound);
    ++count[c];
    sum[c] += v;
  }
  int best = 0;
  for (int c = 1; c < SCREW_CLASSES; ++c)
    if (count[c] > count[best]) best = c;
  return static_cast<int32_t>(sum[best] / count[best]);
}

}  // namespace

uint32_t filter_sample(uint32_t x, int32_t med, uint16_t pt, state& st, uint16_t screw) {
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
  const int64_t n = pt / 2;
  if (n > 0) {
    if (st.reset) st.acc = static_cast<int64_t>(v) * n;
    const int64_t t = st.acc / n;
    st.acc = st.acc - t + v;
    v = static_cast<int32_t>(st.acc / n);
  }
  st.reset = false;
  return static_cast<uint32_t>(v);
}

}  // namespace filt_ref
