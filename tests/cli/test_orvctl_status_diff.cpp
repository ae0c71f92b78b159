// orvctl status and diff: the status of a simulated transmitter as text and
// as JSON, and the differences between parameter set files by meaning.
#include "orvctl_rig.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

TEST(OrvctlStatus, ShowsTheStatusBlockAndTheNewestSample) {
  ctl_rig rig(21);
  rig.line->steer(1, [](orvsim::transmitter& t) {
    t.settings().alarms = 2;  // relay 2 on
    t.settings().temp = 31.5;
    t.settings().temp_drift = false;
  });
  // A few samples with these settings.
  uint64_t first = 0;
  rig.line->steer(1, [&](orvsim::transmitter& t) { first = t.produced(); });
  ASSERT_TRUE(wait_until(
      [&] {
        uint64_t n = 0;
        rig.line->steer(1, [&](orvsim::transmitter& t) { n = t.produced(); });
        return n >= first + 2;
      },
      10000));

  const ctl_result text = run_ctl(rig.target() + QStringList{"status"});
  ASSERT_EQ(text.rc, CTL_OK) << qPrintable(text.err);
  EXPECT_TRUE(text.out.startsWith("Transmitter at COM21, address 1, 115200 baud, no parity\n")) << qPrintable(text.out);
  EXPECT_TRUE(text.out.contains("Serial number:")) << qPrintable(text.out);
  EXPECT_TRUE(text.out.contains("ORV-SIM-0001"));
  EXPECT_TRUE(text.out.contains("Firmware version:"));
  EXPECT_TRUE(text.out.contains("1.05"));
  EXPECT_TRUE(text.out.contains(QString::fromUtf8("31.5 °C"))) << qPrintable(text.out);
  EXPECT_TRUE(text.out.contains("Connected"));
  // This exchange's link: the status check and the sample block, both answered.
  EXPECT_TRUE(text.out.contains(QString::fromUtf8("Link:"))) << qPrintable(text.out);
  EXPECT_TRUE(text.out.contains(QString::fromUtf8("100 % \u00B7 "))) << qPrintable(text.out);
  EXPECT_TRUE(text.out.contains("(2 requests, worst ")) << qPrintable(text.out);

  const ctl_result json = run_ctl(rig.target() + QStringList{"status", "--json"});
  ASSERT_EQ(json.rc, CTL_OK) << qPrintable(json.err);
  QJsonParseError pe{};
  const QJsonObject j = QJsonDocument::fromJson(json.out.toUtf8(), &pe).object();
  ASSERT_EQ(pe.error, QJsonParseError::NoError) << qPrintable(json.out);
  EXPECT_EQ(json.out.count(u'\n'), 1);  // one line
  EXPECT_EQ(j["port"].toString(), "COM21");
  EXPECT_EQ(j["address"].toInt(), 1);
  EXPECT_EQ(j["baud"].toInt(), 115200);
  EXPECT_EQ(j["serial"].toString(), "ORV-SIM-0001");
  EXPECT_EQ(j["firmware"].toString(), "1.05");
  EXPECT_EQ(j["sensor_mode"].toInt(), 0);
  EXPECT_DOUBLE_EQ(j["temperature_c"].toDouble(), 31.5);
  EXPECT_FALSE(j["alarm1"].toBool());
  EXPECT_TRUE(j["alarm2"].toBool());
  EXPECT_FALSE(j["sensor_error"].toBool());
  EXPECT_TRUE(j["value"].isDouble());
  EXPECT_TRUE(j["raw"].isDouble());
  EXPECT_TRUE(j["value_text"].toString().endsWith(" " + j["unit"].toString())) << qPrintable(json.out);
  EXPECT_EQ(j["status_text"].toString(), "Connected");
  const QJsonObject link = j["link"].toObject();
  EXPECT_EQ(link["requests"].toInt(), 2);
  EXPECT_EQ(link["good"].toInt(), 2);
  EXPECT_EQ(link["timeouts"].toInt(), 0);
  EXPECT_EQ(link["crc_errors"].toInt(), 0);
  EXPECT_GT(link["mean_ms"].toDouble(), 0.0);
  EXPECT_GE(link["worst_ms"].toDouble(), link["mean_ms"].toDouble());
  EXPECT_TRUE(link["text"].toString().startsWith("100 %"));
}

TEST(OrvctlStatus, ASilentTransmitterGivesExit3) {
  ctl_rig rig(22);
  orvsim::fault_settings f;
  f.drop = 1.0;
  rig.line->set_faults(f);
  const ctl_result r = run_ctl(rig.target() + QStringList{"status", "--json"});
  EXPECT_EQ(r.rc, CTL_COMM);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_TRUE(r.err.contains("no valid answer")) << qPrintable(r.err);
}

TEST(OrvctlDiff, NamesTheSettingsThatDifferWithTheirShownValues) {
  ctl_rig rig(23);
  ASSERT_EQ(run_ctl(rig.target() + QStringList{"read", "--out", rig.file("a.orvcfg")}).rc, CTL_OK);
  const t_param_set a = load_set(rig.file("a.orvcfg"));

  // The same file: nothing, exit 0.
  const ctl_result same = run_ctl({"diff", rig.file("a.orvcfg"), rig.file("a.orvcfg")});
  EXPECT_EQ(same.rc, CTL_OK) << qPrintable(same.err);
  EXPECT_TRUE(same.out.contains("same configuration"));

  ASSERT_EQ(a.param[11], 4);  // 115200 baud
  t_param_set b = a;
  b.param[60] = 123;                                             // alarm 1 delay: 12.3 s
  b.param[11] = 0;                                               // baud rate 9600
  orvsim::put_text(&b.prod[2 * PROD_STRIDE + 24], 12, "FLOUR");  // product 3's name
  b.prod[5 * PROD_STRIDE + 70] = 0x1234;                         // a register no control shows
  b.param[84] = 9;                                               // kept in files only
  ASSERT_TRUE(save_set(rig.file("b.orvcfg"), b));
  const ctl_result d = run_ctl({"diff", rig.file("a.orvcfg"), rig.file("b.orvcfg")});
  EXPECT_EQ(d.rc, CTL_DIFFER) << qPrintable(d.err);
  const QStringList lines = d.out.split(u'\n', Qt::SkipEmptyParts);
  auto line_with = [&](const QString& what) {
    for (const QString& l : lines)
      if (l.startsWith(what)) return l;
    return QString();
  };
  EXPECT_TRUE(line_with("Relay 1: Delay: ").endsWith(QString("\"%1\" -> \"12.3\"").arg(a.param[60] / 10.0, 0, 'f', 1)))
      << qPrintable(d.out);
  EXPECT_TRUE(line_with("Baud rate: ").endsWith("\"115200\" -> \"9600\"")) << qPrintable(d.out);
  EXPECT_TRUE(line_with("Product 3: Product name: ").contains("-> \"FLOUR\"")) << qPrintable(d.out);
  EXPECT_TRUE(line_with("Register 4430 (product 6, register 70)").endsWith("-> \"4660\"")) << qPrintable(d.out);
  EXPECT_FALSE(line_with("Register 3084").isEmpty()) << qPrintable(d.out);
  EXPECT_TRUE(lines.last().startsWith("5 differences")) << qPrintable(d.out);

  // Files that cannot be compared: exit 4.
  EXPECT_EQ(run_ctl({"diff", rig.file("a.orvcfg"), rig.file("missing.orvcfg")}).rc, CTL_FILE);
  EXPECT_EQ(run_ctl({"diff", rig.file("a.orvcfg")}).rc, CTL_USAGE);
}
