#include "comm/service_client.h"

#include "comm/com_service.h"
#include "comm/device_slots.h"
#include "core/mono_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

namespace {

void keep_painted() {
  const QCoreApplication* app = QCoreApplication::instance();
  if (app && app->thread() == QThread::currentThread())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool default_service_running() { return srvc_thread && srvc_thread->started(); }

// Marks the client busy for its lifetime; entered() is false when it was
// busy already, and the call must then refuse.
class busy_scope {
 public:
  explicit busy_scope(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
  ~busy_scope() {
    if (entered_) busy_ = false;
  }
  busy_scope(const busy_scope&) = delete;
  busy_scope& operator=(const busy_scope&) = delete;
  bool entered() const { return entered_; }

 private:
  bool& busy_;
  const bool entered_;
};

}  // namespace

service_client::service_client() {
  set_pump({});
  set_service_running({});
}

void service_client::set_pump(pump_fn pump) { pump_ = pump ? std::move(pump) : pump_fn(keep_painted); }

void service_client::set_service_running(running_fn running) {
  running_ = running ? std::move(running) : running_fn(default_service_running);
}

bool service_client::service_running() const { return running_(); }

void service_client::pump() const { pump_(); }

std::optional<uint32_t> service_client::post(dev_request_t kind, int device, const req_params& params) {
  busy_scope scope(busy_);
  if (!scope.entered() || !service_running()) return std::nullopt;
  return post_request(kind, device, params, [this] { pump(); });
}

bool service_client::take_live_reset() { return m_stat.reset_live.exchange(false, acq_rls); }

int32_t service_client::play_state() { return m_stat.play_enable.load(); }

void service_client::set_play_state(int32_t state) { m_stat.play_enable.store(state); }

dev_req_stat_t service_client::wait(uint32_t serial) {
  busy_scope scope(busy_);
  if (!scope.entered()) return REQS_IDLE;
  if (!request_done(serial) && !service_running()) return REQS_ERROR;
  return wait_request(serial, [this] { pump(); });
}

dev_req_stat_t service_client::request(dev_request_t kind, int device, const req_params& params) {
  busy_scope scope(busy_);
  if (!scope.entered()) return REQS_IDLE;
  if (!service_running()) return REQS_ERROR;
  const auto p = [this] { pump(); };
  return wait_request(post_request(kind, device, params, p), p);
}

std::optional<uint32_t> service_client::post_gain(int device, uint16_t gain_word) {
  const auto serial = post(REQR_GAIN_SET, device, gain_params(gain_word));
  if (device < 0 || device >= MAX_DEVICES) return serial;
  t_force& f = gain_[static_cast<size_t>(device)];
  if (gain_word == 0) {
    // Due even when refused: keep_releasing posts it again.
    f = {FORCE_RELEASE_DUE, serial};
  } else if ((gain_word & 0x8000) && serial) {
    f = {FORCE_ON, std::nullopt};
  }
  return serial;
}

std::optional<uint32_t> service_client::post_output(int device, uint16_t value, uint16_t mode) {
  const auto serial = post(REQR_PWM_SET, device, pwm_params(value, mode));
  if (serial && device >= 0 && device < MAX_DEVICES) output_[static_cast<size_t>(device)] = {FORCE_ON, std::nullopt};
  return serial;
}

std::optional<uint32_t> service_client::post_output_release(int device) {
  const auto serial = post(REQR_PWM_ENA, device);
  if (device >= 0 && device < MAX_DEVICES) output_[static_cast<size_t>(device)] = {FORCE_RELEASE_DUE, serial};
  return serial;
}

namespace {

// True while the newest request carried out is the one with this serial:
// req_stat is then its result.
bool own_result(uint32_t serial) { return (m_stat.req_done.load(acq) & 0xFFFFFFu) == (serial & 0xFFFFFFu); }

}  // namespace

bool service_client::gain_forced(int d) const {
  return d >= 0 && d < MAX_DEVICES && gain_[static_cast<size_t>(d)].state != FORCE_FREE;
}

bool service_client::output_forced(int d) const {
  return d >= 0 && d < MAX_DEVICES && output_[static_cast<size_t>(d)].state != FORCE_FREE;
}

uint32_t service_client::generation(int d) const {
  return d >= 0 && d < MAX_DEVICES ? generation_[static_cast<size_t>(d)] : 0;
}

std::optional<uint32_t> service_client::post_release(int d, bool gain) {
  return gain ? post(REQR_GAIN_SET, d, gain_params(0)) : post(REQR_PWM_ENA, d);
}

void service_client::keep_releasing() {
  if (busy_) return;
  for (int d = 0; d < MAX_DEVICES; ++d) {
    for (const bool gain : {true, false}) {
      t_force& f = (gain ? gain_ : output_)[static_cast<size_t>(d)];
      if (f.state != FORCE_RELEASE_DUE) continue;
      if (f.serial) {
        if (!request_done(*f.serial)) continue;  // not carried out yet
        // The result is the release's own only while no newer request was
        // carried out; otherwise it is posted again (a second 0 is harmless).
        if (own_result(*f.serial) && m_stat.req_stat.load(rlx) == REQS_READY) {
          f = {};
          continue;
        }
      }
      f.serial = post_release(d, gain);
    }
  }
}

void service_client::release_now(int d) {
  for (const bool gain : {true, false}) {
    t_force& f = (gain ? gain_ : output_)[static_cast<size_t>(d)];
    if (f.state == FORCE_FREE) continue;
    if (service_running()) {
      const auto p = [this] { pump(); };
      // A release already posted is waited for rather than sent twice.
      bool posted = f.state == FORCE_RELEASE_DUE && f.serial.has_value();
      uint32_t serial = posted ? *f.serial : 0;
      for (int attempt = 0; attempt < 3; ++attempt) {
        if (!posted)
          serial = gain ? post_request(REQR_GAIN_SET, d, gain_params(0), p) : post_request(REQR_PWM_ENA, d, {}, p);
        const dev_req_stat_t st = wait_request(serial, p);
        if (own_result(serial) && st == REQS_READY) break;
        posted = false;
      }
    }
    f = {};
  }
}

void service_client::release_all_and_wait() {
  busy_scope scope(busy_);
  // A call that waits now cannot be part of the shutdown; the releases go
  // out anyway once the slot is free (post_request waits for it).
  for (int d = 0; d < MAX_DEVICES; ++d) release_now(d);
}

bool service_client::wait_for_status(int d, int ms) {
  if (d < 0 || d >= MAX_DEVICES) return false;
  busy_scope scope(busy_);
  if (!scope.entered()) return false;
  const auto& fresh = m_stat.dev_stat[d].status_read;
  const int64_t start = line_clock().now_ms();
  while (!fresh.load(rlx) && service_running() && line_clock().now_ms() - start < ms) {
    pump();
    sleep_ms(1);
  }
  return fresh.load(rlx);
}

bool service_client::remove_device(int r) {
  if (r < 0 || r >= MAX_DEVICES) return false;
  busy_scope scope(busy_);
  if (!scope.entered()) return false;
  release_now(r);
  post_remove_device(r, service_running(), [this] { pump(); });
  // The slots behind r move down one place, with what is forced on them.
  for (int i = r; i < MAX_DEVICES; ++i) {
    const bool last = i + 1 >= MAX_DEVICES;
    gain_[static_cast<size_t>(i)] = last ? t_force{} : gain_[static_cast<size_t>(i + 1)];
    output_[static_cast<size_t>(i)] = last ? t_force{} : output_[static_cast<size_t>(i + 1)];
    ++generation_[static_cast<size_t>(i)];
  }
  return true;
}

bool service_client::edit_connection(int d, const t_dev_conn& rec, bool reset) {
  if (d < 0 || d >= MAX_DEVICES) return false;
  busy_scope scope(busy_);
  if (!scope.entered()) return false;
  // Released over the old connection, which may lead elsewhere afterwards.
  release_now(d);
  post_conn_edit(d, rec, reset, service_running(), [this] { pump(); });
  ++generation_[static_cast<size_t>(d)];
  return true;
}

service_client& srvc_client() {
  static service_client client;
  return client;
}

void service_client::start_service() {
  m_stat.current_srvc.store(0);
  m_stat.rqd_device.store(0);
  m_stat.req_stat.store(REQS_IDLE);
  m_stat.data_req.store(REQR_IDLE);
  m_stat.reset_live.store(false);
  ended_.store(false);
  if (!srvc_thread) srvc_thread = new com_service(ended_);
  srvc_thread->start();
}

void service_client::stop_service(bool release, bool keep_painted) {
  if (!srvc_thread || !srvc_thread->started()) return;
  if (release) release_all_and_wait();
  srvc_thread->terminate();
  while (!ended_.load(std::memory_order_acquire)) {
    sleep_ms(10);
    if (keep_painted) pump();
  }
  if (keep_painted) {
    // A last look at what the thread's end brought (its final status).
    const int64_t until = mono_ms() + 100;
    while (mono_ms() < until) {
      pump();
      sleep_ms(5);
    }
  }
  srvc_thread->wait_for();
}

void service_client::destroy_service() {
  delete srvc_thread;
  srvc_thread = nullptr;
}

int service_client::frame_count(dev_request_t kind) { return request_frame_count(kind); }
