// A communication service under test: a libmodbus server on a pseudo-
// terminal plays the transmitter (its registers set exactly by the test),
// the wall clock is a manual one, and the test drives the service step by
// step (or starts its thread). The line keeps the test's time too: the link
// measures its answer limits on line_clock, which the transmitter moves by
// 2 ms per answer and by far more than any limit per dropped request, so
// the link waits for every answer however late a loaded machine delivers
// it, and times out exactly where the test has the transmitter keep silent.
#pragma once

#include "archive/log_file.h"
#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"
#include "core/day_clock.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <bit>
#include <deque>
#include <memory>

inline constexpr int RIG_COM = 4;
inline constexpr int RIG_UNIT = 3;              // addr index 2
inline constexpr int32_t RIG_DATE = 45358;      // 2024-03-07
inline constexpr int RIG_SLOT = 10 * 3600 * 5;  // the rig's clock starts at 10:00:00

// Raw word and value of the sample a device numbers c: easy to recognise.
inline uint32_t rig_raw(int c) { return 0x00028000u | static_cast<uint32_t>(c & 0x3FF); }
inline float rig_val(int c) { return static_cast<float>(c) * 0.5f; }

class service_rig {
 public:
  explicit service_rig(int32_t date = RIG_DATE, int32_t ms = 10 * 3600 * 1000)
      : clock(date, ms), peer(pty.master(), RIG_UNIT) {
    reset_all_records();
    drop_kept_logs();
    pty.link_as_com(RIG_COM);
    log_dir = home.path() + "/logs";
    QDir().mkpath(log_dir);
    for (auto& d : m_stat.dev_stat) {
      reset_acq_state(d, date);
      clear_smp_ring(d);
    }
    m_stat.dev_selected = -1;
    set_status(212);
    set_samples();
    peer.keep_time_on(&line_clock.time);
    svc = std::make_unique<com_service>(terminated, &link, &clock);
  }
  ~service_rig() {
    svc.reset();
    link.close_com();
  }

  // Device slot d on the simulated line, acquiring.
  void add_device(int d, const QString& tag = "Dryer", bool logging = true) {
    auto& c = common_setup.dev_conn[d];
    c.active = true;
    c.log_active = logging;
    c.addr = RIG_UNIT - 1;
    c.com_num = RIG_COM;
    c.baud_idx = 4;
    c.parity = 0;
    c.tag.set(tag);
    c.log_dir.set(log_dir);
  }

  void set_status(uint16_t type, const char* serial = "") {
    peer.set_register(0, type);
    peer.set_register(1, 412);
    for (int k = 0; k < 12; ++k) peer.set_register(66 + k, static_cast<uint16_t>(*serial ? *serial++ : 0));
  }

  // The device produces n more samples (its counter advances by n).
  void produce(int n) {
    for (int k = 0; k < n; ++k) {
      counter = (counter + 1) & 0xFFFF;
      history.push_front(counter);
      if (history.size() > 30) history.pop_back();
    }
    set_samples();
  }
  void set_counter(int c) {
    counter = c & 0xFFFF;
    history.clear();
    for (int k = 0; k < 30; ++k) history.push_back((counter - k) & 0xFFFF);
    set_samples();
  }
  void set_samples() {
    while (history.size() < 30) history.push_back((counter - static_cast<int>(history.size())) & 0xFFFF);
    peer.set_register(2000, static_cast<uint16_t>(counter));
    peer.set_register(2001, static_cast<uint16_t>(temp));
    for (int k = 0; k < 30; ++k) {
      const uint32_t raw = rig_raw(history[k]) | raw_flags;
      const uint32_t val = std::bit_cast<uint32_t>(rig_val(history[k]));
      peer.set_register(2002 + 4 * k, static_cast<uint16_t>(raw));
      peer.set_register(2003 + 4 * k, static_cast<uint16_t>(raw >> 16));
      peer.set_register(2004 + 4 * k, static_cast<uint16_t>(val));
      peer.set_register(2005 + 4 * k, static_cast<uint16_t>(val >> 16));
    }
    peer.set_register(2122, status);
    peer.set_register(2123, 0x0102);
  }

  // One pass of the service for device d (no request pending).
  void poll(int d) {
    m_stat.current_srvc = d;
    svc->service_step();
  }
  // A pass that carries out the pending request.
  void step() { svc->service_step(); }

  QByteArray log_bytes(const QString& name) const {
    QFile f(log_dir + "/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  temp_config_home home;
  pty_pair pty;
  manual_day_clock clock;
  test_line_clock line_clock;
  modbus_peer peer;
  TModbSerial link;
  std::atomic<bool> terminated{false};
  std::unique_ptr<com_service> svc;
  QString log_dir;
  int counter = 1000;
  std::deque<int> history;
  int16_t temp = 215;
  uint16_t status = 2 << 6;  // unit 2
  uint32_t raw_flags = 0;
};
