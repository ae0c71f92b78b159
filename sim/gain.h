// The sensor front end of the transmitter: the gain word (divisor index in
// bits 0-5, coefficient stage in bits 6-7), the gain factor it stands for,
// the 10-bit reading a signal gives at that gain, and the gain-independent
// raw value a reading decodes to.
#pragma once

#include <cstdint>

namespace orvsim {

// Gain factor of a gain word; coefficient set 1 is in use when the sensor
// mode is not 0. Divisor indexes 56..63 act as 55.
float gain_factor(uint16_t gain_word, bool coef_set_1);

// The 10-bit reading (0..1023) a gain-independent signal gives at a gain
// factor; signals beyond the converter's range read 1023.
uint32_t reading_for(double signal, float gain);

// The gain-independent raw value of a raw sample word (reading x 1280 / gain),
// in single precision as the program decodes it; 1048575 for "no sample".
int32_t raw_value(uint32_t raw_word);

}  // namespace orvsim
