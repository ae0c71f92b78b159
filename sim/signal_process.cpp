#include "signal_process.h"

#include <algorithm>

namespace orvsim {

signal_process::signal_process(uint64_t seed, double level) : rng_(seed), set_level_(level), lagged_(level) {}

double signal_process::next(const process_settings& s) {
  if (s.level != set_level_) {
    // A new level set by the operator takes effect at once.
    set_level_ = s.level;
    wander_ = step_ = 0.0;
    lagged_ = s.level;
  }
  if (s.drift)
    wander_ += -0.01 * wander_ + 0.15 * norm_(rng_);  // about 1 % around the level
  else
    wander_ = 0.0;
  if (s.steps) {
    if (uni_(rng_) < 1.0 / 200.0) {
      const double size = 5.0 + 10.0 * uni_(rng_);
      step_ = (uni_(rng_) < 0.5 ? -size : size);
      if (set_level_ + step_ < 3.0 || set_level_ + step_ > 97.0) step_ = -step_;
    }
  } else {
    step_ = 0.0;
  }
  const double target = set_level_ + wander_ + step_;
  lagged_ += (target - lagged_) * 0.2;  // first order, about 1 s
  return lagged_ + (s.noise > 0 ? s.noise * norm_(rng_) : 0.0);
}

}  // namespace orvsim
