// What the three gain dialogs (capture, automatic gain, manual gain) share:
// the check every 500 ms tick makes on its device, the capture fields of the
// device they read and reset, the gauge colours, and the way a procedure
// reaches the communication service (a function that posts a gain word).
//
// User-interface thread only. The capture fields are written by the
// communication service and read here without a lock.
#pragma once

#include <cstdint>
#include <functional>

// Posts a gain word for a device: bit 15 set forces it temporarily, 0 ends
// the override. The dialogs pass one that goes through the service client.
using gain_post_fn = std::function<void(int device, uint16_t word)>;

// Colour of a calibration gauge.
enum gauge_colour_t : uint8_t { GAUGE_BLUE, GAUGE_GREEN, GAUGE_YELLOW, GAUGE_RED };

// Where a tick stands with the procedure's device.
enum calib_guard_t : uint8_t {
  CALIB_GO_ON,   // carry on
  CALIB_HIDDEN,  // the dialog is not shown: stop the timer
  CALIB_GONE,    // the device is no longer the selected one (or was removed or edited): close
  CALIB_LOST,    // the device has a communication error: close, then text 20
};

inline constexpr int MSG_CALIB_NO_CONNECTION = 20;  // "No connection. Calibration aborted."
inline constexpr int MSG_CALIB_NO_DATA = 21;        // "No calibration data captured"
inline constexpr int MSG_CALIB_SET_GAIN = 22;       // "Settig calibration gain"
inline constexpr int MSG_CALIB_SATURATED = 23;      // "Saturation limit. Sample invalid."
inline constexpr int MSG_CALIB_COLLECTING = 24;     // "Collecting data..."
inline constexpr int MSG_AUTOGAIN_FAILED = 55;      // "Automatic gain evaluation failed!"
inline constexpr int MSG_AUTOGAIN_DONE = 56;        // "Automatic gain evaluation succesfull!"
inline constexpr int MSG_CALIB_OFF_LINE = 57;       // "Device is off-line. Calibration is not possible."

inline constexpr int CAL_RING = 364;  // entries of cal_raw_smp in use (0..363)
inline constexpr int CALIB_SETTLE_TICKS = 5;

// What a tick asks of its dialog once it is over.
struct t_calib_out {
  bool stop_timer = false;
  bool close = false;
  int error_msg = 0;    // text number of an error box, shown after the dialog closed
  int info_msg = 0;     // text number of an information box, the same
  bool stored = false;  // a result went into the edit image
};

// The tick check: visible, the device still selected and still the one the
// dialog was opened for (slot generation), and its state one of idle, ok or
// waiting.
calib_guard_t calib_guard(bool visible, int device, uint32_t generation);
// The out record of a guard that is not CALIB_GO_ON.
t_calib_out calib_guard_out(calib_guard_t g);

// The generation of a device slot: it changes whenever the slot's device is
// removed or its connection edited. Kept by whoever does that (the service
// client installs its counter); 0 without one.
void set_slot_generation_source(std::function<uint32_t(int device)> source);
uint32_t slot_generation(int device);

// Starts (on) or stops the capture of a device afresh: count and sum 0.
void reset_capture(int device, bool on);
// The newest raw sample word of a device.
uint32_t newest_raw(int device);
// True when bits 12..19 of the device's newest raw word equal gain_word.
bool gain_reported(int device, uint16_t gain_word);
// Entry i (0..363) of the device's capture ring.
uint32_t ring_at(int device, int i);
// The ring index before i, from 0 back to 363.
inline int ring_back(int i) { return i == 0 ? CAL_RING - 1 : i - 1; }
