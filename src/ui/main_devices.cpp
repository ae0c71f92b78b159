// The device column of the main window: device panels, selection, the
// device menus, adding, editing and removing devices.
#include "archive/log_file.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "comm/service_client.h"
#include "core/common_data.h"
#include "core/work_dirs.h"
#include "texts/text_table.h"
#include "ui/dlg_setup.h"
#include "ui/icons.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/status_panel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const kImgNames[4] = {"ok", "discon", "err", "disable"};
const char* const kBaudText[5] = {"9600", "19200", "38400", "57600", "115200"};

// Lets pending window work run (repaints, the focus change that stores an
// edit) but no user input, so that no second click starts a nested flow.
void process_pending() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

void TMainForm::build_device_column() {
  pnl_left = new QWidget;
  pnl_left->setObjectName("pnl_left");
  pnl_left->setFixedWidth(250);
  auto* col = new QVBoxLayout(pnl_left);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(6);

  lbl_click_to_sel = new QLabel(ctrl_text(u"lbl_click_to_sel", TXT_REQ_CAPTION, FORM_MAIN), pnl_left);
  lbl_click_to_sel->setObjectName("lbl_click_to_sel");
  QFont bold = lbl_click_to_sel->font();
  bold.setBold(true);
  lbl_click_to_sel->setFont(bold);
  col->addWidget(lbl_click_to_sel);

  gpl_devices = new QWidget(pnl_left);
  gpl_devices->setObjectName("gpl_devices");
  gpl_devices->installEventFilter(this);
  auto* grid = new QGridLayout(gpl_devices);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(4);
  for (int i = 0; i < MAX_DEVICES; ++i) {
    auto* p = new QFrame(gpl_devices);
    p->setObjectName(QString("pnl_dev_%1").arg(i + 1));
    p->setProperty("Tag", i);
    p->setFixedHeight(40);
    p->setFrameShape(QFrame::StyledPanel);
    p->installEventFilter(this);
    auto* lay = new QHBoxLayout(p);
    lay->setContentsMargins(10, 0, 8, 0);
    auto* name = new QLabel(p);
    name->setObjectName(QString("x_lbl_dev%1_name").arg(i + 1));
    name->setProperty("Tag", i);
    name->installEventFilter(this);
    lay->addWidget(name, 1);
    for (int k = 0; k < 4; ++k) {
      auto* img = new QLabel(p);
      img->setObjectName(QString("img_dev%1_%2").arg(i + 1).arg(kImgNames[k]));
      img->setFixedSize(24, 24);
      img->setPixmap(status_pixmap(static_cast<dev_status_img_t>(k), p->devicePixelRatioF()));
      img->hide();
      lay->addWidget(img);
      img_dev[i][k] = img;
    }
    pnl_dev[i] = p;
    lbl_dev_name[i] = name;
    grid->addWidget(p, i, 0);
  }
  grid->setRowStretch(MAX_DEVICES, 1);
  col->addWidget(gpl_devices);

  chk_off_line = new QCheckBox(ctrl_text(u"chk_off_line", TXT_REQ_CAPTION, FORM_MAIN), pnl_left);
  chk_off_line->setObjectName("chk_off_line");
  col->addWidget(chk_off_line);

  x_grp_current = build_current_group(pnl_left);
  col->addWidget(x_grp_current);
  const sens_serial_controls serial = build_sens_serial(pnl_left);
  auto* serial_row = new QHBoxLayout;
  serial_row->addWidget(serial.label);
  serial_row->addWidget(serial.edit, 1);
  col->addLayout(serial_row);
  col->addStretch(1);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(event);
    if (watched == gpl_devices) {
      if (me->button() == Qt::RightButton) device_panel_mouse_down(-1, Qt::RightButton, me->globalPosition().toPoint());
      return false;
    }
    const QVariant tag = watched->property("Tag");
    if (tag.isValid() &&
        (watched->objectName().startsWith("pnl_dev_") || watched->objectName().startsWith("x_lbl_dev"))) {
      device_panel_mouse_down(tag.toInt(), me->button(), me->globalPosition().toPoint());
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::device_panel_mouse_down(int index, Qt::MouseButton button, const QPoint& global_pos) {
  // A click that arrives while a request is carried out changes nothing.
  if (srvc_client().busy()) return;
  // A pending edit is stored first; the focus then leaves the pages (a
  // calibration scroll bar releases the output it drives).
  if (!store_pending_edit()) return;
  pgctrl_main->setFocus();
  process_pending();
  if (button == Qt::LeftButton && index >= 0) {
    select_device(index);
  } else if (button == Qt::RightButton) {
    popup_dev_idx = index;
    prep_dev_popup(index);
    menp_open->popup(global_pos);
  }
}

void TMainForm::select_device(int d) {
  if (srvc_client().busy()) return;
  menm_dev_setup->setEnabled(d >= 0);
  set_cmd(CMD_READ_CFG | CMD_WRITE_CFG, d >= 0);
  show_tool_images();
  if (d >= 0 && d == m_stat.dev_selected.load()) return;
  if (!store_pending_edit()) return;
  // A forced analog output is released before its device is left.
  release_aout(true);
  if (!offer_write_config(0, false)) return;
  if (d >= 0 && !m_stat.dev_stat[d].param_read.load()) {
    if (read_dev_config(d)) {
      show_info(msg_text(9));
    } else {
      show_error(msg_text(10));
      d = -1;
    }
  }
  m_stat.dev_selected.store(d);
  for (int i = 0; i < MAX_DEVICES; ++i) {
    const bool sel = i == d;
    pnl_dev[i]->setProperty("selected", sel);
    pnl_dev[i]->setFrameShadow(sel ? QFrame::Sunken : QFrame::Plain);
    pnl_dev[i]->setStyleSheet(
        "QFrame#" + pnl_dev[i]->objectName() +
        (sel ? " { background: palette(highlight); border: 1px solid palette(dark); border-radius: 4px; }"
             : " { background: palette(base); border: 1px solid palette(midlight); border-radius: 4px; }"));
    lbl_dev_name[i]->setStyleSheet(sel ? "color: palette(highlighted-text); font-weight: bold;"
                                       : "color: rgb(128,128,128);");
  }
  ctrl_updating = true;
  chk_off_line->setChecked(d < 0);
  chk_off_line->setEnabled(d >= 0);
  process_pending();
  ctrl_updating = false;
  refresh_cfg_views();
}

void TMainForm::show_device_panels() {
  int in_use = 0;
  for (int i = 0; i < MAX_DEVICES; ++i) {
    const auto& c = common_setup.dev_conn[i];
    const bool active = c.active.load(rlx);
    in_use += active;
    pnl_dev[i]->setVisible(active);
    x_menm_dev_edit[i]->setVisible(active);
    x_menm_dev_del[i]->setVisible(active);
    x_menm_act[i]->setVisible(active);
    if (!active) continue;
    const QString tag = c.tag.get();
    lbl_dev_name[i]->setText(tag);
    const int baud = c.baud_idx.load(rlx);
    lbl_dev_name[i]->setToolTip(msg_text(46) + QString::number(c.addr.load(rlx) + 1) + " / COM" +
                                QString::number(c.com_num.load(rlx)) + " / " +
                                (baud >= 0 && baud <= 4 ? kBaudText[baud] : "?"));
    x_menm_dev_edit[i]->setText(tag);
    x_menm_dev_del[i]->setText(tag);
    x_menm_act[i]->setText(tag);
    x_menm_act[i]->setChecked(c.log_active.load(rlx));
  }
  menm_dev_edit->setEnabled(in_use > 0);
  menm_dev_delete->setEnabled(in_use > 0);
  menm_dev_act->setEnabled(in_use > 0);
  menp_dev_edit->setEnabled(in_use > 0);
  menp_dev_delete->setEnabled(in_use > 0);
  menm_dev_add->setEnabled(in_use < MAX_DEVICES);
  menp_dev_add->setEnabled(in_use < MAX_DEVICES);
  update_menus();
}

void TMainForm::prep_dev_popup(int d) {
  const bool dev = d >= 0;
  menp_dev_edit->setVisible(dev);
  menp_dev_delete->setVisible(dev);
  menp_dev_act->setVisible(dev);
  menp_dsp_path->setVisible(dev);
  x_menp_link_stats->setVisible(dev);
  x_menp_link_stats->setText(text_or_default(u"x_menp_link_stats", TXT_KIND_CAPTION, FORM_MAIN));
  if (dev) menp_dev_act->setChecked(common_setup.dev_conn[d].log_active.load(rlx));
  // The folder and the system's error while the device's log cannot be written.
  const int log_error = dev ? m_stat.dev_stat[d].log_error.load(rlx) : 0;
  x_menp_log_error->setVisible(log_error != 0);
  if (log_error != 0) x_menp_log_error->setText(log_failure_text(common_setup.dev_conn[d].log_dir.get(), log_error));
  menp_dev_add->setVisible(true);
}

void TMainForm::menm_dev_addClick() {
  if (cmd_mask & CMD_ADD_DEV) add_device();
}

void TMainForm::add_device() {
  select_device(-1);
  int i = 0;
  while (i < MAX_DEVICES && common_setup.dev_conn[i].active.load(rlx)) ++i;
  if (i == MAX_DEVICES) return;
  auto& c = common_setup.dev_conn[i];
  c.log_dir.set(work_path(data_dir));
  c.use_usb = true;
  c.addr = 1;
  c.parity = 0;
  c.baud_idx = 4;
  c.log_active = true;
  open_device_dialog(i);
}

void TMainForm::edit_device(int i) {
  if (i < 0 || i >= MAX_DEVICES) return;
  select_device(-1);
  open_device_dialog(i);
}

void TMainForm::open_device_dialog(int i) {
  if (!Dlg_setup) {
    Dlg_setup = new TDlg_setup(this);
    Dlg_setup->set_on_closed([this](bool) { show_device_panels(); });
  }
  Dlg_setup->open_for(i);
}

void TMainForm::remove_device(int r) {
  if (r < 0 || r >= MAX_DEVICES) return;
  select_device(-1);
  if (!ask_question(msg_text(47))) return;
  // The live channels of the device go; those of the devices behind it follow them down.
  const bool chans_removed = remove_device_chans(r);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  srvc_client().remove_device(r);
  QApplication::restoreOverrideCursor();
  show_device_panels();
  if (chans_removed) upd_chart(CHART_LIVE, false);
}

void TMainForm::toggle_acquisition(int d) {
  if (d < 0 || d >= MAX_DEVICES) return;
  auto& c = common_setup.dev_conn[d];
  c.log_active = !c.log_active.load(rlx);
  show_device_panels();
}

void TMainForm::chk_off_lineClick() {
  if (ctrl_updating) return;
  if (chk_off_line->isChecked()) select_device(-1);
}

void TMainForm::Timer1Timer() {
  if (red_dsp_tout > 0) --red_dsp_tout;
  // A release of a forced gain or output that was refused or failed goes out again.
  srvc_client().keep_releasing();
  update_status_display(this, red_dsp_tout);
  live_follow();
}
