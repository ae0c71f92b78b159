#include "comm/link_stats.h"

#include <algorithm>

namespace {

void bump(shared_t<uint32_t>& c, uint32_t by = 1) { c.store(c.load(rlx) + by, rlx); }
void bump(shared_t<int32_t>& c, int32_t by) { c.store(c.load(rlx) + by, rlx); }

// The window counter a result belongs to.
shared_t<int32_t>& window_counter(t_link_stat& l, int result) {
  if (result == LINK_GOOD) return l.win_good;
  return result == LINK_CRC ? l.win_crc : l.win_timeouts;
}

void record_time(t_link_stat& l, uint32_t took_us) {
  int next = l.resp_next.load(rlx);
  l.resp_us[next].store(took_us, rlx);
  l.resp_next.store((next + 1) % LINK_WINDOW, rlx);
  const int count = std::min(l.resp_count.load(rlx) + 1, LINK_WINDOW);
  l.resp_count.store(count, rlx);
  // A hundred loads per answer: cheaper than the answer's first byte.
  uint64_t sum = 0;
  uint32_t worst = 0;
  for (int k = 0; k < count; ++k) {
    const uint32_t t = l.resp_us[k].load(rlx);
    sum += t;
    worst = std::max(worst, t);
  }
  l.resp_mean_us.store(static_cast<uint32_t>(sum / static_cast<uint64_t>(count)), rlx);
  l.resp_worst_us.store(worst, rlx);
}

}  // namespace

void link_record(t_link_stat& l, int result, uint32_t took_us, int64_t now_ms) {
  if (result != LINK_GOOD && result != LINK_CRC) result = LINK_TIMEOUT;
  bump(l.requests);
  if (result == LINK_GOOD) {
    bump(l.good);
    l.last_good_ms.store(now_ms, rlx);
    record_time(l, took_us);
  } else {
    bump(result == LINK_CRC ? l.crc_errors : l.timeouts);
  }
  // The window of the last LINK_WINDOW results: the oldest one leaves it.
  const int next = l.result_next.load(rlx);
  const int count = l.result_count.load(rlx);
  if (count == LINK_WINDOW) bump(window_counter(l, l.result[next].load(rlx)), -1);
  l.result[next].store(static_cast<uint8_t>(result), rlx);
  bump(window_counter(l, result), 1);
  l.result_next.store((next + 1) % LINK_WINDOW, rlx);
  l.result_count.store(std::min(count + 1, LINK_WINDOW), rlx);
}

void link_add_stored(t_link_stat& l, int samples) {
  if (samples > 0) bump(l.stored, static_cast<uint32_t>(samples));
}

void link_add_empty(t_link_stat& l, int count) {
  if (count > 0) bump(l.empty, static_cast<uint32_t>(count));
}

t_link_view link_view(const t_link_stat& l, int64_t now_ms) {
  t_link_view v;
  v.requests = l.requests.load(rlx);
  v.good = l.good.load(rlx);
  v.timeouts = l.timeouts.load(rlx);
  v.crc_errors = l.crc_errors.load(rlx);
  v.reopens = l.reopens.load(rlx);
  v.stored = l.stored.load(rlx);
  v.empty = l.empty.load(rlx);
  const int64_t last = l.last_good_ms.load(rlx);
  v.since_good_ms = last < 0 ? -1 : std::max<int64_t>(0, now_ms - last);
  v.win_good = std::max(0, l.win_good.load(rlx));
  v.win_timeouts = std::max(0, l.win_timeouts.load(rlx));
  v.win_crc = std::max(0, l.win_crc.load(rlx));
  v.win_requests = std::min(LINK_WINDOW, v.win_good + v.win_timeouts + v.win_crc);
  v.mean_us = l.resp_mean_us.load(rlx);
  v.worst_us = l.resp_worst_us.load(rlx);
  v.resp_count = std::clamp(l.resp_count.load(rlx), 0, LINK_WINDOW);
  const int next = std::clamp(l.resp_next.load(rlx), 0, LINK_WINDOW - 1);
  const int first = v.resp_count < LINK_WINDOW ? 0 : next;
  for (int k = 0; k < v.resp_count; ++k) v.resp_us[k] = l.resp_us[(first + k) % LINK_WINDOW].load(rlx);
  return v;
}
