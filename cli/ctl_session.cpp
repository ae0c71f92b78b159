#include "ctl_session.h"

#include "comm/port_names.h"
#include "comm/service_requests.h"
#include "core/day_clock.h"

#include <cerrno>
#include <cstring>

namespace {

const char* const kParityText[3] = {"no parity", "odd parity", "even parity"};

}  // namespace

ctl_session::ctl_session(const t_ctl_target& target) : target_(target) {
  reset_all_records();
  const double today = wall_clock().now().date;
  for (auto& d : m_stat.dev_stat) reset_acq_state(d, today);
  m_stat.dev_selected.store(-1, rlx);
  auto& c = common_setup.dev_conn[kSlot];
  // Not in the scan list: the service carries out requests for it but
  // polls it only when poll_once asks.
  c.active.store(false, rlx);
  c.log_active.store(false, rlx);
  c.addr.store(target.addr - 1, rlx);
  c.com_num.store(target.com, rlx);
  c.baud_idx.store(target.baud_idx, rlx);
  c.parity.store(target.parity, rlx);
  link_.set_answer_slack_ms(target.slack_ms);
  svc_ = std::make_unique<com_service>(terminated_, &link_);
}

ctl_session::~ctl_session() {
  svc_.reset();  // ends the thread after its current step
  link_.close_com();
}

QString ctl_session::target_text() const {
  return QStringLiteral("COM%1, address %2, %3 baud, %4")
      .arg(target_.com)
      .arg(target_.addr)
      .arg(TModbSerial::get_baud_value(target_.baud_idx))
      .arg(QLatin1StringView(kParityText[target_.parity < 0 || target_.parity > 2 ? 0 : target_.parity]));
}

bool ctl_session::open(QString& error) {
  if (link_.setup_port(target_.com, target_.baud_idx, target_.parity)) return true;
  const QString path = QString::fromStdString(com_port_path(target_.com));
  const QString port = QStringLiteral("COM%1").arg(target_.com) + (path.isEmpty() ? QString() : " (" + path + ")");
  const int err = static_cast<int>(link_.last_error());
  switch (err) {
    case EBUSY:
      error = port +
              " is in use by another program. The OrvConfig window holds the ports of its devices "
              "while it runs: close it, or remove the device from it.";
      break;
    case ENOENT:
    case ENXIO:
    case ENODEV: error = port + " does not exist."; break;
    case EACCES:
    case EPERM: error = "no permission to open " + port + " (join the group dialout and log in again)."; break;
    default: error = "cannot open " + port + ": " + QString::fromLocal8Bit(std::strerror(err)); break;
  }
  return false;
}

dev_req_stat_t ctl_session::request(dev_request_t kind, const ctl_progress_fn& progress) {
  if (!svc_->started()) svc_->start();
  const int total = request_frame_count(kind);
  last_serial_ = post_request(kind, kSlot);
  int shown = -1;
  auto pump = [&] {
    if (!progress) return;
    const int done = request_frames_done(last_serial_);
    if (done != shown) progress(shown = done, total);
  };
  const dev_req_stat_t r = wait_request(last_serial_, pump);
  if (progress && r == REQS_READY) progress(total, total);
  return r;
}

QString ctl_session::failed_frame_text(dev_request_t kind) const {
  int first = 0, count = 0;
  if (!request_frame_regs(kind, request_frames_done(last_serial_), first, count)) return {};
  return count > 1 ? QStringLiteral("registers %1..%2").arg(first).arg(first + count - 1)
                   : QStringLiteral("register %1").arg(first);
}

device_stat_t ctl_session::poll_once() {
  if (svc_->started()) return DEVSTAT_IDLE;
  auto& c = common_setup.dev_conn[kSlot];
  auto& s = m_stat.dev_stat[kSlot];
  // Polled for the capture of raw readings only: the newest sample is kept,
  // nothing goes to a log.
  c.active.store(true, rlx);
  s.calib_req.store(true, rlx);
  device_stat_t st = DEVSTAT_IDLE;
  // A single missed sample read is retried once, as the service does.
  for (int pass = 0; pass < 2; ++pass) {
    m_stat.current_srvc.store(kSlot, rlx);
    svc_->service_step();
    st = s.device_stat.load(rlx);
    if (st != DEVSTAT_WAIT) break;
  }
  c.active.store(false, rlx);
  s.calib_req.store(false, rlx);
  return st;
}
