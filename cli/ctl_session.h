// One transmitter on one serial line, reached through the program's own
// communication service with device slot 0 set to the line's settings: the
// same Modbus link, the same request logic (frames, retries, time-outs) as
// in the window, without a window.
#pragma once

#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// The device slot orvctl works in.
inline constexpr int kSlot = 0;

struct t_ctl_target {
  int com = 0;       // 1..50
  int addr = 1;      // unit address 1..247
  int baud_idx = 4;  // 0..4
  int parity = 0;    // 0 none, 1 odd, 2 even
  int slack_ms = 0;  // waited longer for every answer than the line's limits
};

// Frames done so far and frames in all, while a request runs.
using ctl_progress_fn = std::function<void(int done, int total)>;

class ctl_session {
 public:
  // Resets the run-time records and makes device slot 0 the target.
  explicit ctl_session(const t_ctl_target& target);
  // Stops the service (when it runs) and closes the port.
  ~ctl_session();
  ctl_session(const ctl_session&) = delete;
  ctl_session& operator=(const ctl_session&) = delete;

  // Opens the port with the target's settings. False with a message that
  // says why (in use by another program, missing, not permitted).
  bool open(QString& error);

  // Carries out one request for the target and waits for it; progress is
  // called while it runs. REQS_READY on success.
  dev_req_stat_t request(dev_request_t kind, const ctl_progress_fn& progress = {});
  // After a failed request: the registers of the frame that failed.
  QString failed_frame_text(dev_request_t kind) const;

  // Polls the target as the service polls a device (status check, then the
  // sample block), without logging; its state afterwards. DEVSTAT_OK: the
  // status image and the newest sample are there. Only before any request.
  device_stat_t poll_once();

  // "COM3, address 1, 115200 baud, no parity".
  QString target_text() const;
  const t_ctl_target& target() const { return target_; }

 private:
  t_ctl_target target_;
  TModbSerial link_;
  std::atomic<bool> terminated_{false};
  std::unique_ptr<com_service> svc_;
  uint32_t last_serial_ = 0;
};
