#include "ui/device_actions.h"

#include "archive/log_file.h"
#include "charts/dsp_chan.h"
#include "comm/service_client.h"
#include "config/cfg_record_dlgs.h"
#include "config/cfg_transfer.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "core/work_dirs.h"
#include "texts/text_table.h"
#include "ui/dlg_setup.h"
#include "ui/link_stats_dlg.h"
#include "ui/menu_items.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

device_actions::device_actions(QWidget* window, device_host& host, QMenu* devices_menu)
    : QObject(window), window_(window), host_(host) {
  menm_dev_add_ = named_action(devices_menu, "menm_dev_add", u"menm_dev_add");
  connect(menm_dev_add_, &QAction::triggered, this, &device_actions::menm_dev_addClick);
  menm_dev_edit_ = named_submenu(devices_menu, "menm_dev_edit", u"menm_dev_edit");
  menm_dev_delete_ = named_submenu(devices_menu, "menm_dev_delete", u"menm_dev_delete");
  menm_dev_act_ = named_submenu(devices_menu, "menm_dev_act", u"menm_dev_act");
  for (size_t i = 0; i < MAX_DEVICES; ++i) {
    auto make = [&](QMenu* menu, const QString& name, bool checkable) {
      auto* a = menu->addAction(QString());
      a->setObjectName(name);
      a->setProperty("Tag", static_cast<int>(i));
      a->setCheckable(checkable);
      a->setVisible(false);
      return a;
    };
    x_menm_dev_edit_[i] = make(menm_dev_edit_, QString("x_menm_dev_edit_%1").arg(i + 1), false);
    x_menm_dev_del_[i] = make(menm_dev_delete_, QString("x_menm_dev_del_%1").arg(i + 1), false);
    x_menm_act_[i] = make(menm_dev_act_, QString("x_menm_act_%1").arg(i + 1), true);
    const int d = static_cast<int>(i);
    connect(x_menm_dev_edit_[i], &QAction::triggered, this, [this, d] { edit_device(d); });
    connect(x_menm_dev_del_[i], &QAction::triggered, this, [this, d] { remove_device(d); });
    connect(x_menm_act_[i], &QAction::triggered, this, [this, d] { toggle_acquisition(d); });
  }

  menp_open_ = new QMenu(window);
  menp_open_->setObjectName("menp_open");
  menp_dev_add_ = named_action(menp_open_, "menp_dev_add", u"menp_dev_add");
  menp_dev_edit_ = named_action(menp_open_, "menp_dev_edit", u"menp_dev_edit");
  menp_dev_delete_ = named_action(menp_open_, "menp_dev_delete", u"menp_dev_delete");
  menp_dev_act_ = named_action(menp_open_, "menp_dev_act", u"menp_dev_act");
  menp_dev_act_->setCheckable(true);
  menp_open_->addSeparator();
  menp_dsp_path_ = named_action(menp_open_, "menp_dsp_path", u"menp_dsp_path");
  // Set from the text table when the menu opens (prep_dev_popup).
  x_menp_link_stats_ = menp_open_->addAction(QString());
  x_menp_link_stats_->setObjectName("x_menp_link_stats");
  connect(x_menp_link_stats_, &QAction::triggered, this, &device_actions::x_menp_link_statsClick);
  x_menp_history_ = menp_open_->addAction(record_caption(u"x_menp_history", "History of writes\u2026"));
  x_menp_history_->setObjectName("x_menp_history");
  connect(x_menp_history_, &QAction::triggered, this, [this] {
    if (popup_dev_idx_ >= 0 && popup_dev_idx_ < MAX_DEVICES)
      open_history_dialog(window_, trim_blanks(device_serial_of(popup_dev_idx_)));
  });
  x_menp_log_error_ = menp_open_->addAction(QString());
  x_menp_log_error_->setObjectName("x_menp_log_error");
  x_menp_log_error_->setEnabled(false);
  connect(menp_dev_add_, &QAction::triggered, this, &device_actions::menm_dev_addClick);
  connect(menp_dev_edit_, &QAction::triggered, this, [this] { edit_device(popup_dev_idx_); });
  connect(menp_dev_delete_, &QAction::triggered, this, [this] { remove_device(popup_dev_idx_); });
  connect(menp_dev_act_, &QAction::triggered, this, [this] { toggle_acquisition(popup_dev_idx_); });
  connect(menp_dsp_path_, &QAction::triggered, this, [this] {
    // The device's log folder in the desktop's file browser; a failure shows nothing.
    if (popup_dev_idx_ < 0 || popup_dev_idx_ >= MAX_DEVICES) return;
    QString dir = common_setup.dev_conn[popup_dev_idx_].log_dir.get();
    dir.replace(u'\\', u'/');
    QDesktopServices::openUrl(QUrl::fromLocalFile(dir));
  });
}

void device_actions::show_devices() {
  int in_use = 0;
  for (size_t i = 0; i < MAX_DEVICES; ++i) {
    const auto& c = common_setup.dev_conn[i];
    const bool active = c.active.load(rlx);
    in_use += active;
    x_menm_dev_edit_[i]->setVisible(active);
    x_menm_dev_del_[i]->setVisible(active);
    x_menm_act_[i]->setVisible(active);
    if (!active) continue;
    const QString tag = c.tag.get();
    x_menm_dev_edit_[i]->setText(tag);
    x_menm_dev_del_[i]->setText(tag);
    x_menm_act_[i]->setText(tag);
    x_menm_act_[i]->setChecked(c.log_active.load(rlx));
  }
  menm_dev_edit_->setEnabled(in_use > 0);
  menm_dev_delete_->setEnabled(in_use > 0);
  menm_dev_act_->setEnabled(in_use > 0);
  menp_dev_edit_->setEnabled(in_use > 0);
  menp_dev_delete_->setEnabled(in_use > 0);
  menm_dev_add_->setEnabled(in_use < MAX_DEVICES);
  menp_dev_add_->setEnabled(in_use < MAX_DEVICES);
}

void device_actions::prep_dev_popup(int d) {
  popup_dev_idx_ = d;
  const bool dev = d >= 0;
  menp_dev_edit_->setVisible(dev);
  menp_dev_delete_->setVisible(dev);
  menp_dev_act_->setVisible(dev);
  menp_dsp_path_->setVisible(dev);
  x_menp_link_stats_->setVisible(dev);
  x_menp_history_->setVisible(dev);
  x_menp_link_stats_->setText(text_or_default(u"x_menp_link_stats", TXT_KIND_CAPTION, FORM_MAIN));
  if (dev) menp_dev_act_->setChecked(common_setup.dev_conn[d].log_active.load(rlx));
  // The folder and the system's error while the device's log cannot be written.
  const int log_error = dev ? m_stat.dev_stat[d].log_error.load(rlx) : 0;
  x_menp_log_error_->setVisible(log_error != 0);
  if (log_error != 0) x_menp_log_error_->setText(log_failure_text(common_setup.dev_conn[d].log_dir.get(), log_error));
  menp_dev_add_->setVisible(true);
}

void device_actions::popup(int d, const QPoint& global_pos) {
  prep_dev_popup(d);
  menp_open_->popup(global_pos);
}

void device_actions::menm_dev_addClick() {
  if (host_.may_add_device()) add_device();
}

void device_actions::add_device() {
  host_.leave_device();
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

void device_actions::edit_device(int i) {
  if (i < 0 || i >= MAX_DEVICES) return;
  host_.leave_device();
  open_device_dialog(i);
}

TDlg_setup* device_actions::device_dialog() {
  if (!Dlg_setup_) {
    Dlg_setup_ = new TDlg_setup(window_);
    Dlg_setup_->set_on_closed([this](bool) { emit devices_changed(); });
  }
  return Dlg_setup_;
}

void device_actions::open_device_dialog(int i) { device_dialog()->open_for(i); }

void device_actions::remove_device(int r) {
  if (r < 0 || r >= MAX_DEVICES) return;
  host_.leave_device();
  if (!ask_question(msg_text(47))) return;
  // The live channels of the device go; those of the devices behind it follow them down.
  const bool chans_removed = remove_device_chans(r);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  srvc_client().remove_device(r);
  QApplication::restoreOverrideCursor();
  emit devices_changed();
  if (chans_removed) emit live_channels_changed();
}

void device_actions::toggle_acquisition(int d) {
  if (d < 0 || d >= MAX_DEVICES) return;
  auto& c = common_setup.dev_conn[d];
  c.log_active = !c.log_active.load(rlx);
  emit devices_changed();
}

TDlg_link_stats* device_actions::link_dialog() {
  if (!Dlg_link_stats_) Dlg_link_stats_ = new TDlg_link_stats(window_);
  return Dlg_link_stats_;
}

void device_actions::x_menp_link_statsClick() {
  if (popup_dev_idx_ < 0 || popup_dev_idx_ >= MAX_DEVICES) return;
  link_dialog()->open_for(popup_dev_idx_);
}
