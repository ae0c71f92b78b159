// The handlers of the configuration pages: keys and leaving of the edits,
// combo box and check box changes, the product selection and the default
// product. Every handler returns at once while ctrl_updating is set (the
// program itself is filling the controls).
#include "config/cfg_pages.h"

#include "calib/gain_model.h"
#include "config/active_cfg.h"
#include "config/cfg_entry.h"
#include "config/cfg_widgets.h"
#include "core/updating_guard.h"
#include "ui/message_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>

namespace {

bool is_enter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

}  // namespace

bool cfg_pages::check_key_float(QLineEdit* edit, QKeyEvent* key) {
  if (is_enter(key)) {
    exit_edit(edit);
    return true;
  }
  if (key->key() == Qt::Key_Escape) {
    show_edit(edit);
    return true;
  }
  // Keys without text (arrows, Home, Delete) and shortcuts pass; typed
  // characters are filtered one by one.
  const QString typed = key->text();
  if (typed.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  QString text = edit->text();
  if (edit->hasSelectedText()) text.remove(edit->selectionStart(), edit->selectedText().size());
  for (QChar c : typed)
    if (!filter_key(c, KEY_NUMERIC, true, text)) return true;
  return false;
}

bool cfg_pages::check_key_text(QLineEdit* edit, QKeyEvent* key) {
  if (is_enter(key)) {
    exit_edit(edit);
    return true;
  }
  if (key->key() == Qt::Key_Escape) {
    show_edit(edit);
    return true;
  }
  return key->text().contains(u'|');
}

bool cfg_pages::exit_edit(QLineEdit* edit) {
  if (ctrl_updating || exit_busy_) return true;
  exit_busy_ = true;
  const t_entry_result r = store_edit_entry(edit->objectName(), edit->text());
  if (r.handled) {
    edit->setText(r.shown);
    edit->setCursorPosition(0);
  }
  if (!r.error.isEmpty()) show_error(r.error);
  if (r.refused && edit->isVisible()) edit->setFocus(Qt::OtherFocusReason);
  set_prod_crc();
  if (edit->objectName() == QLatin1String("txt_prod_name")) {
    fill_prod_select();
    fill_prod_lists();
  }
  exit_busy_ = false;
  return !r.refused;
}

bool cfg_pages::store_pending_edit() {
  // The window's focus edit, also while another window is active; an edit
  // nothing was typed into since it was shown or stored has nothing pending.
  auto* edit = qobject_cast<QLineEdit*>(tab_ctrl_.window()->focusWidget());
  if (!edit || !edit->property(CFG_EDIT_PROPERTY).isValid() || !edit->isModified()) return true;
  return exit_edit(edit);
}

void cfg_pages::combo_Change(QComboBox* box) {
  if (ctrl_updating) return;
  store_combo_entry(box->objectName(), box->currentIndex());
  set_prod_crc();
  if (box == cmb_curr_prod) {
    fill_prod_select();
    show_din_matrix();
  }
}

void cfg_pages::ChkBox_Change(QCheckBox* box) {
  if (ctrl_updating) return;
  store_check_entry(box->objectName(), box->isChecked());
  {
    updating_guard g;
    show_bound_controls(grp_alarms);
  }
  set_prod_crc();
}

void cfg_pages::cmb_aout_modeChange() {
  if (ctrl_updating) return;
  combo_Change(cmb_aout_mode);
  show_aout_mode();
}

void cfg_pages::cmb_med_filtChange() {
  if (ctrl_updating) return;
  combo_Change(cmb_med_filt);
}

void cfg_pages::cmb_unitChange() {
  if (ctrl_updating) return;
  combo_Change(cmb_unit);
  show_unit_labels();
}

void cfg_pages::x_cmb_decpChange() {
  if (ctrl_updating) return;
  combo_Change(x_cmb_decp);
  show_products_tab();
}

void cfg_pages::x_cmb_cal_ptsChange() {
  if (ctrl_updating) return;
  combo_Change(x_cmb_cal_pts);
  show_cal_points();
}

void cfg_pages::cmb_prod_selectChange() {
  if (ctrl_updating) return;
  const int i = cmb_prod_select->currentIndex();
  if (i < 0) return;
  if (selected_device() >= 0 || m_stat.off_line_vaild.load(std::memory_order_relaxed))
    active_prod_id().store(i, std::memory_order_relaxed);
  show_products_tab();
  refresh_gain_display();
}

void cfg_pages::chk_default_prodMouseUp() {
  if (ctrl_updating) return;
  {
    updating_guard g;
    chk_default_prod->setChecked(true);  // a click never unticks it
    cmb_curr_prod->setCurrentIndex(cmb_prod_select->currentIndex());
  }
  fill_prod_select();
  store_combo_entry(cmb_curr_prod->objectName(), cmb_curr_prod->currentIndex());
  set_prod_crc();
  show_din_matrix();
}

void cfg_pages::cmb_din1_funChange(QComboBox* box) {
  if (ctrl_updating) return;
  store_combo_entry(box->objectName(), box->currentIndex());
  set_prod_crc();
  show_din_matrix();
}

void cfg_pages::cmd_amp_incClick() {
  int max_step = 0;
  const int step = get_gain_idx(max_step);
  if (get_gain_reg() && step < max_step) set_gain_idx(step + 1);
  set_prod_crc();
}

void cfg_pages::cmd_amp_decClick() {
  int max_step = 0;
  const int step = get_gain_idx(max_step);
  if (get_gain_reg() && step > 0) set_gain_idx(step - 1);
  set_prod_crc();
}
