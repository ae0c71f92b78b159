// The communication service against simulated transmitters: a fresh set of
// records and log folder per test, devices on the simulator's COM entries,
// and the service thread started and stopped around a condition. The lines
// keep their exchanges' time on line_clock, the line clock of the test: the
// link waits for every answer however late a loaded machine delivers it,
// and times out exactly where a line keeps silent.
#pragma once

#include "archive/log_file.h"
#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"
#include "core/day_clock.h"
#include "core/mono_clock.h"
#include "sim_line.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

class sim_service_test : public ::testing::Test {
 protected:
  void SetUp() override {
    const day_time now = wall_clock().now();
    if (now.ms_of_day > 86400000 - 60000) GTEST_SKIP() << "too close to midnight for a day's file";
    reset_all_records();
    drop_kept_logs();
    log_dir = home.path() + "/logs";
    QDir().mkpath(log_dir);
    for (auto& d : m_stat.dev_stat) {
      reset_acq_state(d, now.date);
      clear_smp_ring(d);
    }
  }
  // A line on COM com that keeps its time on the test's line clock.
  orvsim::line_options line_on(int com) {
    orvsim::line_options o;
    o.com = com;
    o.line_clock = &line_clock.time;
    return o;
  }
  // Device slot d: the transmitter at the address on COM com, acquiring.
  void add_device(int d, int com, int address) {
    auto& c = common_setup.dev_conn[d];
    c.active = true;
    c.log_active = true;
    c.addr = address - 1;
    c.com_num = com;
    c.baud_idx = 4;
    c.tag.set(QString("Dev %1").arg(d));
    c.log_dir.set(log_dir);
  }
  // Runs the service thread until cond holds or ms have passed; cond's last answer.
  bool run_until(const std::function<bool()>& cond, int ms) {
    std::atomic<bool> terminated{false};
    com_service svc(terminated, &link);
    svc.start();
    const int64_t until = mono_ms() + ms;
    while (!cond() && mono_ms() < until) sleep_ms(10);
    svc.terminate();
    while (!terminated.load()) sleep_ms(5);
    svc.wait_for();
    return cond();
  }
  QByteArray log_of(int d) {
    QFile f(log_file_name(d));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  temp_config_home home;
  QString log_dir;
  test_line_clock line_clock;
  TModbSerial link;
};
