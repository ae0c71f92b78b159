#pragma once

#include <cstdint>

// Milliseconds of a monotonic clock that never wraps; only differences matter.
int64_t mono_ms();
// Microseconds of the same clock.
int64_t mono_us();

// Sleeps for the given number of milliseconds (0 yields the processor).
void sleep_ms(int ms);
