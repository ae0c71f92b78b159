#include "line_faults.h"

namespace orvsim {

void fault_plan::set(const fault_settings& s) {
  s_ = s;
  rng_.seed(s.seed ? s.seed : 0x5EEDF00Dull);
  writes_left_ = s.writes_before_cut;
}

fault_decision fault_plan::apply(std::vector<uint8_t>& answer) {
  fault_decision d;
  if (!s_.any() || answer.empty()) return d;
  if (writes_left_ == 0) {
    d.drop = true;  // the line is cut
    return d;
  }
  if (writes_left_ > 0 && answer.size() > 1 && answer[1] == 16) --writes_left_;
  const double r = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
  double edge = s_.drop;
  if (r < edge) {
    d.drop = true;
    return d;
  }
  edge += s_.bad_crc;
  if (r < edge) {
    answer.back() ^= 0x5A;
    d.bad_crc = true;
    return d;
  }
  edge += s_.late;
  if (r < edge) {
    d.delay_ms = s_.late_ms;
    return d;
  }
  edge += s_.noise;
  if (r < edge) {
    const int n = 1 + static_cast<int>(rng_() % 4);
    for (int k = 0; k < n; ++k) {
      uint8_t b = static_cast<uint8_t>(rng_());
      if (b == answer[0]) b ^= 0x80;
      d.noise.push_back(b);
    }
  }
  return d;
}

}  // namespace orvsim
