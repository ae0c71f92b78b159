// The main window's frame: the device column, the page control, layout and
// placement.
#include "ui/main_form.h"

#include "calib/calib_ctl.h"
#include "charts/chart_ctl.h"
#include "comm/modb_serial.h"
#include "comm/service_client.h"
#include "config/cfg_pages.h"
#include "config/cfg_transfer_ctl.h"
#include "core/common_data.h"
#include "ui/calib_cfg_adapter.h"
#include "ui/chart_adapters.h"
#include "ui/device_column.h"
#include "ui/icons.h"
#include "ui/screen_fit.h"
#include "ui/status_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  setWindowIcon(app_icon());
  build_frame();
  cfg_transfer_ = std::make_unique<cfg_transfer_ctl>(*cfg_pages_, static_cast<cfg_frame&>(*this));
  build_menus();
  build_toolbar();
  build_chart_pages();
  transfer().attach_tool_bar(tlb_main, {tcmd[0], tcmd[1], tcmd[3], tcmd[4]});
  calib_cfg_ = std::make_unique<calib_cfg_adapter>(*this);
  calib_ = std::make_unique<calib_ctl>(this, *calib_cfg_);
  // A right-click on a raw value's cursor value in a channel grid offers it
  // as a calibration point.
  charts_->set_grid_menu_hook(calib_.get());
}

TMainForm::~TMainForm() {
  // The parts go before the window's controls: a page change while these
  // go reaches them no more.
  disconnect(pgctrl_main, nullptr, this, nullptr);
  // An edit that loses the focus while the window goes stores nothing.
  cfg_pages_->detach();
  // Nor does a calibration bar drive or release anything then.
  charts_->set_grid_menu_hook(nullptr);
  calib_.reset();
  // The service and the link live as long as the window that started them.
  srvc_client().destroy_service();
  delete modb_serial;
  modb_serial = nullptr;
}

void TMainForm::build_chart_pages() {
  chart_frame_ = std::make_unique<window_chart_frame>(*this);
  charts_ = std::make_unique<chart_ctl>(this, *chart_frame_, tab_online, tab_offline, menm_chart, menm_export);
  connect(charts_.get(), &chart_ctl::play_state_changed, this, &TMainForm::update_play_buttons);
  connect(tcmd[5], &QAction::triggered, charts_.get(), &chart_ctl::menm_exp_csvClick);
  connect(tcmd[6], &QAction::triggered, charts_.get(), &chart_ctl::menm_exp_bmpClick);
  connect(tcmd[7], &QAction::triggered, charts_.get(), &chart_ctl::tcmd_stopClick);
  connect(tcmd[8], &QAction::triggered, charts_.get(), &chart_ctl::tcmd_playClick);
}

chart_page& TMainForm::live_page() { return charts_->live_page(); }

chart_page& TMainForm::arch_page() { return charts_->arch_page(); }

cfg_pages& TMainForm::pages() { return *cfg_pages_; }

cfg_transfer_ctl& TMainForm::transfer() { return *cfg_transfer_; }

int TMainForm::shown_page() const { return page_tag(pgctrl_main->currentWidget()); }

int TMainForm::page_tag(QWidget* page) {
  if (!page) return -1;
  const QVariant v = page->property("Tag");
  return v.isValid() ? v.toInt() : -1;
}

QWidget* TMainForm::add_page(const char* name, int tag, const QString& caption) {
  auto* page = new QWidget(pgctrl_main);
  page->setObjectName(name);
  page->setProperty("Tag", tag);
  pgctrl_main->addTab(page, caption);
  return page;
}

void TMainForm::build_frame() {
  auto* central = new QWidget(this);
  central->setObjectName("pnl_main");
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(8, 8, 8, 8);
  row->setSpacing(8);

  device_col_ = new device_column(central);
  row->addWidget(device_col_);
  connect(device_col_, &device_column::panel_pressed, this, &TMainForm::device_panel_mouse_down);
  connect(device_col_, &device_column::off_line_chosen, this, [this] { select_device(-1); });

  pgctrl_main = new QTabWidget(central);
  pgctrl_main->setObjectName("pgctrl_main");
  pgctrl_main->setDocumentMode(false);
  tab_about = add_page("tab_about", 0, "Device Info");
  cfg_pages::t_tabs cfg_tabs;
  cfg_tabs.base = add_page("tab_base", 1, "Transmitter settings");
  cfg_tabs.inputs = add_page("tab_inputs", 2, "Digital inputs");
  cfg_tabs.outputs = add_page("tab_outputs", 4, "Outputs");
  cfg_tabs.products = add_page("tab_products", 5, "Products/Calibration");
  tab_online = add_page("tab_online", 6, "Online view");
  tab_offline = add_page("tab_offline", 7, "Off-line analysis");
  row->addWidget(pgctrl_main, 1);
  cfg_pages_ = std::make_unique<cfg_pages>(*pgctrl_main, cfg_tabs);

  Image1 = new QLabel(tab_about);
  Image1->setObjectName("Image1");
  Image1->setFixedSize(740, 528);
  Image1->setAlignment(Qt::AlignCenter);
  auto* about = new QVBoxLayout(tab_about);
  about->addWidget(Image1, 0, Qt::AlignHCenter | Qt::AlignTop);

  setCentralWidget(central);
  setMinimumSize(1000, 640);
  resize(1280, 800);

  connect(pgctrl_main, &QTabWidget::currentChanged, this, &TMainForm::pgctrl_mainChange);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
}

void TMainForm::paintEvent(QPaintEvent* event) {
  // First paint: the placement read from the setup file.
  if (init_active) {
    init_active = false;
    if (init_max) {
      showMaximized();
    } else if (::on_monitor(init_left, init_top) && init_wi >= minimumWidth() && init_hi >= minimumHeight()) {
      setGeometry(init_left, init_top, init_wi, init_hi);
    }
  }
  QMainWindow::paintEvent(event);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // The logo is centred horizontally, and vertically when the page is high enough.
  if (Image1 && tab_about) {
    auto* lay = static_cast<QVBoxLayout*>(tab_about->layout());
    const bool high = tab_about->height() >= 528;
    lay->setAlignment(Image1, Qt::AlignHCenter | (high ? Qt::AlignVCenter : Qt::AlignTop));
  }
}

void TMainForm::pgctrl_mainChange(int index) {
  if (!init_complete) return;
  const int tag = page_tag(pgctrl_main->widget(index));
  if (last_pg_index < 6 && tag > 5) {
    // The page has changed already: whatever the entry or the write came to, the chart page stays.
    pages().store_pending_edit();
    transfer().offer_write_config(0, false);
  }
  charts_->upd_chart_menus();
  update_menus();
  common_setup.last_page = tag;
  last_pg_index = tag;
}
