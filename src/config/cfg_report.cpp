#include "config/cfg_report.h"

#include "core/reg_text.h"
#include "orv_version.h"
#include "texts/text_table.h"

#include <QRegularExpression>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace {

QString report_cap(QStringView name, int form = FORM_MAIN) {
  return trim_blanks(ctrl_text(name, TXT_REQ_CAPTION, form));
}

}  // namespace

QString report_user() {
  for (const char* var : {"USER", "LOGNAME"}) {
    const QString u = qEnvironmentVariable(var);
    if (!u.isEmpty()) return u;
  }
  // Started without a login environment (a service, a cron job): the account.
  if (const passwd* pw = getpwuid(getuid())) return QString::fromLocal8Bit(pw->pw_name);
  return QString::number(getuid());
}

t_report cfg_report(const t_report_origin& origin, const gain_text_fn& gain_text) {
  t_report r;
  r.program = origin.program;
  r.version = QStringLiteral(ORV_VERSION);
  r.user = report_user();
  r.created = QDateTime::currentDateTime();
  r.source = origin.source;
  r.fields = cfg_fields(origin.device_title, gain_text);
  const t_cfg_fields& f = r.fields;
  const QString unknown = QStringLiteral("\u2013");
  r.identity = {{report_cap(u"lbl_tag_no"), f.tag},
                {report_cap(u"lbl_dev_sernum"), f.serial},
                {report_cap(u"lbl_firmware"), origin.firmware.isEmpty() ? unknown : origin.firmware},
                {QStringLiteral("Sensor mode"), QString::number(origin.sensor_mode)},
                {report_cap(u"lbl_mod_addr"), f.address > 0 ? QString::number(f.address) : unknown},
                {report_cap(u"lbl_baud"), f.baud.isEmpty() ? unknown : f.baud},
                {report_cap(u"lbl_parity"), f.parity.isEmpty() ? unknown : f.parity}};
  if (!f.serial.isEmpty()) {
    t_history_read h = read_history(f.serial);
    const size_t n = std::min<size_t>(h.records.size(), REPORT_HISTORY_RECORDS);
    r.history.assign(h.records.rbegin(), h.records.rbegin() + static_cast<std::ptrdiff_t>(n));
    r.history_bad_lines = std::move(h.bad_lines);
  }
  return r;
}

QString report_file_name(const t_report& r) {
  QString base = r.fields.tag.isEmpty() ? r.fields.serial : r.fields.tag;
  if (base.isEmpty()) base = QStringLiteral("report");
  base.replace(QRegularExpression(QStringLiteral(R"([\\/:*?"<>|\s])")), QStringLiteral("_"));
  return base + u'-' + r.created.date().toString(Qt::ISODate) + QStringLiteral(".pdf");
}
