// What the configuration transfers do with the register images.
#include "comm/com_service.h"
#include "config/cfg_transfer.h"

#include <gtest/gtest.h>

namespace {

void set_serials(int d, const char* device, const char* edit) {
  auto& s = m_stat.dev_stat[d];
  for (int k = 0; k < DEV_SERIAL_REGS; ++k) {
    s.read_stat.set(STAT_DEV_SERIAL + k, static_cast<uint16_t>(*device ? *device++ : 0));
    s.edit_param.set(PARAM_DEV_SERIAL + k, static_cast<uint16_t>(*edit ? *edit++ : 0));
  }
}

}  // namespace

TEST(CfgChanged, OnlyTheTransferredRangesCount) {
  reset_all_records();
  for (int d : {-1, 0, 7}) {
    auto& read_param = d < 0 ? m_stat.read_param : m_stat.dev_stat[d].read_param;
    auto& edit_param = d < 0 ? m_stat.edit_param : m_stat.dev_stat[d].edit_param;
    auto& edit_prod = d < 0 ? m_stat.edit_prod : m_stat.dev_stat[d].edit_prod;
    EXPECT_FALSE(cfg_changed(d));
    edit_param.set(84, 9);  // never transferred
    edit_prod.set(1728, 9);
    EXPECT_FALSE(cfg_changed(d));
    EXPECT_EQ(first_unequal_register(d), -1);

    edit_param.set(83, 1);
    EXPECT_TRUE(cfg_changed(d));
    EXPECT_EQ(first_unequal_register(d), 3083);
    edit_param.set(83, 0);  // changed back: no change
    EXPECT_FALSE(cfg_changed(d));

    edit_prod.set(1727, 2);
    EXPECT_EQ(first_unequal_register(d), 5727);
    commit_edit_to_read(d);
    EXPECT_FALSE(cfg_changed(d));
    EXPECT_EQ(read_param.get(84), 0);  // the commit leaves the untransferred registers alone

    edit_prod.set(0, 5);
    copy_read_to_edit(d);
    EXPECT_FALSE(cfg_changed(d));
    EXPECT_EQ(edit_param.get(84), 9);
  }
}

TEST(TakeReadConfig, NeedsSuccessAndATransmitter) {
  reset_all_records();
  auto& s = m_stat.dev_stat[1];
  s.read_stat.set(STAT_SENSOR_MODE, 1);
  s.read_param.set(13, 5);
  s.ed_prod_id = 7;
  s.param_read = true;

  s.read_stat.set(STAT_DEVICE_TYPE, 211);
  EXPECT_FALSE(take_read_config(1, REQS_READY));
  EXPECT_FALSE(s.param_read.load());

  s.read_stat.set(STAT_DEVICE_TYPE, DEVICE_TYPE_ORV);
  EXPECT_FALSE(take_read_config(1, REQS_ERROR));
  EXPECT_EQ(s.edit_param.get(13), 0);

  ASSERT_TRUE(take_read_config(1, REQS_READY));
  EXPECT_TRUE(s.param_read.load());
  EXPECT_EQ(s.sensor_mode.load(), 1);
  EXPECT_EQ(s.ed_prod_id.load(), 0);
  EXPECT_EQ(s.edit_param.get(13), 5);
  EXPECT_FALSE(cfg_changed(1));
}

TEST(SerialCheck, ComparesAllTwelveCharactersAndKeepsTheDevicesOwn) {
  reset_all_records();
  set_serials(4, "ORV-0042", "ORV-0042");
  EXPECT_FALSE(serial_differs(4));
  set_serials(4, "ORV-0042", "ORV-0042   X");
  EXPECT_TRUE(serial_differs(4));
  EXPECT_EQ(device_serial_of(4), "ORV-0042    ");
  EXPECT_EQ(edit_serial_of(4), "ORV-0042   X");
  keep_device_serial(4);
  EXPECT_FALSE(serial_differs(4));
  EXPECT_EQ(edit_serial_of(4), "ORV-0042    ");
  EXPECT_EQ(m_stat.dev_stat[4].edit_param.get(PARAM_DEV_SERIAL + 11), 0);  // as the device holds it
}

TEST(RegisterTitle, NamesTheBlockAndTheProduct) {
  EXPECT_EQ(register_title(3013), "3013 (parameter 13)");
  EXPECT_EQ(register_title(4000), "4000 (product 1, register 0)");
  EXPECT_EQ(register_title(4097), "4097 (product 2, register 25)");
  EXPECT_EQ(register_title(5727), "5727 (product 24, register 71)");
  EXPECT_EQ(register_title(10005), "10005");
}
