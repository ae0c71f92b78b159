#include "ui/main_form.h"

#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  build_frame();
}

TMainForm::~TMainForm() {
  // The service and the link live as long as the window that started them.
  delete srvc_thread;
  srvc_thread = nullptr;
  delete modb_serial;
  modb_serial = nullptr;
}

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
  row->setContentsMargins(6, 6, 6, 6);

  pnl_left = new QWidget(central);
  pnl_left->setObjectName("pnl_left");
  pnl_left->setFixedWidth(220);
  auto* col = new QVBoxLayout(pnl_left);
  col->setContentsMargins(0, 0, 0, 0);
  lbl_click_to_sel = new QLabel("Select device", pnl_left);
  lbl_click_to_sel->setObjectName("lbl_click_to_sel");
  col->addWidget(lbl_click_to_sel);
  gpl_devices = new QWidget(pnl_left);
  gpl_devices->setObjectName("gpl_devices");
  col->addWidget(gpl_devices, 1);
  row->addWidget(pnl_left);

  pgctrl_main = new QTabWidget(central);
  pgctrl_main->setObjectName("pgctrl_main");
  tab_about = add_page("tab_about", 0, "Device Info");
  tab_base = add_page("tab_base", 1, "Transmitter settings");
  tab_inputs = add_page("tab_inputs", 2, "Digital inputs");
  tab_outputs = add_page("tab_outputs", 4, "Outputs");
  tab_products = add_page("tab_products", 5, "Products/Calibration");
  tab_online = add_page("tab_online", 6, "Online view");
  tab_offline = add_page("tab_offline", 7, "Off-line analysis");
  row->addWidget(pgctrl_main, 1);

  Image1 = new QLabel(tab_about);
  Image1->setObjectName("Image1");
  Image1->setFixedSize(740, 528);
  Image1->setAlignment(Qt::AlignCenter);
  auto* about = new QVBoxLayout(tab_about);
  about->addWidget(Image1, 0, Qt::AlignHCenter | Qt::AlignTop);

  setCentralWidget(central);
  resize(1200, 760);

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
    } else if (on_monitor(init_left, init_top)) {
      setGeometry(init_left, init_top, init_wi, init_hi);
    }
  }
  QMainWindow::paintEvent(event);
}

bool TMainForm::on_monitor(int x, int y) {
  for (const QScreen* s : QGuiApplication::screens()) {
    const QRect g = s->geometry();
    if (g.left() <= x && x <= g.left() + g.width() - 50 && g.top() <= y && y <= g.top() + g.height() - 50) return true;
  }
  return false;
}

void TMainForm::pgctrl_mainChange(int index) {
  if (!init_complete) return;
  common_setup.last_page = page_tag(pgctrl_main->widget(index));
}

void TMainForm::Timer1Timer() {
  // The refresh cycle: status display and live chart follow come with the
  // status panel and the charts.
}
