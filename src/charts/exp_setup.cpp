#include "charts/exp_setup.h"

#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/screen_fit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Texp_setup::Texp_setup(QWidget* parent) : QDialog(parent) {
  setObjectName("TEXP_SETUP");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  lbl_dec_point = new QLabel(this);
  lbl_dec_point->setObjectName("lbl_dec_point");
  lbl_field_sep = new QLabel(this);
  lbl_field_sep->setObjectName("lbl_field_sep");
  x_cmb_decp = new QComboBox(this);
  x_cmb_decp->setObjectName("x_cmb_decp");
  x_cmb_fsep = new QComboBox(this);
  x_cmb_fsep->setObjectName("x_cmb_fsep");
  for (QComboBox* b : {x_cmb_decp, x_cmb_fsep}) {
    b->setEditable(true);
    b->setInsertPolicy(QComboBox::NoInsert);
    b->setMinimumWidth(140);
  }
  x_cmb_decp->addItems({"(default)", ".", ","});
  x_cmb_fsep->addItems({"(default)", "(TAB)", "(space)", ",", ";"});
  auto* grid = new QGridLayout;
  grid->addWidget(lbl_dec_point, 0, 0);
  grid->addWidget(x_cmb_decp, 0, 1);
  grid->addWidget(lbl_field_sep, 1, 0);
  grid->addWidget(x_cmb_fsep, 1, 1);
  cmd_ok = new QPushButton(this);
  cmd_ok->setObjectName("cmd_ok");
  cmd_ok->setDefault(true);
  cmd_cancel = new QPushButton(this);
  cmd_cancel->setObjectName("cmd_cancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmd_ok);
  buttons->addWidget(cmd_cancel);
  auto* lay = new QVBoxLayout(this);
  lay->addLayout(grid);
  lay->addLayout(buttons);
  connect(cmd_ok, &QPushButton::clicked, this, &Texp_setup::cmd_okClick);
  connect(cmd_cancel, &QPushButton::clicked, this, &Texp_setup::cmd_cancelClick);
}

void Texp_setup::set_captions() {
  if (const auto caption = form_text(FORM_EXP_SETUP)) setWindowTitle(*caption);
  for (QWidget* w : std::initializer_list<QWidget*>{lbl_dec_point, lbl_field_sep, cmd_ok, cmd_cancel}) {
    const QString t = ctrl_text(w->objectName(), TXT_REQ_CAPTION, FORM_EXP_SETUP);
    if (auto* l = qobject_cast<QLabel*>(w)) l->setText(t);
    if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(t);
  }
}

void Texp_setup::restore_form() {
  // An empty setting means the same as "(default)".
  const QString d = common_setup.decp_separator, f = common_setup.field_separator;
  x_cmb_decp->setEditText(d.isEmpty() ? QStringLiteral("(default)") : d);
  x_cmb_fsep->setEditText(f.isEmpty() ? QStringLiteral("(default)") : f);
}

void Texp_setup::cmd_okClick() {
  common_setup.decp_separator = x_cmb_decp->currentText();
  common_setup.field_separator = x_cmb_fsep->currentText();
  close();
}

void Texp_setup::cmd_cancelClick() { close(); }

void Texp_setup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  fit_to_monitor(this);
}
