// The main window's gain calibration: the "Read raw value" buttons,
// "Auto-gain" and "Manual-gain" of the products page, and their dialogs.
#include "calib/auto_gain_dlg.h"
#include "calib/calib_in_dlg.h"
#include "calib/gain_model.h"
#include "calib/manual_gain_dlg.h"
#include "ui/main_form.h"

#include <QPushButton>
#include <QVariant>

void TMainForm::connect_calib_gain() {
  for (int j = 1; j <= 5; ++j) {
    if (auto* b = tab_products->findChild<QPushButton*>(QString("cmd_calin_%1").arg(j))) {
      connect(b, &QPushButton::clicked, this, [this, b] { cmd_calin_1Click(b->property("Tag").toInt()); });
    }
  }
  if (auto* b = tab_products->findChild<QPushButton*>("cmd_autogain"))
    connect(b, &QPushButton::clicked, this, &TMainForm::cmd_autogainClick);
  if (auto* b = tab_products->findChild<QPushButton*>("cmd_manual_gain"))
    connect(b, &QPushButton::clicked, this, &TMainForm::cmd_manual_gainClick);
}

void TMainForm::cmd_calin_1Click(int k) {
  if (!Calib_In) {
    Calib_In = new TCalib_In(this);
    // The stored raw value shows in its field, and the products CRC follows.
    Calib_In->on_stored = [this] { show_products_tab(); };
  }
  if (Calib_In->isVisible()) return;
  Calib_In->open_for(k);
}

void TMainForm::cmd_autogainClick() {
  if (!Auto_gain) Auto_gain = new TAuto_gain(this);
  if (Auto_gain->isVisible()) return;
  Auto_gain->open_for();
}

void TMainForm::cmd_manual_gainClick() {
  if (!Manual_gain) {
    Manual_gain = new TManual_gain(this);
    Manual_gain->on_stored = [this] { set_prod_crc(); };
  }
  if (Manual_gain->isVisible()) return;
  Manual_gain->open_for();
}

void TMainForm::close_calib_dialogs() {
  for (QWidget* w : std::initializer_list<QWidget*>{Calib_In, Auto_gain, Manual_gain})
    if (w && w->isVisible()) w->close();
}
