#include "calib/calib_capture.h"

#include "calib/gain_model.h"
#include "core/common_data.h"

gauge_colour_t capture_colour(uint32_t max_mantissa) {
  if (raw_saturated(max_mantissa, RAW_SAT_LIMIT)) return GAUGE_RED;
  if (raw_saturated(max_mantissa, RAW_NEAR_LIMIT)) return GAUGE_YELLOW;
  return GAUGE_GREEN;
}

uint32_t capture_raw_value(uint32_t word, uint32_t avg_mantissa) {
  return static_cast<uint32_t>(raw_to_value((word & ~RAW_MANT_MASK) | (avg_mantissa & RAW_MANT_MASK)));
}

bool store_cal_raw(int d, int k, uint32_t v) {
  if (d < 0 || d >= MAX_DEVICES || k < 0 || k > 4) return false;
  auto& s = m_stat.dev_stat[d];
  const int p = s.ed_prod_id.load(rlx);
  if (p < 0 || p >= PRODUCTS) return false;
  const int r = PROD_STRIDE * p + 12 + 2 * k;
  s.edit_prod.set(r, static_cast<uint16_t>(v & 0xFFFF));
  s.edit_prod.set(r + 1, static_cast<uint16_t>(v >> 16));
  return true;
}

int calib_in_proc::open(int d, int k) {
  if (!dev_on_line() || m_stat.dev_selected.load(rlx) != d) return MSG_CALIB_OFF_LINE;
  const std::atomic<uint16_t>* reg = get_gain_reg();
  if (!reg) return MSG_CALIB_OFF_LINE;  // no product being edited: nothing to capture for
  device = d;
  generation = slot_generation(d);
  calib_gain = reg->load(rlx);
  cal_stat = 0;
  cal_pt = k;
  calib_tout = 0;
  calib_result = 0;
  forced_ = false;
  reset_capture(d, false);
  status_msg = 0;
  ok_enabled = true;
  gauge = 0;
  colour = GAUGE_GREEN;
  smp_cnt = 0;
  return 0;
}

t_calib_out calib_in_proc::tick(bool visible) {
  if (calib_tout > 0) --calib_tout;
  const calib_guard_t g = calib_guard(visible, device, generation);
  if (g != CALIB_GO_ON) return calib_guard_out(g);
  auto& s = m_stat.dev_stat[device];
  switch (cal_stat) {
    case 0:
      s.calib_req.store(false, rlx);
      ok_enabled = false;
      post_(device, calib_gain | GAIN_OVERRIDE_BIT);
      forced_ = true;
      calib_tout = CALIB_SETTLE_TICKS;
      status_msg = MSG_CALIB_SET_GAIN;
      cal_stat = 1;
      gauge = 0;
      break;
    case 1:
      if (gain_reported(device, calib_gain)) {
        calib_tout = CALIB_SETTLE_TICKS;
        cal_stat = 2;
      }
      break;
    case 2:
      if (calib_tout == 0) {
        s.calib_req.store(true, rlx);
        cal_stat = 3;
      }
      break;
    case 3:
      if (s.cal_smp_cnt.load(rlx) > 0) {
        gauge = static_cast<int>(s.cal_smp_avg.load(rlx));
        status_msg = MSG_CALIB_COLLECTING;
        colour = capture_colour(s.cal_smp_max.load(rlx));
        ok_enabled = colour != GAUGE_RED;
      }
      break;
    default: break;
  }
  if (const int n = s.cal_smp_cnt.load(rlx); n > 0) {
    calib_result = capture_raw_value(newest_raw(device), s.cal_smp_avg.load(rlx));
    smp_cnt = n;
  }
  return {};
}

int calib_in_proc::save() {
  cal_stat = 4;
  if (device < 0 || device >= MAX_DEVICES) return 0;
  const auto& s = m_stat.dev_stat[device];
  // Only samples counted since the gain was confirmed count (step 3 on).
  if (s.cal_smp_cnt.load(rlx) < 1 || !s.calib_req.load(rlx)) return MSG_CALIB_NO_DATA;
  if (s.cal_smp_max.load(rlx) >= static_cast<uint32_t>(RAW_SAT_LIMIT)) return MSG_CALIB_SATURATED;
  return store_cal_raw(device, cal_pt, calib_result) ? 0 : MSG_CALIB_NO_DATA;
}

void calib_in_proc::close() {
  if (forced_) post_(device, 0);
  forced_ = false;
  if (device >= 0 && device < MAX_DEVICES) m_stat.dev_stat[device].calib_req.store(false, rlx);
}
