#include "calib/manual_gain.h"

#include "calib/gain_model.h"
#include "core/common_data.h"
#include "core/sys_number.h"

#include <algorithm>

QString get_proc_val(int v) {
  int p = v * 1000 / 1020;
  if (p > 1000) p = 1000;
  return fmt_sys_fixed(1, p / 10.0) + " %";
}

gauge_colour_t headroom_colour(int min_value, int max_value) {
  if (!raw_saturated(static_cast<uint32_t>(min_value), 512)) return GAUGE_BLUE;
  if (!raw_saturated(static_cast<uint32_t>(max_value), 969)) return GAUGE_GREEN;
  if (raw_saturated(static_cast<uint32_t>(max_value), RAW_SAT_LIMIT)) return GAUGE_RED;
  return GAUGE_YELLOW;
}

t_headroom headroom_of(int d, int n) {
  t_headroom h;
  if (n <= MAN_SKIP) return h;
  h.window = std::min(n - MAN_SKIP, MAN_WINDOW);
  int i = (n - 1) % CAL_RING;
  const int first = static_cast<int>(ring_at(d, i));
  h.sum = h.min_value = h.max_value = first;
  for (int k = 1; k < h.window; ++k) {
    i = ring_back(i);
    const int v = static_cast<int>(ring_at(d, i));
    h.sum += v;
    h.min_value = std::min(h.min_value, v);
    h.max_value = std::max(h.max_value, v);
  }
  h.avg_value = static_cast<int>(h.sum / h.window);
  return h;
}

int manual_gain_proc::open(int d) {
  int max_step = gain_last_step(get_sensor_mode());  // also when no product is being edited
  last_gain_idx = get_gain_idx(max_step);
  device = d >= 0 && d < MAX_DEVICES ? d : -1;
  generation = device >= 0 ? slot_generation(device) : 0;
  forced_ = false;
  stat = {};
  gauge_shown = false;
  colour = GAUGE_BLUE;
  avg_text = min_text = max_text = QString();
  curr_gain = get_gain(last_gain_idx);
  gain_text = fmt_sys_fixed(1, curr_gain);
  upd_request = device >= 0;
  if (device >= 0) reset_capture(device, true);  // the capture runs while the dialog is open
  return max_step;
}

t_calib_out manual_gain_proc::tick(bool visible, int pos) {
  const calib_guard_t g = calib_guard(visible, device, generation);
  if (g != CALIB_GO_ON) return calib_guard_out(g);
  auto& s = m_stat.dev_stat[device];
  if (upd_request) {
    upd_request = false;
    curr_gain = get_gain(last_gain_idx);
    gain_word = get_gain_word(last_gain_idx);
    post_(device, gain_word | GAIN_OVERRIDE_BIT);
    forced_ = true;
    s.cal_smp_cnt.store(0, rlx);  // the statistics start again from the newest sample
  }
  if (pos != last_gain_idx) {
    last_gain_idx = pos;
    upd_request = true;  // sent at the next tick
  }
  if (const int n = s.cal_smp_cnt.load(rlx); n > MAN_SKIP) {
    stat = headroom_of(device, n);
    colour = headroom_colour(stat.min_value, stat.max_value);
    avg_text = get_proc_val(stat.avg_value);
    min_text = get_proc_val(stat.min_value);
    max_text = get_proc_val(stat.max_value);
    gauge_shown = true;
  }
  gain_text = fmt_sys_fixed(1, curr_gain);
  return {};
}

void manual_gain_proc::confirm(int pos) { set_gain_idx(pos); }

void manual_gain_proc::close() {
  if (device < 0) return;
  if (forced_) post_(device, 0);
  forced_ = false;
  m_stat.dev_stat[device].calib_req.store(false, rlx);
}
