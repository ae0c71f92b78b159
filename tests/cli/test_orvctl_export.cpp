// orvctl export of a generated full-day log file, read back by Python's csv
// module: every sample comes back at its time with its value, in the
// window's format and in the RFC 4180 dialect; windows, separators and
// wrong command lines.
#include "orvctl_rig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Slot s of the generated day: a flow in t/h, in steps of 1/64.
float flow_of(int s) { return static_cast<float>((s * 7) % 6400) / 64.0f; }

QString write_day(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  QByteArray out;
  out.reserve(432000 * 27);
  char line[40];
  for (int s = 0; s < 432000; ++s) {
    const float v = flow_of(s);
    uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    std::snprintf(line, sizeof line, "%05X%03X%08X%08X3\r\n", s, 250, 0x000A8155u, bits);
    out.append(line, 27);
  }
  f.write(out);
  return path;
}

// The rows of a CSV file as Python's csv module reads them.
QJsonArray python_rows(const QString& path, const QString& encoding, const QString& delimiter) {
  const QString script = QStringLiteral(
      "import csv, json, sys\n"
      "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
      "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[3]))))\n");
  QProcess p;
  p.start("python3", {"-c", script, path, encoding, delimiter});
  if (!p.waitForFinished(180000) || p.exitCode() != 0) {
    ADD_FAILURE() << p.readAllStandardError().constData();
    return {};
  }
  return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

QString hms(int s) {
  const int t = s / 5;
  return QString("%1:%2:%3")
      .arg(t / 3600, 2, 10, QChar('0'))
      .arg(t / 60 % 60, 2, 10, QChar('0'))
      .arg(t % 60, 2, 10, QChar('0'));
}

class OrvctlExport : public ::testing::Test {
 protected:
  void SetUp() override { day = write_day(home.path() + "/Dryer_ORV1_20240307.orvlog"); }
  QString file(const QString& name) const { return home.path() + "/" + name; }
  temp_config_home home;
  QString day;
};

TEST_F(OrvctlExport, AFullDayComesBackSampleBySample) {
  ASSERT_FALSE(day.isEmpty());
  ctl_result r = run_ctl({"export", day, "--out", file("day.csv"), "--decimal", ".", "--sep", ";"});
  ASSERT_EQ(r.rc, 0) << qPrintable(r.err);
  EXPECT_TRUE(r.out.contains("432000 samples")) << qPrintable(r.out);
  const QJsonArray rows = python_rows(file("day.csv"), "utf-16", ";");
  ASSERT_EQ(rows.size(), 1 + 432000);
  EXPECT_EQ(rows[0].toArray(), QJsonArray({"Time", "Dryer_ORV1_20240307 [t/h]", ""}));
  // The values of the whole day at 2 decimals (the decimals of the chart's scale).
  for (int s = 0; s < 432000; ++s) {
    const QJsonArray row = rows[s + 1].toArray();
    ASSERT_EQ(row.size(), 3) << s;
    const QString frac = s % 5 == 0 ? "00" : QString::number(s % 5 * 20);
    ASSERT_EQ(row[0].toString(), hms(s) + "." + frac) << s;
    ASSERT_EQ(row[1].toString(), QString::number(flow_of(s), 'f', 2)) << s;
  }
  EXPECT_EQ(rows[432000].toArray()[0].toString(), "23:59:59.80");
}

TEST_F(OrvctlExport, Rfc4180WindowsAndSeparators) {
  ASSERT_FALSE(day.isEmpty());
  // RFC 4180: UTF-8, quoted header, ISO 8601 times of the file's day, no closing separator.
  ctl_result r =
      run_ctl({"export", day, "--out", file("rfc.csv"), "--rfc4180", "--from", "01:00:00", "--to", "01:00:01"});
  ASSERT_EQ(r.rc, 0) << qPrintable(r.err);
  QFile f(file("rfc.csv"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_TRUE(text.startsWith("\"Time\",\"Dryer_ORV1_20240307 [t/h]\"\r\n")) << text.left(60).constData();
  QJsonArray rows = python_rows(file("rfc.csv"), "utf-8", ",");
  ASSERT_EQ(rows.size(), 1 + 10);  // two whole seconds
  EXPECT_EQ(rows[1].toArray(), QJsonArray({"2024-03-07T01:00:00.000", QString::number(flow_of(18000), 'f', 2)}));
  EXPECT_EQ(rows[10].toArray()[0].toString(), "2024-03-07T01:00:01.800");

  // "|" and the decimal comma.
  r = run_ctl({"export", day, "--out", file("bar.csv"), "--decimal", ",", "--sep", "|", "--from", "12:00:00", "--to",
               "12:00:00"});
  ASSERT_EQ(r.rc, 0) << qPrintable(r.err);
  rows = python_rows(file("bar.csv"), "utf-16", "|");
  ASSERT_EQ(rows.size(), 1 + 5);
  EXPECT_EQ(rows[3].toArray(),
            QJsonArray({"12:00:00,40", QString::number(flow_of(216002), 'f', 2).replace('.', ','), ""}));
  r = run_ctl({"export", day, "--out", file("tab.csv"), "--sep", "TAB", "--from", "12:00:00", "--to", "12:00:00"});
  ASSERT_EQ(r.rc, 0) << qPrintable(r.err);
  EXPECT_EQ(python_rows(file("tab.csv"), "utf-16", "\t").size(), 6);

  // Wrong command lines and files.
  EXPECT_EQ(run_ctl({"export", day, "--out", file("x.csv"), "--rfc4180", "--sep", ";"}).rc, 2);
  EXPECT_EQ(run_ctl({"export", day}).rc, 2);
  EXPECT_EQ(run_ctl({"export", day, "--out", file("x.csv"), "--from", "25:00:00"}).rc, 2);
  EXPECT_EQ(run_ctl({"export", day, "--out", file("x.csv"), "--from", "02:00:00", "--to", "01:00:00"}).rc, 2);
  EXPECT_EQ(run_ctl({"read", "--com", "3", "--out", file("x.orvcfg"), "--sep", ";"}).rc, 2);
  EXPECT_EQ(run_ctl({"export", file("missing.orvlog"), "--out", file("x.csv")}).rc, 4);
  QFile bad(file("photo.jpg"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray(5000, '\xFF'));
  bad.close();
  EXPECT_EQ(run_ctl({"export", bad.fileName(), "--out", file("x.csv")}).rc, 4);
  EXPECT_FALSE(QFile::exists(file("x.csv")));
}

}  // namespace
