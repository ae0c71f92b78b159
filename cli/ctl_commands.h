// The commands of orvctl on parsed options, writing to the given streams.
#pragma once

#include "config/cfg_report.h"
#include "ctl_options.h"

#include <QString>
#include <QTextStream>

#include <functional>

struct t_ctl_io {
  QTextStream& out;
  QTextStream& err;
  // Shows the progress of a transfer (what, frames done, frames in all);
  // empty: none is shown. The last call for a transfer has done == total,
  // or done < 0 when it ended without finishing.
  std::function<void(const QString& what, int done, int total)> progress;
  // Draws a commissioning report into a PDF file (config/report_pdf.h, which
  // needs Qt Gui); false with the reason. Empty: report is not available.
  std::function<bool(const t_report& r, const QString& path, QString& error)> write_pdf = {};
};

// Runs orvctl with the arguments (without the program name); the exit code.
int orvctl_run(const QStringList& args, t_ctl_io& io);

int ctl_status(const t_ctl_options& o, t_ctl_io& io);
int ctl_read(const t_ctl_options& o, t_ctl_io& io);
int ctl_write(const t_ctl_options& o, t_ctl_io& io);
// Two files, or (with --com) the transmitter against a file.
int ctl_diff(const t_ctl_options& o, t_ctl_io& io);
// The commissioning report of a transmitter or a parameter set file as a PDF.
int ctl_report(const t_ctl_options& o, t_ctl_io& io);
// The history of writes of a serial number.
int ctl_history(const t_ctl_options& o, t_ctl_io& io);
// The scaled values of a daily log file as CSV (ctl_export.cpp).
int ctl_export(const t_ctl_options& o, t_ctl_io& io);
