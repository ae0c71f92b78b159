#include "calib/calib_dlg_base.h"

#include "comm/service_client.h"
#include "texts/apply_texts.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"
#include "ui/screen_fit.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

TCalib_dlg_base::TCalib_dlg_base(QWidget* parent, int form_no) : QDialog(parent), form_no_(form_no) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowModality(Qt::ApplicationModal);
  set_form_number(this, form_no);
  tmr_cal_in = new QTimer(this);
  tmr_cal_in->setObjectName("tmr_cal_in");
  tmr_cal_in->setInterval(500);
  set_slot_generation_source([](int d) { return srvc_client().generation(d); });
}

TCalib_dlg_base::~TCalib_dlg_base() = default;

gain_post_fn TCalib_dlg_base::poster() {
  return [this](int d, uint16_t word) {
    if (srvc_client().generation(d) != generation_) return;
    srvc_client().post_gain(d, word);
  };
}

void TCalib_dlg_base::set_captions() { apply_form_texts(this, form_no_); }

QProgressBar* TCalib_dlg_base::make_gauge(QWidget* parent) {
  auto* g = new QProgressBar(parent);
  g->setObjectName("ga_main");
  g->setRange(0, 1024);
  g->setValue(0);
  g->setTextVisible(false);
  g->setMinimumHeight(22);
  return g;
}

QLabel* TCalib_dlg_base::named_label(QWidget* parent, const char* name, const QString& text, const char* value_sample) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  if (value_sample) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setMinimumWidth(QFontMetrics(f).horizontalAdvance(QString::fromLatin1(value_sample)) + 6);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  return l;
}

QPushButton* TCalib_dlg_base::add_buttons(QBoxLayout* lay, const char* ok_name, const QString& ok_caption) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* ok = new QPushButton(ok_caption, this);
  ok->setObjectName(ok_name);
  ok->setDefault(true);
  auto* abort = new QPushButton("Cancel", this);
  abort->setObjectName("cmd_abort");
  row->addWidget(ok);
  row->addWidget(abort);
  lay->addLayout(row);
  connect(abort, &QPushButton::clicked, this, &QWidget::close);
  return ok;
}

QStatusBar* TCalib_dlg_base::add_status_bar(QBoxLayout* lay) {
  auto* bar = new QStatusBar(this);
  bar->setObjectName("stb_stat");
  bar->setSizeGripEnabled(false);
  lay->addWidget(bar);
  lay->setContentsMargins(12, 12, 12, 0);
  return bar;
}

void TCalib_dlg_base::set_gauge(QProgressBar* gauge, int value, gauge_colour_t c) {
  static const char* const kColour[] = {"#2f6fd0", "#2ea043", "#e0b000", "#d03030"};
  gauge->setValue(std::clamp(value, 0, 1024));
  const QString sheet = QString(
                            "QProgressBar { border: 1px solid #8a8a8a; border-radius: 2px; background: #f4f4f4; }"
                            "QProgressBar::chunk { background: %1; }")
                            .arg(kColour[c]);
  if (gauge->styleSheet() != sheet) gauge->setStyleSheet(sheet);
  gauge->setProperty("gauge_colour", static_cast<int>(c));
}

void TCalib_dlg_base::open_dialog() {
  open_ = true;
  tmr_cal_in->start();
  show();
  raise();
  activateWindow();
}

void TCalib_dlg_base::leave_once() {
  if (!open_) return;
  open_ = false;
  tmr_cal_in->stop();
  leave();
}

void TCalib_dlg_base::done(int r) {
  leave_once();
  QDialog::done(r);
}

void TCalib_dlg_base::hideEvent(QHideEvent* event) {
  leave_once();
  QDialog::hideEvent(event);
}

void TCalib_dlg_base::finish_tick(const t_calib_out& out) {
  if (out.stop_timer) tmr_cal_in->stop();
  if (out.close) close();
  if (out.stored && on_stored) on_stored();
  if (out.error_msg) show_error_msg(out.error_msg);
  if (out.info_msg) show_info_msg(out.info_msg);
}

void TCalib_dlg_base::paintEvent(QPaintEvent* event) {
  fit_to_monitor(this);
  QDialog::paintEvent(event);
}
