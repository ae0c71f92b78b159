#include "comm/service_client.h"

#include "comm/com_service.h"
#include "comm/device_slots.h"

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
  return post(REQR_GAIN_SET, device, gain_params(gain_word));
}

std::optional<uint32_t> service_client::post_output(int device, uint16_t value, uint16_t mode) {
  return post(REQR_PWM_SET, device, pwm_params(value, mode));
}

std::optional<uint32_t> service_client::post_output_release(int device) { return post(REQR_PWM_ENA, device); }

bool service_client::remove_device(int r) {
  if (r < 0 || r >= MAX_DEVICES) return false;
  busy_scope scope(busy_);
  if (!scope.entered()) return false;
  post_remove_device(r, service_running(), [this] { pump(); });
  return true;
}

bool service_client::edit_connection(int d, const t_dev_conn& rec, bool reset) {
  if (d < 0 || d >= MAX_DEVICES) return false;
  busy_scope scope(busy_);
  if (!scope.entered()) return false;
  post_conn_edit(d, rec, reset, service_running(), [this] { pump(); });
  return true;
}

service_client& srvc_client() {
  static service_client client;
  return client;
}
