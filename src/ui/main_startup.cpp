// Start-up and shutdown of the main window.
#include "app/setup_file.h"
#include "archive/live_reload.h"
#include "calib/calib_ctl.h"
#include "charts/chart_ctl.h"
#include "charts/draw_stat.h"
#include "comm/modb_serial.h"
#include "comm/service_client.h"
#include "config/cfg_pages.h"
#include "config/cfg_transfer_ctl.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "core/sys_number.h"
#include "core/work_dirs.h"
#include "settings/checked_file.h"
#include "texts/apply_texts.h"
#include "texts/lng_pack.h"
#include "texts/text_table.h"
#include "ui/icons.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/service_controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

namespace {

const char* const kLogoFile = "Init_Page.jpg";
const char* const kLineBreak = "\r\n";

// Waits in steps of 5 ms while pending window messages keep running.
void wait_ms(int ms) {
  const int64_t until = mono_ms() + ms;
  while (mono_ms() < until) {
    srvc_client().pump();
    sleep_ms(5);
  }
}

}  // namespace

void TMainForm::save_separators() {
  save_sys_separators();
  ref_date = 29221.0;  // 1980-01-01 00:00
}

void TMainForm::discover_language_packs() {
  find_lng_packs(common_setup.lng_config, start_dir, init_log);
  load_first_lng_pack(common_setup.lng_config, start_dir, init_log);
}

void TMainForm::load_logo() {
  const QString path = QDir(start_dir).filePath(kLogoFile);
  if (!QFileInfo::exists(path)) {
    init_log += QString("no custom logo") + kLineBreak;
    Image1->setPixmap(default_info_page(Image1->size(), devicePixelRatioF()));
    return;
  }
  QImageReader reader(path);
  const QImage img = reader.read();
  if (img.isNull()) {
    init_log += reader.errorString() + ". Logo file load failed!" + kLineBreak;
    return;
  }
  Image1->setPixmap(QPixmap::fromImage(img));
}

void TMainForm::measure_chart_font() {
  const QFontMetrics fm(font());
  common_setup.text_h = fm.height();
  if (2 * fm.horizontalAdvance("00.00.00") > 90) {
    common_setup.pixel_div_x = 100;
    common_setup.pixel_div_y = 60;
  } else {
    common_setup.pixel_div_x = 90;
    common_setup.pixel_div_y = 50;
  }
}

void TMainForm::prepare_device_records() {
  // Every device record is reset and today's samples are restored from the
  // log files before the service starts.
  for (const t_reload_result& r : reload_live_logs())
    if (r.code == LOAD_READ_FAILED) show_error(msg_text(11) + " [" + r.error + "]");
}

void TMainForm::restore_page() {
  int index = -1;
  for (int k = 0; k < pgctrl_main->count(); ++k)
    if (page_tag(pgctrl_main->widget(k)) == common_setup.last_page && pgctrl_main->isTabVisible(k)) index = k;
  if (index < 0)
    for (int k = 0; k < pgctrl_main->count() && index < 0; ++k)
      if (pgctrl_main->isTabVisible(k)) index = k;
  if (index >= 0) pgctrl_main->setCurrentIndex(index);
}

void TMainForm::apply_setup(const t_setup_ui& su) {
  show_service_controls(this, m_stat.service_ena.load());
  init_active = su.placement_stored;
  init_max = su.placement_stored && su.maximized;
  if (init_active && !init_max) {
    init_top = su.top;
    init_left = su.left;
    init_wi = su.width;
    init_hi = su.height;
  }
}

t_setup_ui TMainForm::current_setup_ui() const {
  t_setup_ui su;
  su.placement_stored = true;
  su.maximized = isMaximized();
  const QRect g = normalGeometry();
  su.top = g.y();
  su.left = g.x();
  su.width = g.width();
  su.height = g.height();
  su.tunit_idx[0] = draw_stat[CHART_LIVE].temp_f;
  su.tunit_idx[1] = draw_stat[CHART_ARCH].temp_f;
  return su;
}

void TMainForm::write_init_log() {
  if (init_log.isEmpty()) return;
  write_checked_file(init_log_path(), init_log);
}

bool TMainForm::FormCreate() {
  init_complete = false;
  set_form_number(this, FORM_MAIN);
  save_separators();
  if (!modb_serial) modb_serial = new TModbSerial();
  init_log.clear();
  init_texts();
  common_setup.lng_config.lng_cnt = 0;
  pages().fill_cfg_lists();  // Modbus addresses and decimals
  // Language packs are looked for in the folder the program starts from.
  start_dir = QDir::currentPath();
  discover_language_packs();
  set_app_title(true, this);
  if (!make_work_dir(cfg_dir, CFG_LEAF) || !make_work_dir(data_dir, DATA_LEAF)) {
    show_error("Critical error! Cannot create work directory. Check your access rights. Must close.");
    return false;
  }
  apply_setup(load_setup());
  // The access level the service marker chose (user, or expert in service mode).
  transfer().set_access_level(m_stat.acc_level.load() != 0);
  if (common_setup.lng_config.lng_cnt > 1) {
    restore_language(common_setup.lng_config, start_dir, init_log);
    set_app_title(false, this);
  }
  load_logo();
  apply_main_texts(this, common_setup.lng_config);
  build_language_menu(menm_language, common_setup.lng_config, [this](int i) {
    choose_language_flow(
        common_setup.lng_config, i, [](const QString& t) { show_error(t); }, start_dir);
    // The item lists just refilled from the texts (the product selector
    // among them) show the configuration again.
    pages().show_cfg_pages();
  });
  measure_chart_font();
  prepare_device_records();
  show_device_panels();

  // Nothing selected when the service starts.
  m_stat.dev_selected.store(-1);
  m_stat.off_line_vaild.store(false);
  charts_->start();
  srvc_client().start_service();

  select_device(-1);
  write_init_log();
  restore_page();
  Timer1->start();
  srvc_client().pump();
  init_complete = true;
  // The page restored above may be a chart page: its commands (export) apply.
  update_menus();
  return true;
}

void TMainForm::shutdown_sequence() {
  if (closing_done_) return;
  Timer1->stop();
  // Calibration dialogs end their overrides; every release is carried out
  // before the service ends.
  calib().close_dialogs();
  srvc_client().pump();
  // Nothing stays forced on a transmitter once the program has gone.
  calib().release_output(true);
  srvc_client().stop_service(true, true);
  save_setup(current_setup_ui());
  if (modb_serial) modb_serial->close_com();
  wait_ms(100);
  closing_done_ = true;
  calib().detach();
}

void TMainForm::abort_sequence() {
  if (closing_done_) return;
  Timer1->stop();
  srvc_client().stop_service(false, false);
  if (modb_serial) modb_serial->close_com();
  wait_ms(100);
  closing_done_ = true;
  calib().detach();
}

void TMainForm::FormClose(QCloseEvent* event) {
  if (closing_done_) {
    event->accept();
    return;
  }
  if (!init_complete) {
    abort_sequence();
    event->accept();
    return;
  }
  if (!ask_question("Quit program?")) {
    event->ignore();
    return;
  }
  // An edit being typed in is stored, then a changed configuration is
  // offered for writing; a refused entry or a write that fails keeps the
  // program open.
  if (!pages().store_pending_edit() || !transfer().offer_write_config(0, false)) {
    event->ignore();
    return;
  }
  shutdown_sequence();
  event->accept();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  sleep_ms(10);  // the close query waits briefly and always allows closing
  FormClose(event);
}
