// The link counters the service keeps: every exchange of polls and requests,
// the samples stored and the slots left empty, the reset, and a port that
// vanishes under the service.
#include "comm/device_slots.h"
#include "comm/link_stats.h"
#include "comm/service_requests.h"
#include "service_rig.h"

#include <gtest/gtest.h>

namespace {

// Device d's counters as the window would show them now (on the rig's line clock).
t_link_view view(const service_rig& rig, int d) {
  return link_view(m_stat.dev_stat[d].link, rig.line_clock.time.now_ms());
}

}  // namespace

TEST(ServiceLink, PollsAndRequestsCountEveryExchangeOfTheirDevice) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Mixer");
  rig.poll(0);  // status check, then samples
  t_link_view v = view(rig, 0);
  EXPECT_EQ(v.requests, 2u);
  EXPECT_EQ(v.good, 2u);
  EXPECT_EQ(v.resp_count, 2);
  // Each answer took the rig's 2 ms; the newest came just now.
  EXPECT_EQ(v.mean_us, 2000u);
  EXPECT_EQ(v.worst_us, 2000u);
  EXPECT_EQ(v.since_good_ms, 0);
  EXPECT_EQ(view(rig, 1).requests, 0u);  // the other device was not asked

  rig.peer.drop_next(1);
  rig.poll(0);
  v = view(rig, 0);
  EXPECT_EQ(v.requests, 3u);
  EXPECT_EQ(v.timeouts, 1u);
  EXPECT_EQ(v.win_requests, 3);
  EXPECT_EQ(v.win_good, 2);
  EXPECT_EQ(v.resp_count, 2);  // a time-out has no response time
  EXPECT_EQ(v.since_good_ms, modbus_peer::kSilenceMs);

  // A configuration read: status, parameters and 14 product frames, all for device 0.
  m_stat.rqd_device = 0;
  m_stat.data_req.post(REQR_PARAM_RD);
  rig.step();
  ASSERT_EQ(m_stat.req_stat.load(), REQS_READY);
  v = view(rig, 0);
  EXPECT_EQ(v.requests, 3u + 16u);
  EXPECT_EQ(v.good, 2u + 16u);
  // A frame that fails is tried again, and both attempts count.
  rig.peer.drop_next(1);
  m_stat.data_req.post(REQR_STAT);
  rig.step();
  ASSERT_EQ(m_stat.req_stat.load(), REQS_READY);
  v = view(rig, 0);
  EXPECT_EQ(v.requests, 21u);
  EXPECT_EQ(v.timeouts, 2u);
}

TEST(ServiceLink, StoredSamplesAndEmptySlotsFollowTheRing) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  EXPECT_EQ(view(rig, 0).stored, 30u);
  rig.clock.set_slot(RIG_SLOT + 5);
  rig.produce(5);
  rig.poll(0);
  EXPECT_EQ(view(rig, 0).stored, 35u);
  EXPECT_EQ(view(rig, 0).empty, 0u);
  // Forty slots later: the block reaches back thirty, ten stay empty.
  rig.clock.set_slot(RIG_SLOT + 45);
  rig.produce(40);
  rig.poll(0);
  EXPECT_EQ(view(rig, 0).stored, 65u);
  EXPECT_EQ(view(rig, 0).empty, 10u);
  int empty = 0;
  for (int k = RIG_SLOT - 29; k <= RIG_SLOT + 45; ++k) empty += m_stat.dev_stat[0].smp_raw[k].load() == RAW_EMPTY;
  EXPECT_EQ(empty, 10);
}

TEST(ServiceLink, MidnightCountsTheOldDaysTailAndTheNewDaysUnreachedHead) {
  service_rig rig(RIG_DATE, 86400000 - 2000);  // 23:59:58, slot 431990
  rig.add_device(0);
  rig.poll(0);
  rig.clock.set(RIG_DATE + 1, 8000);  // slot 40 of the next day
  rig.produce(50);
  rig.poll(0);
  // 431991..431999 of the old day, and 0..10 of the new one (the block covers 11..40).
  EXPECT_EQ(view(rig, 0).empty, 9u + 11u);
  EXPECT_EQ(view(rig, 0).stored, 60u);
}

TEST(ServiceLink, ResetTakesEffectAtTheDevicesNextTurn) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  rig.peer.drop_next(1);
  rig.poll(0);
  ASSERT_EQ(view(rig, 0).requests, 3u);
  post_dev_ctl(0, CTL_RESET_LINK);
  EXPECT_EQ(view(rig, 0).requests, 3u);  // nothing changes before the service takes it
  rig.clock.set_slot(RIG_SLOT + 5);
  rig.produce(5);
  rig.poll(0);  // WAIT: the sample block straight away
  const t_link_view v = view(rig, 0);
  EXPECT_EQ(v.requests, 1u);
  EXPECT_EQ(v.good, 1u);
  EXPECT_EQ(v.timeouts, 0u);
  EXPECT_EQ(v.win_requests, 1);
  EXPECT_EQ(v.resp_count, 1);
  EXPECT_EQ(v.stored, 5u);
}

TEST(ServiceLink, AVanishedPortIsClosedShownAsNoConnectionAndCountedWhenItIsBack) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Mixer");
  pty_pair line;  // nobody answers here; the test pulls it away
  line.link_as_com(6);
  rig.line_clock.time.run_out(true);  // every answer limit passes at once
  common_setup.dev_conn[0].com_num = 6;
  common_setup.dev_conn[1].com_num = 6;
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_TOUT);
  EXPECT_TRUE(rig.link.is_open());

  line.close_master();  // the adapter is unplugged: the device answers EIO
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_COMERR);
  EXPECT_EQ(srvc_diag.diag[0].panel_state.load(), 2);
  EXPECT_FALSE(rig.link.is_open());
  EXPECT_EQ(view(rig, 0).timeouts, 2u);  // the silent status check, then the lost one
  EXPECT_TRUE(m_stat.dev_stat[0].link.port_lost.load());
  EXPECT_TRUE(m_stat.dev_stat[1].link.port_lost.load());  // the same line
  EXPECT_FALSE(m_stat.dev_stat[2].link.port_lost.load());

  // Each turn tries to open it again; it is not there.
  const int before = rig.peer.requests();
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_COMERR);
  EXPECT_EQ(view(rig, 0).requests, 2u);  // nothing sent without a port
  EXPECT_EQ(view(rig, 0).reopens, 0u);

  // The device is back (here: on the rig's line): polling resumes at once.
  rig.line_clock.time.run_out(false);
  common_setup.dev_conn[0].com_num = RIG_COM;
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_OK);
  EXPECT_EQ(rig.peer.requests(), before + 2);
  EXPECT_EQ(view(rig, 0).reopens, 1u);
  EXPECT_FALSE(m_stat.dev_stat[0].link.port_lost.load());
  rig.poll(0);
  EXPECT_EQ(view(rig, 0).reopens, 1u);
}

TEST(ServiceLink, RemovingADeviceMovesItsCountersAndLeavesTheLastSlotClean) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Mixer");
  rig.poll(1);
  rig.poll(1);
  ASSERT_EQ(view(rig, 1).requests, 3u);
  remove_device_records(0, RIG_DATE);
  EXPECT_EQ(view(rig, 0).requests, 3u);
  EXPECT_EQ(view(rig, 0).stored, 30u);
  EXPECT_EQ(view(rig, 1).requests, 0u);
  EXPECT_EQ(view(rig, 7).requests, 0u);
}
