#include "core/mono_clock.h"

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
