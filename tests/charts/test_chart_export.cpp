// The CSV writer on its own: every value text is the one the chart's
// formatter gives (ties, negative zero, digital inputs), the time column,
// the lines left out, and a window without data.
#include "chart_fixture.h"
#include "charts/chart_export.h"
#include "charts/chart_scale.h"
#include "charts/sample_access.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace {

class CsvWriter : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    sys_dec_sep = u',';
    sys_list_sep = u';';
    sys_time_sep = u':';
  }
  void TearDown() override {
    sys_dec_sep = u'.';
    sys_list_sep = u',';
    ChartTest::TearDown();
  }
  QStringList lines_of(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    EXPECT_EQ(b.left(2), QByteArray("\xFF\xFE", 2));
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData() + 2), (b.size() - 2) / 2);
    EXPECT_TRUE(text.endsWith("\r\n"));
    text.chop(2);
    return text.split("\r\n");
  }
  QTemporaryDir dir;
};

TEST_F(CsvWriter, ValuesAreWhatTheChartFormatterWrites) {
  const float scaled[] = {0.125f, 10.125f, -0.001f, -0.0f, 2.5f, 134.875f, 999999.0f, 3.14159f, -2.5f, 0.0f};
  arch_chan(0, MEAS_SCALED);
  arch_chan(1, MEAS_RAW);
  arch_chan(2, MEAS_DIN2);
  arch_chan(3, MEAS_TEMP);
  for (int i = 0; i < 10; ++i) {
    m_stat.arch_stat[0].smp_tab[100 + i] = scaled[i];
    m_stat.arch_stat[1].smp_tab[100 + i] = scaled[i] * 10;
    m_stat.arch_stat[2].smp_tab[100 + i] = i % 2;
    m_stat.arch_stat[3].smp_tab[100 + i] = scaled[i] - 20;
  }
  m_stat.arch_stat[0].unit_idx = 6;
  m_stat.arch_stat[0].smp_tab[105] = std::nanf("");                              // one channel empty in a slot
  for (int r = 0; r < 4; ++r) m_stat.arch_stat[r].smp_tab[107] = std::nanf("");  // all empty: no line
  load_chan_cfg(CHART_ARCH);
  for (int dec : {0, 2, 5}) {
    draw_stat[CHART_ARCH].decimals = dec;
    const QString path = dir.filePath(QString("v%1.csv").arg(dec));
    int64_t n = 0;
    ASSERT_TRUE(write_chart_csv(CHART_ARCH, 90, 120, export_format("(default)", "(default)"), path, nullptr, &n));
    EXPECT_EQ(n, 9);
    const QStringList lines = lines_of(path);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], "Time;arch 0 [%];arch 1;arch 2;arch 3 [°C];");
    int line = 1;
    for (int i = 0; i < 10; ++i) {
      if (i == 7) continue;
      const int s = 100 + i;
      QStringList want{csv_time_text(s, ",")};
      for (int r = 0; r < 4; ++r) {
        float v = 0;
        want << (get_sample(CHART_ARCH, r, 0, v, s, draw_stat[CHART_ARCH].chan_meas[r])
                     ? fmt_sample_text(dec, draw_stat[CHART_ARCH].chan_meas[r], v)
                     : QString());
      }
      want << QString();
      EXPECT_EQ(lines[line++], want.join(";")) << "slot " << s << " decimals " << dec;
    }
  }
  EXPECT_EQ(csv_time_text(0, ","), "00:00:00,00");
  EXPECT_EQ(csv_time_text(431999, "."), "23:59:59.80");
  EXPECT_EQ(csv_time_text(46241, ","), "02:34:08,20");
}

TEST_F(CsvWriter, SeparatorsAndAWindowWithoutData) {
  t_csv_format f = export_format("", "");
  EXPECT_EQ(f.dec, ",");
  EXPECT_EQ(f.field, ";");
  f = export_format(".", "(TAB)");
  EXPECT_EQ(f.dec, ".");
  EXPECT_EQ(f.field, "\t");
  EXPECT_EQ(export_format(",", "(space)").field, " ");
  EXPECT_EQ(export_format(",", "|").field, "|");
  EXPECT_EQ(export_format("dp", "--").field, "--");
  // view_first -1 (no data): the file holds only the header.
  arch_chan(0, MEAS_SCALED);
  load_chan_cfg(CHART_ARCH);
  const QString path = dir.filePath("empty.csv");
  ASSERT_TRUE(write_chart_csv(CHART_ARCH, -1, -1, export_format(".", ","), path, nullptr));
  EXPECT_EQ(lines_of(path), QStringList({"Time,arch 0 [kg/h],"}));
  // An unwritable target is reported and nothing is left behind.
  QString error;
  EXPECT_FALSE(write_chart_csv(CHART_ARCH, 0, 10, f, dir.filePath("no/such/folder/x.csv"), &error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
