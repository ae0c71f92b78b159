// The user interface's one way to the communication service: requests
// (status, configuration read and write, port list, gain, analog output),
// per-device work, removing a device and editing a device connection.
//
// A call that waits keeps the window painted through its pump, which takes
// no user input, and a call made while another one waits (from a timer, or
// from anything else the pump runs) is refused: one flow never sees, or
// replaces, another flow's request. Requests for the gain and the analog
// output are superseded by a newer one of the same kind for the same device
// (the newest value wins); every other request waits for the pending one.
//
// User-interface thread only. srvc_client() is the program's instance;
// tests may make their own.
#pragma once

#include "comm/service_requests.h"
#include "core/common_data.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

class service_client {
 public:
  using pump_fn = std::function<void()>;
  using running_fn = std::function<bool()>;

  service_client();
  service_client(const service_client&) = delete;
  service_client& operator=(const service_client&) = delete;

  // What runs while a call waits. The default (also after an empty
  // function) lets the application's event loop, when there is one on this
  // thread, handle everything but user input: windows repaint and timers
  // tick, while clicks and keys stay queued until the call has returned.
  void set_pump(pump_fn pump);
  // Whether the service thread runs. Without it no request is posted (it
  // would never be carried out), and removals and connection edits are
  // carried out directly. Default: srvc_thread exists and was started. Tests
  // that run a com_service of their own say so here (and may step it from
  // the pump).
  void set_service_running(running_fn running);

  // True while a call waits: every call then refuses.
  bool busy() const { return busy_; }
  // Runs the pump once: what a window waiting for something other than a
  // request (a thread's end, a short pause) lets run meanwhile.
  void pump() const;

  // ---- requests -----------------------------------------------------------------
  // Posts a request for device `device` (waiting first for a pending request
  // it may not replace) and returns its serial; std::nullopt when refused or
  // when the service does not run.
  std::optional<uint32_t> post(dev_request_t kind, int device, const req_params& params = {});
  // Waits until the request with this serial (or a newer one) was carried
  // out: REQS_READY or REQS_ERROR (also when the service does not run);
  // REQS_IDLE when refused (nothing waited).
  dev_req_stat_t wait(uint32_t serial);
  // post, then wait: the request's result (REQS_ERROR when the service does
  // not run); REQS_IDLE when refused.
  dev_req_stat_t request(dev_request_t kind, int device, const req_params& params = {});
  // True once the request with this serial (or a newer one) was carried out.
  static bool done(uint32_t serial) { return request_done(serial); }

  // ---- progress of a configuration read or write ------------------------------------
  // The frames a request of this kind moves, and how many of them the
  // request with this serial has moved so far (all of them once it is done).
  static int frame_count(dev_request_t kind);
  static int frames_done(uint32_t serial) { return request_frames_done(serial); }

  // Posted without waiting for the result; a pending one of the same kind
  // for the same device is replaced. std::nullopt when refused or when the
  // service does not run.
  // The gain word (with bit 15 a temporary override; 0 ends the override).
  std::optional<uint32_t> post_gain(int device, uint16_t gain_word);
  // Drives the analog output with value and mode word (the service adds bit 0).
  std::optional<uint32_t> post_output(int device, uint16_t value, uint16_t mode);
  // Reads the status block, then lets the analog output follow the
  // measurement again (REQR_PWM_ENA, which the service continues itself).
  std::optional<uint32_t> post_output_release(int device);

  // ---- temporary overrides ----------------------------------------------------------
  // The client keeps track of what it forced on each device slot: a gain
  // posted with bit 15, an analog output drive. A release (gain 0, the
  // output released) stays due until the service has carried it out with
  // success: one refused while another call waits, or one that failed on
  // the line, is posted again by keep_releasing(). Removing a device or
  // editing its connection first releases what is forced on it.
  bool gain_forced(int d) const;    // forced, or its release not yet confirmed
  bool output_forced(int d) const;  // the same for the analog output
  // Posts every due release again that was refused, failed, or whose
  // result was overtaken by a newer request; confirms those carried out.
  // The window's one-second timer calls it. Does nothing while a call waits.
  void keep_releasing();
  // Releases what is forced on every device and waits until the service has
  // carried it out (each release tried twice at most): before the service ends.
  void release_all_and_wait();
  // Changes whenever the device in slot d is removed (or moved down a place)
  // or its connection edited: a dialog working on a device can tell that
  // the slot no longer holds the device it was opened for.
  uint32_t generation(int d) const;

  // Per-device work (dev_ctl_t bits) at that device's next turn; never
  // waits, so it is never refused.
  static void post_dev_ctl(int device, uint32_t bits) { ::post_dev_ctl(device, bits); }

  // ---- the live chart ---------------------------------------------------------------
  // The new-day handshake: true once after the service has moved the live
  // rings to a new day (it raises the flag when they hold the new day);
  // taking the flag makes what it wrote into them visible on this thread.
  static bool take_live_reset();
  // The live chart's update (the tool bar's stop and play): 0 following,
  // 1 stopped, 2 resume requested (the chart's next follow step takes it).
  static int32_t play_state();
  static void set_play_state(int32_t state);

  // ---- the status block (analog output calibration) ----------------------------------
  // Waits until device d's status block has been read since it was last
  // marked stale (post_dev_ctl with CTL_CLEAR_STATUS, which the service
  // carries out before any request for d posted after it), at most ms
  // milliseconds on the line clock. True when it has been; false when the
  // time ran out, the service does not run, or another call waits (refused).
  bool wait_for_status(int d, int ms);

  // ---- device slots ---------------------------------------------------------------
  // Removes device slot r (the slots behind it move down one place) and
  // waits until that is done. False when refused or r is no slot.
  bool remove_device(int r);
  // Puts the edited connection record rec into force for slot d; with reset
  // the device's pending samples go to its old log and its acquisition starts
  // afresh. Waits until that is done. False when refused or d is no slot.
  bool edit_connection(int d, const t_dev_conn& rec, bool reset);

  // ---- the service thread's life ---------------------------------------------------
  // The program's service (srvc_thread), for the program's client only.
  // start_service makes it at the first start and starts it with no request
  // pending and no live-day change flagged. stop_service ends it: with
  // release, whatever is forced on a transmitter is released first; with
  // keep_painted, the pump runs while the thread flushes its logs and ends
  // (a start-up that failed ends it without). destroy_service deletes it.
  void start_service();
  void stop_service(bool release, bool keep_painted);
  void destroy_service();
  // True once a started service thread has ended its loop.
  bool service_ended() const { return ended_.load(std::memory_order_acquire); }

 private:
  bool service_running() const;

  // State of one override kind on one device.
  enum force_t : uint8_t { FORCE_FREE, FORCE_ON, FORCE_RELEASE_DUE };
  struct t_force {
    force_t state = FORCE_FREE;
    std::optional<uint32_t> serial;  // of the release posted last
  };
  std::optional<uint32_t> post_release(int d, bool gain);
  // Releases what is forced on d and waits (no busy check: the caller holds it).
  void release_now(int d);

  pump_fn pump_;
  running_fn running_;
  bool busy_ = false;
  std::array<t_force, MAX_DEVICES> gain_{};
  std::array<t_force, MAX_DEVICES> output_{};
  std::array<uint32_t, MAX_DEVICES> generation_{};
  std::atomic<bool> ended_{false};  // set by the service thread as it ends
};

// The program's client, used by every window, page and dialog.
service_client& srvc_client();
