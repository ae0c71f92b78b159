// The main menu, the device pop-up menu, the tool bar and the command mask
// that enables them.
#include "charts/chart_ctl.h"
#include "charts/draw_stat.h"
#include "config/cfg_transfer_ctl.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/device_column.h"
#include "ui/icons.h"
#include "ui/main_form.h"
#include "ui/menu_items.h"
#include "ui/report_ctl.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>

namespace {

// Tool bar commands in order, with their icons; nullptr marks a separator.
struct tool_def {
  const char* name;
  tool_cmd_t icon;
};
const tool_def kTools[9] = {
    {"tcmd_load", tool_cmd_t::LOAD_CFG},      {"tcmd_save", tool_cmd_t::SAVE_CFG},
    {"tcmd_new_dev", tool_cmd_t::NEW_DEVICE}, {"tcmd_rd_cfg", tool_cmd_t::READ_CFG},
    {"tcmd_wr_cfg", tool_cmd_t::WRITE_CFG},   {"tcmd_exp_exc", tool_cmd_t::EXPORT_CSV},
    {"tcmd_exp_bmp", tool_cmd_t::EXPORT_BMP}, {"tcmd_stop", tool_cmd_t::STOP},
    {"tcmd_play", tool_cmd_t::PLAY},
};

}  // namespace

void TMainForm::build_menus() {
  men_main = menuBar();
  men_main->setObjectName("men_main");

  menm_file = named_menu(men_main, "menm_file", u"menm_file");
  transfer().add_file_actions(menm_file);
  menm_file->addSeparator();
  menm_exit = named_action(menm_file, "menm_exit", u"menm_exit");
  menm_exit->setShortcut(QKeySequence::Quit);
  connect(menm_exit, &QAction::triggered, this, &QWidget::close);

  menm_devices = named_menu(men_main, "menm_devices", u"menm_devices");
  device_acts_ = new device_actions(this, *this, menm_devices);
  connect(device_acts_, &device_actions::devices_changed, this, &TMainForm::show_device_panels);
  connect(device_acts_, &device_actions::live_channels_changed, this,
          [this] { charts_->upd_chart(CHART_LIVE, false); });

  menm_acc_mode = named_menu(men_main, "menm_acc_mode", u"menm_acc_mode");
  transfer().add_access_actions(menm_acc_mode);

  menm_dev_setup = named_menu(men_main, "menm_dev_setup", u"menm_dev_setup");
  transfer().add_device_actions(menm_dev_setup);
  report_ = new report_ctl(*cfg_pages_, transfer(), this);
  report_->add_action(menm_dev_setup);
  menm_dev_setup->setEnabled(false);

  menm_chart = named_menu(men_main, "menm_chart", u"menm_chart");
  menm_export = named_menu(men_main, "menm_export", u"menm_export");
  menm_info = named_menu(men_main, "menm_info", u"menm_info");
  menm_info->menuAction()->setVisible(false);
  menm_language = named_menu(men_main, "menm_language", u"menm_language");
  menm_language->menuAction()->setVisible(false);  // shown when there are two packs or more
  for (QMenu* m : {menm_file, menm_devices, menm_acc_mode, menm_dev_setup, menm_chart, menm_export})
    connect(m, &QMenu::aboutToShow, this, &TMainForm::menm_fileClick);
}

void TMainForm::build_toolbar() {
  tlb_main = addToolBar(QString());
  tlb_main->setObjectName("tlb_main");
  tlb_main->setMovable(false);
  tlb_main->setIconSize(QSize(24, 24));
  for (int k = 0; k < 9; ++k) {
    if (k == 2 || k == 5 || k == 7) tlb_main->addSeparator();
    auto* a = tlb_main->addAction(tool_icon(kTools[k].icon, true), QString());
    a->setObjectName(kTools[k].name);
    a->setToolTip(ctrl_text(QString::fromLatin1(kTools[k].name), TXT_REQ_HINT, FORM_MAIN));
    tcmd[k] = a;
  }
  connect(tcmd[2], &QAction::triggered, device_acts_, &device_actions::menm_dev_addClick);
}

void TMainForm::menm_fileClick() {
  // An edit being typed in is stored before a menu acts.
  pgctrl_main->setFocus();
  charts_->upd_chart_menus();
}

bool TMainForm::command_allowed(cfg_command_t cmd) const {
  int bit = 0;
  switch (cmd) {
    case CFG_CMD_LOAD: bit = CMD_LOAD; break;
    case CFG_CMD_SAVE: bit = CMD_SAVE; break;
    case CFG_CMD_READ: bit = CMD_READ_CFG; break;
    case CFG_CMD_WRITE: bit = CMD_WRITE_CFG; break;
  }
  return (cmd_mask & bit) != 0;
}

void TMainForm::set_device_commands(bool on) {
  enable_dev_setup(on);
  set_cmd(CMD_READ_CFG | CMD_WRITE_CFG, on);
}

void TMainForm::enable_dev_setup(bool device) {
  // Off-line the menu keeps the commissioning report; Read and Write need a device.
  menm_dev_setup->setEnabled(device || m_stat.off_line_vaild.load());
  for (QAction* a : menm_dev_setup->actions()) a->setEnabled(device);
  report_->enable_action();
}

void TMainForm::end_status_highlight() { devices().end_red_highlight(); }

void TMainForm::set_cmd(int bits, bool on) {
  if (on)
    cmd_mask |= bits;
  else
    cmd_mask &= ~bits;
}

void TMainForm::show_tool_images() {
  for (int k = 0; k < 9; ++k) tcmd[k]->setIcon(tool_icon(kTools[k].icon, (cmd_mask & (1 << k)) != 0));
}

void TMainForm::update_menus() {
  const bool has_cfg = m_stat.dev_selected.load() >= 0 || m_stat.off_line_vaild.load();
  const int tag = page_tag(pgctrl_main->currentWidget());
  const bool chart = tag == 6 || tag == 7;
  bool free = false;
  for (const auto& c : common_setup.dev_conn) free = free || !c.active.load();
  transfer().enable_file_actions(has_cfg && !chart, !chart);
  menm_export->setEnabled(chart);
  set_cmd(CMD_LOAD, !chart);
  set_cmd(CMD_ADD_DEV, free);
  set_cmd(CMD_SAVE, has_cfg && !chart);
  set_cmd(CMD_EXP_CSV | CMD_EXP_BMP, chart);
  update_play_buttons();
}

void TMainForm::update_play_buttons() {
  const bool following = charts_->live_following() && !charts_->play_stopped();
  const bool online = page_tag(pgctrl_main->currentWidget()) == 6;
  set_cmd(CMD_STOP, following && online);
  set_cmd(CMD_PLAY, online && !following);
  tcmd[7]->setVisible(following);
  tcmd[8]->setVisible(!following);
  show_tool_images();
}
