#include "ctl_options.h"

#include "comm/modb_serial.h"
#include "comm/port_names.h"
#include "orv_version.h"

namespace {

bool parse_int(const QString& text, int lo, int hi, int& out) {
  bool ok = false;
  const int v = text.toInt(&ok, 10);
  if (!ok || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parse_baud(const QString& text, int& idx) {
  for (int k = 0; k <= 4; ++k)
    if (text == QString::number(TModbSerial::get_baud_value(k))) {
      idx = k;
      return true;
    }
  return false;
}

bool parse_parity(const QString& text, int& parity) {
  static const char* const names[3] = {"none", "odd", "even"};
  for (int k = 0; k < 3; ++k)
    if (text.compare(QLatin1StringView(names[k]), Qt::CaseInsensitive) == 0) {
      parity = k;
      return true;
    }
  return false;
}

// "HH:MM:SS" as seconds of the day; false when it is none.
bool parse_time_of_day(const QString& text, int& seconds) {
  const QStringList p = text.split(u':');
  if (p.size() != 3) return false;
  int h = 0, m = 0, s = 0;
  if (p[0].size() > 2 || p[1].size() != 2 || p[2].size() != 2) return false;
  if (!parse_int(p[0], 0, 23, h) || !parse_int(p[1], 0, 59, m) || !parse_int(p[2], 0, 59, s)) return false;
  seconds = h * 3600 + m * 60 + s;
  return true;
}

// The export field separator by its name ("TAB", "space") or itself.
bool parse_sep(const QString& text, QString& sep) {
  if (text.compare(QLatin1StringView("TAB"), Qt::CaseInsensitive) == 0 || text == "\t")
    sep = QStringLiteral("\t");
  else if (text.compare(QLatin1StringView("space"), Qt::CaseInsensitive) == 0 || text == " ")
    sep = QStringLiteral(" ");
  else if (text == ";" || text == "," || text == "|")
    sep = text;
  else
    return false;
  return true;
}

}  // namespace

bool parse_ctl_options(const QStringList& args, t_ctl_options& o, QString& error) {
  o = t_ctl_options{};
  bool com_given = false;
  for (qsizetype k = 0; k < args.size(); ++k) {
    const QString& a = args[k];
    // Options take their value as the next argument or after "=".
    QString name = a, value;
    bool has_value = false;
    if (a.startsWith("--") && a.contains(u'=')) {
      name = a.left(a.indexOf(u'='));
      value = a.mid(a.indexOf(u'=') + 1);
      has_value = true;
    }
    auto take_value = [&]() -> bool {
      if (has_value) return true;
      if (k + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++k];
      return true;
    };
    if (name == "--help" || name == "-h") {
      o.command = CTLCMD_HELP;
      return true;
    }
    if (name == "--version") {
      o.command = CTLCMD_VERSION;
      return true;
    }
    if (name == "--com") {
      if (!take_value()) return false;
      if (!parse_int(value, 1, MAX_COM_PORT, o.com)) {
        error = QStringLiteral("--com takes a port number 1..%1, not \"%2\"").arg(MAX_COM_PORT).arg(value);
        return false;
      }
      com_given = true;
    } else if (name == "--addr") {
      if (!take_value()) return false;
      if (!parse_int(value, 1, 247, o.addr)) {
        error = QStringLiteral("--addr takes a unit address 1..247, not \"%1\"").arg(value);
        return false;
      }
    } else if (name == "--baud") {
      if (!take_value()) return false;
      if (!parse_baud(value, o.baud_idx)) {
        error = QStringLiteral("--baud takes 9600, 19200, 38400, 57600 or 115200, not \"%1\"").arg(value);
        return false;
      }
    } else if (name == "--parity") {
      if (!take_value()) return false;
      if (!parse_parity(value, o.parity)) {
        error = QStringLiteral("--parity takes none, odd or even, not \"%1\"").arg(value);
        return false;
      }
    } else if (name == "--slack") {
      if (!take_value()) return false;
      if (!parse_int(value, 0, 60000, o.slack_ms)) {
        error = QStringLiteral("--slack takes milliseconds 0..60000, not \"%1\"").arg(value);
        return false;
      }
    } else if (name == "--out") {
      if (!take_value()) return false;
      o.out_file = value;
    } else if (name == "--in") {
      if (!take_value()) return false;
      o.in_file = value;
    } else if (name == "--decimal") {
      if (!take_value()) return false;
      if (value != "." && value != ",") {
        error = QStringLiteral("--decimal takes . or , not \"%1\"").arg(value);
        return false;
      }
      o.decimal = value;
    } else if (name == "--sep") {
      if (!take_value()) return false;
      if (!parse_sep(value, o.sep)) {
        error = QStringLiteral("--sep takes TAB, ;, ,, space or |, not \"%1\"").arg(value);
        return false;
      }
    } else if (name == "--from" || name == "--to") {
      if (!take_value()) return false;
      int seconds = 0;
      if (!parse_time_of_day(value, seconds)) {
        error = QStringLiteral("%1 takes a time of day HH:MM:SS, not \"%2\"").arg(name, value);
        return false;
      }
      // --to takes the whole second it names.
      (name == "--from" ? o.from_slot : o.to_slot) = name == "--from" ? seconds * 5 : seconds * 5 + 4;
    } else if (name == "--rfc4180" && !has_value) {
      o.rfc4180 = true;
    } else if (name == "--json" && !has_value) {
      o.json = true;
    } else if (name == "--force-serial" && !has_value) {
      o.force_serial = true;
    } else if (a.startsWith(u'-') && a.size() > 1) {
      error = QStringLiteral("unknown option \"%1\"").arg(a);
      return false;
    } else if (o.command == CTLCMD_NONE) {
      if (a == "status")
        o.command = CTLCMD_STATUS;
      else if (a == "read")
        o.command = CTLCMD_READ;
      else if (a == "write")
        o.command = CTLCMD_WRITE;
      else if (a == "diff")
        o.command = CTLCMD_DIFF;
      else if (a == "export")
        o.command = CTLCMD_EXPORT;
      else if (a == "report")
        o.command = CTLCMD_REPORT;
      else if (a == "history")
        o.command = CTLCMD_HISTORY;
      else {
        error = QStringLiteral("unknown command \"%1\"").arg(a);
        return false;
      }
    } else if (o.command == CTLCMD_DIFF ||
               ((o.command == CTLCMD_EXPORT || o.command == CTLCMD_HISTORY) && o.files.isEmpty())) {
      o.files << a;
    } else {
      error = QStringLiteral("unexpected argument \"%1\"").arg(a);
      return false;
    }
  }

  switch (o.command) {
    case CTLCMD_NONE: error = "no command given"; return false;
    case CTLCMD_DIFF:
      if (com_given ? o.files.size() != 1 : o.files.size() != 2) {
        error =
            com_given ? "diff --com compares exactly one file with the transmitter" : "diff compares exactly two files";
        return false;
      }
      if (o.json || o.force_serial || !o.out_file.isEmpty() || !o.in_file.isEmpty()) {
        error = "diff takes no --json, --force-serial, --in or --out";
        return false;
      }
      return true;
    case CTLCMD_HISTORY:
      if (o.files.size() != 1) {
        error = "history needs the transmitter's serial number";
        return false;
      }
      if (com_given || o.force_serial || !o.out_file.isEmpty() || !o.in_file.isEmpty()) {
        error = "history takes only the serial number and --json";
        return false;
      }
      return true;
    case CTLCMD_EXPORT:
      if (o.files.size() != 1) {
        error = "export needs the day log file";
        return false;
      }
      if (o.out_file.isEmpty()) {
        error = "export needs --out FILE.csv";
        return false;
      }
      if (o.rfc4180 && (!o.decimal.isEmpty() || !o.sep.isEmpty())) {
        error = "--rfc4180 sets the separators itself; leave out --decimal and --sep";
        return false;
      }
      if (o.from_slot > o.to_slot) {
        error = "--from is later than --to";
        return false;
      }
      return true;
    default: break;
  }
  if (!o.decimal.isEmpty() || !o.sep.isEmpty() || o.rfc4180 || o.from_slot != 0 || o.to_slot != 431999) {
    error = "--decimal, --sep, --from, --to and --rfc4180 apply to export only";
    return false;
  }
  if (o.command == CTLCMD_REPORT) {
    if (o.out_file.isEmpty()) {
      error = "report needs --out FILE.pdf";
      return false;
    }
    if (com_given == !o.in_file.isEmpty()) {
      error = "report takes either --com N (the transmitter) or --in FILE.orvcfg (a parameter set file)";
      return false;
    }
    if (!o.in_file.isEmpty()) return true;
  }
  if (!com_given) {
    error = "--com is missing (the COM port number of the line)";
    return false;
  }
  if (o.command == CTLCMD_READ && o.out_file.isEmpty()) {
    error = "read needs --out FILE";
    return false;
  }
  if (o.command == CTLCMD_WRITE && o.in_file.isEmpty()) {
    error = "write needs --in FILE";
    return false;
  }
  if (o.json && o.command != CTLCMD_STATUS) {
    error = "--json applies to status and history only";
    return false;
  }
  if (o.force_serial && o.command != CTLCMD_WRITE) {
    error = "--force-serial applies to write only";
    return false;
  }
  return true;
}

QString ctl_help_text() {
  return QStringLiteral(
      "Usage: orvctl COMMAND [OPTIONS]\n"
      "\n"
      "Reads, writes, compares and reports Orv transmitter configurations from scripts.\n"
      "\n"
      "Commands:\n"
      "  status --com N [--addr A] [--baud B] [--parity P] [--json]\n"
      "      Shows the transmitter's status and its newest sample.\n"
      "  read   --com N [--addr A] [--baud B] [--parity P] --out FILE.orvcfg\n"
      "      Saves the transmitter's configuration as a parameter set file.\n"
      "  write  --com N [--addr A] [--baud B] [--parity P] --in FILE.orvcfg [--force-serial]\n"
      "      Writes a parameter set file to the transmitter and reads it back.\n"
      "      The file must be of the transmitter's sensor mode. The transmitter\n"
      "      keeps its own serial number unless --force-serial is given, which\n"
      "      needs service mode (the marker file srvc_ena.cfg of the program).\n"
      "  diff   A.orvcfg B.orvcfg\n"
      "      Lists the settings in which two parameter set files differ.\n"
      "  diff   --com N [--addr A] [--baud B] [--parity P] FILE.orvcfg\n"
      "      Reads the transmitter's configuration and lists the settings in which\n"
      "      the file differs from it (the transmitter's value -> the file's).\n"
      "  history SERIAL [--json]\n"
      "      Shows the history of configuration writes of the transmitter with\n"
      "      that serial number, newest first; --json prints the stored records,\n"
      "      one JSON object a line, oldest first.\n"
      "  export DAYLOG.orvlog --out FILE.csv [--decimal . | ,] [--sep TAB | ; | , | space | \"|\"]\n"
      "         [--from HH:MM:SS] [--to HH:MM:SS] [--rfc4180]\n"
      "      Writes the scaled values of a daily log file as CSV, as the program's\n"
      "      chart export does: UTF-16 text, a line per 200 ms sample, the time\n"
      "      and the value. The separators default to the system's (its decimal\n"
      "      point; \";\" when that is \",\", else \",\"). --rfc4180 writes UTF-8 with\n"
      "      \",\", \".\", a quoted header and ISO 8601 times instead.\n"
      "  report --com N [--addr A] [--baud B] [--parity P] --out FILE.pdf\n"
      "  report --in FILE.orvcfg --out FILE.pdf\n"
      "      Makes the commissioning report as an A4 PDF: the transmitter's\n"
      "      identity, every field of the configuration pages, the products in\n"
      "      use, the analog output and the last ten writes of its history. Reads\n"
      "      the transmitter (with progress on a terminal), or a parameter set file.\n"
      "\n"
      "Options:\n"
      "  --com N          COM port 1..50 (as in the program: the entry COMn in the\n"
      "                   folder ports of the configuration folder, else the\n"
      "                   serial device behind the number)\n"
      "  --addr A         Modbus unit address 1..247 (default 1)\n"
      "  --baud B         9600, 19200, 38400, 57600 or 115200 (default 115200)\n"
      "  --parity P       none, odd or even (default none)\n"
      "  --slack MS       wait MS milliseconds longer for every answer than the\n"
      "                   line's own limits, for converters and gateways that\n"
      "                   delay the answers (0..60000, default 0)\n"
      "  --json           status as one JSON object; history as JSON Lines\n"
      "  --force-serial   write: the file's serial number overwrites the transmitter's;\n"
      "                   only in service mode, else exit code 2\n"
      "  --help           this text\n"
      "  --version        the program's version\n"
      "\n"
      "The defaults are those of a transmitter on a USB adapter. A port that the\n"
      "OrvConfig window (or any other program) has open cannot be used.\n"
      "\n"
      "Exit codes:\n"
      "  0  done (diff: the configurations are equal)\n"
      "  1  difference: diff found differing settings, or the transmitter holds\n"
      "     other values than were written\n"
      "  2  usage: the command line is wrong, or --force-serial is given outside\n"
      "     service mode\n"
      "  3  communication: the port cannot be opened, or the transmitter does not\n"
      "     answer or refuses a request\n"
      "  4  file: a file cannot be read or written, is no valid parameter set\n"
      "     file or log file, or is of another sensor mode than the transmitter;\n"
      "     report: the PDF cannot be written\n");
}

QString ctl_version_text() { return QStringLiteral("orvctl " ORV_VERSION "\n"); }
