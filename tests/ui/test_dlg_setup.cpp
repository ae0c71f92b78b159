// The device connection dialog, offscreen, end to end: the port list comes
// from a communication service (its thread, or stepped by the test) probing
// pseudo-terminals linked as COM ports; confirming stores the record and asks
// the service to reset the device.
#include "ui/dlg_setup.h"

#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "comm/port_names.h"
#include "comm/service_client.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "core/work_dirs.h"
#include "support/test_env.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int LINKED_A = 3;
constexpr int LINKED_B = 12;

QStringList items_of(const QComboBox* c) {
  QStringList out;
  for (int k = 0; k < c->count(); ++k) out << c->itemText(k);
  return out;
}

// Pumps events until pred holds; false after a generous time.
bool wait_until(const std::function<bool()>& pred) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > 30000) return false;
    QApplication::processEvents();
    sleep_ms(2);
  }
  return true;
}

void type_text(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &release);
  }
}

class DlgSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    init_texts();
    msg_script::begin();
    m_stat.dev_selected = -1;
    // Every COM entry names nothing until a test line is linked over it, so
    // the list holds exactly the linked ports whatever the machine has.
    const QString ports = com_ports_dir();
    QDir().mkpath(ports);
    for (int n = 1; n <= COM_PORTS; ++n) {
      const std::string entry = com_entry_path(ports.toStdString(), n);
      ASSERT_EQ(::symlink("/nonexistent/orv-test-line", entry.c_str()), 0);
    }
    log_dir = home.path() + "/logs";
    QDir().mkpath(log_dir);
    main = std::make_unique<QWidget>();
    main->show();
    dlg = new TDlg_setup(main.get());
    dlg->set_on_closed([this](bool saved) { closed.push_back(saved); });
    // The service of this test stands in for the program's.
    srvc_client().set_service_running([this] { return svc && svc->started(); });
  }
  void TearDown() override {
    srvc_client().set_service_running({});
    srvc_client().set_pump({});
    if (svc) {
      svc->terminate();
      svc->wait_for();
    }
    main.reset();
    svc.reset();
    link.close_com();
    msg_script::end();
    reset_all_records();
  }

  void link_ports() {
    line_a.link_as_com(LINKED_A);
    line_b.link_as_com(LINKED_B);
  }
  void start_service() {
    svc = std::make_unique<com_service>(terminated, &link);
    svc->start();
  }
  // Slot d as an existing device in use, with acquisition bookkeeping that
  // a reset would clear (and no logging, so the service needs no transmitter).
  void existing_device(int d) {
    auto& c = common_setup.dev_conn[d];
    c.active = true;
    c.log_active = false;
    c.tag.set("Dryer");
    c.addr = 4;
    c.com_num = LINKED_B;
    c.baud_idx = 2;
    c.parity = 1;
    c.log_dir.set(log_dir);
    auto& s = m_stat.dev_stat[d];
    s.param_read = true;
    s.cal_smp_cnt = 7;
    s.last_arch_idx = 55;
    s.last_saved_idx = -1;  // nothing to flush
    s.last_written_idx = -1;
  }
  static bool acq_state_reset(int d) {
    const auto& s = m_stat.dev_stat[d];
    return !s.param_read.load() && s.cal_smp_cnt.load() == 0 && s.last_arch_idx.load() == -1;
  }
  // Waits until the service thread has polled slot d at least once more.
  void wait_for_poll(int d) {
    m_stat.dev_stat[d].device_stat = DEVSTAT_TOUT;
    ASSERT_TRUE(wait_until([d] { return m_stat.dev_stat[d].device_stat.load() == DEVSTAT_IDLE; }));
  }

  temp_config_home home;
  pty_pair line_a;
  pty_pair line_b;
  TModbSerial link;
  std::atomic<bool> terminated{false};
  std::unique_ptr<com_service> svc;
  QString log_dir;
  std::unique_ptr<QWidget> main;
  TDlg_setup* dlg = nullptr;
  std::vector<bool> closed;
};

}  // namespace

TEST_F(DlgSetup, ControlsTextsAndWindowKind) {
  for (const char* name : {"txt_dev_desc", "chk_use_usb", "cmb_modb_addr", "cmb_com", "cmb_baud", "x_cmb_parity",
                           "chk_acq_active", "txt_log_directory", "cmd_dir_select", "cmd_ok", "cmd_abort",
                           "lbl_dev_desc", "lbl_address", "lbl_com", "lbl_baud", "lbl_parity", "lbl_directory"})
    EXPECT_NE(dlg->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(dlg->windowTitle(), "Device configuration");
  EXPECT_EQ(dlg->chk_acq_active->text(), "Acquisistion active");
  EXPECT_EQ(dlg->cmd_ok->toolTip(), "Save settings and close");
  EXPECT_EQ(dlg->cmd_abort->text(), "Cancel");
  EXPECT_EQ(items_of(dlg->cmb_baud), (QStringList{"9600", "19200", "38400", "57600", "115200"}));
  EXPECT_EQ(items_of(dlg->x_cmb_parity), (QStringList{"none", "odd", "even"}));
  EXPECT_EQ(dlg->cmb_modb_addr->itemText(247), "248");
  EXPECT_TRUE(dlg->txt_log_directory->isReadOnly());
  EXPECT_EQ(dlg->windowModality(), Qt::WindowModal);
  EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(DlgSetup, PortListShowsExactlyTheExistingPorts) {
  start_service();
  dlg->open_for(0);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_TRUE(items_of(dlg->cmb_com).isEmpty());  // no port present
  dlg->cmd_abort->click();

  link_ports();
  existing_device(2);
  dlg->open_for(2);
  EXPECT_EQ(items_of(dlg->cmb_com), (QStringList{"COM3", "COM12"}));
  EXPECT_EQ(dlg->cmb_com->currentText(), "COM12");
  EXPECT_EQ(dlg->txt_dev_desc->text(), "Dryer");
  EXPECT_EQ(dlg->cmb_modb_addr->currentText(), "5");
  EXPECT_EQ(dlg->cmb_baud->currentText(), "38400");
  EXPECT_EQ(dlg->x_cmb_parity->currentText(), "odd");
  EXPECT_EQ(dlg->txt_log_directory->text(), log_dir);
  EXPECT_FALSE(dlg->chk_acq_active->isChecked());
  EXPECT_TRUE(dlg->isEnabled());
  dlg->cmd_abort->click();
}

TEST_F(DlgSetup, NewDeviceConfirmedIsStoredAndInUse) {
  link_ports();
  start_service();
  auto& c = common_setup.dev_conn[5];
  c.log_dir.set(log_dir);
  c.baud_idx = 4;
  dlg->open_for(5);
  EXPECT_EQ(dlg->cmb_com->currentIndex(), -1);  // COM0 is no port
  dlg->txt_dev_desc->setText("Mill 6");
  dlg->cmb_com->setCurrentText("COM12");
  dlg->cmb_modb_addr->setCurrentIndex(9);
  dlg->x_cmb_parity->setCurrentIndex(2);
  dlg->chk_acq_active->setChecked(true);
  dlg->cmd_ok->click();

  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(closed, std::vector<bool>{true});
  EXPECT_TRUE(c.active.load());
  EXPECT_EQ(c.tag.get(), "Mill 6");
  EXPECT_EQ(c.com_num.load(), 12);
  EXPECT_EQ(c.addr.load(), 9);
  EXPECT_EQ(c.baud_idx.load(), 4);
  EXPECT_EQ(c.parity.load(), 2);
  EXPECT_TRUE(c.log_active.load());
  EXPECT_FALSE(c.use_usb.load());
  EXPECT_EQ(c.log_dir.get(), log_dir);
  EXPECT_TRUE(msg_script::shown().isEmpty());
}

TEST_F(DlgSetup, ChangedIdentityTakesEffectWithAFreshStart) {
  // The service, stepped by the test on this thread while the dialog waits,
  // carries out the port list request and takes the edited record.
  link_ports();
  svc = std::make_unique<com_service>(terminated, &link);
  existing_device(1);
  srvc_client().set_service_running([] { return true; });
  srvc_client().set_pump([this] { svc->service_step(); });
  dlg->open_for(1);
  ASSERT_EQ(items_of(dlg->cmb_com), (QStringList{"COM3", "COM12"}));
  dlg->txt_dev_desc->setText("Dryer north");
  dlg->cmd_ok->click();

  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "Dryer north");
  EXPECT_TRUE(acq_state_reset(1));
  EXPECT_EQ(m_stat.conn_edit_req.load(), -1);
}

TEST_F(DlgSetup, ServiceThreadResetsOnIdentityChangesOnly) {
  link_ports();
  start_service();
  existing_device(0);

  // Baud rate and parity alone: no reset.
  dlg->open_for(0);
  dlg->cmb_baud->setCurrentIndex(0);
  dlg->x_cmb_parity->setCurrentIndex(2);
  dlg->cmd_ok->click();
  EXPECT_EQ(common_setup.dev_conn[0].baud_idx.load(), 0);
  EXPECT_EQ(common_setup.dev_conn[0].parity.load(), 2);
  EXPECT_EQ(m_stat.dev_stat[0].ctl_req.load(), 0u);
  wait_for_poll(0);
  EXPECT_FALSE(acq_state_reset(0));

  // Each identity field resets the device at its next turn.
  const std::vector<std::function<void()>> changes = {
      [this] { dlg->txt_dev_desc->setText("Dryer 2"); },
      [this] { dlg->cmb_com->setCurrentText("COM3"); },
      [this] { dlg->cmb_modb_addr->setCurrentIndex(0); },
      [this] { dlg->txt_log_directory->setText(home.path()); },
  };
  for (size_t k = 0; k < changes.size(); ++k) {
    existing_device(0);
    dlg->open_for(0);
    changes[k]();
    dlg->cmd_ok->click();
    EXPECT_TRUE(wait_until([] { return acq_state_reset(0); })) << "change " << k;
  }
  EXPECT_EQ(common_setup.dev_conn[0].addr.load(), 4);  // the last round restored it from the record
  EXPECT_EQ(common_setup.dev_conn[0].log_dir.get(), home.path());
}

TEST_F(DlgSetup, CancelStoresNothing) {
  link_ports();
  start_service();
  auto& c = common_setup.dev_conn[3];
  c.tag.set("Prefilled");
  c.log_dir.set(log_dir);
  c.com_num = LINKED_A;
  dlg->open_for(3);
  dlg->txt_dev_desc->setText("Changed");
  dlg->cmb_com->setCurrentText("COM12");
  dlg->chk_use_usb->click();
  dlg->cmd_abort->click();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(closed, std::vector<bool>{false});
  EXPECT_FALSE(c.active.load());
  EXPECT_EQ(c.tag.get(), "Prefilled");
  EXPECT_EQ(c.com_num.load(), LINKED_A);
  EXPECT_FALSE(c.use_usb.load());
  EXPECT_EQ(m_stat.dev_stat[3].ctl_req.load(), 0u);

  // The close box counts as cancel.
  dlg->open_for(3);
  dlg->txt_dev_desc->setText("Changed again");
  dlg->close();
  EXPECT_EQ(closed, (std::vector<bool>{false, false}));
  EXPECT_EQ(c.tag.get(), "Prefilled");
}

TEST_F(DlgSetup, UsbModeFixesAddressBaudAndParity) {
  link_ports();
  start_service();
  auto& c = common_setup.dev_conn[0];
  c.use_usb = true;
  c.addr = 17;
  c.baud_idx = 1;
  c.parity = 2;
  c.com_num = LINKED_A;
  c.tag.set("USB line");
  c.log_dir.set(log_dir);
  dlg->open_for(0);
  EXPECT_TRUE(dlg->chk_use_usb->isChecked());
  EXPECT_EQ(dlg->cmb_modb_addr->currentText(), "1");
  EXPECT_EQ(dlg->cmb_baud->currentText(), "115200");
  EXPECT_EQ(dlg->x_cmb_parity->currentText(), "none");
  for (QWidget* w : std::initializer_list<QWidget*>{dlg->cmb_modb_addr, dlg->cmb_baud, dlg->x_cmb_parity,
                                                    dlg->lbl_address, dlg->lbl_baud, dlg->lbl_parity})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

  // Unchecking enables the lists and keeps their choices.
  dlg->chk_use_usb->click();
  EXPECT_TRUE(dlg->cmb_modb_addr->isEnabled());
  EXPECT_TRUE(dlg->cmb_baud->isEnabled());
  EXPECT_TRUE(dlg->x_cmb_parity->isEnabled());
  EXPECT_EQ(dlg->cmb_baud->currentText(), "115200");
  dlg->cmb_modb_addr->setCurrentIndex(6);
  dlg->chk_use_usb->click();  // and checking again fixes them
  EXPECT_EQ(dlg->cmb_modb_addr->currentText(), "1");
  dlg->cmd_ok->click();
  EXPECT_TRUE(c.use_usb.load());
  EXPECT_EQ(c.addr.load(), 0);
  EXPECT_EQ(c.baud_idx.load(), 4);
  EXPECT_EQ(c.parity.load(), 0);
}

TEST_F(DlgSetup, MissingDescriptionOrFolderKeepsTheDialogOpen) {
  link_ports();
  start_service();
  dlg->open_for(4);
  dlg->cmd_ok->click();
  EXPECT_EQ(msg_script::shown(), QStringList{"error: Enter device description"});
  EXPECT_TRUE(dlg->isVisible());
  dlg->txt_dev_desc->setText("Belt");
  dlg->cmd_ok->click();
  EXPECT_EQ(msg_script::shown().value(1), "error: Select log file path");
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_FALSE(common_setup.dev_conn[4].active.load());
  EXPECT_TRUE(common_setup.dev_conn[4].tag.get().isEmpty());
  EXPECT_TRUE(closed.empty());
  dlg->cmd_abort->click();
}

TEST_F(DlgSetup, DescriptionRefusesBarsAndWideCharactersAtEntry) {
  type_text(dlg->txt_dev_desc, "Ab|c");
  EXPECT_EQ(dlg->txt_dev_desc->text(), "Abc");
  type_text(dlg->txt_dev_desc, QString::fromUtf16(u"\u00E9\u0100\u20AC"));
  EXPECT_EQ(dlg->txt_dev_desc->text(), QString::fromUtf16(u"Abc\u00E9"));
  dlg->txt_dev_desc->insert("x|y");  // a paste goes through the same check
  EXPECT_EQ(dlg->txt_dev_desc->text(), QString::fromUtf16(u"Abc\u00E9"));
}

TEST_F(DlgSetup, FolderPickerRefusesFoldersThatCannotBeStored) {
  link_ports();
  start_service();
  QString seen_title, seen_start;
  QString answer;
  dlg->set_folder_picker([&](QWidget*, const QString& title, const QString& start) {
    seen_title = title;
    seen_start = start;
    return answer;
  });
  auto& c = common_setup.dev_conn[0];
  c.log_dir.set(log_dir);
  dlg->open_for(0);

  answer = home.path() + "/a|b";
  dlg->cmd_dir_select->click();
  EXPECT_EQ(seen_title, "Select log file directory");
  EXPECT_EQ(seen_start, log_dir);
  EXPECT_EQ(dlg->txt_log_directory->text(), log_dir);
  ASSERT_EQ(msg_script::shown().size(), 1);
  EXPECT_TRUE(msg_script::shown()[0].startsWith("error: Invalid data entry."));
  EXPECT_TRUE(msg_script::shown()[0].contains(answer));

  answer = home.path() + QString::fromUtf16(u"/\u20AC");
  dlg->cmd_dir_select->click();
  EXPECT_EQ(dlg->txt_log_directory->text(), log_dir);
  EXPECT_EQ(msg_script::shown().size(), 2);

  answer.clear();  // cancelled
  dlg->cmd_dir_select->click();
  EXPECT_EQ(dlg->txt_log_directory->text(), log_dir);

  answer = home.path() + QString::fromUtf16(u"/M\u00FChle");
  dlg->cmd_dir_select->click();
  EXPECT_EQ(dlg->txt_log_directory->text(), answer);
  EXPECT_EQ(msg_script::shown().size(), 2);
  dlg->cmd_abort->click();
}

TEST_F(DlgSetup, VanishedPortIsStoredAsPortZero) {
  link_ports();
  start_service();
  existing_device(6);
  common_setup.dev_conn[6].com_num = 7;
  dlg->open_for(6);
  EXPECT_EQ(dlg->cmb_com->currentIndex(), -1);
  dlg->cmd_ok->click();
  EXPECT_EQ(common_setup.dev_conn[6].com_num.load(), 0);
  EXPECT_TRUE(wait_until([] { return acq_state_reset(6); }));
}

TEST_F(DlgSetup, SmallOperations) {
  QComboBox combo;
  combo.addItems({"COM3", "COM12", "COM50"});
  TDlg_setup::select_com_item(&combo, 12);
  EXPECT_EQ(combo.currentIndex(), 1);
  EXPECT_EQ(TDlg_setup::com_number(&combo), 12);
  TDlg_setup::select_com_item(&combo, 1);  // COM1 is not COM12's prefix
  EXPECT_EQ(combo.currentIndex(), -1);
  EXPECT_EQ(TDlg_setup::com_number(&combo), 0);
  TDlg_setup::select_item(&combo, 2);
  EXPECT_EQ(TDlg_setup::com_number(&combo), 50);
  TDlg_setup::select_item(&combo, 3);
  EXPECT_EQ(combo.currentIndex(), -1);
  TDlg_setup::select_item(&combo, -2);
  EXPECT_EQ(combo.currentIndex(), -1);
}

TEST_F(DlgSetup, TextsFollowTheLanguage) {
  start_service();
  const int row = find_text_row(u"lbl_com", TXT_KIND_CAPTION, FORM_DEV_SETUP);
  const int cap = find_text_row(u"log_setup_caption", TXT_KIND_FORM, FORM_DEV_SETUP);
  ASSERT_GE(row, 0);
  ASSERT_GE(cap, 0);
  cur_texts[row] = "Schnittstelle";
  cur_texts[cap] = "Geräteeinstellung";
  dlg->open_for(0);
  EXPECT_EQ(dlg->lbl_com->text(), "Schnittstelle");
  EXPECT_EQ(dlg->windowTitle(), "Geräteeinstellung");
  EXPECT_EQ(items_of(dlg->x_cmb_parity), (QStringList{"none", "odd", "even"}));
  dlg->cmd_abort->click();
}
