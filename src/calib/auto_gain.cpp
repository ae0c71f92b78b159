#include "calib/auto_gain.h"

#include "calib/gain_model.h"
#include "core/common_data.h"

#include <cmath>

float coarse_gain(float gain, uint32_t a) {
  if (a < static_cast<uint32_t>(AGN_COARSE_LOW)) return gain * 4.0f;
  if (a >= static_cast<uint32_t>(AGN_COARSE_HIGH)) return gain / 4.0f;
  return gain * 512.0f / static_cast<float>(a);
}

uint32_t get_smp_avg(int d, int n) {
  if (n <= 0) return 0;
  const int m = n < CAL_RING ? n : CAL_RING - 1;
  uint32_t sum = 0;
  int i = (n - 1) % CAL_RING;
  for (int k = 0; k < m; ++k, i = ring_back(i)) sum += ring_at(d, i);
  return sum / static_cast<uint32_t>(m);
}

bool calc_final_gain(int d, int n, float& gain) {
  const uint32_t a = get_smp_avg(d, n);
  const int b = n <= CAL_RING ? n : CAL_RING;
  if (b <= 0) return false;
  float sum = 0.0f;
  int i = (n - 1) % CAL_RING;
  for (int k = 0; k < b; ++k, i = ring_back(i)) {
    const int64_t dv = static_cast<int64_t>(ring_at(d, i)) - static_cast<int64_t>(a);
    sum += static_cast<float>(dv * dv);
  }
  const float s = std::sqrt(sum / static_cast<float>(b));
  const float den = s * 4.0f + static_cast<float>(a);
  // Every sample 0: no signal at all, which no gain in the table brings up.
  if (!(den > 0.0f)) return false;
  gain = gain * 918.0f / den;
  return std::isfinite(gain);
}

gauge_colour_t agn_colour(int position) {
  const auto p = static_cast<uint32_t>(position < 0 ? 0 : position);
  if (raw_saturated(p, 614)) return GAUGE_RED;
  if (raw_saturated(p, 410)) return GAUGE_GREEN;
  return GAUGE_BLUE;
}

int auto_gain_proc::open(int d) {
  if (!dev_on_line() || m_stat.dev_selected.load(rlx) != d) return MSG_CALIB_OFF_LINE;
  device = d;
  generation = slot_generation(d);
  agn_stat = 0;
  agn_tout = 0;
  agn_step = 0;
  curr_gain = 0.0f;
  last_gain_idx = 0;
  gain_word = 0;
  abort_flg = accept_flg = false;
  accept_enabled = false;
  forced_ = false;
  reset_capture(d, false);
  status_msg = 0;
  status_left = -1;
  gauge = 0;
  colour = GAUGE_BLUE;
  smp_cnt = 0;
  return 0;
}

void auto_gain_proc::request_trial() {
  find_gain_idx(curr_gain, last_gain_idx);
  curr_gain = get_gain(last_gain_idx);
  gain_word = get_gain_word(last_gain_idx);
  post_(device, gain_word | GAIN_OVERRIDE_BIT);
  forced_ = true;
  agn_tout = CALIB_SETTLE_TICKS;
  status_msg = MSG_CALIB_SET_GAIN;
  status_left = -1;
  agn_stat = 1;
}

void auto_gain_proc::display_current() {
  smp_cnt = m_stat.dev_stat[device].cal_smp_cnt.load(rlx);
  gauge = static_cast<int>(get_smp_avg(device, smp_cnt));
}

t_calib_out auto_gain_proc::tick(bool visible) {
  if (agn_tout > 0) --agn_tout;
  const calib_guard_t g = calib_guard(visible, device, generation);
  if (g != CALIB_GO_ON) return calib_guard_out(g);
  auto& s = m_stat.dev_stat[device];
  t_calib_out out;
  switch (agn_stat) {
    case 0:
      curr_gain = AGN_START_GAIN;
      request_trial();
      gauge = 0;
      agn_step = 0;
      abort_flg = false;
      accept_enabled = false;
      accept_flg = false;
      display_current();
      break;
    case 1:
      if (gain_reported(device, gain_word)) {
        agn_tout = CALIB_SETTLE_TICKS;
        agn_stat = 2;
      }
      break;
    case 2:
      if (agn_tout == 0) {
        reset_capture(device, true);  // a fresh capture, whether or not the service has seen it off
        agn_stat = agn_step >= AGN_COARSE_STEPS ? 4 : 3;
      }
      break;
    case 3: {
      gauge = static_cast<int>(s.cal_smp_avg.load(rlx));
      if (s.cal_smp_cnt.load(rlx) <= AGN_COARSE_MIN_SAMPLES) break;
      status_msg = MSG_CALIB_COLLECTING;
      const uint32_t a = s.cal_smp_avg.load(rlx) & RAW_MANT_MASK;
      if (a >= static_cast<uint32_t>(AGN_COARSE_HIGH)) {
        find_gain_idx(curr_gain, last_gain_idx);
        if (last_gain_idx == 0) abort_flg = true;
      }
      if (abort_flg) {
        close();
        out.stop_timer = out.close = true;
        out.error_msg = MSG_AUTOGAIN_FAILED;
        return out;
      }
      curr_gain = coarse_gain(curr_gain, a);
      request_trial();
      ++agn_step;
      display_current();
      s.calib_req.store(false, rlx);  // no capture until the new gain has settled
      break;
    }
    case 4: {
      const int n = s.cal_smp_cnt.load(rlx);
      if (n > AGN_ACCEPT_AFTER) accept_enabled = true;
      if (n >= AGN_FINAL_SAMPLES || accept_flg) {
        bool ok = calc_final_gain(device, n, curr_gain);
        if (ok) {
          ok = find_gain_idx(curr_gain, last_gain_idx);
        } else {
          last_gain_idx = gain_last_step(get_sensor_mode());  // beyond the table's top
        }
        curr_gain = get_gain(last_gain_idx);
        gain_word = get_gain_word(last_gain_idx);
        close();
        if (std::atomic<uint16_t>* reg = get_gain_reg()) {
          reg->store(gain_word, rlx);
          refresh_gain_display();
          out.stored = true;
        } else {
          ok = false;  // no product being edited: nothing stored
        }
        out.stop_timer = out.close = true;
        (ok ? out.info_msg : out.error_msg) = ok ? MSG_AUTOGAIN_DONE : MSG_AUTOGAIN_FAILED;
        return out;
      }
      status_msg = MSG_CALIB_COLLECTING;
      status_left = CAL_RING - n;
      display_current();
      break;
    }
    default: break;
  }
  colour = agn_colour(gauge);
  return out;
}

void auto_gain_proc::close() {
  if (forced_) post_(device, 0);
  forced_ = false;
  if (device >= 0 && device < MAX_DEVICES) m_stat.dev_stat[device].calib_req.store(false, rlx);
}
