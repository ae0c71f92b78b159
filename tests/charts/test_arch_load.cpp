// Loading log files into archive channels: the load codes, the values of
// each measurement, repeated slots, filter restarts at gaps, and the
// start-up load that drops channels whose file cannot be read.
#include "archive/live_reload.h"
#include "charts/arch_load.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/raw_value.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ArchLoad : public ::testing::Test {
 protected:
  void SetUp() override { reset_all_records(); }
  void TearDown() override { reset_all_records(); }
  QString write(const QByteArray& bytes, const QString& name = "day.orvlog") {
    const QString p = home.path() + "/" + name;
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return p;
  }
  static t_dsp_chan& chan(int k, int32_t mode, const QString& file = {}) {
    t_dsp_chan& ch = common_setup.dsp_chan_arch[k];
    ch.active = true;
    ch.displayed = true;
    ch.meas_mode = mode;
    ch.tag = QString("c%1").arg(k);
    ch.sample_file = file;
    return ch;
  }
  static QByteArray line(int slot, const char* temp = "0FA", const char* raw = "000A82A7", const char* val = "41C80000",
                         const char* unit = "2") {
    return QByteArray::number(slot, 16).toUpper().rightJustified(5, '0') + temp + raw + val + unit + "\r\n";
  }
  static float at(int k, int slot) { return m_stat.arch_stat[k].smp_tab[slot]; }
  temp_config_home home;
};

}  // namespace

TEST_F(ArchLoad, TheEightLoadCodes) {
  chan(0, MEAS_SCALED);
  EXPECT_EQ(load_arch_file(write(line(1) + line(2)), 0), LOAD_OK);
  EXPECT_EQ(m_stat.arch_stat[0].load_file, home.path() + "/day.orvlog");
  struct {
    QByteArray bad;
    int32_t mode;
    int code;
  } cases[] = {
      {line(3).left(25) + "0\r\n", MEAS_SCALED, LOAD_BAD_LENGTH},  // 26 characters
      {"0000G0FA000A82A741C800002\r\n", MEAS_SCALED, LOAD_BAD_SLOT},
      {"000030FA000A82A741C8Z0002\r\n", MEAS_SCALED, LOAD_BAD_VALUE},  // the scaled value field
      {"000030ZA000A82A741C800002\r\n", MEAS_TEMP, LOAD_BAD_VALUE},    // the temperature field
      {"000030FA000A8ZA741C800002\r\n", MEAS_DIN1, LOAD_BAD_VALUE},    // the raw word
      {"000030ZA000A82A741C800002\r\n", MEAS_SCALED, LOAD_OK},         // a field it does not need
      {"697810FA000A82A741C800002\r\n", MEAS_SCALED, LOAD_BAD_INDEX},
  };
  for (const auto& c : cases) {
    chan(0, c.mode);
    const int code = load_arch_file(write(line(1) + c.bad + line(4)), 0);
    EXPECT_EQ(code, c.code) << c.bad.constData();
    EXPECT_EQ(std::isnan(at(0, 4)), c.code != LOAD_OK) << "stopped after the bad line";
    EXPECT_EQ(m_stat.arch_stat[0].load_file.isEmpty(), c.code != LOAD_OK);
  }
  // A wrong-length line is still stored before loading stops.
  chan(0, MEAS_SCALED);
  EXPECT_EQ(load_arch_file(write(line(1) + line(3).left(25) + "0\r\n"), 0), LOAD_BAD_LENGTH);
  EXPECT_FLOAT_EQ(at(0, 3), 25.0f);
  // The last slot a file may name.
  EXPECT_EQ(load_arch_file(write(line(0x6977F) + line(432000)), 0), LOAD_OK);
  EXPECT_FLOAT_EQ(at(0, 432000), 25.0f);
  // Missing, or a folder.
  QString error;
  EXPECT_EQ(load_arch_file(home.path() + "/missing.orvlog", 0, &error), LOAD_READ_FAILED);
  EXPECT_FALSE(error.isEmpty());
  QDir().mkpath(home.path() + "/dir.orvlog");
  EXPECT_EQ(load_arch_file(home.path() + "/dir.orvlog", 0), LOAD_READ_FAILED);
}

TEST_F(ArchLoad, FilesPickedWithAllFilesAreReadInBoundedLines) {
  chan(0, MEAS_SCALED);
  // Binary without line breaks: refused after one bounded read.
  EXPECT_EQ(load_arch_file(write(line(1) + QByteArray(20'000'000, '\x07'), "x.bin"), 0), LOAD_BAD_LENGTH);
  EXPECT_FLOAT_EQ(at(0, 1), 25.0f);
  // Millions of empty lines are no log file either.
  EXPECT_EQ(load_arch_file(write(QByteArray(3'000'000, '\n'), "empty.txt"), 0), LOAD_BAD_LENGTH);
  // An empty file is a valid day without samples.
  EXPECT_EQ(load_arch_file(write("", "none.orvlog"), 0), LOAD_OK);
  EXPECT_TRUE(std::isnan(at(0, 1)));
}

TEST_F(ArchLoad, ValuesOfTheMeasurements) {
  const QByteArray l = line(10, "F83", "40000000") + line(11, "7FF", "3FFFFFFF") + line(12, "0FA", "000A82A7");
  chan(0, MEAS_TEMP);
  ASSERT_EQ(load_arch_file(write(l), 0), LOAD_OK);
  EXPECT_FLOAT_EQ(at(0, 10), -12.5f);
  EXPECT_FLOAT_EQ(at(0, 11), 204.7f);
  chan(0, MEAS_DIN3);
  ASSERT_EQ(load_arch_file(write(l), 0), LOAD_OK);
  EXPECT_EQ(at(0, 10), 1.0f);
  EXPECT_EQ(at(0, 11), 0.0f);
  EXPECT_TRUE(std::isnan(at(0, 9)));
  chan(0, MEAS_RAW);
  ASSERT_EQ(load_arch_file(write(l), 0), LOAD_OK);
  EXPECT_EQ(at(0, 12), static_cast<float>(raw_to_value(0x000A82A7)));
  chan(0, MEAS_SAT);
  ASSERT_EQ(load_arch_file(write(l), 0), LOAD_OK);
  EXPECT_EQ(at(0, 12), static_cast<float>(raw_to_value(0x000A83FF)));
  // An empty raw word passes the filter as the missing value and is drawn.
  chan(0, MEAS_RAW);
  ASSERT_EQ(load_arch_file(write(line(5, "0FA", "000FFFFF")), 0), LOAD_OK);
  EXPECT_EQ(at(0, 5), 1048575.0f);
  // The scaled value keeps the unit digit common to all lines.
  chan(0, MEAS_SCALED);
  ASSERT_EQ(load_arch_file(write(line(1) + line(2)), 0), LOAD_OK);
  EXPECT_EQ(m_stat.arch_stat[0].unit_idx, 2);
  ASSERT_EQ(load_arch_file(write(line(1) + line(2, "0FA", "000A82A7", "41C80000", "3")), 0), LOAD_OK);
  EXPECT_EQ(m_stat.arch_stat[0].unit_idx, -1);
}

TEST_F(ArchLoad, ARepeatedSlotKeepsTheLaterLine) {
  chan(0, MEAS_SCALED);
  ASSERT_EQ(load_arch_file(write(line(7) + line(8) + line(7, "0FA", "000A82A7", "3F800000")), 0), LOAD_OK);
  EXPECT_FLOAT_EQ(at(0, 7), 1.0f);
}

TEST_F(ArchLoad, TheFilterRestartsAtGapsOfMoreThanTwoSlots) {
  // Pt1 of 1 s: a restart shows as the output jumping to the input.
  chan(0, MEAS_RAW).filt_pt = 10;
  const char* lo = "00000064";  // mantissa 100
  const char* hi = "000000C8";  // mantissa 200
  const float vlo = static_cast<float>(raw_to_value(0x64));
  const float vhi = static_cast<float>(raw_to_value(0xC8));
  ASSERT_EQ(load_arch_file(write(line(10, "0FA", lo) + line(11, "0FA", hi) + line(12, "0FA", hi) + line(20, "0FA", hi) +
                                 line(21, "0FA", lo)),
                           0),
            LOAD_OK);
  EXPECT_EQ(at(0, 10), vlo);  // restart on the first line
  EXPECT_GT(at(0, 11), vlo);  // 11 and 12 follow on: filtered
  EXPECT_LT(at(0, 11), vhi);
  EXPECT_LT(at(0, 12), vhi);
  EXPECT_EQ(at(0, 20), vhi);  // 20 > 12 + 2: restart
  EXPECT_LT(at(0, 21), vhi);
  EXPECT_GT(at(0, 21), vlo);
}

TEST_F(ArchLoad, StartUpDropsAChannelWhoseFileIsMissing) {
  chan(0, MEAS_SCALED, write(line(1), "a.orvlog"));
  chan(1, MEAS_SCALED, home.path() + "/missing.orvlog");
  chan(2, MEAS_TEMP, write(line(3), "c.orvlog"));
  QStringList reports;
  load_arch_channels([&](int k, int code, const QString& error) {
    reports << QString("%1:%2:%3").arg(k).arg(code).arg(error.isEmpty() ? "no message" : "message");
  });
  EXPECT_EQ(reports, QStringList{"1:7:message"});
  EXPECT_EQ(active_chan_cnt(CHART_ARCH), 2);
  EXPECT_EQ(common_setup.dsp_chan_arch[1].meas_mode, MEAS_TEMP);
  EXPECT_FLOAT_EQ(at(1, 3), 25.0f);  // the third channel, now second, is loaded
  EXPECT_FLOAT_EQ(at(0, 1), 25.0f);
}
