#include "calib/gain_model.h"

#include "core/common_data.h"
#include "core/sys_number.h"

#include <cmath>
#include <span>

namespace {

// Steps in order of stage, and within a stage in order of divisor index:
// per_stage[c] divisor indexes 0..per_stage[c]-1.
template <int N>
constexpr std::array<t_gain_step, N> make_steps(const int (&per_stage)[4]) {
  std::array<t_gain_step, N> t{};
  int k = 0;
  for (int c = 0; c < 4; ++c)
    for (int d = 0; d < per_stage[c]; ++d) t[k++] = t_gain_step{static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
  return t;
}

constexpr int k_stages_0[4] = {7, 18, 56, 56};
constexpr int k_stages_1[4] = {22, 21, 24, 56};

std::span<const t_gain_step> steps_of(int32_t sensor_mode) {
  if (sensor_mode == 0) return gain_steps_0;
  return gain_steps_1;
}

const std::array<float, 4>& coef_of(int32_t sensor_mode) { return sensor_mode == 0 ? gain_coef_0 : gain_coef_1; }

int clamp_step(int32_t sensor_mode, int step) {
  const int last = gain_last_step(sensor_mode);
  if (step > last) return last;
  return step < 0 ? 0 : step;
}

std::function<void(const QString&)>& gain_sink() {
  static std::function<void(const QString&)> s;
  return s;
}

// The selected device, or -1 when none (or when the selection is out of range).
int selected_device() {
  const int32_t sel = m_stat.dev_selected.load(std::memory_order_relaxed);
  return (sel >= 0 && sel < MAX_DEVICES) ? sel : -1;
}

}  // namespace

const std::array<t_gain_step, GAIN_STEPS_0_CNT> gain_steps_0 = make_steps<GAIN_STEPS_0_CNT>(k_stages_0);
const std::array<t_gain_step, GAIN_STEPS_1_CNT> gain_steps_1 = make_steps<GAIN_STEPS_1_CNT>(k_stages_1);

int gain_step_cnt(int32_t sensor_mode) { return static_cast<int>(steps_of(sensor_mode).size()); }

int gain_last_step(int32_t sensor_mode) { return gain_step_cnt(sensor_mode) - 1; }

t_gain_step gain_step_of(int32_t sensor_mode, int step) { return steps_of(sensor_mode)[clamp_step(sensor_mode, step)]; }

float gain_factor(int32_t sensor_mode, int step) {
  const t_gain_step s = gain_step_of(sensor_mode, step);
  const volatile float g = gain_div[s.d] / coef_of(sensor_mode)[s.c];
  return g;
}

uint16_t gain_word_of(int32_t sensor_mode, int step) {
  const t_gain_step s = gain_step_of(sensor_mode, step);
  return static_cast<uint16_t>(((s.c << 6) & 0xC0) | (s.d & 0x3F));
}

bool find_gain_step(int32_t sensor_mode, float target, int& step) {
  const int n = gain_step_cnt(sensor_mode);
  if (std::isnan(target) || target <= gain_factor(sensor_mode, 0)) {
    step = 0;
    return false;
  }
  if (target > gain_factor(sensor_mode, n - 1)) {
    step = n - 1;
    return false;
  }
  float prev = gain_factor(sensor_mode, 0);
  for (int row = 1; row < n; ++row) {
    const float g = gain_factor(sensor_mode, row);
    if (target >= g) {
      step = row;
      prev = g;
      continue;
    }
    step = (target - prev) <= (g - target) ? row - 1 : row;
    return true;
  }
  step = n - 1;
  return true;
}

int gain_step_of_word(int32_t sensor_mode, uint16_t w) {
  const int c = (w >> 6) & 3;
  const int d = w & 0x3F;
  const auto steps = steps_of(sensor_mode);
  int result = -1;
  for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
    if (steps[i].c != c) continue;
    if (result < 0 || steps[i].d <= d) result = i;
    if (steps[i].d > d) break;
  }
  return result;
}

QString gain_label_text(int32_t sensor_mode, int step) {
  return "[ " + fmt_sys_fixed(1, gain_factor(sensor_mode, step)) + " ]";
}

int32_t get_sensor_mode() {
  const int dev = selected_device();
  if (dev < 0) return m_stat.sensor_mode.load(std::memory_order_relaxed);
  return m_stat.dev_stat[dev].sensor_mode.load(std::memory_order_relaxed);
}

float get_gain(int step) { return gain_factor(get_sensor_mode(), step); }

uint16_t get_gain_word(int step) { return gain_word_of(get_sensor_mode(), step); }

bool find_gain_idx(float target, int& step) { return find_gain_step(get_sensor_mode(), target, step); }

std::atomic<uint16_t>* get_gain_reg() {
  const int32_t sel = m_stat.dev_selected.load(std::memory_order_relaxed);
  prod_image* prod = nullptr;
  int32_t p = -1;
  if (sel < 0) {
    if (!m_stat.off_line_vaild.load(std::memory_order_relaxed)) return nullptr;
    p = m_stat.ed_prod_id.load(std::memory_order_relaxed);
    prod = &m_stat.edit_prod;
  } else if (sel < MAX_DEVICES) {
    p = m_stat.dev_stat[sel].ed_prod_id.load(std::memory_order_relaxed);
    prod = &m_stat.dev_stat[sel].edit_prod;
  } else {
    return nullptr;
  }
  if (p < 0 || p >= PRODUCTS) return nullptr;
  return &prod->r[PROD_STRIDE * p + 1];
}

int get_gain_idx(int& max_step) {
  std::atomic<uint16_t>* reg = get_gain_reg();
  if (!reg) return 0;
  const int32_t mode = get_sensor_mode();
  max_step = gain_last_step(mode);
  const int step = gain_step_of_word(mode, reg->load(std::memory_order_relaxed));
  return step < 0 ? 0 : step;
}

void set_gain_idx(int step) {
  if (std::atomic<uint16_t>* reg = get_gain_reg()) {
    step = clamp_step(get_sensor_mode(), step);
    reg->store(get_gain_word(step), std::memory_order_relaxed);
  }
  show_gain(step);
}

void set_gain_label_sink(std::function<void(const QString&)> sink) { gain_sink() = std::move(sink); }

void show_gain(int step) {
  if (gain_sink()) gain_sink()(gain_label_text(get_sensor_mode(), step));
}

void refresh_gain_display() {
  const bool old = ctrl_updating;
  ctrl_updating = true;
  int max_step = 0;
  show_gain(get_gain_idx(max_step));
  ctrl_updating = old;
}

bool dev_on_line() {
  const int dev = selected_device();
  if (dev < 0) return false;
  const int32_t st = srvc_diag.diag[dev].panel_state.load(std::memory_order_relaxed);
  return st == 3 || st == 4;
}
