// The link counters against simulated transmitters: faults on the line show
// in the counters, a late answer in the response times, and a line that
// vanishes for ten seconds and comes back under the same COM entry is
// polled again by itself, with the day's log holding every sample before
// and after and none twice.
#include "comm/link_stats.h"
#include "sim_line.h"
#include "sim_service_rig.h"

#include <gtest/gtest.h>

#include <set>

namespace {

t_link_view view(int d) { return link_view(m_stat.dev_stat[d].link, line_clock().now_ms()); }

class LinkWithSim : public sim_service_test {};

}  // namespace

TEST_F(LinkWithSim, DroppedAndCorruptedAnswersShowInTheCounters) {
  orvsim::line_options o = line_on(10);
  o.devices.resize(1);
  o.devices[0].counter = 500;
  o.faults.drop = 0.1;
  o.faults.bad_crc = 0.05;
  o.faults.seed = 16;
  orvsim::sim_line line(o);
  add_device(0, 10, 1);
  ASSERT_TRUE(run_until([] { return view(0).requests >= 300; }, 120000));
  const t_link_view v = view(0);
  const double n = v.requests;
  EXPECT_EQ(v.requests, v.good + v.timeouts + v.crc_errors);
  // Binomial spread over 300 requests: the share dropped within 0.05..0.17,
  // the share spoilt within 0.015..0.10 (about three standard deviations;
  // the seed fixes the line's choices, and on the line clock no answer is
  // taken for a silence however late it comes).
  EXPECT_GE(v.timeouts / n, 0.05);
  EXPECT_LE(v.timeouts / n, 0.17);
  EXPECT_GE(v.crc_errors / n, 0.015);
  EXPECT_LE(v.crc_errors / n, 0.10);
  EXPECT_EQ(v.win_requests, 100);
  EXPECT_EQ(v.win_good + v.win_timeouts + v.win_crc, 100);
  EXPECT_GE(v.win_good, 70);
  EXPECT_EQ(v.resp_count, 100);
  EXPECT_EQ(v.reopens, 0u);
  // The line's own count of spoilt and dropped answers agrees.
  const auto ls = line.stats();
  EXPECT_LE(v.crc_errors + v.timeouts, ls.faults + 5);
  EXPECT_GE(v.crc_errors + v.timeouts + 5, ls.faults);
  EXPECT_GT(v.stored, 30u);
}

TEST_F(LinkWithSim, LateAnswersRaiseTheMeanResponseTime) {
  orvsim::line_options o = line_on(11);
  o.devices.resize(1);
  orvsim::sim_line line(o);
  add_device(0, 11, 1);
  ASSERT_TRUE(run_until([] { return view(0).good >= 110; }, 60000));
  const uint32_t prompt_mean = view(0).mean_us;
  // Every answer 40 ms late, still well within the time-out: once a hundred
  // of them came, the window holds nothing else.
  orvsim::fault_settings late;
  late.late = 1.0;
  late.late_ms = 40;
  line.set_faults(late);
  const uint32_t good0 = view(0).good;
  ASSERT_TRUE(run_until([&] { return view(0).good >= good0 + 102; }, 60000));
  const t_link_view v = view(0);
  EXPECT_GE(v.mean_us, 40000u);
  EXPECT_GT(v.mean_us, prompt_mean + 20000);
  EXPECT_GE(v.worst_us, v.mean_us);
  EXPECT_EQ(v.timeouts, 0u);
}

// Stepped by hand: the transmitter's clock and the service's wall clock move
// together, so the ten seconds of the outage are exact.
TEST_F(LinkWithSim, APortThatVanishesForTenSecondsComesBackByItselfAndTheLogStaysWhole) {
  manual_tick_clock sim_time(1000000);
  manual_day_clock day(46000, 10 * 3600 * 1000);  // 10:00:00
  orvsim::line_options o = line_on(49);           // a COM entry only: nothing else answers to this number
  o.devices.resize(1);
  o.devices[0].counter = 2000;
  o.clock = &sim_time;
  orvsim::sim_line line(o);
  add_device(0, 49, 1);
  for (auto& d : m_stat.dev_stat) reset_acq_state(d, 46000);
  std::atomic<bool> terminated{false};
  com_service svc(terminated, &link, &day);
  auto& s = m_stat.dev_stat[0];
  auto second = [&] {
    sim_time.advance_ms(1000);
    day.advance_ms(1000);
    m_stat.current_srvc = 0;
    svc.service_step();
  };

  for (int k = 0; k < 6; ++k) second();
  ASSERT_EQ(s.device_stat.load(), DEVSTAT_OK);
  const int before_last = s.last_saved_idx.load();
  const int first_slot = before_last - 30 - 25 + 1;  // the first block, then five polls of five

  line.go_down();  // the pseudo-terminal and its COM entry go
  for (int k = 0; k < 10; ++k) {
    second();
    EXPECT_EQ(s.device_stat.load(), DEVSTAT_COMERR) << k;
    EXPECT_EQ(srvc_diag.diag[0].panel_state.load(), 2);
  }
  EXPECT_FALSE(link.is_open());
  const t_link_view during = view(0);
  EXPECT_EQ(during.timeouts, 1u);  // the exchange that found the port gone
  EXPECT_EQ(during.reopens, 0u);

  line.come_back();  // a new pseudo-terminal under the same COM entry
  int turns = 0;
  while (s.device_stat.load() != DEVSTAT_OK && turns < 5) {
    second();
    ++turns;
  }
  EXPECT_LE(turns, 2) << "polling resumes within two turns of the device";
  for (int k = 0; k < 5; ++k) second();
  ASSERT_EQ(s.device_stat.load(), DEVSTAT_OK);
  const int last = s.last_saved_idx.load();
  svc.shutdown_step();
  link.close_com();

  const t_link_view v = view(0);
  EXPECT_EQ(v.reopens, 1u);
  EXPECT_EQ(v.timeouts, 1u);
  EXPECT_EQ(v.crc_errors, 0u);

  // The log: every slot from the first to the newest once and in order,
  // except those the block could no longer reach after the outage.
  QFile f(log_file_name(0));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
  const QByteArray log = f.readAll();
  ASSERT_EQ(log.size() % 27, 0);
  std::set<int> in_log;
  int prev = -1;
  for (qsizetype k = 0; k < log.size() / 27; ++k) {
    const int slot = log.mid(k * 27, 5).toInt(nullptr, 16);
    ASSERT_GT(slot, prev) << "line " << k;
    prev = slot;
    in_log.insert(slot);
  }
  // After the outage: a block of thirty, then five polls of five.
  const int outage_slots = (last - before_last) - 30 - 5 * 5;
  EXPECT_EQ(outage_slots, 25 + (turns - 1) * 5);
  EXPECT_EQ(static_cast<int>(v.empty), outage_slots);
  EXPECT_EQ(static_cast<int>(in_log.size()), last - first_slot + 1 - outage_slots);
  EXPECT_EQ(static_cast<uint32_t>(in_log.size()), v.stored);
  for (int k = first_slot; k <= last; ++k) {
    const bool in_outage = k > before_last && k <= before_last + outage_slots;
    EXPECT_EQ(in_log.count(k) == 1, !in_outage) << "slot " << k;
    EXPECT_EQ(s.smp_raw[k].load() == RAW_EMPTY, in_outage) << "slot " << k;
  }
}
