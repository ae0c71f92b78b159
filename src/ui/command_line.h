// The program's command line: --demo, --help and --version, nothing else.
// Qt's own options (-platform, -style, ...) are left to the application
// object.
#pragma once

#include <QString>
#include <QStringList>

struct t_cmd_line {
  bool demo = false;
  bool help = false;
  bool version = false;
  QString error;  // an unknown option or an argument the program does not take
};

// Parses the arguments, Qt's own options left out; args[0] is the program.
t_cmd_line parse_cmd_line(const QStringList& args);

// The text of --help.
QString cmd_line_help();
// The line of --version: "orvconfig 4.0".
QString cmd_line_version();

// Handles what needs no window: --help and --version print their text to
// standard output, an unknown option or a stray argument a message to
// standard error. Returns the exit status when the program should end now
// (0, or 2 for a wrong command line), -1 when it should go on.
int answer_cmd_line(const t_cmd_line& cmd);
