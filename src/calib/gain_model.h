// The transmitter's two-stage signal gain: its step tables and the gain
// of the current selection. The decoding of raw sample words and the
// stage coefficients and divisors it shares with the steps are in
// core/raw_value.h.
//
// A gain step is a pair (coefficient stage c, divisor index d); its gain
// factor is gain_div[d] / coef[c] in single precision. There is one step
// table per sensor mode class (mode 0, any other mode); step indexes always
// refer to the table of the current sensor mode.
//
// The functions of the steps of a given sensor mode keep no state; the
// others run on the user-interface thread.
#pragma once

#include "core/raw_value.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

inline constexpr uint16_t GAIN_OVERRIDE_BIT = 0x8000;  // set on a temporary gain request

inline constexpr int GAIN_STEPS_0_CNT = 137;
inline constexpr int GAIN_STEPS_1_CNT = 123;

struct t_gain_step {
  uint8_t c;  // coefficient stage 0..3
  uint8_t d;  // divisor index 0..55
};

extern const std::array<t_gain_step, GAIN_STEPS_0_CNT> gain_steps_0;
extern const std::array<t_gain_step, GAIN_STEPS_1_CNT> gain_steps_1;

// ---- steps of a given sensor mode (pure) ------------------------------------------
int gain_step_cnt(int32_t sensor_mode);
int gain_last_step(int32_t sensor_mode);
// Steps above the last one are taken as the last one, below 0 as step 0.
t_gain_step gain_step_of(int32_t sensor_mode, int step);
float gain_factor(int32_t sensor_mode, int step);
uint16_t gain_word_of(int32_t sensor_mode, int step);
// Nearest step to a wanted gain factor; false (step at the nearer end) when
// target lies outside the table. An exact tie gives the lower step.
bool find_gain_step(int32_t sensor_mode, float target, int& step);
// The highest step of stage (w >> 6) & 3 whose divisor index is at most w & 0x3F.
int gain_step_of_word(int32_t sensor_mode, uint16_t w);
// "[ " + factor with one decimal in the system's number format + " ]".
QString gain_label_text(int32_t sensor_mode, int step);

// ---- the same on the current selection --------------------------------------------
// Sensor mode of the selected device, or of the off-line set when no device
// is selected (a selection outside 0..7 counts as none).
int32_t get_sensor_mode();
float get_gain(int step);
uint16_t get_gain_word(int step);
bool find_gain_idx(float target, int& step);

// Register 1 of the product being edited, or nullptr when there is none.
std::atomic<uint16_t>* get_gain_reg();

// Step of the edited product's gain word; sets max_step to the last index
// of the current table. 0 (max_step untouched) when there is no edited product.
int get_gain_idx(int& max_step);

// Stores the gain word of step (clamped) into the edited product, when
// there is one, then shows the step's gain. Nothing is sent to the device.
void set_gain_idx(int step);

// Shows the gain factor of step on the main window's gain label. The
// main window installs the sink that sets the caption of x_lbl_gain_val;
// without one nothing is shown.
void set_gain_label_sink(std::function<void(const QString&)> sink);
void show_gain(int step);

// show_gain(get_gain_idx(...)) with ctrl_updating set meanwhile.
void refresh_gain_display();

// True when a device is selected and its panel state is 3 or 4 (connected).
bool dev_on_line();
