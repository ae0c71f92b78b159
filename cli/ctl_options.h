// The command line of orvctl: the command, the transmitter it talks to and
// the files it reads and writes.
#pragma once

#include <QString>
#include <QStringList>

// Exit codes of orvctl.
enum ctl_exit_t : int {
  CTL_OK = 0,      // done; for diff: the files are equal
  CTL_DIFFER = 1,  // the files differ, or the transmitter holds other values than were written
  CTL_USAGE = 2,   // the command line is wrong
  CTL_COMM = 3,    // the port, the line or the transmitter failed
  CTL_FILE = 4,    // a file could not be read or written, or does not suit the transmitter
};

enum ctl_command_t : int {
  CTLCMD_NONE = 0,
  CTLCMD_STATUS,
  CTLCMD_READ,
  CTLCMD_WRITE,
  CTLCMD_DIFF,
  CTLCMD_EXPORT,
  CTLCMD_REPORT,
  CTLCMD_HISTORY,
  CTLCMD_HELP,
  CTLCMD_VERSION,
};

struct t_ctl_options {
  ctl_command_t command = CTLCMD_NONE;
  int com = 0;        // COM port number 1..50
  int addr = 1;       // unit address 1..247
  int baud_idx = 4;   // 0..4 = 9600 .. 115200
  int parity = 0;     // 0 none, 1 odd, 2 even
  int slack_ms = 0;   // waited longer for every answer than the line's limits
  bool json = false;  // status: one JSON object; history: the records as stored
  bool force_serial = false;
  QString out_file;   // read, export, report
  QString in_file;    // write; report from a file
  QStringList files;  // diff: two files (one with --com); export: the day log file; history: the serial number
  // export: separators (empty: the system's), the slots from..to, the dialect.
  QString decimal;
  QString sep;
  int from_slot = 0;
  int to_slot = 431999;
  bool rfc4180 = false;
};

// Parses the arguments (without the program name). False with a message
// when they are wrong.
bool parse_ctl_options(const QStringList& args, t_ctl_options& o, QString& error);

// The text of --help (with the exit codes).
QString ctl_help_text();

// "orvctl <version>".
QString ctl_version_text();
