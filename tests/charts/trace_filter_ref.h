// The trace filter chain as it was first written: windows shifted by one
// place per sample, the median by insertion sort, each screw class found by
// a binary search over bounds computed anew, Pt1 by two divisions.
#pragma once

#include "charts/trace_filter.h"

#include <array>
#include <cstdint>

namespace filt_ref {

struct state {
  int64_t acc = 0;
  std::array<int32_t, SCREW_WIN> screw_win{};  // element 0 newest
  std::array<int32_t, MED_WIN> med_win{};      // element 0 newest
  bool reset = true;
};

// One step, as filter_sample.
uint32_t filter_sample(uint32_t x, int32_t med, uint16_t pt, state& st, uint16_t screw);

}  // namespace filt_ref
