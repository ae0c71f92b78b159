#include "config/write_history.h"

#include "comm/status_decode.h"
#include "config/cfg_transfer.h"
#include "config/param_diff.h"
#include "config/param_set.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "core/work_dirs.h"
#include "orv_version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A serial number as a file name: letters, digits, "-", "_" and "."; any
// other character becomes "_".
QString file_name_of(const QString& serial) {
  QString name = serial.trimmed();
  for (QChar& c : name)
    if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-' && c != u'_' && c != u'.') c = u'_';
  if (name.isEmpty() || name.startsWith(u'.')) name.prepend(u'_');
  return name;
}

QString quoted(const QString& s) { return u'"' + s + u'"'; }

}  // namespace

QString history_path(const QString& serial) {
  return work_path(cfg_dir_or_default()) + "/history/" + file_name_of(serial) + ".jsonl";
}

QByteArray history_json(const t_history_record& rec) {
  QJsonArray changes;
  for (const t_history_change& c : rec.changes)
    changes.append(
        QJsonObject{{"caption", c.caption}, {"register", c.reg}, {"old", c.old_value}, {"new", c.new_value}});
  QJsonObject o{{"time", rec.utc.toUTC().toString(Qt::ISODateWithMs)},
                {"program", rec.program},
                {"version", rec.version},
                {"user", rec.user},
                {"port", rec.port},
                {"address", rec.address},
                {"serial", rec.serial},
                {"firmware", rec.firmware},
                {"sensor_mode", rec.sensor_mode},
                {"read_back_ok", rec.read_back_ok},
                {"changes", changes}};
  if (!rec.error.isEmpty()) o.insert("error", rec.error);
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool history_from_json(const QByteArray& line, t_history_record& rec) {
  QJsonParseError pe{};
  const QJsonDocument doc = QJsonDocument::fromJson(line, &pe);
  if (pe.error != QJsonParseError::NoError || !doc.isObject()) return false;
  const QJsonObject o = doc.object();
  rec = t_history_record{};
  rec.utc = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
  if (!rec.utc.isValid() || !o["changes"].isArray()) return false;
  rec.utc = rec.utc.toUTC();
  rec.program = o["program"].toString();
  rec.version = o["version"].toString();
  rec.user = o["user"].toString();
  rec.port = o["port"].toString();
  rec.address = o["address"].toInt();
  rec.serial = o["serial"].toString();
  rec.firmware = o["firmware"].toString();
  rec.sensor_mode = o["sensor_mode"].toString();
  rec.read_back_ok = o["read_back_ok"].toBool();
  rec.error = o["error"].toString();
  for (const QJsonValue& v : o["changes"].toArray()) {
    const QJsonObject c = v.toObject();
    rec.changes.push_back({c["caption"].toString(), c["register"].toInt(-1), c["old"].toString(), c["new"].toString()});
  }
  return true;
}

bool append_history(const t_history_record& rec, QString* err) {
  const QString path = history_path(rec.serial);
  auto failed = [&](const QString& why) {
    if (err) *err = QStringLiteral("The history of writes cannot be written to %1: %2").arg(path, why);
    return false;
  };
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return failed("its folder cannot be made");
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite)) return failed(f.errorString());
  // A line cut short (a write that was interrupted) stays a line of its own.
  QByteArray line = history_json(rec) + '\n';
  if (f.size() > 0) {
    char last = '\n';
    if (!f.seek(f.size() - 1) || !f.getChar(&last)) return failed(f.errorString());
    if (last != '\n') line.prepend('\n');
  }
  if (!f.seek(f.size()) || f.write(line) != line.size() || !f.flush()) return failed(f.errorString());
  return true;
}

t_history_read read_history(const QString& serial) {
  t_history_read out;
  QFile f(history_path(serial));
  if (!f.open(QIODevice::ReadOnly)) return out;
  int32_t number = 0;
  while (!f.atEnd()) {
    const QByteArray line = f.readLine();
    ++number;
    if (line.trimmed().isEmpty()) continue;
    t_history_record rec;
    if (history_from_json(line, rec))
      out.records.push_back(std::move(rec));
    else
      out.bad_lines.push_back(number);
  }
  return out;
}

QString history_user() {
  for (const char* name : {"USER", "USERNAME", "LOGNAME"}) {
    const QString u = qEnvironmentVariable(name);
    if (!u.isEmpty()) return u;
  }
  return QStringLiteral("unknown");
}

std::vector<t_history_change> history_changes(const std::vector<t_diff_line>& diff) {
  std::vector<t_history_change> out;
  out.reserve(diff.size());
  for (const t_diff_line& l : diff) out.push_back({l.what, l.reg, l.a, l.b});
  return out;
}

t_history_record write_record(int d, const QString& program, const QString& port, int32_t address,
                              const t_param_set& before, const t_param_set& written) {
  const t_dev_stat& s = m_stat.dev_stat[d];
  t_history_record rec;
  rec.utc = QDateTime::currentDateTimeUtc();
  rec.program = program;
  rec.version = QStringLiteral(ORV_VERSION);
  rec.user = history_user();
  rec.port = port;
  rec.address = address;
  rec.serial = trim_blanks(device_serial_of(d));
  rec.firmware = firmware_text(s.read_stat.get(1));
  rec.sensor_mode = QString::number(s.read_stat.get(STAT_SENSOR_MODE));
  rec.changes = history_changes(param_set_diff(before, written));
  return rec;
}

QString history_result_text(const t_history_record& rec) {
  if (!rec.error.isEmpty()) return "failed: " + rec.error;
  if (rec.changes.empty()) return rec.read_back_ok ? "nothing changed" : "nothing changed, read back with differences";
  return rec.read_back_ok ? "read back unchanged" : "read back with differences";
}

QString history_change_text(const t_history_change& c) {
  return c.caption + ": " + quoted(c.old_value) + " -> " + quoted(c.new_value);
}

QString history_record_text(const t_history_record& rec) {
  QString t =
      QStringLiteral("%1  %2  %3 %4  %5, address %6  firmware %7, sensor mode %8  %9\n")
          .arg(rec.utc.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), rec.user, rec.program, rec.version, rec.port)
          .arg(rec.address)
          .arg(rec.firmware, rec.sensor_mode, history_result_text(rec));
  for (const t_history_change& c : rec.changes) t += "  " + history_change_text(c) + "\n";
  return t;
}
