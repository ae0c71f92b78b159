// The analog output stage: drive value (0..12800) in, current (4..20 mA
// range, up to 24 mA) or voltage (up to 12 V) out, and the transmitter's own
// measurement of it, the feedback of status register 35 in uA or mV.
#pragma once

#include <cstdint>

namespace orvsim {

inline constexpr int AOUT_DRIVE_MAX = 12800;

// What the output stage puts out for a drive value, in uA (current mode) or
// mV (voltage mode); includes the stage's own gain and offset error.
double aout_output(int drive, bool voltage);

// The feedback register for an output level (rounded, within 0..65535).
uint16_t aout_feedback(double output);

// The drive value that puts out the given level (uA or mV) according to a
// two-point calibration (drive and feedback at the two end points).
int aout_drive_for(double output, int drive_lo, int fb_lo, int drive_hi, int fb_hi);

}  // namespace orvsim
