// The communication service against simulated transmitters in real time:
// every sample the transmitters produce lands in its slot and in the day's
// log file, also with faults on the line.
#include "sim_line.h"
#include "sim_service_rig.h"

#include <gtest/gtest.h>

namespace {

struct run_result {
  int first = -1, last = -1, empty = 0;
};

// Slots from the first to the newest stored one, and how many of them stayed empty.
run_result scan_ring(int d) {
  run_result r;
  const auto& s = m_stat.dev_stat[d];
  r.last = s.last_saved_idx.load(std::memory_order_acquire);
  for (int k = 0; k <= r.last; ++k)
    if (s.smp_raw[k].load(rlx) != 0x000FFFFFu) {
      r.first = k;
      break;
    }
  for (int k = r.first; k >= 0 && k <= r.last; ++k) r.empty += s.smp_raw[k].load(rlx) == 0x000FFFFFu;
  return r;
}

class ServiceWithSim : public sim_service_test {};

}  // namespace

TEST_F(ServiceWithSim, ThreeTransmittersOnTwoLinesAreLoggedWithoutGaps) {
  orvsim::line_options a = line_on(6);
  a.devices.resize(2);
  a.devices[0].address = 1;
  a.devices[1].address = 2;
  a.devices[0].counter = a.devices[1].counter = 5000;  // a full history from the start
  a.devices[1].sensor_errors = 0.2;
  orvsim::line_options b = line_on(7);
  b.devices.resize(1);
  b.devices[0].address = 5;
  b.devices[0].serial = "ORV-00000042";
  b.devices[0].counter = 65530;  // wraps during the run
  orvsim::sim_line line_a(a), line_b(b);
  add_device(0, 6, 1);
  add_device(1, 6, 2);
  add_device(2, 7, 5);
  // The first block and the seconds after it.
  const auto spans_40 = [] {
    for (int d = 0; d < 3; ++d) {
      const run_result r = scan_ring(d);
      if (r.first < 0 || r.last - r.first + 1 < 30 + 10) return false;
    }
    return true;
  };
  ASSERT_TRUE(run_until(spans_40, 60000));
  link.close_com();

  for (int d = 0; d < 3; ++d) {
    const run_result r = scan_ring(d);
    SCOPED_TRACE(d);
    EXPECT_EQ(m_stat.dev_stat[d].device_stat.load(), DEVSTAT_OK);
    EXPECT_LE(r.empty, 1);
    EXPECT_EQ(static_cast<uint32_t>(r.empty), m_stat.dev_stat[d].link.empty.load());
    const QByteArray log = log_of(d);
    ASSERT_EQ(log.size() % 27, 0);
    const int lines = static_cast<int>(log.size() / 27);
    EXPECT_EQ(lines, r.last - r.first + 1 - r.empty);
    int prev = -1;
    for (int k = 0; k < lines; ++k) {
      const int slot = log.mid(k * 27, 5).toInt(nullptr, 16);
      ASSERT_GT(slot, prev);
      prev = slot;
    }
  }
  EXPECT_TRUE(log_file_name(2).endsWith(
      "Dev 2_ORV-00000042_" +
      QDate(1899, 12, 30).addDays(static_cast<int>(m_stat.dev_stat[2].last_date.load())).toString("yyyyMMdd") +
      ".orvlog"));
  EXPECT_EQ(srvc_diag.diag[0].panel_state.load(), 4);
}

TEST_F(ServiceWithSim, DroppedAndCorruptedAnswersLoseNoSample) {
  orvsim::line_options o = line_on(8);
  o.devices.resize(1);
  o.devices[0].counter = 100;
  o.faults.drop = 0.25;
  o.faults.bad_crc = 0.1;
  o.faults.noise = 0.2;
  orvsim::sim_line line(o);
  add_device(0, 8, 1);
  ASSERT_TRUE(run_until(
      [] {
        const run_result r = scan_ring(0);
        return r.first >= 0 && r.last - r.first + 1 >= 40;
      },
      60000));
  const run_result r = scan_ring(0);
  EXPECT_LE(r.empty, 1);
  EXPECT_GT(line.stats().faults, 0u);
  EXPECT_GT(m_stat.dev_stat[0].link.timeouts.load(), 0u);
  EXPECT_GT(m_stat.dev_stat[0].link.crc_errors.load(), 0u);
}

TEST_F(ServiceWithSim, ALineThatGoesAwayComesBackAndTheDayGoesOn) {
  orvsim::line_options o = line_on(9);
  o.devices.resize(1);
  o.devices[0].counter = 100;
  orvsim::sim_line line(o);
  add_device(0, 9, 1);
  std::atomic<bool> terminated{false};
  com_service svc(terminated, &link);
  svc.start();
  auto& s = m_stat.dev_stat[0];
  // Deadlines only: a loaded machine may take long for each step.
  ASSERT_TRUE(wait_until([&] { return s.device_stat.load() == DEVSTAT_OK && s.last_saved_idx.load() >= 0; }, 60000));
  line.go_down();
  // The link finds the port gone: no connection, not a silent device.
  EXPECT_TRUE(wait_until([&] { return s.device_stat.load() == DEVSTAT_COMERR; }, 60000));
  line.come_back();
  EXPECT_TRUE(wait_until([&] { return s.device_stat.load() == DEVSTAT_OK; }, 60000));
  const int back = s.last_saved_idx.load();
  EXPECT_TRUE(wait_until([&] { return s.last_saved_idx.load() >= back + 3; }, 60000));
  svc.terminate();
  while (!terminated.load()) sleep_ms(5);
  svc.wait_for();
  EXPECT_EQ(s.device_stat.load(), DEVSTAT_OK);
  // Every slot of the day so far holds its sample or was counted empty
  // (an outage longer than the device's 30-sample history leaves a gap).
  EXPECT_EQ(static_cast<uint32_t>(scan_ring(0).empty), s.link.empty.load());
  // The port was found gone, closed and opened again once.
  EXPECT_EQ(s.link.reopens.load(), 1u);
  EXPECT_GE(s.link.timeouts.load(), 1u);
}
