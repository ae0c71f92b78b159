// orvctl: the command line for scripted work with Orv transmitters.
#include "ctl_commands.h"

#ifdef ORVCTL_PDF
#include "config/report_pdf.h"
#endif

#include <QStringList>
#include <QTextStream>

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  QStringList args;
  for (int k = 1; k < argc; ++k) args << QString::fromLocal8Bit(argv[k]);
  QTextStream out(stdout);
  QTextStream err(stderr);
  t_ctl_io io{out, err, {}};
  // Progress only where someone watches it.
  if (isatty(STDERR_FILENO)) {
    io.progress = [&err](const QString& what, int done, int total) {
      if (done < 0 || done >= total) {
        err << "\r\033[K" << Qt::flush;
        return;
      }
      err << "\r" << what << " " << (100 * done / (total > 0 ? total : 1)) << " %\033[K" << Qt::flush;
    };
  }
#ifdef ORVCTL_PDF
  io.write_pdf = [](const t_report& r, const QString& path, QString& error) {
    return write_report_pdf(r, path, error);
  };
#endif
  return orvctl_run(args, io);
}
