#include "calib/calib_in_dlg.h"

#include "core/common_data.h"
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

TCalib_In::TCalib_In(QWidget* parent) : TCalib_dlg_base(parent, 3), proc(poster()) {
  setObjectName("TCalib_In");
  auto* lay = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  grid->addWidget(named_label(this, "lbl_smp_cnt", "Samples count"), 0, 0);
  lbl_smp_cnt_val = named_label(this, "lbl_smp_cnt_val", "0", "00000000");
  grid->addWidget(lbl_smp_cnt_val, 0, 1, Qt::AlignRight);
  grid->addWidget(named_label(this, "lbl_avg_val", "Averaged samples"), 1, 0);
  lbl_avg_val_val = named_label(this, "lbl_avg_val_val", "0", "00000000");
  grid->addWidget(lbl_avg_val_val, 1, 1, Qt::AlignRight);
  lay->addLayout(grid);
  ga_main = make_gauge(this);
  lay->addWidget(ga_main);
  cmd_ok = add_buttons(lay, "cmd_ok", "Save");
  cmd_abort = findChild<QPushButton*>("cmd_abort");
  stb_stat = add_status_bar(lay);
  setMinimumWidth(340);
  connect(tmr_cal_in, &QTimer::timeout, this, &TCalib_In::tmr_cal_inTimer);
  connect(cmd_ok, &QPushButton::clicked, this, &TCalib_In::cmd_okClick);
}

TCalib_In::~TCalib_In() { leave_once(); }

bool TCalib_In::open_for(int k) {
  const int d = m_stat.dev_selected.load(rlx);
  if (const int err = proc.open(d, k)) {
    show_error_msg(err);
    return false;
  }
  generation_ = proc.generation;
  set_captions();  // first: the value labels are the program's own
  lbl_smp_cnt_val->setText("0");
  lbl_avg_val_val->setText("0");
  stb_stat->clearMessage();
  set_gauge(ga_main, 0, GAUGE_GREEN);
  cmd_ok->setEnabled(true);
  open_dialog();
  return true;
}

void TCalib_In::tmr_cal_inTimer() {
  const t_calib_out out = proc.tick(isVisible());
  if (!out.stop_timer) show_view();
  finish_tick(out);
}

void TCalib_In::show_view() {
  if (proc.status_msg) stb_stat->showMessage(msg_text(proc.status_msg));
  cmd_ok->setEnabled(proc.ok_enabled);
  set_gauge(ga_main, proc.gauge, proc.colour);
  if (proc.smp_cnt > 0) {
    lbl_smp_cnt_val->setText(QString::number(proc.smp_cnt));
    lbl_avg_val_val->setText(QString::number(proc.calib_result));
  }
}

void TCalib_In::cmd_okClick() {
  const int err = proc.save();
  close();
  if (err) {
    show_error_msg(err);
  } else if (on_stored) {
    on_stored();
  }
}
