// The time base of the simulated transmitters: a steady clock in normal
// use, a hand-driven one in tests. Milliseconds; only differences matter.
#pragma once

#include <atomic>
#include <cstdint>

namespace orvsim {

class sim_clock {
 public:
  virtual ~sim_clock() = default;
  virtual int64_t now_ms() const = 0;
};

// The monotonic clock of the machine.
class steady_sim_clock final : public sim_clock {
 public:
  int64_t now_ms() const override;
  static const steady_sim_clock& instance();
};

// A clock that moves only when told to.
class manual_clock final : public sim_clock {
 public:
  explicit manual_clock(int64_t start_ms = 1000000) : t_(start_ms) {}
  int64_t now_ms() const override { return t_.load(); }
  void advance(int64_t ms) { t_ += ms; }
  void set(int64_t ms) { t_ = ms; }

 private:
  std::atomic<int64_t> t_;
};

}  // namespace orvsim
