#include "core/mono_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

int64_t mono_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t mono_us() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int ms) {
  if (ms <= 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const steady_tick_clock& steady_tick_clock::instance() {
  static const steady_tick_clock clock;
  return clock;
}

namespace {
std::atomic<const tick_clock*> g_line_clock{nullptr};
}  // namespace

const tick_clock& line_clock() {
  const tick_clock* c = g_line_clock.load(std::memory_order_acquire);
  return c ? *c : steady_tick_clock::instance();
}

void set_line_clock(const tick_clock* clock) { g_line_clock.store(clock, std::memory_order_release); }
