#include "core/work_dirs.h"

#include "core/common_data.h"

#include <QDir>
#include <QFileInfo>

QString app_data_dir() {
  const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
  return QDir::cleanPath(QDir::homePath() + "/.config");
}

QString to_native_path(const QString& backslash_text) {
  QString s = backslash_text;
  s.replace(u'\\', u'/');
  return s;
}

QString work_path(const QString& folder_text) {
  QString rel = to_native_path(folder_text);
  if (!rel.startsWith(u'/')) rel.prepend(u'/');
  return app_data_dir() + rel;
}

bool make_work_dir(QString& folder, const QString& leaf) {
  QString text = folder;
  if (text.startsWith(u'\\')) text.remove(0, 1);
  if (text.endsWith(u'\\')) text.chop(1);
  if (text.isEmpty()) text = QString(MAKER_FOLDER) + u'\\' + leaf;

  const QString base = app_data_dir();
  if (!QDir().mkpath(base)) return false;
  const QStringList parts = text.split(u'\\');
  QString prefix;
  for (const QString& part : parts) {
    prefix += u'/' + part;
    const QString path = base + prefix;
    if (QFileInfo(path).isDir()) continue;
    if (!QDir(base).mkdir(prefix.mid(1))) return false;
  }
  folder = u'\\' + text;
  return true;
}

QString cfg_dir_or_default() { return cfg_dir.isEmpty() ? QString(u'\\') + DEF_CFG_FOLDER : cfg_dir; }

QString com_ports_dir() { return work_path(cfg_dir_or_default()) + "/ports"; }

QString init_log_path() { return work_path(cfg_dir_or_default()) + "/orv_init.log"; }

bool safe_folder_text(const QString& text) {
  QString t = text;
  if (t.startsWith(u'\\')) t.remove(0, 1);
  if (t.endsWith(u'\\')) t.chop(1);
  if (t.isEmpty()) return true;
  for (QChar c : t)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == u'/' || c == u':' || c == u'|') return false;
  for (const QString& part : t.split(u'\\')) {
    const QString trimmed = part.trimmed();
    if (trimmed.isEmpty() || trimmed == u"." || trimmed == u"..") return false;
  }
  return true;
}
