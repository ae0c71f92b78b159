// orvctl status, diff and history: the status of a simulated transmitter as
// text and as JSON, the differences between parameter set files and against
// the transmitter by meaning, and the history of writes.
#include "config/write_history.h"
#include "orvctl_rig.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
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

TEST(OrvctlDiff, ComparesTheTransmitterWithAFile) {
  ctl_rig rig(24);
  t_param_set b = rig.device_set();
  ASSERT_TRUE(save_set(rig.file("same.orvcfg"), b));
  const uint16_t delay = b.param[60];
  b.param[60] = static_cast<uint16_t>(delay + 7);  // alarm 1 delay
  ASSERT_TRUE(save_set(rig.file("b.orvcfg"), b));

  const ctl_result d = run_ctl(rig.target() + QStringList{"diff", rig.file("b.orvcfg")});
  EXPECT_EQ(d.rc, CTL_DIFFER) << qPrintable(d.err);
  EXPECT_TRUE(d.out.startsWith("--- COM24, address 1")) << qPrintable(d.out);
  EXPECT_TRUE(d.out.contains(
      QString("\nRelay 1: Delay: \"%1\" -> \"%2\"\n").arg(delay / 10.0, 0, 'f', 1).arg((delay + 7) / 10.0, 0, 'f', 1)))
      << qPrintable(d.out);
  EXPECT_TRUE(d.out.endsWith("\n1 difference\n")) << qPrintable(d.out);

  const ctl_result same = run_ctl(rig.target() + QStringList{"diff", rig.file("same.orvcfg")});
  EXPECT_EQ(same.rc, CTL_OK) << qPrintable(same.out);
  EXPECT_TRUE(same.out.contains("hold the same configuration"));
  EXPECT_EQ(run_ctl(rig.target() + QStringList{"diff", rig.file("a.orvcfg"), rig.file("b.orvcfg")}).rc, CTL_USAGE);
}

TEST(OrvctlHistory, AWriteAppendsOneRecordWithTheOldAndNewValues) {
  ctl_rig rig(25);
  const t_param_set before = rig.device_set();
  t_param_set b = before;
  b.param[60] = static_cast<uint16_t>(before.param[60] + 5);     // alarm 1 delay
  orvsim::put_text(&b.prod[1 * PROD_STRIDE + 24], 12, "FLOUR");  // product 2's name
  ASSERT_TRUE(save_set(rig.file("b.orvcfg"), b));
  ctl_result w = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("b.orvcfg")});
  ASSERT_EQ(w.rc, CTL_OK) << qPrintable(w.err);

  t_history_read h = read_history("ORV-SIM-0001");
  ASSERT_EQ(h.records.size(), 1u);
  const t_history_record& rec = h.records[0];
  EXPECT_EQ(rec.program, "orvctl");
  EXPECT_EQ(rec.port, "COM25");
  EXPECT_EQ(rec.address, 1);
  EXPECT_EQ(rec.serial, "ORV-SIM-0001");
  EXPECT_EQ(rec.firmware, "1.05");
  EXPECT_TRUE(rec.read_back_ok);
  EXPECT_TRUE(rec.error.isEmpty());
  ASSERT_EQ(rec.changes.size(), 2u);
  EXPECT_EQ(rec.changes[0].caption, "Relay 1: Delay");
  EXPECT_EQ(rec.changes[0].reg, 3060);
  EXPECT_EQ(rec.changes[0].old_value, QString::number(before.param[60] / 10.0, 'f', 1));
  EXPECT_EQ(rec.changes[0].new_value, QString::number(b.param[60] / 10.0, 'f', 1));
  EXPECT_EQ(rec.changes[1].caption, "Product 2: Product name");
  EXPECT_EQ(rec.changes[1].new_value, "FLOUR");

  // A damaged line is skipped with its number; the write of the same file
  // again is recorded as changing nothing and shows first.
  QFile f(history_path("ORV-SIM-0001"));
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("{\"time\": \"2026-01-0");  // cut short, without its line end
  f.close();
  w = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("b.orvcfg")});
  ASSERT_EQ(w.rc, CTL_OK) << qPrintable(w.err);
  h = read_history("ORV-SIM-0001");
  ASSERT_EQ(h.records.size(), 2u);
  EXPECT_TRUE(h.records[1].changes.empty());
  EXPECT_EQ(h.bad_lines, std::vector<int32_t>{2});

  const ctl_result text = run_ctl({"history", "ORV-SIM-0001"});
  EXPECT_EQ(text.rc, CTL_OK);
  EXPECT_TRUE(text.err.contains("line 2 is damaged and skipped")) << qPrintable(text.err);
  const qsizetype nothing = text.out.indexOf("nothing changed");
  const qsizetype flour = text.out.indexOf("  Product 2: Product name: \"PRODUCT 2");
  EXPECT_TRUE(nothing >= 0 && flour > nothing) << qPrintable(text.out);
  EXPECT_TRUE(text.out.contains("-> \"FLOUR\"\n")) << qPrintable(text.out);
  const ctl_result json = run_ctl({"history", "ORV-SIM-0001", "--json"});
  const QStringList lines = json.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(QJsonDocument::fromJson(lines[0].toUtf8()).object()["changes"].toArray().size(), 2);
}

TEST(OrvctlHistory, AHistoryThatCannotBeWrittenWarnsAndTheWriteHappens) {
  ctl_rig rig(26);
  const QString folder = QFileInfo(history_path("X")).absolutePath();
  ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).absolutePath()));
  ASSERT_FALSE(write_checked_file(folder, "not a folder"));
  t_param_set b = rig.device_set();
  b.param[60] = static_cast<uint16_t>(b.param[60] + 3);
  ASSERT_TRUE(save_set(rig.file("b.orvcfg"), b));
  const ctl_result w = run_ctl(rig.target() + QStringList{"write", "--in", rig.file("b.orvcfg")});
  EXPECT_EQ(w.rc, CTL_OK) << qPrintable(w.err);
  EXPECT_TRUE(w.err.contains("warning: The history of writes cannot be written")) << qPrintable(w.err);
  EXPECT_EQ(rig.device_set().param[60], b.param[60]);
}
