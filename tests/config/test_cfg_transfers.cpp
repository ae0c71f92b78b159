// Reading and writing a transmitter's configuration from the window,
// offscreen against a simulated transmitter on a pseudo-terminal: the
// round trip with its progress bar, change detection and the offers to
// write, the serial number check, the history of writes, and a transmitter
// that stops answering.
#include "config/active_cfg.h"
#include "config/window_rig.h"
#include "config/write_history.h"
#include "core/reg_text.h"
#include "settings/checked_file.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QProgressBar>
#include <QTabWidget>

namespace {

// Notes when the progress bar is shown: at the moment it is, whatever the
// window's timers manage to run while the transfer lasts.
struct progress_watch : QObject {
  explicit progress_watch(QProgressBar* bar) { bar->installEventFilter(this); }
  bool eventFilter(QObject* /*watched*/, QEvent* e) override {
    if (e->type() == QEvent::Show) seen_visible = true;
    return false;
  }
  bool seen_visible = false;
};

// The serial number in device 0's edit image (parameter registers 72..83).
void set_edit_serial(const std::string& text) {
  uint16_t regs[DEV_SERIAL_REGS];
  orvsim::put_text(regs, DEV_SERIAL_REGS, text);
  m_stat.dev_stat[0].edit_param.copy_in(PARAM_DEV_SERIAL, regs, DEV_SERIAL_REGS);
}

}  // namespace

class CfgTransfers : public WindowRig {};

TEST_F(CfgTransfers, ReadEditWriteReachesTheTransmitterAndLeavingAsksNothing) {
  start();
  form_->select_device(0);
  ASSERT_EQ(m_stat.dev_selected.load(), 0);
  EXPECT_EQ(boxes(), QStringList{info(MSG_CFG_LOADED)});
  EXPECT_TRUE(holds_edit_images(held(), 0));
  EXPECT_TRUE(form_->commands() & CMD_READ_CFG);
  EXPECT_TRUE(form_->commands() & CMD_WRITE_CFG);

  type("txt_dev_tag", "NEW TAG");
  type("txt_al1_del", "12.5");
  ASSERT_TRUE(cfg_changed(0));
  EXPECT_FALSE(holds_edit_images(held(), 0));

  // The tool button: question 27, then the write with its progress bar.
  progress_watch watch(transfer_progress(*form_));
  msg_script::push_answer(true);
  action("tcmd_wr_cfg")->trigger();
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), info(MSG_CFG_SAVED)}));
  EXPECT_TRUE(committed());  // 1 went to register 10005
  const orvsim::config_image now = held();
  EXPECT_TRUE(holds_edit_images(now, 0));
  EXPECT_EQ(orvsim::get_text(&now.param[16], 12), "NEW TAG     ");
  EXPECT_FALSE(cfg_changed(0));
  EXPECT_TRUE(watch.seen_visible);
  // The read-back after the write ran to its end.
  EXPECT_EQ(transfer_progress(*form_)->maximum(), request_frame_count(REQR_PARAM_RD));
  EXPECT_EQ(transfer_progress(*form_)->value(), request_frame_count(REQR_PARAM_RD));
  EXPECT_FALSE(transfer_progress(*form_)->isVisible());

  // The transmitter's history holds the write with its old and new values.
  const t_history_read h = read_history(trim_blanks(device_serial_of(0)));
  ASSERT_EQ(h.records.size(), 1u);
  const t_history_record& rec = h.records[0];
  EXPECT_EQ(rec.program, "OrvConfig");
  EXPECT_EQ(rec.port, "COM1");
  EXPECT_EQ(rec.address, 1);
  EXPECT_TRUE(rec.read_back_ok);
  ASSERT_EQ(rec.changes.size(), 2u);
  EXPECT_EQ(history_change_text(rec.changes[0]), "Device tag: \"ORV SIM 1\" -> \"NEW TAG\"");
  EXPECT_EQ(rec.changes[1].caption, "Relay 1: Delay");
  EXPECT_EQ(rec.changes[1].new_value, "12.5");

  // Leaving the device asks nothing.
  form_->select_device(-1);
  EXPECT_EQ(m_stat.dev_selected.load(), -1);
  EXPECT_EQ(boxes(), QStringList{});

  // Selected again, it is not read again; the Read command reads it and
  // replaces an edit without asking.
  form_->select_device(0);
  EXPECT_EQ(boxes(), QStringList{});
  type("txt_dev_tag", "THROWN AWAY");
  action("tcmd_rd_cfg")->trigger();
  EXPECT_EQ(boxes(), QStringList{info(MSG_CFG_LOADED)});
  EXPECT_FALSE(cfg_changed(0));
  EXPECT_EQ(edit("txt_dev_tag")->text(), "NEW TAG     ");
}

TEST_F(CfgTransfers, ChangesAreTheDifferenceBetweenTheImages) {
  start();
  form_->select_device(0);
  boxes();

  // Written back unchanged: question 27 all the same, and written.
  msg_script::push_answer(true);
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), info(MSG_CFG_SAVED)}));
  EXPECT_TRUE(committed());

  // [No] to question 27 writes nothing and says nothing more.
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(), QStringList{question(MSG_CFG_OVERWRITE)});
  EXPECT_FALSE(committed());

  // A value changed and changed back is no change.
  const QString tag = edit("txt_dev_tag")->text();
  type("txt_dev_tag", "OTHER");
  EXPECT_TRUE(cfg_changed(0));
  type("txt_dev_tag", tag);
  EXPECT_FALSE(cfg_changed(0));

  // Parameter register 84 and product element 1728 never count.
  auto& s = m_stat.dev_stat[0];
  s.edit_param.set(84, static_cast<uint16_t>(s.read_param.get(84) + 7));
  s.edit_prod.set(1728, static_cast<uint16_t>(s.read_prod.get(1728) + 9));
  EXPECT_FALSE(cfg_changed(0));
  show_page(*form_, window_page(*form_, "tab_online"));
  show_page(*form_, base_page(*form_));
  form_->select_device(-1);
  EXPECT_EQ(boxes(), QStringList{});

  // A real change is offered when a chart page is opened (the answer is
  // ignored) and when the device is left; [No] keeps the change pending.
  form_->select_device(0);
  type("txt_al1_del", "3.5");
  show_page(*form_, window_page(*form_, "tab_online"));
  EXPECT_EQ(boxes(), QStringList{question(MSG_CFG_CHANGED)});
  EXPECT_EQ(form_->page_tag(page_control(*form_)->currentWidget()), 6);
  form_->select_device(-1);
  EXPECT_EQ(boxes(), QStringList{question(MSG_CFG_CHANGED)});
  EXPECT_EQ(m_stat.dev_selected.load(), -1);
  EXPECT_TRUE(cfg_changed(0));
  EXPECT_FALSE(committed());

  // Back on the device, [Yes] when leaving writes the change.
  form_->select_device(0);
  EXPECT_EQ(boxes(), QStringList{});
  msg_script::push_answer(true);
  form_->select_device(-1);
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_CHANGED), info(MSG_CFG_SAVED)}));
  EXPECT_TRUE(committed());
  EXPECT_TRUE(holds_edit_images(held(), 0));
}

TEST_F(CfgTransfers, AHistoryThatCannotBeWrittenWarnsAndTheWriteHappens) {
  start();
  form_->select_device(0);
  boxes();
  const QString folder = QFileInfo(history_path("X")).absolutePath();
  ASSERT_FALSE(write_checked_file(folder, "not a folder"));
  type("txt_al1_del", "4.5");
  msg_script::push_answer(true);
  form_->transfer().menm_dev_writeClick();
  const QStringList shown = boxes();
  ASSERT_EQ(shown.size(), 3) << qPrintable(shown.join('\n'));
  EXPECT_TRUE(shown[1].startsWith("error: The history of writes cannot be written")) << qPrintable(shown[1]);
  EXPECT_EQ(shown[2], info(MSG_CFG_SAVED));
  EXPECT_TRUE(committed());
  EXPECT_EQ(held().param[60], 45);
}

TEST_F(CfgTransfers, ASerialNumberMismatchKeepsTheTransmittersSerialOrWritesNothing) {
  start();
  form_->select_device(0);
  boxes();
  const std::string own = orvsim::get_text(&held().param[72], 12);

  // [No] to question 2: error 8, nothing written, the change stays pending.
  set_edit_serial("OTHER-0001");
  type("txt_dev_tag", "SWAPPED");
  msg_script::push_answer(true);   // question 27
  msg_script::push_answer(false);  // question 2
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), question(MSG_SERIAL_KEEP), error(MSG_CFG_WRITE_FAIL)}));
  EXPECT_FALSE(committed());
  EXPECT_NE(orvsim::get_text(&held().param[16], 12), "SWAPPED     ");
  EXPECT_TRUE(cfg_changed(0));

  // [Yes]: everything else is written, the transmitter keeps its serial
  // number, and so does the edit image.
  msg_script::push_answer(true);
  msg_script::push_answer(true);
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), question(MSG_SERIAL_KEEP), info(MSG_CFG_SAVED)}));
  EXPECT_TRUE(committed());
  const orvsim::config_image now = held();
  EXPECT_EQ(orvsim::get_text(&now.param[72], 12), own);
  EXPECT_EQ(orvsim::get_text(&now.param[16], 12), "SWAPPED     ");
  EXPECT_EQ(edit_serial_of(0), QString::fromStdString(own));
  EXPECT_EQ(edit("txt_dev_sernum")->text(), QString::fromStdString(own));
  EXPECT_FALSE(cfg_changed(0));
}

TEST_F(CfgTransfers, InServiceModeQuestionOneOverwritesTheSerialNumber) {
  start({}, true);
  ASSERT_TRUE(m_stat.service_ena.load());
  form_->select_device(0);
  boxes();
  set_edit_serial("NEW-SER-77");

  msg_script::push_answer(true);
  msg_script::push_answer(false);  // question 1: No
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(),
            (QStringList{question(MSG_CFG_OVERWRITE), question(MSG_SERIAL_OVERWRITE), error(MSG_CFG_WRITE_FAIL)}));
  EXPECT_FALSE(committed());

  msg_script::push_answer(true);
  msg_script::push_answer(true);
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), question(MSG_SERIAL_OVERWRITE), info(MSG_CFG_SAVED)}));
  EXPECT_TRUE(committed());
  EXPECT_EQ(orvsim::get_text(&held().param[72], 12), "NEW-SER-77  ");
  // The status block the transmitter reports now carries it as well.
  ASSERT_EQ(form_->transfer().run_request(0, REQR_STAT), REQS_READY);
  EXPECT_EQ(device_serial_of(0), "NEW-SER-77  ");
}

TEST_F(CfgTransfers, ASilentTransmitter) {
  start();
  // During the read of a selection: error 10, and the window stays off-line.
  silence(true);
  form_->select_device(0);
  EXPECT_EQ(boxes(), QStringList{error(MSG_CFG_READ_FAIL)});
  EXPECT_EQ(m_stat.dev_selected.load(), -1);
  EXPECT_FALSE(m_stat.dev_stat[0].param_read.load());
  EXPECT_TRUE(off_line_box(*form_)->isChecked());
  EXPECT_FALSE(off_line_box(*form_)->isEnabled());
  EXPECT_FALSE(form_->commands() & (CMD_READ_CFG | CMD_WRITE_CFG));

  silence(false);
  form_->select_device(0);
  ASSERT_EQ(boxes(), QStringList{info(MSG_CFG_LOADED)});
  type("txt_dev_tag", "PENDING");
  const orvsim::config_image before = held();

  // It stops answering once the write has begun (the line is cut after
  // three written frames): error 8, and the change stays pending.
  orvsim::fault_settings cut;
  cut.writes_before_cut = 3;
  line_->set_faults(cut);
  msg_script::push_answer(true);
  action("tcmd_wr_cfg")->trigger();
  EXPECT_EQ(transfer_progress(*form_)->value(), 3);
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), error(MSG_CFG_WRITE_FAIL)}));
  EXPECT_FALSE(committed());
  EXPECT_TRUE(held() == before);
  EXPECT_TRUE(cfg_changed(0));
  EXPECT_EQ(edit("txt_dev_tag")->text(), "PENDING     ");

  // Quitting offers the write; when it fails the program stays open.
  msg_script::push_answer(true);  // quit
  msg_script::push_answer(true);  // write the change
  EXPECT_FALSE(form_->close());
  EXPECT_EQ(boxes(), (QStringList{"question: Quit program?", question(MSG_CFG_CHANGED), error(MSG_CFG_WRITE_FAIL)}));
  EXPECT_TRUE(form_->isVisible());

  // Answering again, the program writes it and closes.
  silence(false);
  msg_script::push_answer(true);
  msg_script::push_answer(true);
  EXPECT_TRUE(form_->close());
  EXPECT_TRUE(committed());
  EXPECT_EQ(orvsim::get_text(&held().param[16], 12), "PENDING     ");
}
