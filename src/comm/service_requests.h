// The user interface's side of the request protocol: posting a request
// for the communication service and waiting for its result.
#pragma once

#include "core/common_data.h"

#include <cstdint>
#include <functional>
#include <optional>

struct req_params {
  std::optional<uint16_t> gain;      // gain_req, for REQR_GAIN_SET
  std::optional<uint16_t> pwm;       // PWM_req, for REQR_PWM_SET
  std::optional<uint16_t> pwm_mode;  // PWM_dis_mode, for REQR_PWM_SET
};

inline req_params gain_params(uint16_t gain) {
  req_params p;
  p.gain = gain;
  return p;
}
inline req_params pwm_params(uint16_t value, uint16_t mode) {
  req_params p;
  p.pwm = value;
  p.pwm_mode = mode;
  return p;
}

// Posts a request for device `device` and returns its serial. A pending
// request of the same kind is replaced (the service carries out the newest
// one); a pending request of another kind is first waited for, so that no
// request (a release of a forced gain or output above all) is ever lost.
// `pump` runs while waiting (the UI lets pending messages run).
uint32_t post_request(dev_request_t kind, int device, const req_params& params = {},
                      const std::function<void()>& pump = {});

// True once the request with this serial (or a newer one) was carried out.
bool request_done(uint32_t serial);

// Waits with 1 ms sleeps until the request was carried out; its result.
dev_req_stat_t wait_request(uint32_t serial, const std::function<void()>& pump = {});

// Asks the service to do per-device work (dev_ctl_t bits) at that device's
// next turn.
void post_dev_ctl(int device, uint32_t bits);
