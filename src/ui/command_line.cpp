#include "ui/command_line.h"

#include "orv_version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstdio>

namespace {

constexpr const char* kProgram = "orvconfig";

struct cmd_options {
  QCommandLineOption demo{"demo",
                          "Start with three simulated transmitters (orvsim) on COM1..COM3 and a profile of its own in "
                          "$XDG_CACHE_HOME/orvconfig-demo (or $ORV_DEMO_PROFILE); the real setup is never touched."};
  QCommandLineOption help{QStringList{"h", "help"}, "Show this help and exit."};
  QCommandLineOption version{"version", "Show the version and exit."};
};

// Qt's own options, taken by the application object; those in the first list
// take a value ("-style fusion" or "-style=fusion").
const char* const kQtValueOptions[] = {"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "session",
                                       "display",
                                       "geometry",
                                       "name",
                                       "title",
                                       "visual",
                                       "style",
                                       "stylesheet",
                                       "qmljsdebugger"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// The arguments without Qt's own options, so that ours can be checked before
// the application object (and a display) exists.
QStringList without_qt_options(const QStringList& args) {
  QStringList out;
  for (qsizetype k = 0; k < args.size(); ++k) {
    const QString& a = args[k];
    if (k == 0 || !a.startsWith(u'-')) {
      out << a;
      continue;
    }
    QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
    const bool inline_value = name.contains(u'=');
    name = name.section(u'=', 0, 0);
    bool qt = false;
    for (const char* o : kQtFlagOptions) qt = qt || (name == QLatin1String(o) && !inline_value);
    for (const char* o : kQtValueOptions)
      if (name == QLatin1String(o)) {
        qt = true;
        if (!inline_value) ++k;  // its value
      }
    if (!qt) out << a;
  }
  return out;
}

void set_up(QCommandLineParser& parser, const cmd_options& opts) {
  parser.setApplicationDescription(
      "Sets up, watches, logs and calibrates up to eight Orv measuring transmitters on RS485/USB serial lines "
      "(Modbus RTU).");
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOption(opts.demo);
  parser.addOption(opts.help);
  parser.addOption(opts.version);
}

}  // namespace

t_cmd_line parse_cmd_line(const QStringList& args) {
  QCommandLineParser parser;
  const cmd_options opts;
  set_up(parser, opts);
  t_cmd_line out;
  const bool ok = parser.parse(without_qt_options(args));
  out.demo = parser.isSet(opts.demo);
  out.help = parser.isSet(opts.help);
  out.version = parser.isSet(opts.version);
  if (!ok)
    out.error = parser.errorText();
  else if (!parser.positionalArguments().isEmpty())
    out.error = QString("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
  return out;
}

QString cmd_line_help() {
  QCommandLineParser parser;
  const cmd_options opts;
  set_up(parser, opts);
  QString text = parser.helpText();
  // The usage line names the program as it is installed, however it was started.
  const qsizetype end = text.indexOf(u'\n');
  return QString("Usage: %1 [options]").arg(kProgram) + (end < 0 ? QString("\n") : text.mid(end));
}

QString cmd_line_version() { return QString("%1 %2").arg(kProgram, ORV_VERSION); }

int answer_cmd_line(const t_cmd_line& cmd) {
  if (cmd.help) {
    std::fputs(cmd_line_help().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (cmd.version) {
    std::printf("%s\n", cmd_line_version().toLocal8Bit().constData());
    return 0;
  }
  if (!cmd.error.isEmpty()) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, cmd.error.toLocal8Bit().constData(), kProgram);
    return 2;
  }
  return -1;
}
