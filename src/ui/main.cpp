#include "ui/command_line.h"
#include "ui/demo_mode.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/session_end.h"

#include "orv_version.h"

#include <QApplication>
#include <QFont>

#include <memory>

int main(int argc, char** argv) {
  // --help, --version and a wrong command line are answered without a display.
  QStringList args;
  for (int k = 0; k < argc; ++k) args << QString::fromLocal8Bit(argv[k]);
  const t_cmd_line cmd = parse_cmd_line(args);
  if (const int rc = answer_cmd_line(cmd); rc >= 0) return rc;
  const bool demo = cmd.demo;
  const QString profile = demo ? enter_demo_profile() : QString();

  QApplication app(argc, argv);
  QApplication::setApplicationName("Orv Config");
  QApplication::setApplicationDisplayName("Orv Config");
  QApplication::setApplicationVersion(ORV_VERSION);
  QApplication::setDesktopFileName("orvconfig");  // the desktop entry: menu icon, task bar grouping
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QApplication::setFont(QFont("Arial", 10));

  std::unique_ptr<demo_simulator> sim;
  if (demo) {
    sim = std::make_unique<demo_simulator>();
    QString error;
    if (!sim->start(profile, &error)) {
      show_error(error);
      return 1;
    }
    seed_demo_setup();
  }

  TMainForm form;
  install_session_end_handler(&form);
  if (!form.FormCreate()) {
    form.abort_sequence();
    return 1;
  }
  if (session_end_requested()) {
    // Ended while it started: shut down without showing the window.
    form.shutdown_sequence();
    return 0;
  }
  if (demo) keep_demo_scaling(form);
  form.show();
  const int rc = app.exec();
  form.shutdown_sequence();
  return rc;
}
