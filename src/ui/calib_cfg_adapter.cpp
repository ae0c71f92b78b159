#include "ui/calib_cfg_adapter.h"

#include "config/cfg_pages.h"
#include "core/sys_number.h"
#include "ui/main_form.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

const char* const kBars[2] = {"scr_cal_4ma", "scr_cal_20ma"};
const char* const kConfirms[2] = {"cmd_calout_4", "cmd_calout_20"};

// The number in an edit of a page; 0 when it holds none.
float edit_number(const QWidget* page, const char* name) {
  float v = 0.0f;
  if (auto* e = page->findChild<QLineEdit*>(name)) parse_sys_float(e->text(), v);
  return v;
}

bool is_end(int end) { return end == 0 || end == 1; }

}  // namespace

QAbstractButton* calib_cfg_adapter::read_raw_button(int k) {
  return form_.pages().products_page()->findChild<QPushButton*>(QString("cmd_calin_%1").arg(k + 1));
}

QAbstractButton* calib_cfg_adapter::auto_gain_button() {
  return form_.pages().products_page()->findChild<QPushButton*>("cmd_autogain");
}

QAbstractButton* calib_cfg_adapter::manual_gain_button() {
  return form_.pages().products_page()->findChild<QPushButton*>("cmd_manual_gain");
}

QAbstractButton* calib_cfg_adapter::diagram_button() {
  return form_.pages().products_page()->findChild<QPushButton*>("cmd_cal_diag");
}

QString calib_cfg_adapter::range_unit() const {
  const auto* u = form_.pages().products_page()->findChild<QLabel*>("x_lbl_rng_beg_u");
  return u ? u->text() : QString();
}

float calib_cfg_adapter::range_begin() const { return edit_number(form_.pages().products_page(), "txt_rng_beg"); }

float calib_cfg_adapter::range_end() const { return edit_number(form_.pages().products_page(), "txt_rng_end"); }

int calib_cfg_adapter::cal_point_count() const {
  // The selector lists 2 to 5 points.
  const auto* box = form_.pages().products_page()->findChild<QComboBox*>("x_cmb_cal_pts");
  return box ? box->currentIndex() + 2 : 0;
}

QString calib_cfg_adapter::cal_point_text(int k) const {
  const auto* e = form_.pages().products_page()->findChild<QLineEdit*>(QString("txt_cal_%1").arg(k + 1));
  return e ? e->text() : QString();
}

QScrollBar* calib_cfg_adapter::output_bar(int end) {
  return is_end(end) ? form_.pages().outputs_page()->findChild<QScrollBar*>(kBars[end]) : nullptr;
}

QLabel* calib_cfg_adapter::output_bar_label(int end) {
  return is_end(end) ? form_.pages().outputs_page()->findChild<QLabel*>(QString("x_lbl_") + kBars[end]) : nullptr;
}

QAbstractButton* calib_cfg_adapter::output_confirm_button(int end) {
  return is_end(end) ? form_.pages().outputs_page()->findChild<QPushButton*>(kConfirms[end]) : nullptr;
}

bool calib_cfg_adapter::voltage_output() const {
  const auto* box = form_.pages().outputs_page()->findChild<QComboBox*>("cmb_aout_mode");
  return box && box->currentIndex() != 0;
}

void calib_cfg_adapter::product_changed() { form_.pages().show_products_tab(); }

void calib_cfg_adapter::params_changed() { form_.pages().values_changed(); }
