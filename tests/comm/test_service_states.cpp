// Device states, panel states and the calibration capture.
#include "comm/service_requests.h"
#include "service_rig.h"

#include <gtest/gtest.h>

namespace {

int panel(int d) { return srvc_diag.diag[d].panel_state.load(); }
int detail(int d) { return srvc_diag.diag[d].panel_detail.load(); }

}  // namespace

TEST(ServiceStates, NotInUseAndAcquisitionOff) {
  service_rig rig;
  srvc_diag.diag[0].panel_state = 4;  // left from a device that was there
  srvc_diag.diag[0].panel_detail = 2;
  rig.poll(0);  // slot not in use
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_IDLE);
  EXPECT_EQ(panel(0), 0);
  EXPECT_EQ(detail(0), 0);
  EXPECT_EQ(rig.peer.requests(), 0);

  rig.add_device(1, "Off", false);
  rig.poll(1);
  EXPECT_EQ(m_stat.dev_stat[1].device_stat.load(), DEVSTAT_IDLE);
  EXPECT_EQ(panel(1), 1);
  EXPECT_EQ(detail(1), 0);
  EXPECT_EQ(rig.peer.requests(), 0);
}

TEST(ServiceStates, MissingPortAndBadConnectionRecordsAreCommunicationErrors) {
  service_rig rig;
  rig.add_device(0);
  common_setup.dev_conn[0].com_num = 49;  // no such entry
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_COMERR);
  EXPECT_EQ(panel(0), 2);
  EXPECT_EQ(detail(0), 1);
  for (auto bad : {std::pair{-1, 4}, std::pair{RIG_COM, 9}, std::pair{77, 0}}) {
    common_setup.dev_conn[0].com_num = bad.first;
    common_setup.dev_conn[0].baud_idx = bad.second;
    rig.poll(0);
    EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_COMERR);
  }
  common_setup.dev_conn[0].com_num = RIG_COM;
  common_setup.dev_conn[0].baud_idx = 4;
  common_setup.dev_conn[0].addr = 300;
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_COMERR);
}

TEST(ServiceStates, SilentDeviceAndWrongDeviceType) {
  service_rig rig;
  rig.add_device(0);
  pty_pair quiet;  // a line nobody answers on
  quiet.link_as_com(5);
  common_setup.dev_conn[0].com_num = 5;
  rig.line_clock.time.run_out(true);
  rig.poll(0);
  rig.line_clock.time.run_out(false);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_TOUT);
  EXPECT_EQ(panel(0), 2);

  common_setup.dev_conn[0].com_num = RIG_COM;
  rig.set_status(100);
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_TOUT);
  EXPECT_EQ(m_stat.dev_stat[0].read_stat.get(0), 100);
  EXPECT_EQ(m_stat.dev_stat[0].last_saved_idx.load(), -1);  // no samples taken

  rig.set_status(212);
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_OK);
  EXPECT_EQ(panel(0), 4);
}

TEST(ServiceStates, OneMissedReadWaitsTwoNeedTheStatusCheckAgain) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  ASSERT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_OK);
  const int before = rig.peer.requests();
  rig.peer.drop_next(1);
  rig.poll(0);
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_WAIT);
  EXPECT_EQ(m_stat.dev_stat[0].err_counter.load(), 1);
  EXPECT_EQ(panel(0), 4);                      // a single miss does not change the panel
  EXPECT_EQ(rig.peer.requests(), before + 1);  // only the sample block was asked for

  rig.peer.drop_next(1);
  rig.poll(0);  // the retry of the sample block fails too
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_TOUT);
  EXPECT_EQ(panel(0), 2);
  EXPECT_EQ(rig.peer.requests(), before + 2);

  rig.poll(0);  // status check, then samples
  EXPECT_EQ(m_stat.dev_stat[0].device_stat.load(), DEVSTAT_OK);
  EXPECT_EQ(m_stat.dev_stat[0].err_counter.load(), 0);
  EXPECT_EQ(rig.peer.requests(), before + 4);
}

TEST(ServiceStates, ErrorBitsAndTheTemperatureFlagShowOnThePanel) {
  service_rig rig;
  rig.add_device(0);
  struct {
    uint32_t raw;
    uint16_t status;
    int detail;
  } cases[] = {{1u << 21, 0, 3}, {1u << 20, 0, 4}, {(1u << 20) | (1u << 21), 0, 3}, {0, 1u << 12, 5}};
  for (const auto& c : cases) {
    rig.raw_flags = c.raw;
    rig.status = static_cast<uint16_t>((2 << 6) | c.status);
    rig.set_samples();
    rig.poll(0);
    EXPECT_EQ(panel(0), 3);
    EXPECT_EQ(detail(0), c.detail);
  }
}

TEST(ServiceStates, CaptureGrowsWithAcquisitionOff) {
  service_rig rig;
  rig.add_device(0, "Cal", false);
  auto& s = m_stat.dev_stat[0];
  s.calib_req = true;
  rig.poll(0);
  EXPECT_EQ(s.device_stat.load(), DEVSTAT_OK);
  EXPECT_EQ(panel(0), 1);  // acquisition off
  EXPECT_EQ(s.cal_smp_cnt.load(), 1);
  EXPECT_EQ(s.cal_raw_smp[0].load(), 1000u & 0x3FF);
  EXPECT_EQ(s.last_saved_idx.load(), -1);  // nothing stored in the rings
  rig.produce(4);
  rig.poll(0);
  EXPECT_EQ(s.cal_smp_cnt.load(), 5);
  uint32_t sum = 0;
  for (int c = 1000; c <= 1004; ++c) sum += c & 0x3FF;
  EXPECT_EQ(s.cal_smp_sum.load(), sum);
  EXPECT_EQ(s.cal_smp_min.load(), 1000u & 0x3FF);
  EXPECT_EQ(s.cal_smp_max.load(), 1004u & 0x3FF);
  EXPECT_EQ(s.cal_smp_avg.load(), sum / 5);
  s.calib_req = false;
  rig.poll(0);
  EXPECT_EQ(s.device_stat.load(), DEVSTAT_IDLE);
  s.calib_req = true;
  post_dev_ctl(0, CTL_RESET_CAPTURE);
  rig.poll(0);
  EXPECT_EQ(s.cal_smp_cnt.load(), 1);
}

TEST(ServiceStates, ResetRequestIsAppliedAtTheDevicesTurnAfterFlushingItsLog) {
  service_rig rig;
  rig.add_device(0);
  rig.poll(0);
  auto& s = m_stat.dev_stat[0];
  post_dev_ctl(0, CTL_RESET_ACQ);
  EXPECT_EQ(s.last_saved_idx.load(), 10 * 3600 * 5);  // not touched by the poster
  rig.clock.set_slot(10 * 3600 * 5 + 1);
  rig.produce(1);
  rig.poll(0);  // flush, reset, then a fresh day start
  EXPECT_EQ(rig.log_bytes("Dryer_20240307.orvlog").size(), 30 * 27);
  EXPECT_EQ(s.last_written_idx.load(), 10 * 3600 * 5 + 1 - 30);
  EXPECT_EQ(s.ctl_req.load(), 0u);
}

TEST(ServiceStates, RemovingADeviceMovesTheTransmittersBehindItWithTheirRecords) {
  service_rig rig;
  for (int d = 0; d < 4; ++d) rig.add_device(d, QString("Dev%1").arg(d));
  rig.poll(1);  // device 1 starts its day: 30 pending slots
  m_stat.dev_stat[2].smp_raw[5].store(0x1234);
  m_stat.dev_stat[2].last_saved_idx = 77;
  m_stat.dev_stat[2].last_written_idx = 77;
  m_stat.dev_stat[3].read_stat.set(66, 'Z');
  srvc_diag.diag[3].panel_state = 3;
  m_stat.remove_req = 1;
  rig.step();  // between two polls
  EXPECT_EQ(m_stat.remove_req.load(), -1);
  // The removed device's pending samples went to its own file first.
  EXPECT_EQ(rig.log_bytes("Dev1_20240307.orvlog").size(), 30 * 27);
  EXPECT_EQ(common_setup.dev_conn[1].tag.get(), "Dev2");
  EXPECT_EQ(m_stat.dev_stat[1].smp_raw[5].load(), 0x1234u);
  EXPECT_EQ(m_stat.dev_stat[1].last_saved_idx.load(), 77);
  EXPECT_EQ(common_setup.dev_conn[2].tag.get(), "Dev3");
  EXPECT_EQ(m_stat.dev_stat[2].read_stat.get(66), 'Z');
  EXPECT_EQ(srvc_diag.diag[2].panel_state.load(), 3);
  EXPECT_FALSE(common_setup.dev_conn[3].active.load());  // took the empty record of slot 4
  EXPECT_FALSE(common_setup.dev_conn[7].active.load());
  EXPECT_TRUE(common_setup.dev_conn[7].tag.get().isEmpty());
  EXPECT_EQ(m_stat.dev_stat[7].last_saved_idx.load(), -1);
  EXPECT_EQ(m_stat.dev_stat[7].smp_raw[5].load(), 0x000FFFFFu);
  EXPECT_EQ(srvc_diag.diag[7].panel_state.load(), 0);
}

TEST(ServiceStates, AnEditedConnectionFlushesUnderTheOldNameThenStartsAfresh) {
  service_rig rig;
  rig.add_device(0, "Old name");
  rig.poll(0);  // 30 slots pending
  t_dev_conn rec;
  copy_dev_conn(rec, common_setup.dev_conn[0]);
  rec.tag.set("New name");
  copy_dev_conn(m_stat.conn_edit, rec);
  m_stat.conn_edit_reset = true;
  m_stat.conn_edit_req = 0;
  rig.step();  // between two polls
  EXPECT_EQ(m_stat.conn_edit_req.load(), -1);
  EXPECT_EQ(common_setup.dev_conn[0].tag.get(), "New name");
  EXPECT_EQ(rig.log_bytes("Old name_20240307.orvlog").size(), 30 * 27);
  EXPECT_EQ(m_stat.dev_stat[0].last_saved_idx.load(), -1);
  rig.clock.set_slot(10 * 3600 * 5 + 1);
  rig.produce(1);
  rig.poll(0);
  rig.svc->shutdown_step();
  EXPECT_EQ(rig.log_bytes("New name_20240307.orvlog").size(), 30 * 27);
}
