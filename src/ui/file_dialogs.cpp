#include "ui/file_dialogs.h"

#include "app/setup_file.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

constexpr int kMsgExists = 66;
constexpr int kMsgNoOverwrite = 67;
const char* const kAllFiles = "All Files(*.*)|*.*";

file_dialog_runner& runner() {
  static file_dialog_runner r;
  return r;
}

// The remembered folder when it still exists, else the current folder.
QString start_folder() {
  QString dir = read_last_path();
  dir.replace(u'\\', u'/');
  if (!dir.isEmpty() && QFileInfo(dir).isDir()) return dir;
  return QDir::currentPath();
}

// Runs a prepared dialog; the chosen file, remembered, or empty.
QString run(QFileDialog& dlg) {
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  const int result = runner() ? runner()(dlg) : dlg.exec();
  if (result != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  const QString file = dlg.selectedFiles().first();
  if (file.isEmpty()) return {};
  remember_last_path(file);
  return file;
}

QWidget* dialog_parent() { return QApplication::activeWindow(); }

}  // namespace

QStringList dialog_name_filters(const QString& filter) {
  QStringList out;
  const QStringList parts = filter.split(u'|');
  for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
    QString desc = parts[k].trimmed();
    QStringList patterns = parts[k + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == u"*.*") p = QStringLiteral("*");  // every file, dot or not
    }
    // "All Files(*.*)": the description's own pattern list goes; the
    // pattern this system understands takes its place.
    const qsizetype open = desc.lastIndexOf(u'(');
    if (open > 0 && desc.endsWith(u')')) desc = desc.left(open).trimmed();
    out << desc + " (" + patterns.join(u' ') + ")";
  }
  return out;
}

void set_file_dialog_runner(file_dialog_runner r) { runner() = std::move(r); }

QString save_dialog(const QString& name, const QString& description, const QString& ext, const QString& title) {
  QFileDialog dlg(dialog_parent(), title);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  // The program asks its own question about an existing file.
  dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  dlg.setNameFilters(
      dialog_name_filters(description + " (*." + ext + ")|*." + ext + u'|' + QLatin1StringView(kAllFiles)));
  dlg.setDefaultSuffix(ext);
  if (!name.isEmpty()) {
    const QFileInfo fi(name);
    dlg.setDirectory(fi.absolutePath());
    dlg.selectFile(fi.fileName());
  } else {
    dlg.setDirectory(start_folder());
  }
  return run(dlg);
}

QString save_as_dialog(const QString& title, const QString& ext, const QString& description, const QString& proposed) {
  const QString name =
      save_dialog(proposed.isEmpty() ? QString() : start_folder() + u'/' + proposed, description, ext, title);
  if (name.isEmpty()) return {};
  const QFileInfo fi(name);
  if (!fi.exists()) return name;
  if (!ask_question_msg(kMsgExists)) return {};
  // A file that cannot be replaced is refused now rather than at the write.
  if (!fi.isFile() || !fi.isWritable() || !QFileInfo(fi.absolutePath()).isWritable()) {
    show_error_msg(kMsgNoOverwrite);
    return {};
  }
  return name;
}

QString open_dialog(const QString& name, const QString& filter, const QString& title) {
  QFileDialog dlg(dialog_parent(), title);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  QString all = filter;
  if (!all.isEmpty()) all += u'|';
  all += QLatin1StringView(kAllFiles);
  dlg.setNameFilters(dialog_name_filters(all));
  dlg.setDirectory(start_folder());
  if (!name.isEmpty()) dlg.selectFile(name);
  return run(dlg);
}
