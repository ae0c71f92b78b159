// The automatic gain search (the logic of TAuto_gain): a first trial at
// gain 34.6, three coarse corrections aiming the average mantissa at 512,
// then a final capture of up to 363 samples after which the gain is scaled
// so that the average plus four standard deviations lands at 918, and the
// nearest step is stored in the edited product's gain register.
//
// User-interface thread only; the dialog calls tick() every 500 ms.
#pragma once

#include "calib/calib_common.h"

#include <cstdint>

inline constexpr float AGN_START_GAIN = 34.6f;
inline constexpr int AGN_COARSE_LOW = 102;
inline constexpr int AGN_COARSE_HIGH = 918;
inline constexpr int AGN_COARSE_STEPS = 3;
inline constexpr int AGN_COARSE_MIN_SAMPLES = 20;  // more than this before a coarse decision
inline constexpr int AGN_FINAL_SAMPLES = 363;
inline constexpr int AGN_ACCEPT_AFTER = 182;  // Accept is enabled with more than this

// The gain after one coarse capture with average mantissa a (0..1023):
// x 4 below 102, / 4 at 918 or more, else x 512 / a.
float coarse_gain(float gain, uint32_t a);

// Mean of the newest min(n, 363) entries of device d's capture ring (integer division); 0 for n = 0.
uint32_t get_smp_avg(int d, int n);

// The final scaling of gain by the newest samples of device d's ring
// (n counted): gain x 918 / (4 s + a). False when every sample is 0, where
// the scaling has no finite result (the gain is then beyond the table).
bool calc_final_gain(int d, int n, float& gain);

// Gauge colour of the automatic gain by the gauge position: red from 614,
// green from 410, else blue.
gauge_colour_t agn_colour(int position);

class auto_gain_proc {
 public:
  explicit auto_gain_proc(gain_post_fn post) : post_(std::move(post)) {}

  // Opens the search for device d: 0, or text 57 when it is not on line.
  int open(int d);
  t_calib_out tick(bool visible);
  void accept() { accept_flg = true; }
  // Every way out: ends the override (when one was asked for) and the capture.
  void close();

  // ---- state ----
  int device = -1;
  uint32_t generation = 0;
  int agn_stat = 0;  // 0 start, 1 wait for gain, 2 settle, 3 coarse capture, 4 final capture
  float curr_gain = 0.0f;
  int last_gain_idx = 0;
  uint16_t gain_word = 0;
  int agn_tout = 0;
  int agn_step = 0;
  bool abort_flg = false;
  bool accept_flg = false;

  // ---- view, after each tick ----
  bool accept_enabled = false;
  int status_msg = 0;
  int status_left = -1;  // the count shown after the status text ("[n]"); -1 none
  int gauge = 0;
  gauge_colour_t colour = GAUGE_BLUE;
  int smp_cnt = 0;  // the value label of the hidden index caption

 private:
  void request_trial();
  void display_current();
  gain_post_fn post_;
  bool forced_ = false;
};
