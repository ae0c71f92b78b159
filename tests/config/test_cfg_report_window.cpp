// The window's commissioning report against a simulated transmitter: what
// the transmitter holds, read again, while a change not written stays
// pending; and a file that cannot be written.
#include "charts/chart_ctl.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "config/active_cfg.h"
#include "config/window_rig.h"

#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>

namespace {

QString pdf_text(const QString& path) {
  QProcess p;
  p.start("pdftotext", {"-layout", path, "-"});
  return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

}  // namespace

class CfgReportWindow : public WindowRig {};

TEST_F(CfgReportWindow, ReportsWhatTheTransmitterHoldsAndKeepsTheChangesPending) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
  start();
  form_->select_device(0);
  boxes();
  // A trace of the device in the Online view, with a few samples.
  t_dsp_chan& ch = common_setup.dsp_chan_live[0];
  ch.active = ch.displayed = true;
  ch.dev_idx = 0;
  ch.meas_mode = MEAS_SCALED;
  ch.line_thk = 1;
  ASSERT_TRUE(wait_until(
      [&] {
        form_->charts().upd_chart(CHART_LIVE, true);
        return draw_stat[CHART_LIVE].data_last - draw_stat[CHART_LIVE].data_first > 10;
      },
      30000));
  type("txt_al1_del", "12.5");  // not written: question 0 is answered "No"
  const QString path = home_.path() + "/mill.pdf";
  pick(path);
  action("menm_dev_report")->trigger();
  EXPECT_EQ(boxes(), QStringList{question(MSG_CFG_CHANGED)});
  const QString text = pdf_text(path);
  EXPECT_TRUE(text.contains(QString::fromStdString(orvsim::get_text(&held().param[72], 12)).trimmed()))
      << qPrintable(text);
  EXPECT_TRUE(text.contains(QString::number(held().param[60] / 10.0, 'f', 1) + " s")) << qPrintable(text);
  EXPECT_FALSE(text.contains("12.5 s"));
  EXPECT_TRUE(text.contains(ctrl_text(u"lbl_link_requests", TXT_REQ_CAPTION, FORM_LINK_STATS)));
  EXPECT_TRUE(text.contains("The last hour of the Online view.")) << qPrintable(text);
  // The change is still there, and still pending.
  EXPECT_EQ(edit("txt_al1_del")->text(), "12.5");
  EXPECT_TRUE(cfg_changed(0));

  pick(home_.path() + "/no/such/folder/mill.pdf");
  action("menm_dev_report")->trigger();
  const QStringList shown = boxes();
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_TRUE(shown.last().startsWith("error: ") && shown.last().contains("cannot be written"))
      << qPrintable(shown.join('\n'));
}
