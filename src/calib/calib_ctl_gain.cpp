// The gain dialogs of the products page: the "Read raw value" buttons,
// "Auto-gain" and "Manual-gain".
#include "calib/auto_gain_dlg.h"
#include "calib/calib_cfg_access.h"
#include "calib/calib_ctl.h"
#include "calib/calib_in_dlg.h"
#include "calib/manual_gain_dlg.h"

#include <QAbstractButton>

namespace {

// A gain dialog whose stored results the products page shows at once: the
// raw value or the gain, and the products CRC of the edit image.
template <typename Dialog>
Dialog* gain_dialog(QWidget* window, calib_cfg_access& pages) {
  auto* dlg = new Dialog(window);
  dlg->on_stored = [&pages] { pages.product_changed(); };
  return dlg;
}

}  // namespace

void calib_ctl::connect_gain_buttons() {
  for (int k = 0; k < 5; ++k)
    if (QAbstractButton* b = pages_.read_raw_button(k))
      connect(b, &QAbstractButton::clicked, this, [this, k] { cmd_calin_1Click(k); });
  if (QAbstractButton* b = pages_.auto_gain_button())
    connect(b, &QAbstractButton::clicked, this, &calib_ctl::cmd_autogainClick);
  if (QAbstractButton* b = pages_.manual_gain_button())
    connect(b, &QAbstractButton::clicked, this, &calib_ctl::cmd_manual_gainClick);
}

void calib_ctl::cmd_calin_1Click(int k) {
  if (!calib_in_) calib_in_ = gain_dialog<TCalib_In>(window_, pages_);
  if (calib_in_->isVisible()) return;
  calib_in_->open_for(k);
}

void calib_ctl::cmd_autogainClick() {
  if (!auto_gain_) auto_gain_ = gain_dialog<TAuto_gain>(window_, pages_);
  if (auto_gain_->isVisible()) return;
  auto_gain_->open_for();
}

void calib_ctl::cmd_manual_gainClick() {
  if (!manual_gain_) manual_gain_ = gain_dialog<TManual_gain>(window_, pages_);
  if (manual_gain_->isVisible()) return;
  manual_gain_->open_for();
}
