#include "calib/manual_gain_dlg.h"

#include "calib/gain_model.h"
#include "core/common_data.h"
#include "core/sys_number.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

TManual_gain::TManual_gain(QWidget* parent) : TCalib_dlg_base(parent, 9), proc(poster()) {
  setObjectName("TManual_gain");
  auto* lay = new QVBoxLayout(this);
  auto* gain_row = new QHBoxLayout;
  gain_row->addWidget(named_label(this, "lbl_gain", "Signal amplification"));
  gain_row->addStretch(1);
  x_lbl_gain_val = named_label(this, "x_lbl_gain_val", "", "100.0 %");
  gain_row->addWidget(x_lbl_gain_val);
  lay->addLayout(gain_row);

  auto* track_row = new QHBoxLayout;
  cmd_amp_dec = new QPushButton("-", this);
  cmd_amp_dec->setObjectName("cmd_amp_dec");
  cmd_amp_inc = new QPushButton("+", this);
  cmd_amp_inc->setObjectName("cmd_amp_inc");
  for (QPushButton* b : {cmd_amp_dec, cmd_amp_inc}) {
    b->setFixedWidth(b->sizeHint().height() + 8);
    b->setAutoDefault(false);
  }
  trk_man_gain = new QSlider(Qt::Horizontal, this);
  trk_man_gain->setObjectName("trk_man_gain");
  trk_man_gain->setPageStep(1);
  trk_man_gain->setSingleStep(1);
  trk_man_gain->setTickInterval(5);
  trk_man_gain->setTickPosition(QSlider::TicksBelow);
  trk_man_gain->setMinimumWidth(320);
  track_row->addWidget(cmd_amp_dec);
  track_row->addWidget(trk_man_gain, 1);
  track_row->addWidget(cmd_amp_inc);
  lay->addLayout(track_row);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  lbl_curr_avg = named_label(this, "lbl_curr_avg", "Current average value");
  lbl_curr_avg_val = named_label(this, "lbl_curr_avg_val", "", "100.0 %");
  lbl_curr_min = named_label(this, "lbl_curr_min", "Minimal value");
  lbl_curr_min_val = named_label(this, "lbl_curr_min_val", "", "100.0 %");
  lbl_curr_max = named_label(this, "lbl_curr_max", "Maximal value");
  lbl_curr_max_val = named_label(this, "lbl_curr_max_val", "", "100.0 %");
  grid->addWidget(lbl_curr_avg, 0, 0);
  grid->addWidget(lbl_curr_avg_val, 0, 1);
  grid->addWidget(lbl_curr_min, 1, 0);
  grid->addWidget(lbl_curr_min_val, 1, 1);
  grid->addWidget(lbl_curr_max, 2, 0);
  grid->addWidget(lbl_curr_max_val, 2, 1);
  grid->setColumnStretch(2, 1);
  lay->addLayout(grid);
  ga_main = make_gauge(this);
  lay->addWidget(ga_main);

  cmd_confirm = add_buttons(lay, "cmd_confirm", "Confirm");
  cmd_abort = findChild<QPushButton*>("cmd_abort");
  lay->setSizeConstraint(QLayout::SetFixedSize);

  connect(tmr_cal_in, &QTimer::timeout, this, &TManual_gain::tmr_cal_inTimer);
  connect(trk_man_gain, &QSlider::valueChanged, this, &TManual_gain::trk_man_gainChange);
  connect(cmd_amp_dec, &QPushButton::clicked, this, &TManual_gain::cmd_amp_decClick);
  connect(cmd_amp_inc, &QPushButton::clicked, this, &TManual_gain::cmd_amp_incClick);
  connect(cmd_confirm, &QPushButton::clicked, this, &TManual_gain::cmd_confirmClick);
}

TManual_gain::~TManual_gain() { leave_once(); }

void TManual_gain::open_for() {
  const int max_step = proc.open(m_stat.dev_selected.load(rlx));
  generation_ = proc.generation;
  set_captions();  // first: the value labels are the program's own
  {
    const QSignalBlocker block(trk_man_gain);
    trk_man_gain->setValue(0);
    trk_man_gain->setMaximum(max_step);
    trk_man_gain->setValue(proc.last_gain_idx);
  }
  x_lbl_gain_val->setText(proc.gain_text);
  ga_main->hide();
  for (QLabel* l : {lbl_curr_avg, lbl_curr_avg_val, lbl_curr_min, lbl_curr_min_val, lbl_curr_max, lbl_curr_max_val}) {
    l->setVisible(proc.with_device());
    if (l->objectName().endsWith("_val")) l->clear();
  }
  open_dialog();
  // Without a device the dialog is a plain step picker: no timer.
  if (!proc.with_device()) tmr_cal_in->stop();
  trk_man_gain->setFocus();
}

void TManual_gain::tmr_cal_inTimer() {
  const t_calib_out out = proc.tick(isVisible(), trk_man_gain->value());
  if (!out.stop_timer) show_view();
  finish_tick(out);
}

void TManual_gain::show_view() {
  if (proc.gauge_shown) {
    set_gauge(ga_main, proc.stat.avg_value, proc.colour);
    lbl_curr_avg_val->setText(proc.avg_text);
    lbl_curr_min_val->setText(proc.min_text);
    lbl_curr_max_val->setText(proc.max_text);
    ga_main->show();
  }
  x_lbl_gain_val->setText(proc.gain_text);
}

void TManual_gain::trk_man_gainChange() {
  if (tmr_cal_in->isActive()) return;  // the timer shows the factor
  x_lbl_gain_val->setText(fmt_sys_fixed(1, get_gain(trk_man_gain->value())));
}

void TManual_gain::cmd_amp_decClick() {
  if (trk_man_gain->value() > trk_man_gain->minimum()) trk_man_gain->setValue(trk_man_gain->value() - 1);
}

void TManual_gain::cmd_amp_incClick() {
  if (trk_man_gain->value() < trk_man_gain->maximum()) trk_man_gain->setValue(trk_man_gain->value() + 1);
}

void TManual_gain::cmd_confirmClick() {
  proc.confirm(trk_man_gain->value());
  close();
  if (on_stored) on_stored();
}
