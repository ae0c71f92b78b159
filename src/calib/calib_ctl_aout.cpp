// TMainForm: calibrating the analog output's two end points on the Outputs
// page. While a scroll bar has the focus the transmitter's output follows
// its position (a temporary drive through the service); when it loses the
// focus the service reads the status block, with the output feedback, and
// then releases the output. Confirm stores the drive value and that
// feedback in the edited parameters.
#include "comm/service_client.h"
#include "config/active_cfg.h"
#include "config/cfg_pages.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
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
  explicit aout_focus_filter(TMainForm* form) : QObject(form), form_(form) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type t = event->type();
    if (t != QEvent::FocusIn && t != QEvent::FocusOut) return false;
    const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
    if (r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason) return false;
    auto* bar = static_cast<QScrollBar*>(watched);
    if (t == QEvent::FocusIn)
      form_->scr_cal_20maEnter(bar);
    else
      form_->scr_cal_4maExit(bar);
    return false;
  }

 private:
  TMainForm* form_;
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

void TMainForm::connect_aout_calib() {
  auto* filter = new aout_focus_filter(this);
  aout_filter = filter;
  for (const char* name : {"scr_cal_4ma", "scr_cal_20ma"}) {
    auto* bar = pages().outputs_page()->findChild<QScrollBar*>(name);
    if (!bar) continue;
    bar->setFocusPolicy(Qt::WheelFocus);
    bar->installEventFilter(filter);
    auto* shown = pages().outputs_page()->findChild<QLabel*>(QString("x_lbl_") + name);
    connect(bar, &QScrollBar::valueChanged, this, [this, bar, shown](int v) {
      if (shown) shown->setText(QString::number(v));
      scr_cal_20maEnter(bar);
    });
    if (shown) shown->setText(QString::number(bar->value()));
  }
  const char* buttons[2] = {"cmd_calout_4", "cmd_calout_20"};
  for (int t = 0; t < 2; ++t) {
    auto* b = pages().outputs_page()->findChild<QPushButton*>(buttons[t]);
    if (!b) continue;
    b->setProperty("Tag", t);
    connect(b, &QPushButton::clicked, this, [this, t] { cmd_calout_4Click(t); });
  }
  aout_retry = new QTimer(this);
  aout_retry->setInterval(RETRY_MS);
  connect(aout_retry, &QTimer::timeout, this, [this] { release_aout(false); });
}

void TMainForm::scr_cal_20maEnter(QScrollBar* bar) {
  if (ctrl_updating || closing_done_) return;
  const int d = selected_device();
  if (d < 0) return;
  // A position changed without the focus (the wheel) takes the focus, so
  // that leaving the bar releases the output; the focus drives it.
  if (!bar->hasFocus()) {
    bar->setFocus(Qt::OtherFocusReason);
    if (bar->hasFocus()) return;
  }
  if (aout_forced_dev >= 0 && aout_forced_dev != d) release_aout(true);
  const int mode_idx = pages().outputs_page()->findChild<QComboBox*>("cmb_aout_mode")->currentIndex();
  const uint16_t mode = mode_idx != 0 ? AOUT_VOLTAGE : 0;
  if (srvc_client().post_output(d, static_cast<uint16_t>(bar->value()), mode)) aout_forced_dev = d;
}

void TMainForm::scr_cal_4maExit(QScrollBar*) {
  if (ctrl_updating || closing_done_) return;
  // The feedback is read even when nothing was forced: Confirm waits for it.
  if (aout_forced_dev < 0) aout_forced_dev = selected_device();
  release_aout(false);
}

void TMainForm::release_aout(bool wait) {
  service_client& client = srvc_client();
  const int d = aout_forced_dev;
  if (d < 0 || d >= MAX_DEVICES) {
    aout_forced_dev = -1;
    // One posted without waiting (the bar lost the focus) is carried out first.
    if (wait && aout_release_serial && !client.done(*aout_release_serial)) client.wait(*aout_release_serial);
    return;
  }
  if (client.busy()) {
    // Another flow waits for its request: try again once it has finished.
    aout_retry->start();
    return;
  }
  m_stat.dev_stat[d].status_read.store(false, std::memory_order_relaxed);
  const std::optional<uint32_t> serial = client.post_output_release(d);
  // Refused only when the service does not run: nothing is forced then.
  aout_forced_dev = -1;
  aout_retry->stop();
  aout_release_serial = serial;
  if (serial && wait) client.wait(*serial);
}

void TMainForm::cmd_calout_4Click(int tag) {
  const int d = selected_device();
  if (d < 0 || tag < 0 || tag > 1) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto& status_read = m_stat.dev_stat[d].status_read;
  // Measured on the line clock, as the exchanges it waits for are.
  const int64_t start = line_clock().now_ms();
  while (!status_read.load(std::memory_order_relaxed) && line_clock().now_ms() - start < FEEDBACK_WAIT_MS) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sleep_ms(1);
  }
  QApplication::restoreOverrideCursor();
  if (!status_read.load(std::memory_order_relaxed)) {
    show_error(msg_text(85));
    return;
  }
  param_image& p = active_param();
  const bool voltage = p.get(0) != 0;
  const t_aout_regs regs = aout_regs(voltage, tag);
  auto* bar = pages().outputs_page()->findChild<QScrollBar*>(tag == 0 ? "scr_cal_4ma" : "scr_cal_20ma");
  p.set(regs.drive, static_cast<uint16_t>(bar->value()));
  p.set(regs.feedback, m_stat.dev_stat[d].read_stat.get(AOUT_FEEDBACK_REG));
  pages().values_changed();
}
