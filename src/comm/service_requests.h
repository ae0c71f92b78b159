// The request protocol's primitives on the posting side: handing a request
// to the communication service and waiting for its result. The user
// interface goes through service_client (comm/service_client.h), which adds
// the guard against re-entry; the service tests use these directly.
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

// The kinds whose newest value is all that counts (a gain word, an analog
// output drive): a pending one for the same device is replaced.
bool superseding_kind(dev_request_t kind);

// Posts a request for device `device` and returns its serial. A pending
// request is replaced only when both are of a superseding kind, of the same
// kind and for the same device (the service then carries out the newest
// value); any other pending request is first waited for, so that no request
// (a read for another device, a release of a forced gain or output) is ever
// lost or answered by another one's result. `pump` runs while waiting.
// One posting thread at a time.
uint32_t post_request(dev_request_t kind, int device, const req_params& params = {},
                      const std::function<void()>& pump = {});

// True once the request with this serial (or a newer one) was carried out.
bool request_done(uint32_t serial);

// Waits with 1 ms sleeps until the request was carried out; its result.
dev_req_stat_t wait_request(uint32_t serial, const std::function<void()>& pump = {});

// Asks the service to do per-device work (dev_ctl_t bits) at that device's
// next turn.
void post_dev_ctl(int device, uint32_t bits);

// Frames the service has transferred so far for the request with this
// serial; 0 until it takes the request.
int request_frames_done(uint32_t serial);
