#pragma once

#include <atomic>
#include <cstdint>

// Milliseconds of a monotonic clock that never wraps; only differences matter.
int64_t mono_ms();
// Microseconds of the same clock.
int64_t mono_us();

// Sleeps for the given number of milliseconds (0 yields the processor).
void sleep_ms(int ms);

// A monotonic time base for what measures intervals on a line: the
// machine's clock in the programs, one a test drives where the test keeps
// its own time (a simulated transmitter's sample clock, a link's answer
// limits and response times). Microseconds; only differences matter.
class tick_clock {
 public:
  virtual ~tick_clock() = default;
  virtual int64_t now_us() const = 0;
  int64_t now_ms() const { return now_us() / 1000; }
};

// The machine's monotonic clock (mono_us).
class steady_tick_clock final : public tick_clock {
 public:
  int64_t now_us() const override { return mono_us(); }
  static const steady_tick_clock& instance();
};

// A clock that moves only when told to. Safe to read and move from any thread.
class manual_tick_clock final : public tick_clock {
 public:
  explicit manual_tick_clock(int64_t start_ms = 1000000) : us_(start_ms * 1000) {}
  int64_t now_us() const override {
    // Running out, every reading lies an hour after the one before it.
    if (running_out_.load(std::memory_order_acquire)) return us_.fetch_add(kHourUs, std::memory_order_acq_rel);
    return us_.load(std::memory_order_acquire);
  }
  void advance_ms(int64_t ms) { us_.fetch_add(ms * 1000, std::memory_order_acq_rel); }
  void advance_us(int64_t us) { us_.fetch_add(us, std::memory_order_acq_rel); }
  void set_ms(int64_t ms) { us_.store(ms * 1000, std::memory_order_release); }
  // While on, time runs out at every look: whatever waits on this clock
  // reaches its limit at once (a line where nobody will ever answer).
  void run_out(bool on) { running_out_.store(on, std::memory_order_release); }

 private:
  static constexpr int64_t kHourUs = 3600LL * 1000 * 1000;
  mutable std::atomic<int64_t> us_;
  std::atomic<bool> running_out_{false};
};

// The clock of the serial lines: the links measure their answer limits and
// response times on it, and the link figures (the time since the last good
// answer) are read against it. The machine's clock unless a test installed
// another one (it must outlive its use).
const tick_clock& line_clock();
void set_line_clock(const tick_clock* clock);  // nullptr: back to the machine's clock
