// Requests of the user interface, carried out by the service over a line.
#include "comm/service_requests.h"
#include "core/mono_clock.h"
#include "service_rig.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

void expect_done(uint32_t serial, dev_req_stat_t result) {
  EXPECT_TRUE(request_done(serial));
  EXPECT_EQ(m_stat.req_stat.load(), result);
  EXPECT_EQ(m_stat.data_req.load(), REQR_IDLE);
}

}  // namespace

TEST(RequestSlot, FinishLeavesARequestPostedMeanwhile) {
  request_slot slot;
  const uint32_t a = slot.post(REQR_GAIN_SET);
  const uint32_t taken = slot.word();
  const uint32_t b = slot.post(REQR_GAIN_SET);  // replaced while carried out
  EXPECT_NE(a, b);
  EXPECT_FALSE(slot.finish(taken, REQR_IDLE));
  EXPECT_EQ(slot.load(), REQR_GAIN_SET);
  EXPECT_TRUE(slot.finish(slot.word(), REQR_PWM_ENA_2));  // follow-up keeps the serial
  EXPECT_EQ(slot.load(), REQR_PWM_ENA_2);
  EXPECT_EQ(request_slot::serial_of(slot.word()), b);
}

TEST(ServiceRequests, StatusAndConfigurationRead) {
  service_rig rig;
  rig.add_device(0);
  for (int r = 0; r < 84; ++r) rig.peer.set_register(3000 + r, static_cast<uint16_t>(r * 3 + 1));
  for (int r = 0; r < 1728; ++r) rig.peer.set_register(4000 + r, static_cast<uint16_t>(r ^ 0x5A5A));
  rig.peer.set_register(80, 0x1234);

  auto serial = post_request(REQR_STAT, 0);
  EXPECT_FALSE(request_done(serial));
  rig.step();
  expect_done(serial, REQS_READY);
  EXPECT_EQ(m_stat.dev_stat[0].read_stat.get(0), 212);
  EXPECT_EQ(m_stat.dev_stat[0].read_stat.get(80), 0x1234);

  serial = post_request(REQR_PARAM_RD, 0);
  rig.step();
  expect_done(serial, REQS_READY);
  for (int r = 0; r < 84; ++r) ASSERT_EQ(m_stat.dev_stat[0].read_param.get(r), r * 3 + 1);
  for (int r = 0; r < 1728; ++r) ASSERT_EQ(m_stat.dev_stat[0].read_prod.get(r), (r ^ 0x5A5A) & 0xFFFF);
  EXPECT_EQ(m_stat.current_srvc.load(), 0);  // requests do not move the polling on
}

TEST(ServiceRequests, ConfigurationWriteSendsBothBlocksThenTheEndMark) {
  service_rig rig;
  rig.add_device(2);
  for (int r = 0; r < 84; ++r) m_stat.dev_stat[2].edit_param.set(r, static_cast<uint16_t>(0x100 + r));
  for (int r = 0; r < 1728; ++r) m_stat.dev_stat[2].edit_prod.set(r, static_cast<uint16_t>(7 * r));
  const auto serial = post_request(REQR_PARAM_WR, 2);
  rig.step();
  expect_done(serial, REQS_READY);
  for (int r = 0; r < 84; ++r) ASSERT_EQ(rig.peer.get_register(3000 + r), 0x100 + r);
  for (int r = 0; r < 1728; ++r) ASSERT_EQ(rig.peer.get_register(4000 + r), (7 * r) & 0xFFFF);
  EXPECT_EQ(rig.peer.get_register(10005), 1);
  const auto w = rig.peer.writes();
  ASSERT_EQ(w.size(), 1u + 15u + 1u);  // 84; 14 x 123 + 6; 1
  EXPECT_EQ(w.front(), std::make_pair(3000, 84));
  EXPECT_EQ(w[1], std::make_pair(4000, 123));
  EXPECT_EQ(w[15], std::make_pair(4000 + 14 * 123, 6));
  EXPECT_EQ(w.back(), std::make_pair(10005, 1));
}

TEST(ServiceRequests, FailedWriteStopsAndReportsAnError) {
  service_rig rig;
  rig.add_device(0);
  rig.peer.drop_next(2);  // both attempts of the first frame
  const auto serial = post_request(REQR_PARAM_WR, 0);
  rig.step();
  expect_done(serial, REQS_ERROR);
  EXPECT_TRUE(rig.peer.writes().empty());
}

TEST(ServiceRequests, AnalogOutputEnableContinuesWithTheReleaseEvenAfterAFailedRead) {
  service_rig rig;
  rig.add_device(0);
  rig.peer.set_register(10007, 0x8001);
  rig.peer.drop_next(2);
  const auto serial = post_request(REQR_PWM_ENA, 0);
  rig.step();
  EXPECT_EQ(m_stat.req_stat.load(), REQS_ERROR);
  EXPECT_EQ(m_stat.data_req.load(), REQR_PWM_ENA_2);
  EXPECT_FALSE(request_done(serial));
  EXPECT_FALSE(m_stat.dev_stat[0].status_read.load());
  rig.step();
  expect_done(serial, REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10007), 0);

  // With a good read the status is marked read, and the drive clears it.
  post_request(REQR_PWM_ENA, 0);
  rig.step();
  EXPECT_TRUE(m_stat.dev_stat[0].status_read.load());
  rig.step();
  const auto set = post_request(REQR_PWM_SET, 0, pwm_params(1234, 0x8000));
  rig.step();
  expect_done(set, REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10006), 1234);
  EXPECT_EQ(rig.peer.get_register(10007), 0x8001);
  EXPECT_FALSE(m_stat.dev_stat[0].status_read.load());
}

TEST(ServiceRequests, GainForADeviceOutsideTheScanListAndUnknownKinds) {
  service_rig rig;
  rig.add_device(5, "Spare", false);
  common_setup.dev_conn[5].active = false;
  auto serial = post_request(REQR_GAIN_SET, 5, gain_params(0x8123));
  rig.step();
  expect_done(serial, REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10004), 0x8123);

  serial = post_request(REQR_STAT, 9);  // no such device slot
  rig.step();
  expect_done(serial, REQS_ERROR);

  serial = post_request(static_cast<dev_request_t>(42), 0);
  rig.step();
  EXPECT_TRUE(request_done(serial));
  EXPECT_EQ(m_stat.data_req.load(), REQR_IDLE);
}

TEST(ServiceRequests, PortListIsReadyWithOrWithoutPorts) {
  {
    service_rig rig;
    const auto serial = post_request(REQR_COMM_LIST, 0);
    rig.step();
    expect_done(serial, REQS_READY);
    EXPECT_TRUE(com_avail_tab[RIG_COM - 1].load());
    EXPECT_FALSE(com_avail_tab[RIG_COM].load());
  }
  temp_config_home empty;
  reset_all_records();
  TModbSerial link;
  std::atomic<bool> term{false};
  com_service svc(term, &link);
  const auto serial = post_request(REQR_COMM_LIST, 0);
  svc.service_step();
  expect_done(serial, REQS_READY);
  for (int p = 48; p < 50; ++p) EXPECT_FALSE(com_avail_tab[p].load());
}

TEST(ServiceRequests, SameKindReplacesTheUntakenRequestOtherKindsWait) {
  service_rig rig;
  rig.add_device(0);
  post_request(REQR_PWM_SET, 0, pwm_params(100, 0));
  const auto last = post_request(REQR_PWM_SET, 0, pwm_params(200, 0));
  rig.step();
  expect_done(last, REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10006), 200);
  EXPECT_EQ(rig.peer.writes().size(), 1u);  // carried out once, with the newest value

  // A release posted while a drive is pending waits for it instead of wiping it.
  post_request(REQR_PWM_SET, 0, pwm_params(300, 0));
  std::atomic<bool> posted{false};
  std::atomic<int> waits{0};
  uint32_t release = 0;
  std::thread ui([&] {
    release = post_request(REQR_PWM_ENA_2, 0, {}, [&] { ++waits; });
    posted = true;
  });
  // The poster is seen waiting (its pump runs) while the drive is pending.
  const int64_t until = mono_ms() + 20000;
  while (waits.load() < 20 && mono_ms() < until) sleep_ms(1);
  EXPECT_GE(waits.load(), 20);
  EXPECT_FALSE(posted.load());
  rig.step();  // the drive
  ui.join();
  rig.step();  // the release
  expect_done(release, REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10006), 300);
  EXPECT_EQ(rig.peer.get_register(10007), 0);
}

TEST(ServiceRequests, NothingIsLostWhileTheServiceThreadRuns) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Second");
  rig.svc->start();
  // A scroll bar moving fast, then the release.
  for (int v = 1; v <= 200; ++v) {
    post_request(REQR_PWM_SET, 0, pwm_params(static_cast<uint16_t>(v), 0));
    if (v % 20 == 0) sleep_ms(2);
  }
  const auto release = post_request(REQR_PWM_ENA_2, 0);
  EXPECT_EQ(wait_request(release), REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10006), 200);
  EXPECT_EQ(rig.peer.get_register(10007), 0);
  // A waiting flow reads its own result.
  const auto gain = post_request(REQR_GAIN_SET, 0, gain_params(0x8042));
  EXPECT_EQ(wait_request(gain), REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10004), 0x8042);
  const auto zero = post_request(REQR_GAIN_SET, 0, gain_params(0));
  EXPECT_EQ(wait_request(zero), REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10004), 0);
  // Between and after the requests the devices are polled; however the
  // turns fell, both are served.
  EXPECT_TRUE(wait_until([] { return m_stat.dev_stat[0].last_saved_idx.load() == RIG_SLOT; }, 60000));
  EXPECT_TRUE(wait_until([] { return m_stat.dev_stat[1].last_saved_idx.load() == RIG_SLOT; }, 60000));
  rig.svc->terminate();
  while (!rig.terminated.load()) sleep_ms(1);
  rig.svc->wait_for();
}

TEST(ServiceRequests, FrameCounterFollowsTheFramesOfARequest) {
  // The plan the counter is measured against.
  EXPECT_EQ(request_frame_count(REQR_PARAM_RD), 1 + 1 + 14);  // status; 84; 13 x 125 + 103
  EXPECT_EQ(request_frame_count(REQR_PARAM_WR), 1 + 15 + 1);  // 84; 14 x 123 + 6; 10005
  EXPECT_EQ(request_frame_count(REQR_STAT), 1);
  EXPECT_EQ(request_frame_count(REQR_COMM_LIST), 0);
  int first = 0, count = 0;
  ASSERT_TRUE(request_frame_regs(REQR_PARAM_RD, 15, first, count));
  EXPECT_EQ(first, 4000 + 13 * 125);
  EXPECT_EQ(count, 103);
  ASSERT_TRUE(request_frame_regs(REQR_PARAM_WR, 15, first, count));
  EXPECT_EQ(first, 4000 + 14 * 123);
  EXPECT_EQ(count, 6);
  ASSERT_TRUE(request_frame_regs(REQR_PARAM_WR, 16, first, count));
  EXPECT_EQ(first, 10005);
  EXPECT_FALSE(request_frame_regs(REQR_PARAM_WR, 17, first, count));

  service_rig rig;
  rig.add_device(1);
  auto serial = post_request(REQR_PARAM_RD, 1);
  EXPECT_EQ(request_frames_done(serial), 0);  // not taken yet
  rig.step();
  EXPECT_EQ(request_frames_done(serial), request_frame_count(REQR_PARAM_RD));

  serial = post_request(REQR_PARAM_WR, 1);
  EXPECT_EQ(request_frames_done(serial), 0);  // the previous request's count is not this one's
  rig.step();
  EXPECT_EQ(request_frames_done(serial), request_frame_count(REQR_PARAM_WR));
  EXPECT_EQ(rig.peer.writes().size(), static_cast<size_t>(request_frame_count(REQR_PARAM_WR)));

  // A failing frame: the counter stops in front of it.
  rig.peer.drop_next(2);
  serial = post_request(REQR_PARAM_WR, 1);
  rig.step();
  EXPECT_EQ(m_stat.req_stat.load(), REQS_ERROR);
  EXPECT_EQ(request_frames_done(serial), 0);
}
