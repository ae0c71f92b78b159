#include "ui/device_column.h"

#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/icons.h"
#include "ui/status_panel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const char* const kImgNames[device_column::IMG_COUNT] = {"ok", "discon", "err", "disable"};
const char* const kBaudText[5] = {"9600", "19200", "38400", "57600", "115200"};

}  // namespace

device_column::device_column(QWidget* parent) : QWidget(parent) {
  setObjectName("pnl_left");
  setFixedWidth(250);
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(6);

  auto* hint = new QLabel(ctrl_text(u"lbl_click_to_sel", TXT_REQ_CAPTION, FORM_MAIN), this);
  hint->setObjectName("lbl_click_to_sel");
  QFont bold = hint->font();
  bold.setBold(true);
  hint->setFont(bold);
  col->addWidget(hint);

  gpl_devices_ = new QWidget(this);
  gpl_devices_->setObjectName("gpl_devices");
  gpl_devices_->installEventFilter(this);
  auto* grid = new QGridLayout(gpl_devices_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(4);
  for (size_t i = 0; i < MAX_DEVICES; ++i) {
    auto* p = new QFrame(gpl_devices_);
    p->setObjectName(QString("pnl_dev_%1").arg(i + 1));
    p->setFixedHeight(40);
    p->setFrameShape(QFrame::StyledPanel);
    p->installEventFilter(this);
    auto* lay = new QHBoxLayout(p);
    lay->setContentsMargins(10, 0, 8, 0);
    auto* name = new QLabel(p);
    name->setObjectName(QString("x_lbl_dev%1_name").arg(i + 1));
    name->installEventFilter(this);
    lay->addWidget(name, 1);
    for (size_t k = 0; k < IMG_COUNT; ++k) {
      auto* img = new QLabel(p);
      img->setObjectName(QString("img_dev%1_%2").arg(i + 1).arg(kImgNames[k]));
      img->setFixedSize(24, 24);
      img->setPixmap(status_pixmap(static_cast<dev_status_img_t>(k), p->devicePixelRatioF()));
      img->hide();
      lay->addWidget(img);
      img_dev_[i][k] = img;
    }
    pnl_dev_[i] = p;
    lbl_dev_name_[i] = name;
    grid->addWidget(p, static_cast<int>(i), 0);
  }
  grid->setRowStretch(MAX_DEVICES, 1);
  col->addWidget(gpl_devices_);

  chk_off_line_ = new QCheckBox(ctrl_text(u"chk_off_line", TXT_REQ_CAPTION, FORM_MAIN), this);
  chk_off_line_->setObjectName("chk_off_line");
  col->addWidget(chk_off_line_);
  connect(chk_off_line_, &QCheckBox::clicked, this, [this](bool on) {
    if (on) emit off_line_chosen();
  });

  x_grp_current_ = build_current_group(this);
  col->addWidget(x_grp_current_);
  const sens_serial_controls serial = build_sens_serial(this);
  auto* serial_row = new QHBoxLayout;
  serial_row->addWidget(serial.label);
  serial_row->addWidget(serial.edit, 1);
  col->addLayout(serial_row);
  col->addStretch(1);
  connect_value_clicks(this, [this] { red_dsp_tout_ = 0; });
}

bool device_column::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint at = me->globalPosition().toPoint();
    if (watched == gpl_devices_) {
      if (me->button() == Qt::RightButton) emit panel_pressed(-1, Qt::RightButton, at);
      return false;
    }
    for (int i = 0; i < MAX_DEVICES; ++i) {
      if (watched == panel(i) || watched == name_label(i)) {
        emit panel_pressed(i, me->button(), at);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void device_column::show_panels() {
  for (int i = 0; i < MAX_DEVICES; ++i) {
    const auto& c = common_setup.dev_conn[i];
    const bool active = c.active.load(rlx);
    panel(i)->setVisible(active);
    if (!active) continue;
    const int baud = c.baud_idx.load(rlx);
    name_label(i)->setText(c.tag.get());
    name_label(i)->setToolTip(msg_text(46) + QString::number(c.addr.load(rlx) + 1) + " / COM" +
                              QString::number(c.com_num.load(rlx)) + " / " +
                              (baud >= 0 && baud <= 4 ? kBaudText[baud] : "?"));
  }
}

void device_column::show_selection(int d) {
  for (int i = 0; i < MAX_DEVICES; ++i) {
    const bool sel = i == d;
    QFrame* p = panel(i);
    p->setProperty("selected", sel);
    p->setFrameShadow(sel ? QFrame::Sunken : QFrame::Plain);
    p->setStyleSheet(
        "QFrame#" + p->objectName() +
        (sel ? " { background: palette(highlight); border: 1px solid palette(dark); border-radius: 4px; }"
             : " { background: palette(base); border: 1px solid palette(midlight); border-radius: 4px; }"));
    name_label(i)->setStyleSheet(sel ? "color: palette(highlighted-text); font-weight: bold;"
                                     : "color: rgb(128,128,128);");
  }
  const QSignalBlocker quiet(chk_off_line_);
  chk_off_line_->setChecked(d < 0);
  chk_off_line_->setEnabled(d >= 0);
}

void device_column::show_status() {
  if (red_dsp_tout_ > 0) --red_dsp_tout_;
  update_status_display(this, red_dsp_tout_);
}
