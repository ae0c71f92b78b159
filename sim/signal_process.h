// The measured process behind one transmitter: a slow, plausible flow in
// percent of the product's calibrated span. It wanders around the set level,
// jumps by a step now and then, follows a change with a lag of about a second
// and carries measurement noise. Advanced once per sample (200 ms).
#pragma once

#include <cstdint>
#include <random>

namespace orvsim {

struct process_settings {
  double level = 50.0;  // set level, percent of span
  double noise = 0.5;   // noise, standard deviation in percent of span
  bool drift = true;    // slow wandering around the level
  bool steps = true;    // a step now and then (about every 40 s)
};

class signal_process {
 public:
  signal_process(uint64_t seed, double level);
  // The next sample, percent of span.
  double next(const process_settings& s);
  // A uniform random number in [0, 1) from the process's own generator.
  double chance() { return uni_(rng_); }
  int jitter() { return static_cast<int>(rng_() % 3) - 1; }

 private:
  std::mt19937_64 rng_;
  std::normal_distribution<double> norm_{0.0, 1.0};
  std::uniform_real_distribution<double> uni_{0.0, 1.0};
  double set_level_;
  double wander_ = 0.0;
  double step_ = 0.0;
  double lagged_;
};

}  // namespace orvsim
