#include "charts/block_sums.h"

#include "charts/sample_access.h"

#include <algorithm>
#include <array>
#include <limits>
#include <type_traits>

namespace {

static_assert(SLOTS_PER_DAY % SUM_BLK == 0 && SUM_BLK == 4 * SUM_SUB);

// What a channel's sums were read from: another source needs a new scan.
struct t_src_key {
  int32_t kind = SRC_NONE;
  int32_t mode = -1;
  bool fahrenheit = false;
  const void* arch = nullptr;
  const void* dev = nullptr;
  const void* filt = nullptr;
  bool operator==(const t_src_key&) const = default;
};

t_src_key key_of(const t_sample_src& s) { return {s.kind, s.mode, s.fahrenheit, s.arch, s.dev, s.filt}; }

// The block sums of both charts, the channels side by side; map_columns
// takes a channel's while `used` is set and the channel's are built.
struct t_sums {
  std::array<t_sum_lanes, SUM_BLOCKS> min;
  std::array<t_sum_lanes, SUM_BLOCKS> max;
  std::array<t_sum_lanes, SUM_SUBS> sub_min;
  std::array<t_sum_lanes, SUM_SUBS> sub_max;
  std::array<bool, MAX_CHANNELS> built{};
  std::array<t_src_key, MAX_CHANNELS> key{};
  // The newest slot the sums were read up to for sure: samples may still
  // come a little below it, and a filtered series grows beyond it.
  std::array<int32_t, MAX_CHANNELS> newest{};
  bool used = false;
};
t_sums chan_sums[CHART_CNT];

// Where an empty slot reads as NaN, the comparisons pass it over.
template <typename G>
constexpr bool kNanIsEmpty = std::is_same_v<G, sample_get::arch_value> || std::is_same_v<G, sample_get::live_scaled>;

template <typename G>
inline void widen_at(const G& get, int32_t i, float& mn, float& mx) {
  float v = 0;
  if constexpr (kNanIsEmpty<G>) {
    get(i, v);
    sum_widen(mn, mx, v);
  } else if (get(i, v)) {
    sum_widen(mn, mx, v);
  }
}

// Blocks b0..b1 of channel r; each block's four parts are read side by side.
template <typename G>
void scan_blocks(const G& get, t_sums& c, int r, int32_t b0, int32_t b1) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  for (int32_t b = b0; b <= b1; ++b) {
    float n0 = kInf, n1 = kInf, n2 = kInf, n3 = kInf, x0 = -kInf, x1 = -kInf, x2 = -kInf, x3 = -kInf;
    const int32_t base = b * SUM_BLK;
    for (int32_t j = base; j < base + SUM_SUB; ++j) {
      widen_at(get, j, n0, x0);
      widen_at(get, j + SUM_SUB, n1, x1);
      widen_at(get, j + 2 * SUM_SUB, n2, x2);
      widen_at(get, j + 3 * SUM_SUB, n3, x3);
    }
    const int32_t s = 4 * b;
    c.sub_min[s][r] = n0;
    c.sub_max[s][r] = x0;
    c.sub_min[s + 1][r] = n1;
    c.sub_max[s + 1][r] = x1;
    c.sub_min[s + 2][r] = n2;
    c.sub_max[s + 2][r] = x2;
    c.sub_min[s + 3][r] = n3;
    c.sub_max[s + 3][r] = x3;
    sum_join(n0, x0, n1, x1);
    sum_join(n0, x0, n2, x2);
    sum_join(n0, x0, n3, x3);
    c.min[b][r] = n0;
    c.max[b][r] = x0;
  }
}

// The newest slot a live source's getter shows: a filtered series' newest
// index, no limit for the others.
int32_t filt_limit(const t_sample_src& s) {
  return s.kind == SRC_LIVE && s.mode == MEAS_RAW ? s.filt_last : SLOTS_PER_DAY;
}

}  // namespace

t_chan_extent scan_chan_sums(int chart, int r) {
  t_chan_extent e;
  if (r < 0 || r >= MAX_CHANNELS) return e;
  const t_draw_stat& ds = draw_stat[chart];
  t_sums& sums = chan_sums[chart];
  const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
  // The device's newest sample before the scan reads: what comes during
  // the scan lies above it, or a little below.
  sums.newest[r] = src.kind == SRC_LIVE
                       ? std::min(src.dev->last_saved_idx.load(std::memory_order_acquire), filt_limit(src))
                       : SLOTS_PER_DAY;
  sums.key[r] = key_of(src);
  visit_getter(src, [&](auto get) {
    scan_blocks(get, sums, r, 0, SUM_BLOCKS - 1);
    // The first and last sample lie in the first and last block that has one.
    float v = 0;
    int32_t b = 0;
    while (b < SUM_BLOCKS && !(sums.min[b][r] <= sums.max[b][r])) ++b;
    if (b == SUM_BLOCKS) return;
    for (e.first = b * SUM_BLK; !get(e.first, v);) ++e.first;
    int32_t d = SUM_BLOCKS - 1;
    while (!(sums.min[d][r] <= sums.max[d][r])) --d;
    for (e.last = d * SUM_BLK + SUM_BLK - 1; !get(e.last, v);) --e.last;
    e.min = sums.min[b][r];
    e.max = sums.max[b][r];
    for (int32_t k = b + 1; k <= d; ++k) sum_join(e.min, e.max, sums.min[k][r], sums.max[k][r]);
  });
  sums.built[r] = true;
  return e;
}

void keep_chan_sums(int chart, bool keep) { chan_sums[chart].used = keep; }

void forget_chan_sums(int chart) {
  chan_sums[chart].used = false;
  chan_sums[chart].built.fill(false);
}

void renew_chan_sums(int chart, int32_t late) {
  const t_draw_stat& ds = draw_stat[chart];
  t_sums& sums = chan_sums[chart];
  for (int r = 0; r < MAX_CHANNELS; ++r) {
    if (!ds.chan_active[r] || !ds.chan_displayed[r]) continue;
    const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
    if (!sums.built[r] || !(sums.key[r] == key_of(src))) {
      scan_chan_sums(chart, r);
      continue;
    }
    if (src.kind != SRC_LIVE) continue;  // a log's samples change only with a new scan
    const int32_t from = std::max(sums.newest[r] - std::max(late, 0), 0);
    const int32_t to = std::min(ds.view_last, SLOTS_PER_DAY - 1);
    if (from <= to) visit_getter(src, [&](auto get) { scan_blocks(get, sums, r, from / SUM_BLK, to / SUM_BLK); });
    // Samples come late within `late` slots below the newest one the chart
    // follows (a device that fell silent included); blocks beyond the view
    // were not read again.
    sums.newest[r] = std::min(filt_limit(src), to);
  }
}

t_sum_view chart_sums_in_use(int chart) {
  const t_sums& sums = chan_sums[chart];
  if (!sums.used) return {};
  return {sums.min.data(), sums.max.data(), sums.sub_min.data(), sums.sub_max.data()};
}

bool chan_sums_built(int chart, int r) { return chan_sums[chart].built[r]; }
