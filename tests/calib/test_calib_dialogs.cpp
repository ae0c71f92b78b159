// The gain dialogs end to end: the window, its service and a simulated
// transmitter on a pseudo-terminal. The transmitter's command log shows
// what each procedure forced on register 10004 and that it was released,
// whatever way the dialog was left: its buttons, the close box, Escape, the
// program ending on SIGTERM, the device removed or its connection edited.
#include "app/setup_file.h"
#include "calib/auto_gain_dlg.h"
#include "calib/calib_in_dlg.h"
#include "calib/gain_model.h"
#include "calib/manual_gain_dlg.h"
#include "comm/service_client.h"
#include "config/products.h"
#include "config/window_rig.h"
#include "core/common_data.h"
#include "core/work_dirs.h"
#include "sim_line.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/session_end.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

constexpr int kWaitMs = 60000;  // deadlines only: every wait ends as soon as its condition holds
constexpr double kRaw = 60000;  // the transmitter's signal (gain-independent raw value)

using orvsim::command_write;

class GainDialogs : public WindowRig {
 protected:
  // One transmitter with a steady signal, selected, on the products page.
  void start_selected() {
    orvsim::device_settings d;
    d.counter = 3000;
    d.raw = kRaw;
    start(d);
    ASSERT_TRUE(wait_until([&] { return device_status_image(*form_, 0, 0)->isVisible(); }, kWaitMs));
    form_->select_device(0);
    ASSERT_EQ(m_stat.dev_selected.load(), 0);
    ASSERT_TRUE(wait_until([] { return dev_on_line(); }, kWaitMs));
    show_page(*form_, products_page(*form_));
    form = form_.get();
    line = line_.get();
  }

  std::vector<command_write> gain_log() const {
    std::vector<command_write> g;
    for (const auto& w : line->command_log(1))
      if (w.reg == orvsim::REG_GAIN_OVERRIDE) g.push_back(w);
    return g;
  }
  uint16_t last_gain_write() const {
    const auto g = gain_log();
    return g.empty() ? 0xFFFF : g.back().value;
  }
  // Waits until the newest gain write forces something; that word.
  uint16_t wait_forced() {
    EXPECT_TRUE(wait_until([&] { return (last_gain_write() & 0x8000) && last_gain_write() != 0xFFFF; }, kWaitMs))
        << "nothing forced";
    return last_gain_write();
  }
  // True when a release (0) follows the newest force and no force came after it.
  bool released_after_last_force() const {
    const auto g = gain_log();
    size_t last_force = g.size();
    for (size_t k = 0; k < g.size(); ++k)
      if (g[k].value & 0x8000) last_force = k;
    return last_force + 1 < g.size() && g.back().value == 0;
  }
  int forces() const {
    int n = 0;
    for (const auto& w : gain_log()) n += (w.value & 0x8000) ? 1 : 0;
    return n;
  }
  // Waits until the newest force was released and the client holds nothing forced.
  bool wait_released() {
    return wait_until([&] { return released_after_last_force() && !srvc_client().gain_forced(0); }, kWaitMs);
  }
  void click(const char* name) {
    auto* b = products_page(*form)->findChild<QPushButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    b->click();
  }
  static uint16_t edited_gain() { return m_stat.dev_stat[0].edit_prod.get(1); }

  orvsim::sim_line* line = nullptr;
  TMainForm* form = nullptr;
};

// Opens one of the three dialogs from the products page; the dialog.
TCalib_dlg_base* open_dialog(TMainForm& f, int which) {
  switch (which) {
    case 0: calibration(f).cmd_calin_1Click(1); return capture_dialog(f);
    case 1: calibration(f).cmd_autogainClick(); return auto_gain_dialog(f);
    default: calibration(f).cmd_manual_gainClick(); return manual_gain_dialog(f);
  }
}

}  // namespace

TEST_F(GainDialogs, CaptureForcesTheProductGainCollectsAndSavesIntoTheEditImage) {
  start_selected();
  const uint16_t product_gain = edited_gain();
  click("cmd_calin_2");
  TCalib_In* dlg = capture_dialog(*form);
  ASSERT_NE(dlg, nullptr);
  ASSERT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->windowTitle(), "Capture calibration");
  EXPECT_EQ(wait_forced(), product_gain | 0x8000);
  ASSERT_TRUE(wait_until([&] { return dlg->proc.cal_stat == 3 && dlg->proc.smp_cnt >= 10; }, kWaitMs));
  EXPECT_EQ(dlg->stb_stat->currentMessage(), msg_text(24));
  EXPECT_TRUE(dlg->cmd_ok->isEnabled());
  // The signal read back through the product's gain: the raw value within one step of the converter.
  const double g = gain_factor(0, gain_step_of_word(0, product_gain));
  EXPECT_NEAR(dlg->proc.calib_result, kRaw, 1280.0 / g + 1);
  EXPECT_EQ(dlg->lbl_avg_val_val->text(), QString::number(dlg->proc.calib_result));
  EXPECT_EQ(dlg->ga_main->property("gauge_colour").toInt(), GAUGE_GREEN);

  const int32_t read_before = static_cast<int32_t>(m_stat.dev_stat[0].read_prod.get(14));
  dlg->cmd_ok->click();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(msg_script::shown().filter("error").isEmpty()) << msg_script::shown().join("; ").toStdString();
  const uint32_t stored = m_stat.dev_stat[0].edit_prod.get(14) | (uint32_t{m_stat.dev_stat[0].edit_prod.get(15)} << 16);
  EXPECT_EQ(stored, dlg->proc.calib_result);
  EXPECT_EQ(form->findChild<QLineEdit*>("txt_raw_2")->text(), QString::number(stored));
  EXPECT_EQ(prod_crc_label(*form)->text(), prod_crc_text());
  EXPECT_EQ(static_cast<int32_t>(m_stat.dev_stat[0].read_prod.get(14)), read_before);  // not written to the device
  ASSERT_TRUE(wait_released());
  EXPECT_EQ(gain_log().front(), (command_write{10004, static_cast<uint16_t>(product_gain | 0x8000)}));
  EXPECT_EQ(forces(), 1);
  EXPECT_FALSE(m_stat.dev_stat[0].calib_req.load());
}

TEST_F(GainDialogs, EveryWayOutOfEveryGainDialogReleasesTheGain) {
  start_selected();
  enum way_t { CANCEL, CLOSE_BOX, ESCAPE, DONE_BUTTON };
  for (int which = 0; which < 3; ++which) {
    for (way_t way : {CANCEL, CLOSE_BOX, ESCAPE, DONE_BUTTON}) {
      SCOPED_TRACE(testing::Message() << "dialog " << which << ", way " << way);
      const size_t before = gain_log().size();
      TCalib_dlg_base* dlg = open_dialog(*form, which);
      ASSERT_NE(dlg, nullptr);
      ASSERT_TRUE(dlg->isVisible());
      ASSERT_TRUE(wait_until([&] { return gain_log().size() > before && (last_gain_write() & 0x8000); }, kWaitMs));
      msg_script::begin();
      switch (way) {
        case CANCEL: dlg->findChild<QPushButton*>("cmd_abort")->click(); break;
        case CLOSE_BOX: dlg->close(); break;
        case ESCAPE: QTest::keyClick(dlg, Qt::Key_Escape); break;
        case DONE_BUTTON:
          if (which == 0) {
            auto* save = dlg->findChild<QPushButton*>("cmd_ok");
            ASSERT_TRUE(wait_until([&] { return save->isEnabled(); }, kWaitMs));  // collecting
            save->click();
            EXPECT_TRUE(msg_script::shown().isEmpty());
          } else if (which == 1) {
            dlg->findChild<QPushButton*>("cmd_abort")->click();  // Accept is ended below, after a whole search
          } else {
            dlg->findChild<QPushButton*>("cmd_confirm")->click();
          }
          break;
      }
      EXPECT_FALSE(dlg->isVisible());
      EXPECT_TRUE(wait_released());
      EXPECT_FALSE(m_stat.dev_stat[0].calib_req.load());
    }
  }
  // Save before anything was captured (before the first tick): text 21,
  // nothing stored, nothing forced.
  const size_t writes = gain_log().size();
  const uint16_t raw_lo = m_stat.dev_stat[0].edit_prod.get(20);
  msg_script::begin();
  calibration(*form).cmd_calin_1Click(4);
  capture_dialog(*form)->cmd_ok->click();
  EXPECT_EQ(msg_script::shown(), QStringList{"error: " + msg_text(21)});
  EXPECT_FALSE(capture_dialog(*form)->isVisible());
  EXPECT_EQ(m_stat.dev_stat[0].edit_prod.get(20), raw_lo);
  EXPECT_EQ(gain_log().size(), writes);
}

TEST_F(GainDialogs, AutomaticGainConvergesAgainstTheSimulatorAcceptStoresTheStepAndTheCrcFollows) {
  start_selected();
  // The lowest step in the edited product first, so that the search surely changes it.
  set_gain_idx(0);
  form->pages().set_prod_crc();
  const QString crc_before = prod_crc_label(*form)->text();
  calibration(*form).cmd_autogainClick();
  TAuto_gain* dlg = auto_gain_dialog(*form);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(wait_forced(), 0x8000 | gain_word_of(0, 65));
  EXPECT_FALSE(dlg->cmd_accept->isEnabled());
  // Three coarse corrections, then Accept becomes usable after 183 samples.
  ASSERT_TRUE(wait_until([&] { return dlg->cmd_accept->isEnabled(); }, 4 * kWaitMs));
  EXPECT_EQ(dlg->proc.agn_step, 3);
  EXPECT_GT(m_stat.dev_stat[0].cal_smp_cnt.load(), 182);
  EXPECT_TRUE(dlg->stb_stat->currentMessage().startsWith(msg_text(24) + " ["));
  dlg->cmd_accept->click();
  ASSERT_TRUE(wait_until([&] { return !dlg->isVisible(); }, kWaitMs));
  EXPECT_EQ(msg_script::shown().filter(msg_text(56)).size(), 1) << msg_script::shown().join("; ").toStdString();
  ASSERT_TRUE(wait_released());
  EXPECT_EQ(forces(), 4);  // the first trial and three corrections
  // The stored step puts the steady signal near 918 of 1023 without saturating.
  const int step = gain_step_of_word(0, edited_gain());
  const double mantissa = kRaw * gain_factor(0, step) / 1280.0;
  EXPECT_GT(mantissa, 850);
  EXPECT_LT(mantissa, 971);
  // The products page shows the stored step, and the CRC of the edit image with it.
  EXPECT_EQ(gain_label(*form)->text(), gain_label_text(0, step));
  EXPECT_NE(crc_before, prod_crc_text());
  EXPECT_EQ(prod_crc_label(*form)->text(), prod_crc_text());
}

TEST_F(GainDialogs, ManualGainForcesEachStepShowsTheHeadroomAndConfirms) {
  start_selected();
  const int first = gain_step_of_word(0, edited_gain());
  calibration(*form).cmd_manual_gainClick();
  TManual_gain* dlg = manual_gain_dialog(*form);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(dlg->trk_man_gain->maximum(), 136);
  EXPECT_EQ(dlg->trk_man_gain->value(), first);
  EXPECT_EQ(wait_forced(), 0x8000 | gain_word_of(0, first));
  for (int k = 0; k < 3; ++k) dlg->cmd_amp_inc->click();
  ASSERT_TRUE(wait_until([&] { return last_gain_write() == (0x8000 | gain_word_of(0, first + 3)); }, kWaitMs));
  ASSERT_TRUE(wait_until([&] { return dlg->ga_main->isVisible(); }, kWaitMs));
  const double mantissa = std::min(1023.0, std::round(kRaw * gain_factor(0, first + 3) / 1280.0));
  const QString pct = get_proc_val(static_cast<int>(mantissa));
  ASSERT_TRUE(wait_until([&] { return dlg->lbl_curr_min_val->text() == pct; }, kWaitMs))
      << dlg->lbl_curr_min_val->text().toStdString() << " want " << pct.toStdString();
  EXPECT_EQ(dlg->x_lbl_gain_val->text(), QString::number(gain_factor(0, first + 3), 'f', 1));
  dlg->cmd_confirm->click();
  EXPECT_EQ(gain_step_of_word(0, edited_gain()), first + 3);
  EXPECT_EQ(gain_label(*form)->text(), gain_label_text(0, first + 3));
  EXPECT_EQ(prod_crc_label(*form)->text(), prod_crc_text());
  EXPECT_TRUE(wait_released());
}

TEST_F(GainDialogs, ManualGainOffLineIsAPlainStepPicker) {
  start_selected();
  form->select_device(-1);
  ASSERT_EQ(m_stat.dev_selected.load(), -1);
  m_stat.off_line_vaild.store(true);
  m_stat.ed_prod_id.store(0);
  const size_t writes = line->command_log(1).size();
  calibration(*form).cmd_manual_gainClick();
  TManual_gain* dlg = manual_gain_dialog(*form);
  ASSERT_TRUE(dlg->isVisible());
  EXPECT_FALSE(dlg->tmr_cal_in->isActive());
  EXPECT_FALSE(dlg->lbl_curr_avg->isVisible());
  dlg->trk_man_gain->setValue(81);
  EXPECT_EQ(dlg->x_lbl_gain_val->text(), "70.0");
  dlg->cmd_confirm->click();
  EXPECT_EQ(m_stat.edit_prod.get(1), gain_word_of(0, 81));
  EXPECT_EQ(line->command_log(1).size(), writes);  // nothing sent
}

TEST_F(GainDialogs, RemovingTheDeviceOrEditingItsConnectionReleasesFirst) {
  start_selected();
  calibration(*form).cmd_manual_gainClick();
  wait_forced();
  // The connection edited while the dialog is open: released over the old
  // connection, then the dialog closes.
  t_dev_conn rec;
  copy_dev_conn(rec, common_setup.dev_conn[0]);
  ASSERT_TRUE(srvc_client().edit_connection(0, rec, false));
  EXPECT_EQ(last_gain_write(), 0);
  EXPECT_TRUE(wait_released());
  ASSERT_TRUE(wait_until([&] { return !manual_gain_dialog(*form)->isVisible(); }, kWaitMs));

  ASSERT_TRUE(wait_until([] { return dev_on_line(); }, kWaitMs));
  calibration(*form).cmd_calin_1Click(0);
  wait_forced();
  const size_t forced_at = gain_log().size();
  msg_script::push_answer(true);
  remove_device(*form, 0);
  EXPECT_FALSE(common_setup.dev_conn[0].active.load());
  ASSERT_TRUE(wait_until([&] { return !capture_dialog(*form)->isVisible(); }, kWaitMs));
  const auto g = gain_log();
  ASSERT_EQ(g.size(), forced_at + 1);
  EXPECT_EQ(g.back().value, 0);
  EXPECT_FALSE(srvc_client().gain_forced(0));
}

TEST_F(GainDialogs, TheProgramEndingOnSigtermReleasesTheGain) {
  start_selected();
  install_session_end_handler(form);
  calibration(*form).cmd_autogainClick();
  wait_forced();
  ::raise(SIGTERM);
  ASSERT_TRUE(wait_until([&] { return service_ended(*form); }, kWaitMs));
  EXPECT_FALSE(auto_gain_dialog(*form)->isVisible());
  EXPECT_TRUE(released_after_last_force());
}

// Pictures of the three dialogs for the documentation, each while it works
// against the simulator.
TEST_F(GainDialogs, Screenshots) {
  const QString dir = qEnvironmentVariable("ORV_SHOTS_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "set ORV_SHOTS_DIR to write the pictures";
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QApplication::setFont(QFont("Arial", 10));
  start_selected();
  QDir().mkpath(dir);
  calibration(*form).cmd_calin_1Click(2);
  ASSERT_TRUE(wait_until([&] { return capture_dialog(*form)->proc.smp_cnt >= 40; }, kWaitMs));
  capture_dialog(*form)->adjustSize();
  EXPECT_TRUE(capture_dialog(*form)->grab().save(dir + "/calib-capture.png"));
  capture_dialog(*form)->close();
  calibration(*form).cmd_autogainClick();
  ASSERT_TRUE(
      wait_until([&] { return auto_gain_dialog(*form)->proc.agn_step >= 2 && auto_gain_dialog(*form)->proc.gauge > 0; },
                 4 * kWaitMs));
  auto_gain_dialog(*form)->adjustSize();
  EXPECT_TRUE(auto_gain_dialog(*form)->grab().save(dir + "/calib-auto-gain.png"));
  auto_gain_dialog(*form)->close();
  calibration(*form).cmd_manual_gainClick();
  manual_gain_dialog(*form)->trk_man_gain->setValue(manual_gain_dialog(*form)->trk_man_gain->value() + 8);
  ASSERT_TRUE(wait_until(
      [&] {
        return manual_gain_dialog(*form)->ga_main->isVisible() && manual_gain_dialog(*form)->proc.stat.window >= 20;
      },
      kWaitMs));
  EXPECT_TRUE(manual_gain_dialog(*form)->grab().save(dir + "/calib-manual-gain.png"));
  manual_gain_dialog(*form)->close();
}
