// The main window end to end, offscreen, with a simulated transmitter on a
// pseudo-terminal: a device panel turns to "Connected", the selected
// device's live values update, and removing it empties its slot; a click
// that arrives while a configuration is read starts nothing.
#include "app/setup_file.h"
#include "comm/com_service.h"
#include "comm/service_client.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "core/work_dirs.h"
#include "sim_line.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/text_table.h"
#include "ui/dlg_setup.h"
#include "ui/link_stats_dlg.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/session_end.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Writes a setup file holding one device on COM com before the program starts.
void seed_setup(int com, const QString& tag) {
  QString cfg = cfg_folder_text();
  ASSERT_TRUE(make_work_dir(cfg, CFG_LEAF));
  cfg_dir = cfg;
  auto& c = common_setup.dev_conn[0];
  c.active = true;
  c.log_active = true;
  c.addr = 0;
  c.com_num = com;
  c.baud_idx = 4;
  c.tag.set(tag);
  c.log_dir.set(app_data_dir() + "/logs");
  QDir().mkpath(app_data_dir() + "/logs");
  save_setup(t_setup_ui{});
  reset_all_records();
}

QString label(TMainForm& f, const char* name) {
  auto* l = f.findChild<QLabel*>(name);
  return l ? l->text() : QString("<missing %1>").arg(name);
}

}  // namespace

TEST(MainWindow, ADeviceComesOnlineIsSelectedShowsLiveValuesAndIsRemoved) {
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  orvsim::line_options o;
  o.line_clock = &line_clock.time;
  o.com = 3;
  o.devices.resize(1);
  o.devices[0].counter = 3000;
  o.devices[0].firmware = 212;
  orvsim::sim_line line(o);
  seed_setup(3, "Dryer");
  msg_script::begin();

  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.show();
  EXPECT_TRUE(device_panel(form, 0)->isVisible());
  EXPECT_FALSE(device_panel(form, 1)->isVisible());
  EXPECT_EQ(device_name_label(form, 0)->text(), "Dryer");
  EXPECT_EQ(device_name_label(form, 0)->toolTip(), msg_text(46) + "1 / COM3 / 115200");

  // Within a few timer ticks the panel shows the connected image.
  ASSERT_TRUE(wait_until([&] { return device_status_image(form, 0, 0)->isVisible(); }, 30000));
  EXPECT_EQ(device_status_image(form, 0, 0)->toolTip().section(u'\n', 0, 0), msg_text(107));  // then the link line
  EXPECT_FALSE(live_group(form)->isVisible());                                                // nothing selected yet

  form.select_device(0);
  EXPECT_EQ(m_stat.dev_selected.load(), 0);
  EXPECT_EQ(msg_script::shown(), QStringList{"info: " + msg_text(9)});
  EXPECT_TRUE(m_stat.dev_stat[0].param_read.load());
  ASSERT_TRUE(wait_until([&] { return label(form, "x_lbl_firmware") == "2.12"; }, 30000));
  EXPECT_TRUE(live_group(form)->isVisible());
  EXPECT_EQ(live_group(form)->title(), "Dryer");
  EXPECT_EQ(label(form, "x_lbl_curr_stat"), msg_text(18));
  EXPECT_FALSE(off_line_box(form)->isChecked());
  EXPECT_TRUE(window_menu(form, "menm_dev_setup")->isEnabled());

  // Remove it: the question is answered, the slot empties, the panel goes.
  msg_script::push_answer(true);
  remove_device(form, 0);
  EXPECT_FALSE(common_setup.dev_conn[0].active.load());
  EXPECT_FALSE(device_panel(form, 0)->isVisible());
  EXPECT_EQ(m_stat.dev_selected.load(), -1);
  EXPECT_TRUE(off_line_box(form)->isChecked());
  EXPECT_FALSE(off_line_box(form)->isEnabled());
  EXPECT_TRUE(window_action(form, "menm_dev_add")->isEnabled());

  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  EXPECT_TRUE(service_ended(form));
  msg_script::end();
  // The samples of the removed device reached its log file.
  const QStringList logs = QDir(home.path() + "/logs").entryList({"*.orvlog"});
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(logs[0].startsWith("Dryer_"));
  EXPECT_GT(QFile(home.path() + "/logs/" + logs[0]).size(), 30 * 27 - 1);
}

TEST(MainWindow, AClickOnAnotherDeviceDuringASlowReadChangesNothing) {
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  orvsim::line_options o;
  o.line_clock = &line_clock.time;
  o.com = 6;
  o.devices.resize(2);
  o.devices[1].address = 2;
  o.faults.late = 1.0;    // every answer comes late (within the master's wait):
  o.faults.late_ms = 25;  // a configuration read takes most of a second
  orvsim::sim_line line(o);
  seed_setup(6, "First");
  msg_script::begin();
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.show();
  auto& second = common_setup.dev_conn[1];
  second.addr = 1;
  second.com_num = 6;
  second.baud_idx = 4;
  second.tag.set("Second");
  second.log_dir.set(app_data_dir() + "/logs");
  second.log_active = true;
  second.active = true;
  form.show_device_panels();

  // What each transmitter holds (the two differ).
  struct held {
    orvsim::config_image cfg;
    uint16_t stat[orvsim::STATUS_COUNT] = {};
  } dev[2];
  for (int a = 1; a <= 2; ++a)
    ASSERT_TRUE(line.steer(a, [&](orvsim::transmitter& t) {
      dev[a - 1].cfg = t.active_config();
      t.status_block(dev[a - 1].stat);
    }));
  ASSERT_FALSE(dev[0].cfg == dev[1].cfg);
  auto holds = [&](int d, const held& h) {
    const auto& s = m_stat.dev_stat[d];
    for (int r = 0; r < orvsim::PARAM_COUNT; ++r)
      if (s.read_param.get(r) != h.cfg.param[r] || s.edit_param.get(r) != h.cfg.param[r]) return false;
    for (int r = 0; r < orvsim::PROD_COUNT; ++r)
      if (s.read_prod.get(r) != h.cfg.prod[r] || s.edit_prod.get(r) != h.cfg.prod[r]) return false;
    for (int r = 66; r < 78; ++r)  // the device serial number
      if (s.read_stat.get(r) != h.stat[r]) return false;
    return true;
  };

  // The first read is under way when the second panel is clicked.
  bool clicked = false, busy_then = false;
  QTimer::singleShot(0, &form, [&] {
    busy_then = srvc_client().busy();
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, device_panel(form, 1)->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(device_panel(form, 1), &press);
    clicked = true;
  });
  form.select_device(0);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(busy_then);
  EXPECT_EQ(m_stat.dev_selected.load(), 0);
  EXPECT_EQ(msg_script::shown(), QStringList{"info: " + msg_text(9)});  // one read, one message
  EXPECT_TRUE(m_stat.dev_stat[0].param_read.load());
  EXPECT_FALSE(m_stat.dev_stat[1].param_read.load());
  EXPECT_TRUE(holds(0, dev[0]));
  EXPECT_TRUE(device_panel(form, 0)->property("selected").toBool());
  EXPECT_FALSE(device_panel(form, 1)->property("selected").toBool());

  // Afterwards the second device is read on its own.
  form.select_device(1);
  EXPECT_EQ(m_stat.dev_selected.load(), 1);
  EXPECT_TRUE(holds(1, dev[1]));
  EXPECT_TRUE(holds(0, dev[0]));

  for (auto& d : common_setup.dev_conn) d.active = false;
  form.shutdown_sequence();
  msg_script::end();
}

TEST(MainWindow, CommandsFollowTheSlotsAndThePage) {
  temp_config_home home;
  reset_all_records();
  msg_script::begin();
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  EXPECT_TRUE(form.commands() & CMD_ADD_DEV);
  EXPECT_TRUE(form.commands() & CMD_LOAD);
  EXPECT_FALSE(form.commands() & CMD_SAVE);
  EXPECT_FALSE(form.commands() & (CMD_READ_CFG | CMD_WRITE_CFG));
  for (auto& c : common_setup.dev_conn) c.active = true;
  form.show_device_panels();
  EXPECT_FALSE(form.commands() & CMD_ADD_DEV);
  EXPECT_FALSE(window_action(form, "menm_dev_add")->isEnabled());
  EXPECT_FALSE(window_action(form, "menp_dev_add")->isEnabled());
  show_page(form, window_page(form, "tab_online"));
  EXPECT_TRUE(form.commands() & CMD_EXP_CSV);
  EXPECT_FALSE(form.commands() & CMD_LOAD);
  EXPECT_TRUE(form.commands() & CMD_STOP);
  EXPECT_TRUE(window_menu(form, "menm_export")->isEnabled());
  // Right-click on the empty area offers only "Add new device".
  prep_dev_popup(form, -1);
  EXPECT_FALSE(window_action(form, "menp_dev_edit")->isVisible());
  EXPECT_FALSE(window_action(form, "menp_dsp_path")->isVisible());
  EXPECT_TRUE(window_action(form, "menp_dev_add")->isVisible());
  // The acquisition item of device 5 toggles device 5.
  prep_dev_popup(form, 2);
  window_action(form, "x_menm_act_5")->trigger();
  EXPECT_TRUE(common_setup.dev_conn[4].log_active.load());
  EXPECT_FALSE(common_setup.dev_conn[2].log_active.load());
  for (auto& c : common_setup.dev_conn) c.active = false;
  form.shutdown_sequence();
  msg_script::end();
}

TEST(MainWindow, SessionEndSavesEverythingWithoutQuestions) {
  temp_config_home home;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", home.path());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(ORVCONFIG_PATH, {});
  ASSERT_TRUE(p.waitForStarted(5000));
  const QString log = home.path() + "/Tarvik/Orv_Cfg/orv_init.log";
  ASSERT_TRUE(wait_until([&] { return QFile::exists(log); }, 60000));  // a sanitizer build starts slowly
  // The signal comes while the window is still starting (its log is written
  // just before the start-up ends): the start-up finishes, then the program ends.
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(QFile::exists(home.path() + "/Tarvik/Orv_Cfg/OrvConfig.cfg"));
}

// The same signal delivered while the start-up still runs: the start-up
// finishes with its service running, and the program is told to end then
// (before, the window stopped its service in the middle of the start-up and
// asked an event loop that did not run yet to end, so the program stayed).
TEST(MainWindow, ASessionEndDuringTheStartUpEndsTheProgramOnceItHasStarted) {
  temp_config_home home;
  reset_all_records();
  msg_script::begin();
  TMainForm form;
  install_session_end_handler(&form);
  ::raise(SIGTERM);  // waits in the handler's pipe until the start-up lets events through
  ASSERT_TRUE(form.FormCreate());
  EXPECT_TRUE(session_end_requested());
  EXPECT_FALSE(service_ended(form));
  form.shutdown_sequence();
  EXPECT_TRUE(service_ended(form));
  EXPECT_TRUE(QFile::exists(home.path() + "/Tarvik/Orv_Cfg/OrvConfig.cfg"));
  msg_script::end();
}

TEST(MainWindow, DevicesAddedThroughTheDialogShowTheirStates) {
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  orvsim::line_options o;
  o.line_clock = &line_clock.time;
  o.com = 5;
  o.devices.resize(1);
  o.devices[0].counter = 3000;
  o.devices[0].error_code = 0xA004;  // with the sensor error bit off: word 0xA004
  orvsim::sim_line line(o);
  msg_script::begin();
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.show();

  // Add a device on COM5 through the dialog, as a user would.
  auto add = [&](const QString& tag, int com, bool acquire) {
    add_device(form);
    ASSERT_TRUE(device_dialog(form));
    ASSERT_TRUE(
        wait_until([&] { return device_dialog(form)->isVisible() && device_dialog(form)->isEnabled(); }, 30000));
    device_dialog(form)->txt_dev_desc->setText(tag);
    TDlg_setup::select_com_item(device_dialog(form)->cmb_com, com);
    if (com != 5) {  // a port that is not there: keep the record's number
      device_dialog(form)->cmd_abort->click();
      return;
    }
    device_dialog(form)->chk_acq_active->setChecked(acquire);
    device_dialog(form)->cmd_ok->click();
  };
  add("Line 5", 5, true);
  add("Spare", 5, false);
  EXPECT_EQ(common_setup.dev_conn[0].com_num.load(), 5);
  EXPECT_TRUE(common_setup.dev_conn[0].use_usb.load());
  EXPECT_FALSE(common_setup.dev_conn[1].log_active.load());
  // A third device on a port that is missing, set up directly.
  auto& c = common_setup.dev_conn[2];
  c.active = true;
  c.log_active = true;
  c.com_num = 40;
  c.baud_idx = 4;
  c.tag.set("Gone");
  c.log_dir.set(home.path());
  form.show_device_panels();

  ASSERT_TRUE(wait_until(
      [&] { return device_status_image(form, 0, 0)->isVisible() && device_status_image(form, 2, 1)->isVisible(); },
      30000));
  EXPECT_EQ(device_status_image(form, 0, 0)->toolTip().section(u'\n', 0, 0), msg_text(107));  // then the link line
  EXPECT_TRUE(device_status_image(form, 1, 3)->isVisible());                                  // acquisition off
  EXPECT_EQ(device_status_image(form, 1, 3)->toolTip(), msg_text(105));
  EXPECT_EQ(device_status_image(form, 2, 1)->toolTip(), msg_text(106));
  EXPECT_FALSE(device_status_image(form, 2, 0)->isVisible());

  form.select_device(0);
  ASSERT_TRUE(wait_until([&] { return label(form, "x_lbl_err_code") == "04/A0"; }, 30000));
  EXPECT_EQ(label(form, "x_lbl_firmware"), "1.05");
  EXPECT_TRUE(label(form, "x_lbl_curr_temp_val").endsWith(" °C"));
  // Saturation: no value, the saturation text, and red for 30 ticks.
  line.steer(1, [](orvsim::transmitter& t) { t.settings().reading = 1023; });
  ASSERT_TRUE(wait_until([&] { return label(form, "x_lbl_curr_raw_val") == msg_text(39); }, 30000));
  EXPECT_EQ(label(form, "x_lbl_curr_meas_val"), "");
  EXPECT_GE(red_countdown(form), 28);
  const auto* raw = form.findChild<QLabel*>("x_lbl_curr_raw_val");
  EXPECT_EQ(raw->palette().color(QPalette::WindowText), QColor(Qt::red));

  for (auto& d : common_setup.dev_conn) d.active = false;
  form.shutdown_sequence();
  msg_script::end();
}

// The link line of a device: in the panel's hint and the live group's row,
// the statistics dialog with its reset, and on a line that spoils answers
// the long line whole in its row (at the window's size as it starts, at
// 1280 x 800 and at its smallest size) and in the row's tool tip.
TEST(MainWindow, TheLinkRowAndTheLinkStatisticsOfADevice) {
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  orvsim::line_options o;
  o.line_clock = &line_clock.time;
  o.com = 8;
  o.devices.resize(1);
  o.devices[0].counter = 3000;
  orvsim::sim_line line(o);
  seed_setup(8, "Dryer");
  msg_script::begin();
  // The program's own font.
  const QFont old_font = QApplication::font();
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QApplication::setFont(QFont("Arial", 10));
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.show();
  ASSERT_TRUE(wait_until([&] { return device_status_image(form, 0, 0)->isVisible(); }, 30000));
  // The panel's hint ends with the link line, the live group has its row.
  ASSERT_TRUE(wait_until([&] { return device_status_image(form, 0, 0)->toolTip().contains("\nLink: "); }, 30000));
  EXPECT_TRUE(device_status_image(form, 0, 0)->toolTip().startsWith(msg_text(107) + "\nLink: 100 % \u00B7 "));
  form.select_device(0);
  ASSERT_TRUE(wait_until([&] { return label(form, "x_lbl_curr_link_val").startsWith("100 %"); }, 30000));
  EXPECT_EQ(label(form, "x_lbl_curr_link"), "Link");
  EXPECT_TRUE(label(form, "x_lbl_curr_link_val").endsWith(" ms"));

  // The pop-up offers the statistics for a device only.
  prep_dev_popup(form, -1);
  EXPECT_FALSE(window_action(form, "x_menp_link_stats")->isVisible());
  prep_dev_popup(form, 0);
  prep_dev_popup(form, 0);
  EXPECT_TRUE(window_action(form, "x_menp_link_stats")->isVisible());
  EXPECT_EQ(window_action(form, "x_menp_link_stats")->text(), QStringLiteral("Link statistics\u2026"));
  window_action(form, "x_menp_link_stats")->trigger();
  TDlg_link_stats* dlg = link_dialog(form);
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->device(), 0);
  const uint32_t asked = m_stat.dev_stat[0].link.requests.load();
  EXPECT_GT(asked, 2u);
  EXPECT_EQ(dlg->x_lbl_value[TDlg_link_stats::TIMEOUTS]->text(), "0");

  // Reset: the service clears the counters at the device's next turn, and
  // the dialog's own timer shows them from there on.
  dlg->cmd_link_reset->click();
  ASSERT_TRUE(wait_until([&] { return m_stat.dev_stat[0].link.requests.load() < asked; }, 30000));
  ASSERT_TRUE(wait_until([&] { return dlg->x_lbl_value[TDlg_link_stats::REQUESTS]->text().toUInt() < asked; }, 30000));
  if (!qEnvironmentVariableIsEmpty("ORV_SHOT_DIR")) {
    dlg->grab().save(qEnvironmentVariable("ORV_SHOT_DIR") + "/link-dialog.png");
    form.grab().save(qEnvironmentVariable("ORV_SHOT_DIR") + "/link-main.png");
  }
  dlg->close();

  // The answers are spoilt from now on: the line grows its CRC count.
  orvsim::fault_settings f;
  f.bad_crc = 0.15;
  f.seed = 7;
  line.set_faults(f);
  auto* value = form.findChild<QLabel*>("x_lbl_curr_link_val");
  auto* caption = form.findChild<QLabel*>("x_lbl_curr_link");
  ASSERT_TRUE(value && caption);
  ASSERT_TRUE(wait_until([&] { return value->text().contains(" CRC"); }, 30000)) << qPrintable(value->text());
  for (const QSize size : {form.size(), QSize(1280, 800), form.minimumSize()}) {
    form.resize(size);
    QApplication::processEvents();
    const QString text = value->text();
    const QRect row(value->mapTo(live_group(form), QPoint(0, 0)), value->size());
    EXPECT_GE(value->contentsRect().width(), value->fontMetrics().horizontalAdvance(text))
        << "at " << size.width() << " x " << size.height() << ": " << qPrintable(text);
    EXPECT_TRUE(live_group(form)->contentsRect().contains(row)) << size.width() << " x " << size.height();
    EXPECT_EQ(value->toolTip(), text);
    EXPECT_EQ(caption->toolTip(), text);
  }
  for (auto& d : common_setup.dev_conn) d.active = false;
  form.shutdown_sequence();
  msg_script::end();
  QApplication::setFont(old_font);
}
