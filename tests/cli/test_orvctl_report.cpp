// orvctl report: the commissioning report as a PDF, read back as text with
// Poppler's pdftotext, from a parameter set file and from a simulated
// transmitter; and a report that cannot be written.
#include "config/report_pdf.h"
#include "orvctl_rig.h"
#include "texts/text_table.h"

#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

ctl_result run_report(const QStringList& args) {
  ctl_result r;
  QTextStream out(&r.out), err(&r.err);
  t_ctl_io io{out, err, {}, [](const t_report& rep, const QString& path, QString& error) {
                return write_report_pdf(rep, path, error);
              }};
  r.rc = orvctl_run(args, io);
  return r;
}

// The text of each page of a PDF ("pdftotext" separates pages by form feeds).
QStringList pdf_pages(const QString& path) {
  QProcess p;
  p.start("pdftotext", {"-layout", path, "-"});
  if (!p.waitForFinished(60000)) return {};
  QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

#define SKIP_WITHOUT_PDFTOTEXT()                             \
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) \
  GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed"

}  // namespace

TEST(OrvctlReport, FromAFileEveryPageCarriesTheSerialNumber) {
  SKIP_WITHOUT_PDFTOTEXT();
  ctl_rig rig(35);
  t_param_set s = rig.device_set();
  orvsim::put_text(&s.param[16], 12, "DRYER-7");      // device tag
  orvsim::put_text(&s.param[72], 12, "SN-REPORT-1");  // serial number
  s.param[60] = 123;                                  // relay 1 delay: 12.3 s
  // All four inputs select products: sixteen products in use, several pages.
  for (int k = 0; k < 4; ++k) s.param[32 + k] = 2;
  for (int m = 1; m <= 15; ++m) s.param[35 + m] = static_cast<uint16_t>(m);
  orvsim::put_text(&s.prod[9 * PROD_STRIDE + 24], 12, "BARLEY");  // product 10's name
  ASSERT_TRUE(save_set(rig.file("dryer.orvcfg"), s));

  // A language pack's caption reaches the report.
  cur_texts[static_cast<size_t>(find_text_row(u"grp_alarm_1", TXT_KIND_CAPTION, FORM_MAIN))] = "Relais 1";
  const ctl_result r = run_report({"report", "--in", rig.file("dryer.orvcfg"), "--out", rig.file("dryer.pdf")});
  init_texts();
  ASSERT_EQ(r.rc, CTL_OK) << qPrintable(r.err);
  const QStringList pages = pdf_pages(rig.file("dryer.pdf"));
  ASSERT_GE(pages.size(), 2);
  for (int k = 0; k < pages.size(); ++k) {
    EXPECT_TRUE(pages[k].contains("SN-REPORT-1")) << "page " << k + 1;
    EXPECT_TRUE(pages[k].contains(QStringLiteral("Page %1 of %2").arg(k + 1).arg(pages.size()))) << "page " << k + 1;
  }
  const QString all = pages.join(u'\f');
  EXPECT_TRUE(all.contains("DRYER-7"));
  EXPECT_TRUE(all.contains("12.3 s")) << qPrintable(all);  // as the Outputs page shows the delay
  EXPECT_TRUE(all.contains("BARLEY"));
  EXPECT_TRUE(all.contains("Relais 1"));
  EXPECT_TRUE(all.contains("Product assignment"));
}

TEST(OrvctlReport, FromTheTransmitter) {
  SKIP_WITHOUT_PDFTOTEXT();
  ctl_rig rig(36);
  rig.line->steer(1, [](orvsim::transmitter& t) {
    orvsim::config_image c = t.active_config();
    orvsim::put_text(&c.param[16], 12, "MILL-2");  // device tag
    t.load_config(c);
  });
  const ctl_result r = run_report(rig.target() + QStringList{"report", "--out", rig.file("mill.pdf")});
  ASSERT_EQ(r.rc, CTL_OK) << qPrintable(r.err);
  EXPECT_TRUE(r.out.contains("COM36")) << qPrintable(r.out);
  const QString text = pdf_pages(rig.file("mill.pdf")).join(u'\f');
  EXPECT_TRUE(text.contains("MILL-2")) << qPrintable(text);
  EXPECT_TRUE(text.contains("ORV-SIM-0001"));
  EXPECT_TRUE(text.contains("1.05"));  // the firmware, read with the configuration
}

TEST(OrvctlReport, AnUnwritableFileFailsWithItsReason) {
  temp_config_home home;
  t_param_set s;
  s.param[11] = 4;
  const QString in = home.path() + "/a.orvcfg";
  ASSERT_TRUE(save_set(in, s));
  // The program itself, with its PDF writer.
  QProcess p;
  p.start(ORVCTL_PATH, {"report", "--in", in, "--out", home.path() + "/no/such/folder/a.pdf"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), CTL_FILE);
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_TRUE(err.contains("no/such/folder/a.pdf: cannot be written")) << qPrintable(err);
  EXPECT_EQ(run_report({"report", "--in", in}).rc, CTL_USAGE);  // no --out
  EXPECT_EQ(run_report({"report", "--in", in, "--com", "3", "--out", "x.pdf"}).rc, CTL_USAGE);
}

// A long table breaks between rows and repeats its header on every page.
TEST(OrvctlReport, HistoryRowsAreNeverSplitAndTheHeaderRepeats) {
  SKIP_WITHOUT_PDFTOTEXT();
  temp_config_home home;
  t_report r;
  r.program = "orvctl";
  r.fields.serial = "SN-LONG";
  for (int k = 0; k < REPORT_HISTORY_RECORDS; ++k) {
    t_history_record h;
    h.utc = QDateTime(QDate(2026, 3, 1), QTime(8, k), Qt::UTC);
    h.user = "tech";
    h.port = "COM3";
    h.address = 1;
    h.read_back_ok = true;
    for (int c = 1; c <= 12; ++c) h.changes.push_back({QStringLiteral("R%1 setting %2").arg(k).arg(c), -1, "0", "1"});
    r.history.push_back(h);
  }
  const QString path = home.path() + "/long.pdf";
  QString error;
  ASSERT_TRUE(write_report_pdf(r, path, error)) << qPrintable(error);
  const QStringList pages = pdf_pages(path);
  ASSERT_GE(pages.size(), 2);
  auto page_of = [&](const QString& text) {
    for (int p = 0; p < pages.size(); ++p)
      if (pages[p].contains(text)) return p;
    return -1;
  };
  for (int k = 0; k < REPORT_HISTORY_RECORDS; ++k) {
    const int first = page_of(QStringLiteral("R%1 setting 1:").arg(k));
    ASSERT_GE(first, 0) << k;
    EXPECT_EQ(page_of(QStringLiteral("R%1 setting 12:").arg(k)), first) << "record " << k << " is split";
    EXPECT_TRUE(pages[first].contains("User, program")) << "no table header on page " << first + 1;
  }
}
