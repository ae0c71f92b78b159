// The manual gain (the logic of TManual_gain): the user picks a gain step on
// a track bar. With a device selected every step is forced on the
// transmitter at the next tick and the window of the newest samples (up to
// 40, the first 10 after a change skipped) shows its headroom; without one
// it is a plain step picker. Confirm stores the step in the edited product.
//
// User-interface thread only; the dialog calls tick() every 500 ms.
#pragma once

#include "calib/calib_common.h"

#include <QString>

#include <cstdint>

inline constexpr int MAN_SKIP = 10;    // samples skipped after a step change
inline constexpr int MAN_WINDOW = 40;  // newest samples in the statistics

// A mantissa as a percentage of 1020 with one decimal and " %" (at most 100.0 %).
QString get_proc_val(int v);

// Gauge colour of a window by its smallest and largest mantissa: blue while
// the minimum is below 512, green while the maximum is below 969, red from
// 1020, else yellow.
gauge_colour_t headroom_colour(int min_value, int max_value);

// The statistics of the newest window of device d's capture ring with n
// samples counted (n > 10): w = min(n - 10, 40) entries.
struct t_headroom {
  int window = 0;
  int min_value = 0;
  int max_value = 0;
  int avg_value = 0;
  int64_t sum = 0;
};
t_headroom headroom_of(int d, int n);

class manual_gain_proc {
 public:
  explicit manual_gain_proc(gain_post_fn post) : post_(std::move(post)) {}

  // Opens the dialog for device d (-1: the off-line set). Returns the
  // track bar's maximum; last_gain_idx is the position.
  int open(int d);
  // One tick with the track bar at position pos.
  t_calib_out tick(bool visible, int pos);
  // Stores step pos in the edited product's gain register.
  void confirm(int pos);
  // Every way out: ends the override (when one was asked for) and the capture.
  void close();
  bool with_device() const { return device >= 0; }

  // ---- state ----
  int device = -1;
  uint32_t generation = 0;
  float curr_gain = 0.0f;
  int last_gain_idx = 0;
  bool upd_request = false;
  uint16_t gain_word = 0;
  t_headroom stat;

  // ---- view, after each tick ----
  bool gauge_shown = false;
  gauge_colour_t colour = GAUGE_BLUE;
  QString avg_text, min_text, max_text;
  QString gain_text;  // "%1.1f" of curr_gain

 private:
  gain_post_fn post_;
  bool forced_ = false;
};
