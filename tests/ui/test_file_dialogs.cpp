// The file dialogs offscreen: Qt's own dialog with the filters and titles
// it is given, the remembered folder, and the overwrite question.
#include "ui/file_dialogs.h"

#include "app/setup_file.h"
#include "core/work_dirs.h"
#include "support/test_env.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include <gtest/gtest.h>

namespace {

// What the runner saw of a dialog, and the file it picks (empty: Cancel).
struct seen_dialog {
  QString title;
  QStringList filters;
  QString directory;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  QFileDialog::FileMode file_mode = QFileDialog::AnyFile;
  QString suffix;
  int runs = 0;
};

void pick(seen_dialog& seen, const QString& file) {
  set_file_dialog_runner([&seen, file](QFileDialog& d) {
    seen.title = d.windowTitle();
    seen.filters = d.nameFilters();
    seen.directory = d.directory().absolutePath();
    seen.mode = d.acceptMode();
    seen.file_mode = d.fileMode();
    seen.suffix = d.defaultSuffix();
    ++seen.runs;
    if (file.isEmpty()) return static_cast<int>(QDialog::Rejected);
    d.selectFile(file);
    return static_cast<int>(QDialog::Accepted);
  });
}

void touch(const QString& path, const QByteArray& bytes = "old") {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    cfg_dir = QString(u'\\') + DEF_CFG_FOLDER;
    QDir().mkpath(work_path(cfg_dir));
    QDir().mkpath(home.path() + "/sets");
    msg_script::begin();
  }
  void TearDown() override {
    set_file_dialog_runner({});
    msg_script::end();
  }
  temp_config_home home;
  seen_dialog seen;
};

}  // namespace

TEST(FileDialogFilters, PairsBecomeQtFiltersAndEveryFileMeansEveryFile) {
  EXPECT_EQ(dialog_name_filters("Orv parameter file (*.orvcfg)|*.orvcfg|All Files(*.*)|*.*"),
            (QStringList{"Orv parameter file (*.orvcfg)", "All Files (*)"}));
  EXPECT_EQ(dialog_name_filters("Excel|*.csv;*.txt"), QStringList{"Excel (*.csv *.txt)"});
  EXPECT_TRUE(dialog_name_filters("").isEmpty());
}

TEST_F(FileDialogs, SaveStartsInTheRememberedFolderAndRemembersTheNewOne) {
  const QString sets = home.path() + "/sets";
  // Nothing remembered yet: the current folder.
  pick(seen, sets + "/a.orvcfg");
  EXPECT_EQ(save_as_dialog("Save Orv parameter set", "orvcfg", "Orv parameter file"), sets + "/a.orvcfg");
  EXPECT_EQ(seen.title, "Save Orv parameter set");
  EXPECT_EQ(seen.filters, (QStringList{"Orv parameter file (*.orvcfg)", "All Files (*)"}));
  EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
  EXPECT_EQ(seen.suffix, "orvcfg");
  EXPECT_EQ(seen.directory, QDir::currentPath());
  EXPECT_EQ(read_last_path(), sets + "/");
  EXPECT_TRUE(msg_script::shown().isEmpty());  // a new file: no question

  // Next time it starts there. Cancel gives nothing and remembers nothing.
  pick(seen, QString());
  EXPECT_TRUE(save_as_dialog("t", "orvcfg", "d").isEmpty());
  EXPECT_EQ(seen.directory, sets);

  // A remembered folder that is gone: the current folder again.
  ASSERT_FALSE(write_cfg_file(LAST_PATH_FILE_NAME, home.path() + "/gone/"));
  EXPECT_TRUE(save_as_dialog("t", "orvcfg", "d").isEmpty());
  EXPECT_EQ(seen.directory, QDir::currentPath());

  // With a name, save_dialog starts in that file's folder.
  EXPECT_TRUE(save_dialog(sets + "/b.csv", "Excel", "csv", "Export").isEmpty());
  EXPECT_EQ(seen.directory, sets);
  EXPECT_EQ(seen.title, "Export");
}

TEST_F(FileDialogs, AnExistingFileIsReplacedOnlyAfterYes) {
  const QString file = home.path() + "/sets/old.orvcfg";
  touch(file);
  pick(seen, file);

  msg_script::push_answer(false);
  EXPECT_TRUE(save_as_dialog("t", "orvcfg", "d").isEmpty());
  EXPECT_EQ(msg_script::shown(), QStringList{"question: " + msg_text(66)});

  msg_script::push_answer(true);
  EXPECT_EQ(save_as_dialog("t", "orvcfg", "d"), file);
  // Nothing is deleted before the new file is written.
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "old");

  // Something that cannot be replaced by a file: error 67.
  const QString folder = home.path() + "/sets/folder.orvcfg";
  QDir().mkpath(folder);
  pick(seen, folder);
  msg_script::begin({true});
  EXPECT_TRUE(save_as_dialog("t", "orvcfg", "d").isEmpty());
  EXPECT_EQ(msg_script::shown(), (QStringList{"question: " + msg_text(66), "error: " + msg_text(67)}));
}

TEST_F(FileDialogs, OpenListsTheGivenFilterAndAllFiles) {
  const QString file = home.path() + "/sets/in.orvcfg";
  touch(file);
  ASSERT_FALSE(write_cfg_file(LAST_PATH_FILE_NAME, home.path() + "/sets/"));
  pick(seen, file);
  EXPECT_EQ(open_dialog("", "Orv parameter file (*.orvcfg)|*.orvcfg", "Load Orv parameter set"), file);
  EXPECT_EQ(seen.title, "Load Orv parameter set");
  EXPECT_EQ(seen.filters, (QStringList{"Orv parameter file (*.orvcfg)", "All Files (*)"}));
  EXPECT_EQ(seen.file_mode, QFileDialog::ExistingFile);
  EXPECT_EQ(seen.directory, home.path() + "/sets");

  EXPECT_EQ(open_dialog("", "", "Open"), file);
  EXPECT_EQ(seen.filters, QStringList{"All Files (*)"});
}
