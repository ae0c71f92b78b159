// The configuration commands' actions in the window's menus and tool bar,
// the transfer progress at the right end of the tool bar, and the access
// levels: "User" hides the interface, input and output settings and some
// product details, "Expert" shows everything; service mode (set once at
// start-up) forces the expert level.
#include "config/cfg_transfer_ctl.h"

#include "config/cfg_frame.h"
#include "config/cfg_pages.h"
#include "config/cfg_record_dlgs.h"
#include "config/cfg_transfer.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "ui/menu_items.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QToolBar>

cfg_transfer_ctl::cfg_transfer_ctl(cfg_pages& pages, cfg_frame& frame) : pages_(pages), frame_(frame) {}

cfg_transfer_ctl::~cfg_transfer_ctl() = default;

void cfg_transfer_ctl::add_file_actions(QMenu* file) {
  menm_save_cfg = named_action(file, "menm_save_cfg", u"menm_save_cfg");
  menm_load_cfg = named_action(file, "menm_load_cfg", u"menm_load_cfg");
  menm_load_cfg->setShortcut(QKeySequence::Open);
  menm_save_cfg->setShortcut(QKeySequence::Save);
  connect(menm_load_cfg, &QAction::triggered, this, &cfg_transfer_ctl::menm_load_cfgClick);
  connect(menm_save_cfg, &QAction::triggered, this, &cfg_transfer_ctl::menm_save_cfgClick);
}

void cfg_transfer_ctl::add_access_actions(QMenu* access) {
  menm_acc_user = named_action(access, "menm_acc_user", u"menm_acc_user");
  menm_acc_expert = named_action(access, "menm_acc_expert", u"menm_acc_expert");
  auto* group = new QActionGroup(access);
  for (QAction* a : {menm_acc_user, menm_acc_expert}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  menm_acc_user->setChecked(true);
  connect(menm_acc_user, &QAction::triggered, this, &cfg_transfer_ctl::menm_acc_userClick);
  connect(menm_acc_expert, &QAction::triggered, this, &cfg_transfer_ctl::menm_acc_expertClick);
}

void cfg_transfer_ctl::add_device_actions(QMenu* device_setup) {
  menm_dev_read = named_action(device_setup, "menm_dev_read", u"menm_dev_read");
  menm_dev_write = named_action(device_setup, "menm_dev_write", u"menm_dev_write");
  connect(menm_dev_read, &QAction::triggered, this, &cfg_transfer_ctl::menm_dev_readClick);
  connect(menm_dev_write, &QAction::triggered, this, &cfg_transfer_ctl::menm_dev_writeClick);
  device_setup->addSeparator();
  x_menm_dev_history = device_setup->addAction(record_caption(u"x_menm_dev_history", "History of writes\u2026"));
  x_menm_dev_history->setObjectName("x_menm_dev_history");
  x_menm_dev_compare = device_setup->addAction(record_caption(u"x_menm_dev_compare", "Compare with file\u2026"));
  x_menm_dev_compare->setObjectName("x_menm_dev_compare");
  connect(x_menm_dev_history, &QAction::triggered, this, &cfg_transfer_ctl::x_menm_dev_historyClick);
  connect(x_menm_dev_compare, &QAction::triggered, this, &cfg_transfer_ctl::x_menm_dev_compareClick);
  window_ = device_setup->parentWidget() ? device_setup->parentWidget()->window() : nullptr;
}

void cfg_transfer_ctl::x_menm_dev_historyClick() {
  const int d = selected_device();
  if (d >= 0) open_history_dialog(window_, trim_blanks(device_serial_of(d)));
}

void cfg_transfer_ctl::attach_tool_bar(QToolBar* bar, const t_tools& tools) {
  connect(tools.read, &QAction::triggered, this, &cfg_transfer_ctl::menm_dev_readClick);
  connect(tools.write, &QAction::triggered, this, &cfg_transfer_ctl::tcmd_wr_cfgClick);
  connect(tools.load, &QAction::triggered, this, &cfg_transfer_ctl::menm_load_cfgClick);
  connect(tools.save, &QAction::triggered, this, &cfg_transfer_ctl::menm_save_cfgClick);

  auto* spacer = new QWidget(bar);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar->addWidget(spacer);
  auto* box = new QWidget(bar);
  box->setObjectName("x_pnl_xfer");
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 8, 0);
  row->setSpacing(8);
  x_lbl_xfer = new QLabel(box);
  x_lbl_xfer->setObjectName("x_lbl_xfer");
  x_prg_xfer = new QProgressBar(box);
  x_prg_xfer->setObjectName("x_prg_xfer");
  x_prg_xfer->setFixedWidth(200);
  x_prg_xfer->setTextVisible(true);
  row->addWidget(x_lbl_xfer);
  row->addWidget(x_prg_xfer);
  box->setFixedWidth(360);
  bar->addWidget(box);
  show_transfer_progress(false);
}

void cfg_transfer_ctl::enable_file_actions(bool save, bool load) {
  menm_save_cfg->setEnabled(save);
  menm_load_cfg->setEnabled(load);
}

void cfg_transfer_ctl::show_transfer_progress(bool on) {
  x_lbl_xfer->setVisible(on);
  x_prg_xfer->setVisible(on);
}

void cfg_transfer_ctl::set_access_level(bool expert) {
  // Service mode keeps the expert level (its menu items are disabled).
  if (m_stat.service_ena.load(rlx)) expert = true;
  m_stat.acc_level.store(expert ? 1 : 0, rlx);
  menm_acc_expert->setChecked(expert);
  menm_acc_user->setChecked(!expert);
  pages_.show_access_level();
}
