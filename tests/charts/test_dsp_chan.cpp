// Display channels: removing a channel moves the later ones up together
// with their filtered series and archive tables; removing a device removes
// its live channels.
#include "chart_fixture.h"

TEST_F(ChartTest, RemovingSlotTwoOfFiveMovesTracesRowsAndTables) {
  for (int k = 0; k < 5; ++k) {
    live_chan(k, k, MEAS_RAW).color = 100 + k;
    filt_row(k).filt[7] = 1000 + k;
    filt_row(k).last = 7;
    arch_chan(k, MEAS_SCALED).sample_file = QString("f%1").arg(k);
    m_stat.arch_stat[k].smp_tab[7] = static_cast<float>(k);
    m_stat.arch_stat[k].load_file = QString("f%1").arg(k);
  }
  remove_chan_slot(CHART_LIVE, 2);
  remove_chan_slot(CHART_ARCH, 2);
  EXPECT_EQ(active_chan_cnt(CHART_LIVE), 4);
  EXPECT_EQ(active_chan_cnt(CHART_ARCH), 4);
  const int expect[4] = {0, 1, 3, 4};
  for (int k = 0; k < 4; ++k) {
    const int was = expect[k];
    EXPECT_EQ(common_setup.dsp_chan_live[k].color, 100 + was);
    EXPECT_EQ(filt_row(k).filt[7], 1000u + was);
    EXPECT_EQ(filt_row(k).last, 7);
    EXPECT_EQ(common_setup.dsp_chan_arch[k].sample_file, QString("f%1").arg(was));
    EXPECT_EQ(m_stat.arch_stat[k].smp_tab[7], static_cast<float>(was));
    EXPECT_EQ(m_stat.arch_stat[k].load_file, QString("f%1").arg(was));
  }
  const t_dsp_chan& last = common_setup.dsp_chan_live[7];
  EXPECT_FALSE(last.active);
  EXPECT_EQ(last.dev_idx, -1);
  EXPECT_EQ(last.meas_mode, -1);
  EXPECT_FALSE(common_setup.dsp_chan_live[4].active);
  EXPECT_EQ(first_free_slot(CHART_LIVE), 4);
}

TEST_F(ChartTest, RemovingADeviceRemovesItsLiveChannels) {
  live_chan(0, 0, MEAS_SCALED);
  live_chan(1, 1, MEAS_SCALED);
  live_chan(2, 2, MEAS_TEMP);
  live_chan(3, 1, MEAS_RAW);
  live_chan(4, 3, MEAS_DIN1);
  EXPECT_TRUE(remove_device_chans(1));
  ASSERT_EQ(active_chan_cnt(CHART_LIVE), 3);
  // The channels of the devices behind it follow the devices down.
  EXPECT_EQ(common_setup.dsp_chan_live[0].dev_idx, 0);
  EXPECT_EQ(common_setup.dsp_chan_live[1].dev_idx, 1);
  EXPECT_EQ(common_setup.dsp_chan_live[1].meas_mode, MEAS_TEMP);
  EXPECT_EQ(common_setup.dsp_chan_live[2].dev_idx, 2);
  EXPECT_EQ(common_setup.dsp_chan_live[2].meas_mode, MEAS_DIN1);
  EXPECT_FALSE(remove_device_chans(6));
}

TEST_F(ChartTest, ArchiveReloadOnlyForChangesThatMatter) {
  t_dsp_chan a;
  a.active = true;
  a.meas_mode = MEAS_SCALED;
  a.sample_file = "x";
  t_dsp_chan b = a;
  b.color = 5;
  b.tag = "other";
  b.filt_med = 3;  // filters do not matter for scaled channels
  EXPECT_FALSE(chan_changed(b, a));
  b.sample_file = "y";
  EXPECT_TRUE(chan_changed(b, a));
  a.meas_mode = b.meas_mode = MEAS_RAW;
  b.sample_file = a.sample_file;
  EXPECT_TRUE(chan_changed(b, a));
  b.filt_med = a.filt_med;
  EXPECT_FALSE(chan_changed(b, a));
  b.filt_screw = 2;
  EXPECT_TRUE(chan_changed(b, a));
}
