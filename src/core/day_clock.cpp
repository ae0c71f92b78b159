#include "core/day_clock.h"

#include <QDateTime>

namespace {
const QDate kEpoch(1899, 12, 30);
system_day_clock g_system_clock;
std::atomic<day_clock*> g_clock{nullptr};
}  // namespace

day_time system_day_clock::now() const {
  const QDateTime t = QDateTime::currentDateTime();
  return {static_cast<int32_t>(kEpoch.daysTo(t.date())), t.time().msecsSinceStartOfDay()};
}

void manual_day_clock::advance_ms(int64_t ms) {
  const day_time t = now();
  int64_t total = static_cast<int64_t>(t.date) * 86400000LL + t.ms_of_day + ms;
  set(static_cast<int32_t>(total / 86400000LL), static_cast<int32_t>(total % 86400000LL));
}

day_clock& wall_clock() {
  day_clock* c = g_clock.load(std::memory_order_acquire);
  return c ? *c : g_system_clock;
}

void set_wall_clock(day_clock* clock) { g_clock.store(clock, std::memory_order_release); }

double today_days() { return wall_clock().now().date; }
