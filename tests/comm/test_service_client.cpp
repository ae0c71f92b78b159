// The user interface's client of the service: no call slips in while
// another one waits, only gain and output values supersede each other (and
// only for the same device), and removals and connection edits posted at the
// same time are each carried out exactly once.
#include "comm/service_client.h"
#include "core/mono_clock.h"
#include "service_rig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A client whose pump drives the step-by-step service: every wait carries
// out one loop pass, after running `during` once (the "timer" that fires
// while the call waits).
struct stepping_client {
  explicit stepping_client(service_rig& rig) {
    client.set_service_running([] { return true; });
    client.set_pump([this, &rig] {
      ++pumps;
      if (during) std::exchange(during, nullptr)();
      rig.step();
    });
  }
  service_client client;
  std::function<void()> during;
  int pumps = 0;
};

}  // namespace

TEST(ServiceClient, CallsMadeWhileAnotherWaitsAreRefusedAndChangeNothing) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Second");
  for (int r = 0; r < 84; ++r) rig.peer.set_register(3000 + r, static_cast<uint16_t>(0x300 + r));
  stepping_client sc(rig);
  service_client& c = sc.client;

  bool checked = false;
  sc.during = [&] {
    EXPECT_TRUE(c.busy());
    const uint32_t word = m_stat.data_req.word();
    EXPECT_FALSE(c.post(REQR_PARAM_RD, 1).has_value());
    EXPECT_FALSE(c.post_gain(0, 0x8001).has_value());
    EXPECT_FALSE(c.post_output(0, 10, 0).has_value());
    EXPECT_FALSE(c.post_output_release(0).has_value());
    EXPECT_EQ(c.request(REQR_STAT, 1), REQS_IDLE);
    EXPECT_EQ(c.wait(request_slot::serial_of(word)), REQS_IDLE);
    EXPECT_FALSE(c.remove_device(1));
    t_dev_conn rec;
    rec.tag.set("Nested");
    EXPECT_FALSE(c.edit_connection(1, rec, false));
    // Nothing was posted, replaced or handed over.
    EXPECT_EQ(m_stat.data_req.word(), word);
    EXPECT_EQ(m_stat.rqd_device.load(), 0);
    EXPECT_EQ(m_stat.remove_req.load(), -1);
    EXPECT_EQ(m_stat.conn_edit_req.load(), -1);
    checked = true;
  };
  EXPECT_EQ(c.request(REQR_PARAM_RD, 0), REQS_READY);
  EXPECT_TRUE(checked);
  EXPECT_FALSE(c.busy());
  EXPECT_EQ(m_stat.dev_stat[0].read_param.get(5), 0x305);
  EXPECT_EQ(m_stat.dev_stat[1].read_param.get(5), 0);  // the nested read never happened
  EXPECT_TRUE(common_setup.dev_conn[1].active.load());
  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "Second");

  // Once the first call has returned, the next one goes through.
  EXPECT_EQ(c.request(REQR_PARAM_RD, 1), REQS_READY);
  EXPECT_EQ(m_stat.dev_stat[1].read_param.get(5), 0x305);
}

TEST(ServiceClient, AReadForAnotherDeviceWaitsForThePendingOne) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Second");
  common_setup.dev_conn[1].addr = RIG_UNIT;  // nobody answers there
  rig.peer.set_register(3007, 0x1234);
  stepping_client sc(rig);

  const auto first = sc.client.post(REQR_PARAM_RD, 0);
  ASSERT_TRUE(first);
  EXPECT_EQ(sc.pumps, 0);
  // Same kind, other device: it waits until the first was carried out
  // instead of replacing it (so the first wait cannot end with its result).
  const auto second = sc.client.post(REQR_PARAM_RD, 1);
  ASSERT_TRUE(second);
  EXPECT_GE(sc.pumps, 1);
  EXPECT_TRUE(service_client::done(*first));
  EXPECT_FALSE(service_client::done(*second));
  EXPECT_EQ(m_stat.dev_stat[0].read_param.get(7), 0x1234);
  EXPECT_EQ(sc.client.wait(*second), REQS_ERROR);
  EXPECT_EQ(m_stat.dev_stat[1].read_param.get(7), 0);
}

TEST(ServiceClient, TheNewestGainOrOutputOfADeviceWinsOtherDevicesWait) {
  service_rig rig;
  rig.add_device(0);
  rig.add_device(1, "Second");
  stepping_client sc(rig);
  service_client& c = sc.client;

  ASSERT_TRUE(c.post_gain(0, 0x8011));
  ASSERT_TRUE(c.post_gain(0, 0x8012));
  EXPECT_EQ(sc.pumps, 0);  // replaced, nothing waited for
  EXPECT_EQ(m_stat.gain_req.load(), 0x8012);
  // The gain for the other device waits until device 0 has its newest one.
  const auto other = c.post_gain(1, 0x8013);
  ASSERT_TRUE(other);
  EXPECT_GE(sc.pumps, 1);
  EXPECT_EQ(rig.peer.get_register(10004), 0x8012);
  EXPECT_EQ(rig.peer.writes().size(), 1u);
  EXPECT_EQ(c.wait(*other), REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10004), 0x8013);
  EXPECT_EQ(m_stat.rqd_device.load(), 1);

  // Output drives supersede each other; the release is never replaced.
  rig.peer.clear_writes();
  sc.pumps = 0;
  ASSERT_TRUE(c.post_output(0, 100, 0x8000));
  ASSERT_TRUE(c.post_output(0, 200, 0x8000));
  EXPECT_EQ(sc.pumps, 0);
  const auto release = c.post_output_release(0);
  ASSERT_TRUE(release);
  EXPECT_GE(sc.pumps, 1);
  EXPECT_EQ(rig.peer.get_register(10006), 200);
  EXPECT_EQ(c.wait(*release), REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10007), 0);
  ASSERT_EQ(rig.peer.writes().size(), 2u);  // one drive, then the release
}

TEST(ServiceClient, ConcurrentRemovalsAndEditsAreEachCarriedOutOnce) {
  service_rig rig;
  const QString tags[] = {"A", "B", "C", "D", "E", "F"};
  for (int d = 0; d < 6; ++d) rig.add_device(d, tags[d], false);
  rig.svc->start();

  auto edited = [](int d, const QString& tag) {
    auto rec = std::make_unique<t_dev_conn>();
    copy_dev_conn(*rec, common_setup.dev_conn[d]);
    rec->tag.set(tag);
    return rec;
  };
  const auto rec_a = edited(0, "A2");
  const auto rec_b = edited(1, "B2");

  // Each thread stands for one poster with a client of its own; all four
  // post at the same moment while the service thread polls.
  std::atomic<int> ready{0};
  auto poster = [&](std::function<bool(service_client&)> call) {
    return std::thread([&ready, call] {
      service_client c;
      c.set_service_running([] { return true; });
      ready.fetch_add(1);
      while (ready.load() < 4) std::this_thread::yield();
      EXPECT_TRUE(call(c));
    });
  };
  std::vector<std::thread> posters;
  posters.push_back(poster([](service_client& c) { return c.remove_device(4); }));
  posters.push_back(poster([](service_client& c) { return c.remove_device(4); }));
  posters.push_back(poster([&](service_client& c) { return c.edit_connection(0, *rec_a, false); }));
  posters.push_back(poster([&](service_client& c) { return c.edit_connection(1, *rec_b, false); }));
  for (auto& t : posters) t.join();

  // Slot 4 removed twice: E and then F (which had moved down) are gone; the
  // other slots are edited or untouched.
  for (int d = 0; d < 4; ++d) EXPECT_TRUE(common_setup.dev_conn[d].active.load()) << d;
  for (int d = 4; d < MAX_DEVICES; ++d) EXPECT_FALSE(common_setup.dev_conn[d].active.load()) << d;
  EXPECT_EQ(common_setup.dev_conn[0].tag.get(), "A2");
  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "B2");
  EXPECT_EQ(common_setup.dev_conn[2].tag.get(), "C");
  EXPECT_EQ(common_setup.dev_conn[3].tag.get(), "D");
  EXPECT_EQ(m_stat.remove_req.load(), -1);
  EXPECT_EQ(m_stat.conn_edit_req.load(), -1);

  rig.svc->terminate();
  while (!rig.terminated.load()) sleep_ms(1);
  rig.svc->wait_for();
}

TEST(ServiceClient, WithoutAServiceNothingWaitsForever) {
  service_rig rig;
  rig.add_device(0, "A");
  rig.add_device(1, "B");
  service_client c;
  c.set_service_running([] { return false; });
  c.set_pump([] { ADD_FAILURE() << "nothing waits"; });
  const uint32_t word = m_stat.data_req.word();
  EXPECT_EQ(c.request(REQR_PARAM_RD, 0), REQS_ERROR);
  EXPECT_FALSE(c.post_gain(0, 0x8001).has_value());
  EXPECT_EQ(c.wait(request_slot::serial_of(word) + 1), REQS_ERROR);
  EXPECT_EQ(m_stat.data_req.word(), word);  // nothing posted
  EXPECT_FALSE(c.wait_for_status(0, 1000));
  // Removals and edits are carried out at once.
  t_dev_conn rec;
  copy_dev_conn(rec, common_setup.dev_conn[1]);
  rec.tag.set("B2");
  EXPECT_TRUE(c.edit_connection(1, rec, false));
  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "B2");
  EXPECT_TRUE(c.remove_device(0));
  EXPECT_EQ(common_setup.dev_conn[0].tag.get(), "B2");
  EXPECT_FALSE(common_setup.dev_conn[1].active.load());
}

TEST(ServiceClient, AReleaseRefusedWhileAnotherCallWaitsGoesOutLater) {
  service_rig rig;
  rig.add_device(0);
  stepping_client sc(rig);
  service_client& c = sc.client;
  ASSERT_TRUE(c.post_gain(0, 0x8041));
  EXPECT_TRUE(c.gain_forced(0));
  sc.during = [&] { EXPECT_FALSE(c.post_gain(0, 0).has_value()); };  // a dialog closing meanwhile
  EXPECT_EQ(c.request(REQR_STAT, 0), REQS_READY);
  EXPECT_EQ(rig.peer.get_register(10004), 0x8041);
  EXPECT_TRUE(c.gain_forced(0));  // the release is still due
  c.keep_releasing();             // posts it
  for (int k = 0; k < 50 && rig.peer.get_register(10004) != 0; ++k) rig.step();
  EXPECT_EQ(rig.peer.get_register(10004), 0);
  EXPECT_TRUE(c.gain_forced(0));
  c.keep_releasing();  // confirms it
  EXPECT_FALSE(c.gain_forced(0));
  const auto writes = rig.peer.writes().size();
  c.keep_releasing();
  for (int k = 0; k < 5; ++k) rig.step();
  EXPECT_EQ(rig.peer.writes().size(), writes);  // nothing more
}

TEST(ServiceClient, AReleaseThatFailsOnTheLineIsPostedAgainUntilCarriedOut) {
  service_rig rig;
  rig.add_device(0);
  stepping_client sc(rig);
  service_client& c = sc.client;
  const auto force = c.post_output(0, 6400, 0x8000);
  ASSERT_TRUE(force);
  EXPECT_EQ(c.wait(*force), REQS_READY);
  EXPECT_TRUE(c.output_forced(0));
  rig.peer.drop_next(1000);  // the transmitter does not answer for a while
  const auto release = c.post_output_release(0);
  ASSERT_TRUE(release);
  EXPECT_EQ(c.wait(*release), REQS_ERROR);
  EXPECT_NE(rig.peer.get_register(10007), 0);
  for (int round = 0; round < 3; ++round) {
    c.keep_releasing();
    EXPECT_TRUE(c.output_forced(0));
    for (int k = 0; k < 20; ++k) rig.step();
  }
  rig.peer.drop_next(0);  // it answers again
  ASSERT_TRUE(wait_until(
      [&] {
        c.keep_releasing();
        rig.step();
        return !c.output_forced(0);
      },
      60000));
  EXPECT_EQ(rig.peer.get_register(10007), 0);
}

TEST(ServiceClient, RemovalEditAndShutdownReleaseWhatIsForcedFirst) {
  service_rig rig;
  rig.add_device(0, "A");
  rig.add_device(1, "B");
  rig.add_device(2, "C");
  stepping_client sc(rig);
  service_client& c = sc.client;
  for (int d : {0, 2}) EXPECT_EQ(c.wait(*c.post_gain(d, static_cast<uint16_t>(0x8040 + d))), REQS_READY);
  const uint32_t gen1 = c.generation(1), gen0 = c.generation(0);

  // Slot 0 removed: its gain released before it goes; C moves to slot 1 with its override.
  rig.peer.clear_writes();
  ASSERT_TRUE(c.remove_device(0));
  ASSERT_FALSE(rig.peer.writes().empty());
  EXPECT_EQ(rig.peer.writes().front(), (std::pair<int, int>{10004, 1}));
  EXPECT_EQ(rig.peer.get_register(10004), 0);
  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "C");
  EXPECT_FALSE(c.gain_forced(0));
  EXPECT_TRUE(c.gain_forced(1));
  EXPECT_FALSE(c.gain_forced(2));
  EXPECT_NE(c.generation(0), gen0);
  EXPECT_NE(c.generation(1), gen1);

  // Its connection edited: released over the old connection first.
  EXPECT_EQ(c.wait(*c.post_gain(1, 0x8042)), REQS_READY);
  t_dev_conn rec;
  copy_dev_conn(rec, common_setup.dev_conn[1]);
  rec.tag.set("C2");
  const uint32_t gen = c.generation(1);
  ASSERT_TRUE(c.edit_connection(1, rec, false));
  EXPECT_EQ(rig.peer.get_register(10004), 0);
  EXPECT_FALSE(c.gain_forced(1));
  EXPECT_NE(c.generation(1), gen);

  // Before the service ends: everything released, waited for.
  EXPECT_EQ(c.wait(*c.post_gain(0, 0x8043)), REQS_READY);
  EXPECT_EQ(c.wait(*c.post_output(1, 100, 0x8000)), REQS_READY);
  c.release_all_and_wait();
  EXPECT_EQ(rig.peer.get_register(10004), 0);
  EXPECT_EQ(rig.peer.get_register(10007), 0);
  EXPECT_FALSE(c.gain_forced(0));
  EXPECT_FALSE(c.output_forced(1));
}

TEST(ServiceClient, TheStatusWaitedForIsTheOneReadSinceTheLastClear) {
  service_rig rig;
  rig.add_device(0);
  rig.peer.set_register(35, 4321);  // the output feedback
  stepping_client sc(rig);
  service_client& c = sc.client;
  EXPECT_EQ(c.wait(*c.post_output(0, 6400, 0x8000)), REQS_READY);
  // The release reads the status block.
  service_client::post_dev_ctl(0, CTL_CLEAR_STATUS);
  ASSERT_TRUE(c.post_output_release(0));
  EXPECT_TRUE(c.wait_for_status(0, 1000));
  EXPECT_EQ(m_stat.dev_stat[0].read_stat.get(35), 4321);
  EXPECT_FALSE(c.busy());

  // Released again while the transmitter keeps silent: the block read
  // before is stale from the clear on, even though the service takes the
  // release before the device's next turn; the wait ends on the line clock.
  rig.peer.drop_next(1000);
  service_client::post_dev_ctl(0, CTL_CLEAR_STATUS);
  ASSERT_TRUE(c.post_output_release(0));
  const int64_t t0 = line_clock().now_ms();
  EXPECT_FALSE(c.wait_for_status(0, 1000));
  EXPECT_GE(line_clock().now_ms() - t0, 1000);
  EXPECT_GE(sc.pumps, 1);
}
