#include "ctl_commands.h"

#include "app/setup_file.h"
#include "calib/gain_model.h"
#include "comm/modb_serial.h"
#include "comm/status_decode.h"
#include "config/cfg_transfer.h"
#include "config/param_diff.h"
#include "config/param_set.h"
#include "config/write_history.h"
#include "core/reg_text.h"
#include "ctl_session.h"
#include "ctl_status.h"
#include "settings/checked_file.h"
#include "texts/text_table.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

t_ctl_target target_of(const t_ctl_options& o) { return {o.com, o.addr, o.baud_idx, o.parity, o.slack_ms}; }

void fail(t_ctl_io& io, const QString& message) { io.err << "orvctl: " << message << "\n" << Qt::flush; }

ctl_progress_fn progress_of(t_ctl_io& io, const QString& what) {
  if (!io.progress) return {};
  return [&io, what](int done, int total) { io.progress(what, done, total); };
}

// Ends a progress display that did not reach its end.
void progress_broken(t_ctl_io& io, const QString& what) {
  if (io.progress) io.progress(what, -1, 0);
}

// Loads a parameter set file; false with the message given.
bool load_param_set(const QString& path, t_param_set& set, t_ctl_io& io) {
  QString content;
  switch (read_param_set_file(path, content)) {
    case PSET_READ_OK: break;
    case PSET_READ_NONE:
      fail(io, QFileInfo::exists(path)
                   ? path + ": " + msg_text(MSG_PSET_INVALID) + " (it is damaged: its end mark or checksum is wrong)"
                   : path + ": no such file");
      return false;
    case PSET_READ_TOO_BIG:
      fail(io, path + ": " + msg_text(MSG_PSET_INVALID) + " (it is larger than 1 MB)");
      return false;
    case PSET_READ_IO_ERROR: return false;  // reported by the reader
  }
  if (!parse_param_set_fields(content, set)) {
    fail(io, path + ": " + msg_text(MSG_PSET_INVALID));
    return false;
  }
  return true;
}

QString quoted(const QString& s) { return u'"' + s + u'"'; }

// Opens the line; the exit code when that failed, else CTL_OK.
int open_session(ctl_session& s, t_ctl_io& io) {
  QString error;
  if (s.open(error)) return CTL_OK;
  fail(io, error);
  return CTL_COMM;
}

// A request that failed: what the user reads.
void request_failed(ctl_session& s, dev_request_t kind, const QString& doing, t_ctl_io& io) {
  const QString frame = s.failed_frame_text(kind);
  fail(io, QStringLiteral("no valid answer from the transmitter at %1 while %2%3.")
               .arg(s.target_text(), doing, frame.isEmpty() ? QString() : " (" + frame + ")"));
}

bool is_transmitter(ctl_session& s, t_ctl_io& io) {
  const uint16_t type = m_stat.dev_stat[kSlot].read_stat.get(STAT_DEVICE_TYPE);
  if (type == DEVICE_TYPE_ORV) return true;
  fail(io, QStringLiteral("the device at %1 is no Orv transmitter (device type %2).").arg(s.target_text()).arg(type));
  return false;
}

// Reads the transmitter's configuration into the slot's images (read and
// edit), with its progress; the exit code when that failed, else CTL_OK.
int read_transmitter(ctl_session& s, t_ctl_io& io) {
  const QString what = "reading the configuration";
  const dev_req_stat_t r = s.request(REQR_PARAM_RD, progress_of(io, what));
  if (r != REQS_READY) {
    progress_broken(io, what);
    request_failed(s, REQR_PARAM_RD, what, io);
    return CTL_COMM;
  }
  if (!is_transmitter(s, io)) return CTL_COMM;
  take_read_config(kSlot, r);
  return CTL_OK;
}

// Opens the line and reads the transmitter's configuration into the slot's
// images; the exit code when that failed, else CTL_OK.
int read_config(ctl_session& s, t_ctl_io& io) {
  if (const int rc = open_session(s, io)) return rc;
  return read_transmitter(s, io);
}

}  // namespace

int ctl_read(const t_ctl_options& o, t_ctl_io& io) {
  ctl_session s(target_of(o));
  if (const int rc = read_config(s, io)) return rc;
  if (!write_param_set_file(o.out_file, param_set_text(edit_param_set(kSlot)))) return CTL_FILE;
  io.out << QStringLiteral("Saved the configuration of %1 (serial number %2, sensor mode %3) to %4\n")
                .arg(s.target_text(), quoted(trim_blanks(device_serial_of(kSlot))))
                .arg(m_stat.dev_stat[kSlot].sensor_mode.load(rlx))
                .arg(o.out_file)
         << Qt::flush;
  return CTL_OK;
}

int ctl_write(const t_ctl_options& o, t_ctl_io& io) {
  // As in the window, only service mode gives a transmitter another serial number.
  if (o.force_serial && !read_service_marker()) {
    fail(io, QStringLiteral("--force-serial needs service mode, and service mode is off: the marker file %1 "
                            "is missing or holds no text (the same file turns it on in the program's window). "
                            "Nothing was written.")
                 .arg(service_marker_path()));
    return CTL_USAGE;
  }
  t_param_set set;
  if (!load_param_set(o.in_file, set, io)) return CTL_FILE;

  ctl_session s(target_of(o));
  if (const int rc = open_session(s, io)) return rc;
  auto& dev = m_stat.dev_stat[kSlot];

  // 1. The transmitter as it is now: its type, sensor mode and serial number.
  if (s.request(REQR_STAT) != REQS_READY) {
    request_failed(s, REQR_STAT, "reading its status", io);
    return CTL_COMM;
  }
  if (!is_transmitter(s, io)) return CTL_COMM;
  const int mode = dev.read_stat.get(STAT_SENSOR_MODE);
  if (set.sensor_mode != mode) {
    fail(io, QStringLiteral("%1: %2 (the file is for sensor mode %3, the transmitter at %4 is in sensor mode %5). "
                            "Nothing was written.")
                 .arg(o.in_file, msg_text(MSG_PSET_MODE_MISMATCH))
                 .arg(set.sensor_mode)
                 .arg(s.target_text())
                 .arg(mode));
    return CTL_FILE;
  }
  // The configuration it holds: the old values of its history.
  if (const int rc = read_transmitter(s, io)) return rc;
  dev.edit_param.copy_in(0, set.param.data(), PARAM_REGS);
  dev.edit_prod.copy_in(0, set.prod.data(), PROD_REGS);
  if (serial_differs(kSlot)) {
    const QString own = quoted(trim_blanks(device_serial_of(kSlot)));
    const QString file = quoted(trim_blanks(edit_serial_of(kSlot)));
    if (o.force_serial) {
      io.err << "orvctl: the transmitter's serial number " << own << " is overwritten with " << file << "\n";
    } else {
      keep_device_serial(kSlot);
      io.err << "orvctl: the transmitter keeps its serial number " << own << " (the file has " << file
             << "; --force-serial writes the file's)\n";
    }
    io.err << Qt::flush;
  }

  // The history record of this write: the transmitter's values before it
  // and the file's (with the serial number kept) as written.
  t_history_record rec = write_record(kSlot, "orvctl", QStringLiteral("COM%1").arg(o.com), o.addr,
                                      read_param_set(kSlot), edit_param_set(kSlot));
  auto record = [&](const QString& error, bool read_back_ok) {
    rec.error = error;
    rec.read_back_ok = read_back_ok;
    QString why;
    if (!append_history(rec, &why)) io.err << "orvctl: warning: " << why << "\n" << Qt::flush;
  };

  // 2. Parameters, products, then 1 to register 10005.
  const QString what = "writing the configuration";
  if (s.request(REQR_PARAM_WR, progress_of(io, what)) != REQS_READY) {
    progress_broken(io, what);
    request_failed(s, REQR_PARAM_WR, what, io);
    record("no valid answer while " + what, false);
    return CTL_COMM;
  }

  // 3. Everything read back and compared with what was written.
  const QString check = "reading the configuration back";
  if (s.request(REQR_PARAM_RD, progress_of(io, check)) != REQS_READY) {
    progress_broken(io, check);
    request_failed(s, REQR_PARAM_RD, check, io);
    record("no valid answer while " + check, false);
    return CTL_COMM;
  }
  const int unequal = first_unequal_register(kSlot);
  record(QString(), unequal < 0);
  if (const int reg = unequal; reg >= 0) {
    const bool param = reg < PROD_REG_FIRST;
    const int k = reg - (param ? PARAM_REG_FIRST : PROD_REG_FIRST);
    const uint16_t wrote = param ? dev.edit_param.get(k) : dev.edit_prod.get(k);
    const uint16_t holds = param ? dev.read_param.get(k) : dev.read_prod.get(k);
    fail(io, QStringLiteral("the transmitter at %1 holds other values than were written: register %2 holds %3, "
                            "%4 was written.")
                 .arg(s.target_text(), register_title(reg))
                 .arg(holds)
                 .arg(wrote));
    return CTL_DIFFER;
  }
  io.out << QStringLiteral("Wrote %1 to %2 and read it back unchanged\n").arg(o.in_file, s.target_text()) << Qt::flush;
  return CTL_OK;
}

int ctl_status(const t_ctl_options& o, t_ctl_io& io) {
  ctl_session s(target_of(o));
  if (const int rc = open_session(s, io)) return rc;
  const device_stat_t st = s.poll_once();
  if (st != DEVSTAT_OK) {
    if (st == DEVSTAT_BADDEV && !is_transmitter(s, io)) return CTL_COMM;
    request_failed(s, REQR_STAT, "reading its status", io);
    return CTL_COMM;
  }
  if (!is_transmitter(s, io)) return CTL_COMM;
  const t_ctl_status v = ctl_status_of(kSlot);
  if (o.json) {
    QJsonObject j = ctl_status_json(v);
    j.insert("port", QStringLiteral("COM%1").arg(o.com));
    j.insert("address", o.addr);
    j.insert("baud", static_cast<int>(TModbSerial::get_baud_value(o.baud_idx)));
    j.insert("parity", QLatin1StringView(o.parity == 1 ? "odd" : o.parity == 2 ? "even" : "none"));
    io.out << QJsonDocument(j).toJson(QJsonDocument::Compact) << "\n" << Qt::flush;
  } else {
    io.out << "Transmitter at " << s.target_text() << "\n" << ctl_status_text(v) << Qt::flush;
  }
  return CTL_OK;
}

int ctl_diff(const t_ctl_options& o, t_ctl_io& io) {
  t_param_set a, b;
  QString name_a, name_b;
  if (o.com > 0) {
    // The transmitter as it is now against the file.
    if (!load_param_set(o.files[0], b, io)) return CTL_FILE;
    ctl_session s(target_of(o));
    if (const int rc = read_config(s, io)) return rc;
    a = read_param_set(kSlot);
    // Registers that never reach a transmitter are no difference from it.
    a.param[PARAM_XFER_REGS] = b.param[PARAM_XFER_REGS];
    a.prod[PROD_XFER_REGS] = b.prod[PROD_XFER_REGS];
    name_a = s.target_text();
    name_b = o.files[0];
  } else {
    if (!load_param_set(o.files[0], a, io) || !load_param_set(o.files[1], b, io)) return CTL_FILE;
    name_a = o.files[0];
    name_b = o.files[1];
  }
  const std::vector<t_diff_line> lines = param_set_diff(a, b);
  if (lines.empty()) {
    io.out << name_a << " and " << name_b << " hold the same configuration\n" << Qt::flush;
    return CTL_OK;
  }
  io.out << "--- " << name_a << "\n+++ " << name_b << "\n";
  for (const t_diff_line& l : lines) io.out << l.what << ": " << quoted(l.a) << " -> " << quoted(l.b) << "\n";
  io.out << lines.size() << (lines.size() == 1 ? " difference\n" : " differences\n") << Qt::flush;
  return CTL_DIFFER;
}

int ctl_report(const t_ctl_options& o, t_ctl_io& io) {
  if (!io.write_pdf) {
    fail(io, "this orvctl was built without the PDF writer (Qt Gui).");
    return CTL_USAGE;
  }
  t_param_set set;
  t_report_origin origin{"orvctl", o.in_file, {}, {}, 0};
  if (!o.in_file.isEmpty()) {
    if (!load_param_set(o.in_file, set, io)) return CTL_FILE;
  } else {
    ctl_session s(target_of(o));
    if (const int rc = read_config(s, io)) return rc;
    set = edit_param_set(kSlot);
    origin.source = s.target_text();
    // The device group shows the transmitter's tag (the window shows the connection's).
    origin.device_title = trim_blanks(regs_to_text(m_stat.dev_stat[kSlot].edit_param, 16, 12));
    origin.firmware = firmware_text(m_stat.dev_stat[kSlot].read_stat.get(1));
  }
  // The set as the off-line configuration, which the fields are read from.
  origin.sensor_mode = set.sensor_mode;
  m_stat.dev_selected.store(-1, rlx);
  parse_param_set(param_set_text(set));
  const t_report report = cfg_report(origin, [](uint16_t word) {
    return gain_label_text(get_sensor_mode(), gain_step_of_word(get_sensor_mode(), word));
  });
  m_stat.off_line_vaild.store(false, rlx);
  QString error;
  if (!io.write_pdf(report, o.out_file, error)) {
    fail(io, error);
    return CTL_FILE;
  }
  io.out << QStringLiteral("Wrote the commissioning report of %1 (serial number %2) to %3\n")
                .arg(origin.source, quoted(report.fields.serial), o.out_file)
         << Qt::flush;
  return CTL_OK;
}

int ctl_history(const t_ctl_options& o, t_ctl_io& io) {
  const QString& serial = o.files[0];
  const t_history_read h = read_history(serial);
  for (const int32_t line : h.bad_lines)
    io.err << "orvctl: " << history_path(serial) << ": line " << line << " is damaged and skipped\n";
  io.err << Qt::flush;
  if (o.json) {
    for (const t_history_record& rec : h.records) io.out << history_json(rec) << "\n";
  } else if (h.records.empty()) {
    io.out << "No configuration writes are recorded for serial number " << quoted(serial) << "\n";
  } else {
    for (auto it = h.records.rbegin(); it != h.records.rend(); ++it) io.out << history_record_text(*it) << "\n";
  }
  io.out << Qt::flush;
  return CTL_OK;
}

int orvctl_run(const QStringList& args, t_ctl_io& io) {
  t_ctl_options o;
  QString error;
  if (!parse_ctl_options(args, o, error)) {
    io.err << "orvctl: " << error << "\nTry 'orvctl --help'.\n" << Qt::flush;
    return CTL_USAGE;
  }
  set_io_error_reporter([&io](const QString& m) { fail(io, m); });
  // Numbers for scripts: always with a point.
  sys_dec_sep = u'.';
  int rc = CTL_OK;
  switch (o.command) {
    case CTLCMD_HELP: io.out << ctl_help_text() << Qt::flush; break;
    case CTLCMD_VERSION: io.out << ctl_version_text() << Qt::flush; break;
    case CTLCMD_STATUS: rc = ctl_status(o, io); break;
    case CTLCMD_READ: rc = ctl_read(o, io); break;
    case CTLCMD_WRITE: rc = ctl_write(o, io); break;
    case CTLCMD_DIFF: rc = ctl_diff(o, io); break;
    case CTLCMD_EXPORT: rc = ctl_export(o, io); break;
    case CTLCMD_REPORT: rc = ctl_report(o, io); break;
    case CTLCMD_HISTORY: rc = ctl_history(o, io); break;
    case CTLCMD_NONE: rc = CTL_USAGE; break;
  }
  set_io_error_reporter([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
  return rc;
}
