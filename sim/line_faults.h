// Faults of a line on demand, for tests: a share of the answers not sent,
// sent with a bad CRC, sent late, or preceded by noise bytes, and a cut
// after a number of write answers. One decision per answer; the shares are
// exclusive, so their sum is at most 1.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace orvsim {

struct fault_settings {
  double drop = 0.0;     // share of requests left unanswered
  double bad_crc = 0.0;  // share answered with a wrong CRC
  double late = 0.0;     // share answered late
  int late_ms = 400;     // how late (longer than the master waits at any baud rate)
  double noise = 0.0;    // share preceded by 1..4 noise bytes
  uint64_t seed = 0;
  // Once this many write answers went out from now on, the line keeps
  // silent (a cable cut in the middle of a configuration write); -1 never.
  int writes_before_cut = -1;
  bool any() const { return drop > 0 || bad_crc > 0 || late > 0 || noise > 0 || writes_before_cut >= 0; }
};

struct fault_decision {
  bool drop = false;
  bool bad_crc = false;
  int delay_ms = 0;
  std::vector<uint8_t> noise;  // never the addressed unit's address, so a master
                               // that synchronises on the address finds the answer
};

class fault_plan {
 public:
  explicit fault_plan(const fault_settings& s = {}) { set(s); }
  void set(const fault_settings& s);
  const fault_settings& settings() const { return s_; }
  // Decides the fate of one answer and applies a bad CRC to it.
  fault_decision apply(std::vector<uint8_t>& answer);

 private:
  fault_settings s_;
  std::mt19937_64 rng_;
  int writes_left_ = -1;
};

}  // namespace orvsim
