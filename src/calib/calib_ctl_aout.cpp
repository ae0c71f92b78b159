// Calibrating the analog output's two end points on the Outputs page. While
// a scroll bar has the focus the transmitter's output follows its position
// (a temporary drive through the service); when it loses the focus the
// service reads the status block, with the output feedback, and then
// releases the output. Confirm stores the drive value and that feedback in
// the edited parameters.
#include "calib/calib_cfg_access.h"
#include "calib/calib_ctl.h"
#include "comm/service_client.h"
#include "config/active_cfg.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

namespace {

constexpr int AOUT_FEEDBACK_REG = 35;   // status register: the output as the transmitter measures it
constexpr int FEEDBACK_WAIT_MS = 1000;  // Confirm's wait for a fresh status block
constexpr uint16_t AOUT_VOLTAGE = 0x8000;
constexpr int RETRY_MS = 50;

// Enter and exit of the two scroll bars. A focus change that only moves to
// another window or to a pop-up and comes back is neither.
class aout_focus_filter : public QObject {
 public:
  explicit aout_focus_filter(calib_ctl* part) : QObject(part), part_(part) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type t = event->type();
    if (t != QEvent::FocusIn && t != QEvent::FocusOut) return false;
    const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
    if (r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason) return false;
    auto* bar = static_cast<QScrollBar*>(watched);
    if (t == QEvent::FocusIn)
      part_->scr_cal_20maEnter(bar);
    else
      part_->scr_cal_4maExit(bar);
    return false;
  }

 private:
  calib_ctl* part_;
};

// Parameter registers of an end point: drive value and feedback.
struct t_aout_regs {
  int drive;
  int feedback;
};
t_aout_regs aout_regs(bool voltage, int end) {
  if (voltage) return end == 0 ? t_aout_regs{5, 7} : t_aout_regs{6, 8};
  return end == 0 ? t_aout_regs{1, 3} : t_aout_regs{2, 4};
}

}  // namespace

void calib_ctl::connect_output_bars() {
  // A child of the part: gone with it, before the bars.
  auto* filter = new aout_focus_filter(this);
  for (int end = 0; end < 2; ++end) {
    QScrollBar* bar = pages_.output_bar(end);
    if (!bar) continue;
    bar->setFocusPolicy(Qt::WheelFocus);
    bar->installEventFilter(filter);
    QLabel* shown = pages_.output_bar_label(end);
    connect(bar, &QScrollBar::valueChanged, this, [this, bar, shown](int v) {
      if (shown) shown->setText(QString::number(v));
      scr_cal_20maEnter(bar);
    });
    if (shown) shown->setText(QString::number(bar->value()));
  }
  for (int t = 0; t < 2; ++t) {
    QAbstractButton* b = pages_.output_confirm_button(t);
    if (!b) continue;
    b->setProperty("Tag", t);
    connect(b, &QAbstractButton::clicked, this, [this, t] { cmd_calout_4Click(t); });
  }
  aout_retry_ = new QTimer(this);
  aout_retry_->setInterval(RETRY_MS);
  connect(aout_retry_, &QTimer::timeout, this, [this] { release_output(false); });
}

void calib_ctl::scr_cal_20maEnter(QScrollBar* bar) {
  if (ctrl_updating || detached_) return;
  const int d = selected_device();
  if (d < 0) return;
  // A position changed without the focus (the wheel) takes the focus, so
  // that leaving the bar releases the output; the focus drives it.
  if (!bar->hasFocus()) {
    bar->setFocus(Qt::OtherFocusReason);
    if (bar->hasFocus()) return;
  }
  if (aout_forced_dev_ >= 0 && aout_forced_dev_ != d) release_output(true);
  const uint16_t mode = pages_.voltage_output() ? AOUT_VOLTAGE : 0;
  if (srvc_client().post_output(d, static_cast<uint16_t>(bar->value()), mode)) aout_forced_dev_ = d;
}

void calib_ctl::scr_cal_4maExit(QScrollBar*) {
  if (ctrl_updating || detached_) return;
  // The feedback is read even when nothing was forced: Confirm waits for it.
  if (aout_forced_dev_ < 0) aout_forced_dev_ = selected_device();
  release_output(false);
}

void calib_ctl::release_output(bool wait) {
  service_client& client = srvc_client();
  const int d = aout_forced_dev_;
  if (d < 0 || d >= MAX_DEVICES) {
    aout_forced_dev_ = -1;
    // One posted without waiting (the bar lost the focus) is carried out first.
    if (wait && aout_release_serial_ && !client.done(*aout_release_serial_)) client.wait(*aout_release_serial_);
    return;
  }
  if (client.busy()) {
    // Another flow waits for its request: try again once it has finished.
    aout_retry_->start();
    return;
  }
  // The status block the release reads is the first one Confirm takes: the
  // one read before is stale from now on.
  service_client::post_dev_ctl(d, CTL_CLEAR_STATUS);
  const std::optional<uint32_t> serial = client.post_output_release(d);
  // Refused only when the service does not run: nothing is forced then.
  aout_forced_dev_ = -1;
  aout_retry_->stop();
  aout_release_serial_ = serial;
  if (serial && wait) client.wait(*serial);
}

void calib_ctl::cmd_calout_4Click(int tag) {
  const int d = selected_device();
  if (d < 0 || tag < 0 || tag > 1) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool fresh = srvc_client().wait_for_status(d, FEEDBACK_WAIT_MS);
  QApplication::restoreOverrideCursor();
  if (!fresh) {
    show_error(msg_text(85));
    return;
  }
  param_image& p = active_param();
  const bool voltage = p.get(0) != 0;
  const t_aout_regs regs = aout_regs(voltage, tag);
  QScrollBar* bar = pages_.output_bar(tag);
  if (!bar) return;
  p.set(regs.drive, static_cast<uint16_t>(bar->value()));
  p.set(regs.feedback, m_stat.dev_stat[d].read_stat.get(AOUT_FEEDBACK_REG));
  // Shown without driving anything.
  updating_guard g;
  pages_.params_changed();
}
