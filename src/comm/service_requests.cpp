#include "comm/service_requests.h"

#include "core/mono_clock.h"

bool superseding_kind(dev_request_t kind) { return kind == REQR_GAIN_SET || kind == REQR_PWM_SET; }

uint32_t post_request(dev_request_t kind, int device, const req_params& params, const std::function<void()>& pump) {
  for (;;) {
    const dev_request_t pending = m_stat.data_req.load();
    if (pending == REQR_IDLE) break;
    // rqd_device is written by the poster only, so this reads its own value.
    if (pending == kind && superseding_kind(kind) && m_stat.rqd_device.load(rlx) == device) break;
    if (pump) pump();
    sleep_ms(1);
  }
  m_stat.rqd_device.store(device, rlx);
  if (params.gain) m_stat.gain_req.store(*params.gain, rlx);
  if (params.pwm) m_stat.PWM_req.store(*params.pwm, rlx);
  if (params.pwm_mode) m_stat.PWM_dis_mode.store(*params.pwm_mode, rlx);
  if (kind == REQR_COMM_LIST) m_stat.req_stat.store(REQS_IDLE, rlx);
  return m_stat.data_req.post(kind);  // release: the parameters above come first
}

bool request_done(uint32_t serial) {
  // Serials have 24 bits and wrap; "done" is within half the range behind.
  const uint32_t diff = (m_stat.req_done.load(acq) - serial) & 0xFFFFFFu;
  return diff < 0x800000u;
}

dev_req_stat_t wait_request(uint32_t serial, const std::function<void()>& pump) {
  while (!request_done(serial)) {
    if (pump) pump();
    sleep_ms(1);
  }
  return m_stat.req_stat.load(rlx);
}

void post_dev_ctl(int device, uint32_t bits) {
  if (device < 0 || device >= MAX_DEVICES) return;
  m_stat.dev_stat[device].ctl_req.fetch_or(bits, rls);
}

int request_frames_done(uint32_t serial) {
  const uint32_t w = m_stat.req_frames.load(rlx);
  return (w >> 8) == (serial & 0xFFFFFFu) ? static_cast<int>(w & 0xFF) : 0;
}
