// orvctl against a simulated transmitter on a pseudo-terminal of its own:
// the line, a temporary configuration folder, and the runs with their output.
#pragma once

#include "config/param_set.h"
#include "ctl_commands.h"
#include "settings/checked_file.h"
#include "sim_line.h"
#include "support/test_env.h"

#include <QFile>
#include <QStringList>

#include <memory>

struct ctl_result {
  int rc = -1;
  QString out;
  QString err;
};

inline ctl_result run_ctl(const QStringList& args) {
  ctl_result r;
  QTextStream out(&r.out), err(&r.err);
  t_ctl_io io{out, err, {}};
  r.rc = orvctl_run(args, io);
  return r;
}

class ctl_rig {
 public:
  // The line keeps its time on the test's line clock: orvctl's link waits
  // for every answer however late a loaded machine delivers it, and times
  // out exactly where the line keeps silent.
  explicit ctl_rig(int com, int sensor_mode = 0, int address = 1) : com_(com) {
    orvsim::line_options o;
    o.com = com;
    o.line_clock = &line_clock.time;
    o.devices.resize(1);
    o.devices[0].address = address;
    o.devices[0].sensor_mode = sensor_mode;
    o.devices[0].serial = "ORV-SIM-0001";
    line = std::make_unique<orvsim::sim_line>(o);
  }
  ctl_rig(const ctl_rig&) = delete;
  ctl_rig& operator=(const ctl_rig&) = delete;

  QStringList target() const { return {"--com", QString::number(com_)}; }
  QString file(const QString& name) const { return home.path() + "/" + name; }

  // The transmitter's configuration in force as a parameter set (what it
  // was last committed with 1 to register 10005).
  t_param_set device_set() {
    t_param_set s;
    line->steer(1, [&](orvsim::transmitter& t) {
      s.sensor_mode = t.settings().sensor_mode;
      const auto& c = t.active_config();
      std::copy(c.param.begin(), c.param.end(), s.param.begin());
      std::copy(c.prod.begin(), c.prod.end(), s.prod.begin());
    });
    return s;
  }

  temp_config_home home;
  test_line_clock line_clock;
  std::unique_ptr<orvsim::sim_line> line;

 private:
  int com_;
};

inline bool save_set(const QString& path, const t_param_set& s) {
  return write_param_set_file(path, param_set_text(s));
}

inline t_param_set load_set(const QString& path) {
  QString content;
  t_param_set s;
  if (read_param_set_file(path, content) == PSET_READ_OK) parse_param_set_fields(content, s);
  return s;
}

inline QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
