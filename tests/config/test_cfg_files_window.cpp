// The Load and Save commands of the window with parameter set files, the
// file dialog answered by a scripted runner: a device's configuration saved
// and loaded into the off-line set and back, sensor modes, the overwrite
// question, damaged and oversized files, and the off-line set offered for
// saving when it is left; comparing the transmitter with a file and its
// history of writes.
#include "config/active_cfg.h"
#include "config/param_set.h"
#include "config/window_rig.h"
#include "config/write_history.h"
#include "core/reg_text.h"
#include "core/work_dirs.h"
#include "settings/checked_file.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

namespace {

// The parameter set a file holds.
t_param_set file_set(const QString& path) {
  QString content;
  t_param_set s;
  EXPECT_EQ(read_param_set_file(path, content), PSET_READ_OK) << path.toStdString();
  EXPECT_TRUE(parse_param_set_fields(content, s)) << path.toStdString();
  return s;
}

t_param_set images_of(int d, bool edit) {
  const t_cfg_images im = cfg_images(d);
  t_param_set s;
  s.sensor_mode = im.sensor_mode.load();
  (edit ? im.edit_param : im.read_param).copy_out(0, s.param.data(), PARAM_REGS);
  (edit ? im.edit_prod : im.read_prod).copy_out(0, s.prod.data(), PROD_REGS);
  return s;
}

QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class CfgFilesWindow : public WindowRig {
 protected:
  QString file(const char* name) const { return home_.path() + "/" + name; }
  // No device selected, and an empty off-line set loaded from set.orvcfg.
  void start_off_line() {
    start();
    form_->select_device(-1);
    ASSERT_TRUE(write_param_set_file(file("set.orvcfg"), param_set_text(t_param_set{})));
    pick(file("set.orvcfg"));
    form_->transfer().menm_load_cfgClick();
    boxes();
  }
};

TEST_F(CfgFilesWindow, ADevicesSetRoundTripsThroughAFileAndTheOffLineSet) {
  orvsim::device_settings dev;
  dev.sensor_mode = 1;
  start(dev);
  form_->select_device(0);
  ASSERT_EQ(boxes(), QStringList{info(MSG_CFG_LOADED)});
  EXPECT_EQ(m_stat.dev_stat[0].sensor_mode.load(), 1);
  // Every field its own value, the trailing register 84 and element 1728 too.
  auto& s = m_stat.dev_stat[0];
  s.edit_param.set(84, 4084);
  s.edit_prod.set(1728, 51728);
  s.edit_prod.set(1000, 65535);
  type("txt_dev_tag", "SAVED TAG");
  const t_param_set saved = images_of(0, true);

  pick(file("mill.orvcfg"));
  action("tcmd_save")->trigger();
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_SAVED)});
  EXPECT_EQ(QString::fromLatin1(checked_file_bytes(param_set_text(saved))),
            QString::fromLatin1(bytes_of(file("mill.orvcfg"))));
  // Saving a device's configuration leaves its change pending.
  EXPECT_TRUE(cfg_changed(0));

  // Into the off-line set: valid, with the file's sensor mode, unchanged.
  form_->select_device(-1);
  EXPECT_EQ(boxes(), QStringList{question(MSG_CFG_CHANGED)});  // [No]: the change stays with the device
  EXPECT_FALSE(m_stat.off_line_vaild.load());
  EXPECT_FALSE(form_->commands() & CMD_SAVE);
  pick(file("mill.orvcfg"));
  action("tcmd_load")->trigger();
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_LOADED)});
  EXPECT_TRUE(m_stat.off_line_vaild.load());
  EXPECT_TRUE(form_->commands() & CMD_SAVE);
  EXPECT_EQ(images_of(-1, true), saved);
  EXPECT_EQ(images_of(-1, false), saved);
  EXPECT_EQ(edit("txt_dev_tag")->text(), "SAVED TAG   ");
  EXPECT_FALSE(cfg_changed(-1));

  // Saved again from the off-line set: the same bytes.
  pick(file("copy.orvcfg"));
  form_->transfer().menm_save_cfgClick();
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_SAVED)});
  EXPECT_EQ(bytes_of(file("copy.orvcfg")), bytes_of(file("mill.orvcfg")));

  // Loaded into the device (same sensor mode): both images, unchanged.
  form_->select_device(0);
  boxes();
  s.edit_param.set(5, 1);
  s.edit_param.set(84, 0);
  pick(file("copy.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_LOADED)});
  EXPECT_EQ(images_of(0, true), saved);
  EXPECT_EQ(images_of(0, false), saved);
  EXPECT_FALSE(cfg_changed(0));
}

TEST_F(CfgFilesWindow, AFileOfAnotherSensorModeIsRefusedForTheDeviceAndTakenOffLine) {
  start();  // sensor mode 0
  t_param_set other;
  other.sensor_mode = 1;
  for (int k = 0; k < PARAM_REGS; ++k) other.param[static_cast<size_t>(k)] = static_cast<uint16_t>(k * 3);
  for (int k = 0; k < PROD_REGS; ++k) other.prod[static_cast<size_t>(k)] = static_cast<uint16_t>(k * 7);
  ASSERT_TRUE(write_param_set_file(file("mode1.orvcfg"), param_set_text(other)));

  form_->select_device(0);
  boxes();
  const t_param_set before = images_of(0, true);
  pick(file("mode1.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{error(MSG_PSET_MODE_MISMATCH)});
  EXPECT_EQ(images_of(0, true), before);
  EXPECT_EQ(images_of(0, false), before);

  form_->select_device(-1);
  pick(file("mode1.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_LOADED)});
  EXPECT_EQ(m_stat.sensor_mode.load(), 1);
  EXPECT_EQ(images_of(-1, true), other);
}

TEST_F(CfgFilesWindow, BadFilesChangeNothing) {
  start();
  form_->select_device(-1);
  const QString text = param_set_text(t_param_set{});

  // Behind the last "|" an "x": ignored. 70000 keeps its low 16 bits.
  QString odd = text;
  odd.replace(QStringLiteral("Fromat1|0|0|"), QStringLiteral("Fromat1|0|70000|"));
  ASSERT_TRUE(write_param_set_file(file("odd.orvcfg"), odd + "x"));
  pick(file("odd.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_LOADED)});
  EXPECT_EQ(m_stat.edit_param.get(0), 4464);
  const t_param_set loaded = images_of(-1, true);

  // A damaged checksum: ignored without a word.
  QByteArray damaged = checked_file_bytes(text);
  damaged[damaged.size() - 1] = damaged.back() == '9' ? '8' : '9';
  QFile f(file("damaged.orvcfg"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(damaged);
  f.close();
  pick(file("damaged.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{});

  // A file over 1 MB (a day log picked by mistake) and one of another kind: error 80.
  QFile big(file("day.orvcfg"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(QByteArray(PARAM_SET_MAX_BYTES + 10, 'A'));
  big.close();
  pick(file("day.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{error(MSG_PSET_INVALID)});
  ASSERT_FALSE(write_checked_file(file("short.orvcfg"), "Orv Configuration file|Fromat1|0|1|2|"));
  pick(file("short.orvcfg"));
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{error(MSG_PSET_INVALID)});
  EXPECT_EQ(images_of(-1, true), loaded);

  // Cancel in the dialog: nothing.
  pick(QString());
  form_->transfer().menm_load_cfgClick();
  EXPECT_EQ(boxes(), QStringList{});
}

TEST_F(CfgFilesWindow, OverwritingAsksAndTheOffLineSetIsOfferedForSaving) {
  start_off_line();
  type("txt_dev_tag", "OFFLINE");
  EXPECT_TRUE(cfg_changed(-1));
  const QByteArray old = bytes_of(file("set.orvcfg"));

  // Overwrite? [No]: nothing saved, the change stays.
  pick(file("set.orvcfg"));
  EXPECT_FALSE(form_->transfer().save_param_set());
  EXPECT_EQ(boxes(), QStringList{"question: " + msg_text(MSG_PSET_EXISTS)});
  EXPECT_EQ(bytes_of(file("set.orvcfg")), old);
  EXPECT_TRUE(cfg_changed(-1));

  // Leaving the off-line set offers to save it: [Yes], overwrite [Yes].
  pick(file("set.orvcfg"));
  msg_script::push_answer(true);
  msg_script::push_answer(true);
  form_->select_device(0);
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_CHANGED), "question: " + msg_text(MSG_PSET_EXISTS),
                                  info(MSG_PSET_SAVED), info(MSG_CFG_LOADED)}));
  EXPECT_EQ(m_stat.dev_selected.load(), 0);
  EXPECT_FALSE(cfg_changed(-1));
  QString content;
  ASSERT_EQ(read_param_set_file(file("set.orvcfg"), content), PSET_READ_OK);
  EXPECT_TRUE(content.startsWith("Orv Configuration file|Fromat1|0|"));
  EXPECT_TRUE(content.contains("|79|70|70|76|73|78|69|32|32|32|32|32|"));  // "OFFLINE     "

  // A save cancelled while leaving keeps the off-line set's change and the selection.
  form_->select_device(-1);
  type("txt_dev_tag", "AGAIN");
  pick(QString());
  msg_script::push_answer(true);
  boxes();
  form_->select_device(0);
  EXPECT_EQ(boxes(), QStringList{question(MSG_CFG_CHANGED)});
  EXPECT_EQ(m_stat.dev_selected.load(), -1);
  EXPECT_TRUE(cfg_changed(-1));
}

TEST_F(CfgFilesWindow, SaveStoresTheValueStillBeingTypedAndARefusedOneStopsIt) {
  start_off_line();
  show_page(*form_, outputs_page(*form_));
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  QLineEdit* del = edit("txt_al1_del");
  del->setFocus();
  del->selectAll();
  QTest::keyClicks(del, "55.5");

  // Ctrl+S moves no focus: the typed value still reaches the file, and the
  // off-line set counts as saved because it is what was saved.
  pick(file("typed.orvcfg"));
  QTest::keySequence(del, QKeySequence::Save);
  EXPECT_EQ(boxes(), QStringList{info(MSG_PSET_SAVED)});
  EXPECT_EQ(file_set(file("typed.orvcfg")).param[60], 555);
  EXPECT_EQ(del->text(), "55.5");
  EXPECT_FALSE(cfg_changed(-1));

  // A value out of range: its error, no file dialog, the field keeps the focus.
  del->selectAll();
  QTest::keyClicks(del, "500");
  bool asked = false;
  set_file_dialog_runner([&asked](QFileDialog&) {
    asked = true;
    return static_cast<int>(QDialog::Rejected);
  });
  action("tcmd_save")->trigger();
  EXPECT_EQ(boxes(), QStringList{"error: " + msg_text(5) + "0.0 .. 100.0"});
  EXPECT_FALSE(asked);
  EXPECT_EQ(m_stat.edit_param.get(60), 555);
  EXPECT_EQ(del->text(), "55.5");
  EXPECT_TRUE(del->hasFocus());
}

// Compare with file and the history of writes: read-only lists over the window.
TEST_F(CfgFilesWindow, CompareWithFileAndTheHistoryOfWrites) {
  start();
  form_->select_device(0);
  boxes();

  // The transmitter against a file with one register changed.
  t_param_set s = images_of(0, false);
  s.param[61] = static_cast<uint16_t>(s.param[61] + 20);  // the delay of the second relay
  ASSERT_TRUE(write_param_set_file(file("cmp.orvcfg"), param_set_text(s)));
  pick(file("cmp.orvcfg"));
  action("x_menm_dev_compare")->trigger();
  auto* dlg = form_->findChild<QDialog*>("x_dlg_compare");
  ASSERT_TRUE(dlg);
  auto* list = dlg->findChild<QListWidget*>("x_lst_compare");
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(list->item(0)->text().startsWith("Digital out: Delay: \"")) << qPrintable(list->item(0)->text());
  QTest::keyClick(dlg, Qt::Key_Escape);
  ASSERT_TRUE(wait_until([&] { return !form_->findChild<QDialog*>("x_dlg_compare"); }, 5000));

  // A file that cannot be read says so.
  pick(file("missing.orvcfg"));
  action("x_menm_dev_compare")->trigger();
  dlg = form_->findChild<QDialog*>("x_dlg_compare");
  ASSERT_TRUE(dlg);
  EXPECT_TRUE(dlg->findChild<QLabel*>("x_lbl_heading")->text().contains("cannot be read"));
  dlg->close();

  // Two writes and a damaged line between them: newest first, the damaged
  // line in the start-up log.
  type("txt_al1_del", "2.5");
  msg_script::push_answer(true);
  form_->transfer().menm_dev_writeClick();
  const QString serial = trim_blanks(device_serial_of(0));
  QFile h(history_path(serial));
  ASSERT_TRUE(h.open(QIODevice::Append));
  h.write("not json\n");
  h.close();
  type("txt_al1_del", "3.5");
  msg_script::push_answer(true);
  form_->transfer().menm_dev_writeClick();
  EXPECT_EQ(boxes(), (QStringList{question(MSG_CFG_OVERWRITE), info(MSG_CFG_SAVED), question(MSG_CFG_OVERWRITE),
                                  info(MSG_CFG_SAVED)}));
  action("x_menm_dev_history")->trigger();
  dlg = form_->findChild<QDialog*>("x_dlg_history");
  ASSERT_TRUE(dlg);
  auto* table = dlg->findChild<QTableWidget*>("x_grd_history");
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_TRUE(table->item(0, 4)->text().endsWith("-> \"3.5\"")) << qPrintable(table->item(0, 4)->text());
  EXPECT_TRUE(table->item(1, 4)->text().endsWith("-> \"2.5\"")) << qPrintable(table->item(1, 4)->text());
  EXPECT_EQ(table->item(0, 3)->text(), "read back unchanged");
  EXPECT_TRUE(QString::fromUtf8(bytes_of(init_log_path())).contains(history_path(serial) + ": line 2 is damaged"));
  QTest::keyClick(dlg, Qt::Key_Escape);
  EXPECT_TRUE(wait_until([&] { return !form_->findChild<QDialog*>("x_dlg_history"); }, 5000));
}
