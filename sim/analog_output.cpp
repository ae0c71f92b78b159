#include "analog_output.h"

#include <algorithm>
#include <cmath>

namespace orvsim {

double aout_output(int drive, bool voltage) {
  drive = std::clamp(drive, 0, AOUT_DRIVE_MAX);
  // Full drive gives 24 mA or 12 V nominally; the stage is a little off, as a
  // real one is, which is what the electrical calibration corrects.
  if (voltage) return std::max(0.0, drive * (12000.0 / AOUT_DRIVE_MAX) * 0.997 + 8.0);
  return std::max(0.0, drive * (24000.0 / AOUT_DRIVE_MAX) * 1.004 - 12.0);
}

uint16_t aout_feedback(double output) { return static_cast<uint16_t>(std::clamp(std::lround(output), 0L, 65535L)); }

int aout_drive_for(double output, int drive_lo, int fb_lo, int drive_hi, int fb_hi) {
  if (fb_hi == fb_lo) return std::clamp(drive_lo, 0, AOUT_DRIVE_MAX);
  const double d = drive_lo + (output - fb_lo) * (drive_hi - drive_lo) / static_cast<double>(fb_hi - fb_lo);
  return static_cast<int>(std::clamp(std::lround(d), 0L, static_cast<long>(AOUT_DRIVE_MAX)));
}

}  // namespace orvsim
