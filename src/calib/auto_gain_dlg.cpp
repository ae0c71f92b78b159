#include "calib/auto_gain_dlg.h"

#include "core/common_data.h"
#include "core/sys_number.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

TAuto_gain::TAuto_gain(QWidget* parent) : TCalib_dlg_base(parent, 4), proc(poster()) {
  setObjectName("TAuto_gain");
  auto* lay = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  grid->addWidget(named_label(this, "lbl_curr_step", "Autogain step"), 0, 0);
  lbl_curr_step_val = named_label(this, "lbl_curr_step_val", "0", "0000.0");
  grid->addWidget(lbl_curr_step_val, 0, 1);
  grid->addWidget(named_label(this, "lbl_curr_gain", "Current gain factor"), 1, 0);
  lbl_curr_gain_val = named_label(this, "lbl_curr_gain_val", "0", "0000.0");
  grid->addWidget(lbl_curr_gain_val, 1, 1);
  lbl_curr_g_idx = named_label(this, "lbl_curr_g_idx", "Current gain index");
  lbl_curr_g_idx_val = named_label(this, "lbl_curr_g_idx_val", "0", "0000.0");
  lbl_curr_g_idx->hide();
  lbl_curr_g_idx_val->hide();
  grid->addWidget(lbl_curr_g_idx, 2, 0);
  grid->addWidget(lbl_curr_g_idx_val, 2, 1);
  lay->addLayout(grid);
  ga_main = make_gauge(this);
  lay->addWidget(ga_main);
  cmd_accept = add_buttons(lay, "cmd_accept", "Accept");
  cmd_abort = findChild<QPushButton*>("cmd_abort");
  stb_stat = add_status_bar(lay);
  setMinimumWidth(360);
  connect(tmr_cal_in, &QTimer::timeout, this, &TAuto_gain::tmr_cal_inTimer);
  connect(cmd_accept, &QPushButton::clicked, this, &TAuto_gain::cmd_acceptClick);
}

TAuto_gain::~TAuto_gain() { leave_once(); }

bool TAuto_gain::open_for() {
  if (const int err = proc.open(m_stat.dev_selected.load(rlx))) {
    show_error_msg(err);
    return false;
  }
  generation_ = proc.generation;
  set_captions();  // first: the value labels are the program's own
  cmd_accept->setEnabled(false);
  lbl_curr_step_val->setText("0");
  lbl_curr_gain_val->setText("0");
  lbl_curr_g_idx_val->setText("0");
  stb_stat->clearMessage();
  set_gauge(ga_main, 0, GAUGE_BLUE);
  lbl_curr_g_idx->hide();
  open_dialog();
  return true;
}

void TAuto_gain::tmr_cal_inTimer() {
  const t_calib_out out = proc.tick(isVisible());
  if (!out.stop_timer) show_view();
  finish_tick(out);
}

void TAuto_gain::show_view() {
  if (proc.status_msg) {
    QString text = msg_text(proc.status_msg);
    if (proc.status_left >= 0) text += " [" + QString::number(proc.status_left) + "]";
    stb_stat->showMessage(text);
  }
  cmd_accept->setEnabled(proc.accept_enabled);
  lbl_curr_step_val->setText(QString::number(proc.agn_step));
  lbl_curr_gain_val->setText(fmt_sys_fixed(1, proc.curr_gain));
  lbl_curr_g_idx_val->setText(QString::number(proc.smp_cnt));
  set_gauge(ga_main, proc.gauge, proc.colour);
}
