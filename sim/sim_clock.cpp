#include "sim_clock.h"

#include "core/mono_clock.h"

namespace orvsim {

int64_t steady_sim_clock::now_ms() const { return mono_ms(); }

const steady_sim_clock& steady_sim_clock::instance() {
  static const steady_sim_clock clock;
  return clock;
}

}  // namespace orvsim
