// Calibrating the analog output's end points in the main window, offscreen,
// against a simulated transmitter on a pseudo-terminal: the output follows a
// focused scroll bar, every way of leaving it releases the output (the
// transmitter's command log shows the mode word, then 0, on register
// 10007), and Confirm stores drive and feedback in the edit image only.
#include "comm/service_client.h"
#include "config/window_rig.h"
#include "core/mono_clock.h"
#include "ui/dlg_setup.h"
#include "ui/session_end.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

constexpr int REG_DRIVE = 10006;
constexpr int REG_MODE = 10007;

class CalibAout : public WindowRig {
 protected:
  // The device selected (its configuration read) on the Outputs page, in
  // service mode, with the window active so that focus changes are real.
  void open_outputs() {
    start({}, true, true);
    form_->select_device(0);
    ASSERT_EQ(m_stat.dev_selected.load(), 0);
    boxes();
    show_page(*form_, outputs_page(*form_));
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    bar4 = outputs_page(*form_)->findChild<QScrollBar*>("scr_cal_4ma");
    bar20 = outputs_page(*form_)->findChild<QScrollBar*>("scr_cal_20ma");
    mode = outputs_page(*form_)->findChild<QComboBox*>("cmb_aout_mode");
    ok4 = outputs_page(*form_)->findChild<QPushButton*>("cmd_calout_4");
    ok20 = outputs_page(*form_)->findChild<QPushButton*>("cmd_calout_20");
    ASSERT_TRUE(bar4 && bar20 && mode && ok4 && ok20);
    ASSERT_TRUE(bar4->isVisible());
  }

  // Writes to register reg since the start, oldest first.
  std::vector<int> writes(int reg) const {
    std::vector<int> v;
    for (const auto& w : line_->command_log(1))
      if (w.reg == reg) v.push_back(w.value);
    return v;
  }
  // The output was forced with the mode word and then released: the writes
  // to 10007 are the mode word (once or more) followed by one 0.
  ::testing::AssertionResult forced_then_released(int mode_word, size_t from = 0) const {
    const std::vector<int> m = writes(REG_MODE);
    if (m.size() < from + 2) return ::testing::AssertionFailure() << "only " << m.size() << " mode writes";
    for (size_t i = from; i + 1 < m.size(); ++i)
      if (m[i] != mode_word) return ::testing::AssertionFailure() << "write " << i << " is " << m[i];
    if (m.back() != 0) return ::testing::AssertionFailure() << "last mode write is " << m.back();
    return ::testing::AssertionSuccess();
  }
  bool released() const {
    const std::vector<int> m = writes(REG_MODE);
    return !m.empty() && m.back() == 0;
  }
  bool forced_at(int drive) const {
    const std::vector<int> d = writes(REG_DRIVE);
    const std::vector<int> m = writes(REG_MODE);
    return !d.empty() && d.back() == drive && !m.empty() && (m.back() & 1);
  }
  std::array<uint16_t, 9> params() const {
    std::array<uint16_t, 9> p{};
    for (int i = 0; i < 9; ++i) p[i] = m_stat.dev_stat[0].edit_param.get(i);
    return p;
  }
  // Drives the bar: it takes the focus and moves.
  void drive(QScrollBar* bar, int value) {
    bar->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(bar->hasFocus());
    bar->setValue(value);
    ASSERT_TRUE(wait_until([&] { return forced_at(value); }, 30000)) << value;
  }

  QScrollBar* bar4 = nullptr;
  QScrollBar* bar20 = nullptr;
  QComboBox* mode = nullptr;
  QPushButton* ok4 = nullptr;
  QPushButton* ok20 = nullptr;
};

}  // namespace

TEST_F(CalibAout, TheOutputFollowsTheBarAndLeavingItReleasesTheOutput) {
  open_outputs();
  EXPECT_EQ(bar4->singleStep(), 2);
  EXPECT_EQ(bar4->pageStep(), 40);
  EXPECT_EQ(bar4->maximum(), 12800);
  // Current mode: mode word 1; tabbing on to Confirm releases.
  drive(bar4, 3000);
  drive(bar4, 3040);
  EXPECT_EQ(outputs_page(*form_)->findChild<QLabel*>("x_lbl_scr_cal_4ma")->text(), "3040");
  if (const QByteArray dir = qgetenv("ORV_SHOT_DIR"); !dir.isEmpty())
    outputs_page(*form_)->grab().save(QString::fromLocal8Bit(dir) + "/calib-analog-output.png");
  ok4->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(wait_until([&] { return released(); }, 30000));
  EXPECT_TRUE(forced_then_released(1));
  bool forced = true;
  line_->steer(1, [&](orvsim::transmitter& t) { forced = t.aout_forced(); });
  EXPECT_FALSE(forced);

  // Voltage mode: the captions and bar positions of its registers, mode word 0x8001.
  m_stat.dev_stat[0].edit_param.set(5, 1111);
  m_stat.dev_stat[0].edit_param.set(6, 9999);
  mode->setFocus(Qt::TabFocusReason);
  mode->setCurrentIndex(1);
  EXPECT_EQ(m_stat.dev_stat[0].edit_param.get(0), 1);
  EXPECT_EQ(outputs_page(*form_)->findChild<QLabel*>("lbl_cal_4ma")->text(), "Calibration 2V");
  EXPECT_EQ(outputs_page(*form_)->findChild<QLabel*>("lbl_cal_20ma")->text(), "Calibration 10V");
  EXPECT_EQ(bar4->value(), 1111);
  EXPECT_EQ(bar20->value(), 9999);
  const size_t before = writes(REG_MODE).size();
  drive(bar20, 9000);
  // The page is left with the bar in the focus.
  show_page(*form_, base_page(*form_));
  ASSERT_TRUE(wait_until([&] { return writes(REG_MODE).size() > before + 1 && released(); }, 30000));
  EXPECT_TRUE(forced_then_released(0x8001, before));
  // Filling the bars from the registers drives nothing.
  EXPECT_EQ(m_stat.dev_stat[0].edit_param.get(6), 9999);
}

TEST_F(CalibAout, ConfirmOfTheHighEndInVoltageModeStoresOnlyItsDriveAndFeedback) {
  open_outputs();
  mode->setCurrentIndex(1);
  const auto before = params();
  drive(bar20, 10000);
  // A click on Confirm takes the focus from the bar (the feedback is read,
  // the output released), then stores.
  QTest::mouseClick(ok20, Qt::LeftButton);
  EXPECT_TRUE(boxes().isEmpty());
  ASSERT_TRUE(wait_until([&] { return released(); }, 30000));
  EXPECT_TRUE(forced_then_released(0x8001));
  auto after = params();
  EXPECT_EQ(after[6], 10000);
  const uint16_t feedback = m_stat.dev_stat[0].read_stat.get(35);
  EXPECT_EQ(after[8], feedback);
  // About 10000 / 12800 of the full 12 V stage (mV), whatever the stage's errors.
  EXPECT_NEAR(feedback, 10000.0 * 12000 / 12800, 1500);
  after[6] = before[6];
  after[8] = before[8];
  EXPECT_EQ(after, before);
  EXPECT_EQ(bar20->value(), 10000);
  // Nothing went to the transmitter's configuration.
  EXPECT_NE(held().param[6], 10000);
}

TEST_F(CalibAout, ConfirmOnADisconnectedDeviceGivesText85AfterAboutOneSecond) {
  open_outputs();
  const auto before = params();
  drive(bar4, 2000);
  silence(true);
  ok4->setFocus(Qt::TabFocusReason);  // the release goes out, its status read fails
  const int64_t t0 = line_clock().now_ms();
  ok4->click();
  EXPECT_GE(line_clock().now_ms() - t0, 1000);
  EXPECT_EQ(boxes(), QStringList{error(85)});
  EXPECT_EQ(params(), before);
  // The release still reaches the transmitter once it answers again.
  silence(false);
  ASSERT_TRUE(wait_until([&] { return released(); }, 30000));
}

TEST_F(CalibAout, LeavingTheDeviceRemovingItOrEditingItsConnectionReleasesFirst) {
  open_outputs();
  // Off-line with the bar still in the focus.
  drive(bar4, 4000);
  form_->select_device(-1);
  EXPECT_TRUE(released());
  EXPECT_TRUE(forced_then_released(1));

  // The connection edited.
  form_->select_device(0);
  show_page(*form_, outputs_page(*form_));
  size_t n = writes(REG_MODE).size();
  drive(bar4, 4400);
  edit_device(*form_, 0);
  EXPECT_TRUE(released());
  EXPECT_TRUE(forced_then_released(1, n));
  device_dialog(*form_)->reject();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));

  // The device removed.
  form_->select_device(0);
  show_page(*form_, outputs_page(*form_));
  n = writes(REG_MODE).size();
  drive(bar20, 12000);
  msg_script::push_answer(true);
  remove_device(*form_, 0);
  EXPECT_FALSE(common_setup.dev_conn[0].active.load());
  EXPECT_TRUE(forced_then_released(1, n));
}

TEST_F(CalibAout, ABarMovedWithoutTheFocusTakesItSoThatLeavingReleases) {
  open_outputs();
  ok4->setFocus(Qt::TabFocusReason);
  bar20->setValue(7000);  // as the mouse wheel does over a bar without the focus
  EXPECT_TRUE(bar20->hasFocus());
  ASSERT_TRUE(wait_until([&] { return forced_at(7000); }, 30000));
  ok20->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(wait_until([&] { return released(); }, 30000));
  EXPECT_TRUE(forced_then_released(1));
}

TEST_F(CalibAout, ClosingTheWindowReleasesTheOutput) {
  open_outputs();
  drive(bar4, 5000);
  msg_script::push_answer(true);  // quit
  EXPECT_TRUE(form_->close());
  EXPECT_TRUE(forced_then_released(1));
}

TEST_F(CalibAout, ShutdownBySigtermReleasesTheOutput) {
  open_outputs();
  install_session_end_handler(form_.get());
  drive(bar20, 8000);
  ::raise(SIGTERM);
  ASSERT_TRUE(wait_until([&] { return !tick_timer(*form_)->isActive(); }, 60000));
  EXPECT_TRUE(forced_then_released(1));
}
