// The raw value capture of one calibration point (the logic of TCalib_In):
// the transmitter is forced to the product's gain, and once it reports that
// gain and 2.5 s have passed, the service averages the mantissas of the
// incoming samples; Save stores the raw value of the average as the point's
// raw value in the edited product registers (never on the transmitter).
//
// User-interface thread only; the dialog calls tick() every 500 ms and
// shows the view fields afterwards.
#pragma once

#include "calib/calib_common.h"

#include <cstdint>

// Gauge colour of a capture by its largest mantissa: red at saturation
// (1020), yellow close to it (971), else green.
gauge_colour_t capture_colour(uint32_t max_mantissa);

// The raw value of an average mantissa at the gain bits of raw word `word`.
uint32_t capture_raw_value(uint32_t word, uint32_t avg_mantissa);

// Stores raw value v as the raw value of calibration point k (0..4) of the
// product being edited on device d; false when there is none.
bool store_cal_raw(int d, int k, uint32_t v);

class calib_in_proc {
 public:
  explicit calib_in_proc(gain_post_fn post) : post_(std::move(post)) {}

  // Opens the capture of point k for device d at the edited product's gain
  // word: 0, or the text number of the error that keeps it closed (57: not
  // on line or no product being edited).
  int open(int d, int k);
  t_calib_out tick(bool visible);
  // Save: 0 when stored, else the text number of the error (21, 23). The
  // dialog closes either way.
  int save();
  // Every way out: ends the override (when one was asked for) and the
  // capture. Harmless when called again.
  void close();

  // ---- state ----
  int device = -1;
  uint32_t generation = 0;
  int cal_pt = 0;
  int cal_stat = 0;  // 0 set gain, 1 wait for gain, 2 settle, 3 collect, 4 finished
  uint16_t calib_gain = 0;
  int calib_tout = 0;
  uint32_t calib_result = 0;

  // ---- view, after each tick ----
  int status_msg = 0;  // text on the status bar; 0 none yet
  bool ok_enabled = true;
  int gauge = 0;
  gauge_colour_t colour = GAUGE_GREEN;
  int smp_cnt = 0;  // shown with calib_result once samples are counted

 private:
  gain_post_fn post_;
  bool forced_ = false;
};
