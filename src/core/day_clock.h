// The wall clock of the service: the date and the time of day from one
// reading, so that a slot and the day it belongs to always agree. Tests
// replace it to cross midnight or jump the clock without waiting.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr int SLOT_MS = 200;

struct day_time {
  int32_t date = 0;       // days since 1899-12-30 (the date part of a date-time)
  int32_t ms_of_day = 0;  // wall-clock milliseconds since local midnight
  int32_t slot() const { return ms_of_day / SLOT_MS; }
};

class day_clock {
 public:
  virtual ~day_clock() = default;
  virtual day_time now() const = 0;
};

// The local wall clock. On 23- and 25-hour days the time of day is the one
// shown on the clock, so slots stay within 0..431999.
class system_day_clock : public day_clock {
 public:
  day_time now() const override;
};

// A clock that stands still until it is set or advanced (tests).
class manual_day_clock : public day_clock {
 public:
  explicit manual_day_clock(int32_t date = 46000, int32_t ms_of_day = 0) { set(date, ms_of_day); }
  day_time now() const override {
    const uint64_t v = packed_.load(std::memory_order_acquire);
    return {static_cast<int32_t>(v >> 32), static_cast<int32_t>(v & 0xFFFFFFFFu)};
  }
  void set(int32_t date, int32_t ms_of_day) {
    packed_.store((static_cast<uint64_t>(static_cast<uint32_t>(date)) << 32) | static_cast<uint32_t>(ms_of_day),
                  std::memory_order_release);
  }
  void set_slot(int32_t slot) { set(now().date, slot * SLOT_MS); }
  // Advances by ms, rolling over into the next day at midnight.
  void advance_ms(int64_t ms);

 private:
  std::atomic<uint64_t> packed_{0};
};

// The clock the service and the start-up use; the system clock unless a
// test installed another one.
day_clock& wall_clock();
void set_wall_clock(day_clock* clock);  // nullptr: back to the system clock

// Today as a date-time value (days, time 0).
double today_days();
