#include "calib/calib_common.h"

#include "core/common_data.h"

namespace {

std::function<uint32_t(int)>& generation_source() {
  static std::function<uint32_t(int)> s;
  return s;
}

}  // namespace

void set_slot_generation_source(std::function<uint32_t(int device)> source) { generation_source() = std::move(source); }

uint32_t slot_generation(int device) { return generation_source() ? generation_source()(device) : 0; }

calib_guard_t calib_guard(bool visible, int device, uint32_t generation) {
  if (!visible) return CALIB_HIDDEN;
  if (device < 0 || device >= MAX_DEVICES || m_stat.dev_selected.load(rlx) != device ||
      slot_generation(device) != generation)
    return CALIB_GONE;
  const device_stat_t s = m_stat.dev_stat[device].device_stat.load(rlx);
  if (s != DEVSTAT_IDLE && s != DEVSTAT_OK && s != DEVSTAT_WAIT) return CALIB_LOST;
  return CALIB_GO_ON;
}

t_calib_out calib_guard_out(calib_guard_t g) {
  t_calib_out out;
  out.stop_timer = g != CALIB_GO_ON;
  out.close = g == CALIB_GONE || g == CALIB_LOST;
  if (g == CALIB_LOST) out.error_msg = MSG_CALIB_NO_CONNECTION;
  return out;
}

void reset_capture(int device, bool on) {
  if (device < 0 || device >= MAX_DEVICES) return;
  auto& s = m_stat.dev_stat[device];
  s.cal_smp_cnt.store(0, rlx);
  s.cal_smp_sum.store(0, rlx);
  s.calib_req.store(on, rlx);
}

uint32_t newest_raw(int device) { return m_stat.dev_stat[device].last_dev_data.raw.load(rlx); }

bool gain_reported(int device, uint16_t gain_word) { return ((newest_raw(device) >> 12) & 0xFF) == (gain_word & 0xFF); }

uint32_t ring_at(int device, int i) { return m_stat.dev_stat[device].cal_raw_smp[static_cast<size_t>(i)].load(rlx); }
