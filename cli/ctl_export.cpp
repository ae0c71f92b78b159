// orvctl export: the scaled values of a daily log file as CSV, in the
// format of the program's chart export (or the RFC 4180 dialect).
#include "archive/live_reload.h"
#include "charts/arch_load.h"
#include "charts/chart_export.h"
#include "charts/chart_scale.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "core/common_data.h"
#include "core/sys_number.h"
#include "ctl_commands.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

// The day of a log file from the end of its name ("..._20240307.orvlog").
QDate day_of_file(const QString& path) {
  static const QRegularExpression re(QStringLiteral("(\\d{8})$"));
  const QRegularExpressionMatch m = re.match(QFileInfo(path).completeBaseName());
  return m.hasMatch() ? QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")) : QDate();
}

}  // namespace

int ctl_export(const t_ctl_options& o, t_ctl_io& io) {
  auto fail = [&io](const QString& m) { io.err << "orvctl: " << m << "\n" << Qt::flush; };
  save_sys_separators();
  const QString path = o.files.value(0);
  if (!QFileInfo(path).isFile()) {
    fail(path + ": no such file");
    return CTL_FILE;
  }
  // The file becomes the off-line chart's only channel: its scaled values.
  clear_all_chans(CHART_ARCH);
  t_dsp_chan& ch = common_setup.dsp_chan_arch[0];
  ch.active = true;
  ch.displayed = true;
  ch.meas_mode = MEAS_SCALED;
  ch.tag = QFileInfo(path).completeBaseName();
  ch.sample_file = path;
  QString error;
  const int code = load_arch_file(path, 0, &error);
  if (code != LOAD_OK) {
    fail(code == LOAD_READ_FAILED ? path + ": " + error
                                  : QStringLiteral("%1: no daily log file (load code %2)").arg(path).arg(code));
    return CTL_FILE;
  }
  // The decimals the off-line chart shows for all of the file's data.
  load_chan_cfg(CHART_ARCH);
  scan_all(CHART_ARCH);
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ds.decimals = std::min(decimals_for(ds.h_max), decimals_for(ds.h_min));

  t_csv_format fmt;
  if (o.rfc4180) {
    fmt.rfc4180 = true;
    fmt.date = day_of_file(path);
  } else {
    fmt = export_format(o.decimal, o.sep);
  }
  int64_t lines = 0;
  if (!write_chart_csv(CHART_ARCH, o.from_slot, o.to_slot, fmt, o.out_file, &error, &lines)) {
    fail(o.out_file + ": " + error);
    return CTL_FILE;
  }
  io.out << QStringLiteral("Wrote %1 samples of %2 to %3\n").arg(lines).arg(path, o.out_file) << Qt::flush;
  return CTL_OK;
}
