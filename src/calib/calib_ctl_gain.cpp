// The main window's gain calibration: the "Read raw value" buttons,
// "Auto-gain" and "Manual-gain" of the products page, and their dialogs.
#include "calib/auto_gain_dlg.h"
#include "calib/calib_in_dlg.h"
#include "calib/gain_model.h"
#include "calib/manual_gain_dlg.h"
#include "config/cfg_pages.h"
#include "ui/main_form.h"

#include <QPushButton>
#include <QVariant>

namespace {

// A gain dialog whose stored results the products page shows at once: the
// raw value or the gain, and the products CRC of the edit image.
template <typename Dialog>
Dialog* gain_dialog(TMainForm* form) {
  auto* dlg = new Dialog(form);
  dlg->on_stored = [form] { form->pages().show_products_tab(); };
  return dlg;
}

}  // namespace

void TMainForm::connect_calib_gain() {
  for (int j = 1; j <= 5; ++j) {
    if (auto* b = pages().products_page()->findChild<QPushButton*>(QString("cmd_calin_%1").arg(j))) {
      connect(b, &QPushButton::clicked, this, [this, b] { cmd_calin_1Click(b->property("Tag").toInt()); });
    }
  }
  if (auto* b = pages().products_page()->findChild<QPushButton*>("cmd_autogain"))
    connect(b, &QPushButton::clicked, this, &TMainForm::cmd_autogainClick);
  if (auto* b = pages().products_page()->findChild<QPushButton*>("cmd_manual_gain"))
    connect(b, &QPushButton::clicked, this, &TMainForm::cmd_manual_gainClick);
}

void TMainForm::cmd_calin_1Click(int k) {
  if (!Calib_In) Calib_In = gain_dialog<TCalib_In>(this);
  if (Calib_In->isVisible()) return;
  Calib_In->open_for(k);
}

void TMainForm::cmd_autogainClick() {
  if (!Auto_gain) Auto_gain = gain_dialog<TAuto_gain>(this);
  if (Auto_gain->isVisible()) return;
  Auto_gain->open_for();
}

void TMainForm::cmd_manual_gainClick() {
  if (!Manual_gain) Manual_gain = gain_dialog<TManual_gain>(this);
  if (Manual_gain->isVisible()) return;
  Manual_gain->open_for();
}

void TMainForm::close_calib_dialogs() {
  for (QWidget* w : std::initializer_list<QWidget*>{Calib_In, Auto_gain, Manual_gain})
    if (w && w->isVisible()) w->close();
}
