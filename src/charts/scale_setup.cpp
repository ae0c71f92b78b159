#include "charts/scale_setup.h"

#include "charts/chart_scale.h"
#include "charts/chart_scales.h"
#include "charts/draw_stat.h"
#include "charts/sample_access.h"
#include "config/cfg_entry.h"
#include "core/named_object.h"
#include "core/sys_number.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"
#include "ui/screen_fit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString scale_dlg_text(const QString& name, int request = TXT_REQ_CAPTION) {
  return ctrl_text(name, request, FORM_SCALE_SETUP);
}

}  // namespace

Tscale_setup::Tscale_setup(QWidget* parent) : QDialog(parent) {
  setObjectName("TSCALE_SETUP");
  setWindowModality(Qt::ApplicationModal);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(8);
  cmb_scale_time = named(new QComboBox(this), "cmb_scale_time");
  grid->addWidget(named(new QLabel(this), "lbl_scale_time"), 0, 0);
  grid->addWidget(cmb_scale_time, 0, 1, 1, 3);
  struct row_def {
    const char* label;
    const char* to;
    QLineEdit** min;
    const char* min_name;
    QLineEdit** max;
    const char* max_name;
    QLabel* unit1;
    QLabel* unit2;
  };
  x_lbl_unit_t1 = named(new QLabel(this), "x_lbl_unit_t1");
  x_lbl_unit_t2 = named(new QLabel(this), "x_lbl_unit_t2");
  const row_def rows[3] = {
      {"lbl_scale_m", "lbl_to_h", &txt_h_min, "txt_h_min", &txt_h_max, "txt_h_max",
       named(new QLabel(this), "lbl_unit_m1"), named(new QLabel(this), "lbl_unit_m2")},
      {"lbl_scale_t", "lbl_to_t", &txt_t_min, "txt_t_min", &txt_t_max, "txt_t_max", x_lbl_unit_t1, x_lbl_unit_t2},
      {"lbl_scale_r", "lbl_to_r", &txt_r_min, "txt_r_min", &txt_r_max, "txt_r_max", nullptr, nullptr},
  };
  for (int r = 0; r < 3; ++r) {
    const row_def& d = rows[r];
    *d.min = named(new QLineEdit(this), d.min_name);
    *d.max = named(new QLineEdit(this), d.max_name);
    (*d.min)->setProperty("Tag", 0);
    (*d.max)->setProperty("Tag", 1);
    for (QLineEdit* e : {*d.min, *d.max}) {
      e->setAlignment(Qt::AlignRight);
      e->setFixedWidth(90);
      e->installEventFilter(this);
      connect(e, &QLineEdit::editingFinished, this, [this, e] { edit_exit(e); });
    }
    grid->addWidget(named(new QLabel(this), d.label), r + 1, 0);
    auto* box = new QHBoxLayout;
    box->addWidget(*d.min);
    if (d.unit1) box->addWidget(d.unit1);
    box->addWidget(named(new QLabel(this), d.to));
    box->addWidget(*d.max);
    if (d.unit2) box->addWidget(d.unit2);
    box->addStretch(1);
    grid->addLayout(box, r + 1, 1, 1, 3);
  }
  chk_raw_invert = named(new QCheckBox(this), "chk_raw_invert");
  grid->addWidget(chk_raw_invert, 4, 1, 1, 3);
  cmb_sel_grid = named(new QComboBox(this), "cmb_sel_grid");
  grid->addWidget(named(new QLabel(this), "lbl_grid_sel"), 5, 0);
  grid->addWidget(cmb_sel_grid, 5, 1, 1, 3);
  chk_use_as_default = named(new QCheckBox(this), "chk_use_as_default");
  grid->addWidget(chk_use_as_default, 6, 1, 1, 3);

  cmd_ok = named(new QPushButton(this), "cmd_ok");
  cmd_cancel = named(new QPushButton(this), "cmd_cancel");
  cmd_ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmd_ok);
  buttons->addWidget(cmd_cancel);
  auto* lay = new QVBoxLayout(this);
  lay->addLayout(grid);
  lay->addSpacing(6);
  lay->addLayout(buttons);
  connect(cmd_ok, &QPushButton::clicked, this, &Tscale_setup::cmd_okClick);
  connect(cmd_cancel, &QPushButton::clicked, this, &Tscale_setup::cmd_cancelClick);
}

void Tscale_setup::setup_lng() {
  if (const auto caption = form_text(FORM_SCALE_SETUP)) setWindowTitle(*caption);
  for (QLabel* l : findChildren<QLabel*>())
    if (!l->objectName().startsWith("x_")) l->setText(scale_dlg_text(l->objectName()));
  for (QCheckBox* c : {chk_raw_invert, chk_use_as_default}) c->setText(scale_dlg_text(c->objectName()));
  for (QPushButton* b : {cmd_ok, cmd_cancel}) {
    b->setText(scale_dlg_text(b->objectName()));
    b->setToolTip(scale_dlg_text(b->objectName(), TXT_REQ_HINT));
  }
  for (QLineEdit* e : {txt_h_min, txt_h_max, txt_t_min, txt_t_max, txt_r_min, txt_r_max})
    e->setToolTip(scale_dlg_text(e->objectName(), TXT_REQ_HINT));
  cmb_sel_grid->clear();
  cmb_sel_grid->addItems(split_items(scale_dlg_text("cmb_sel_grid")));
}

void Tscale_setup::setup_form() {
  const t_draw_stat& ds = draw_stat[draw_index];
  chk_use_as_default->setChecked(false);
  cmb_scale_time->clear();
  cmb_scale_time->addItems(tscale_items(ds.tdiv));
  cmb_scale_time->setCurrentIndex(std::clamp(ds.tscale_idx, 0, TDIV_CNT));
  l_h_min = ds.h_min;
  l_h_max = ds.h_max;
  l_t_min = ds.t_min;
  l_t_max = ds.t_max;
  l_r_min = ds.r_min;
  l_r_max = ds.r_max;
  chk_raw_invert->setChecked(ds.raw_invert);
}

void Tscale_setup::restore_form() {
  t_draw_stat& ds = draw_stat[draw_index];
  ds.decimals = std::min(decimals_for(ds.h_max), decimals_for(ds.h_min));
  txt_h_min->setText(fmt_sys_fixed(ds.decimals, l_h_min));
  txt_h_max->setText(fmt_sys_fixed(ds.decimals, l_h_max));
  txt_t_min->setText(fmt_sys_fixed(1, l_t_min));
  txt_t_max->setText(fmt_sys_fixed(1, l_t_max));
  txt_r_min->setText(fmt_sys_fixed(0, l_r_min));
  txt_r_max->setText(fmt_sys_fixed(0, l_r_max));
  cmb_sel_grid->setCurrentIndex(valid_grid_sel(ds.grid_sel));
}

void Tscale_setup::edit_exit(QLineEdit* e) {
  if (e == txt_h_min || e == txt_h_max) txt_h_maxExit(e);
  if (e == txt_t_min || e == txt_t_max) txt_t_maxExit(e);
  if (e == txt_r_min || e == txt_r_max) txt_r_maxExit(e);
}

void Tscale_setup::txt_h_maxExit(QLineEdit* e) {
  const int dec = draw_stat[draw_index].decimals;
  float& v = e->property("Tag").toInt() == 0 ? l_h_min : l_h_max;
  const t_entry_result r = enter_float_value(e->text(), dec, 0.0f, SCALED_MAX, false, v);
  if (!r.error.isEmpty()) show_error(r.error);
  restore_form();
}

void Tscale_setup::txt_t_maxExit(QLineEdit* e) {
  float& v = e->property("Tag").toInt() == 0 ? l_t_min : l_t_max;
  const t_entry_result r = enter_float_value(e->text(), 1, TEMP_SCALE_MIN, TEMP_SCALE_MAX, false, v);
  if (!r.error.isEmpty()) show_error(r.error);
  e->setText(fmt_sys_fixed(1, v));
}

void Tscale_setup::txt_r_maxExit(QLineEdit* e) {
  float& v = e->property("Tag").toInt() == 0 ? l_r_min : l_r_max;
  const t_entry_result r = enter_float_value(e->text(), 0, 0.0f, RAW_SCALE_MAX, false, v);
  if (!r.error.isEmpty()) show_error(r.error);
  e->setText(fmt_sys_fixed(0, v));
}

void Tscale_setup::take_pending_edit() {
  for (QLineEdit* e : {txt_h_min, txt_h_max, txt_t_min, txt_t_max, txt_r_min, txt_r_max})
    if (e->isModified()) {
      e->setModified(false);
      edit_exit(e);
    }
}

void Tscale_setup::cmd_okClick() {
  cmd_ok->setFocus();
  take_pending_edit();
  t_draw_stat& ds = draw_stat[draw_index];
  ds.h_min = std::min(l_h_min, l_h_max);
  ds.h_max = std::max(l_h_min, l_h_max);
  ds.t_min = std::min(l_t_min, l_t_max);
  ds.t_max = std::max(l_t_min, l_t_max);
  ds.r_min = std::min(l_r_min, l_r_max);
  ds.r_max = std::max(l_r_min, l_r_max);
  ds.grid_sel = valid_grid_sel(cmb_sel_grid->currentIndex());
  ds.tscale_idx = valid_tscale_idx(cmb_scale_time->currentIndex());
  ds.raw_invert = chk_raw_invert->isChecked();
  if (chk_use_as_default->isChecked()) save_default_scaling(ds);
  close();
  if (on_stored) on_stored(draw_index);
}

void Tscale_setup::cmd_cancelClick() { close(); }

bool Tscale_setup::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* e = qobject_cast<QLineEdit*>(watched);
  auto* key = static_cast<QKeyEvent*>(event);
  // The raw maximum takes any key; the raw minimum no decimal separator.
  if (!e || e == txt_r_max || key->text().isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
    return false;
  QString text = e->text();
  if (e->hasSelectedText()) text.remove(e->selectionStart(), e->selectedText().size());
  for (QChar c : key->text())
    if (!filter_key(c, KEY_NUMERIC, e != txt_r_min, text)) return true;
  return false;
}

void Tscale_setup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  fit_to_monitor(this);
}
