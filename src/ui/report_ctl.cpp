#include "ui/report_ctl.h"

#include "calib/gain_model.h"
#include "charts/chart_snapshot.h"
#include "comm/service_client.h"
#include "comm/status_decode.h"
#include "config/active_cfg.h"
#include "config/cfg_pages.h"
#include "config/cfg_transfer.h"
#include "config/cfg_transfer_ctl.h"
#include "config/report_pdf.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/link_stats_dlg.h"
#include "ui/menu_items.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <vector>

namespace {

constexpr int kChartW = 1600;
constexpr int kChartH = 700;

// The four images of a configuration, kept while the report reads the
// transmitter into them and put back afterwards.
class images_copy {
 public:
  explicit images_copy(int d) : d_(d) {
    const t_cfg_images im = cfg_images(d);
    for (int k = 0; k < PARAM_REGS; ++k) {
      param_[0].push_back(im.read_param.get(k));
      param_[1].push_back(im.edit_param.get(k));
    }
    for (int k = 0; k < PROD_REGS; ++k) {
      prod_[0].push_back(im.read_prod.get(k));
      prod_[1].push_back(im.edit_prod.get(k));
    }
    mode_ = im.sensor_mode.load(rlx);
  }
  void restore_read() const {
    const t_cfg_images im = cfg_images(d_);
    im.read_param.copy_in(0, param_[0].data(), PARAM_REGS);
    im.read_prod.copy_in(0, prod_[0].data(), PROD_REGS);
  }
  void restore_edit() const {
    const t_cfg_images im = cfg_images(d_);
    im.edit_param.copy_in(0, param_[1].data(), PARAM_REGS);
    im.edit_prod.copy_in(0, prod_[1].data(), PROD_REGS);
    im.sensor_mode.store(mode_, rlx);
  }

 private:
  int d_;
  std::vector<uint16_t> param_[2], prod_[2];
  int32_t mode_ = 0;
};

QString title() {
  QString t = trim_blanks(ctrl_text(u"menm_dev_report", TXT_REQ_CAPTION, FORM_MAIN));
  if (t.endsWith(u'\u2026')) t.chop(1);
  return t;
}

QString port_text(int d) {
  const t_dev_conn& c = common_setup.dev_conn[d];
  return QStringLiteral("COM%1, %2%3").arg(c.com_num.load(rlx)).arg(msg_text(46)).arg(c.addr.load(rlx) + 1);
}

t_report report_now(int d) {
  t_report_origin origin;
  origin.program = QStringLiteral("OrvConfig");  // the program's name (the text table's carries an old version)
  if (d >= 0) {
    origin.source = port_text(d);
    origin.device_title = common_setup.dev_conn[d].tag.get();
    origin.firmware = firmware_text(m_stat.dev_stat[d].read_stat.get(1));
    origin.sensor_mode = m_stat.dev_stat[d].sensor_mode.load(rlx);
  } else {
    origin.source = trim_blanks(ctrl_text(u"chk_off_line", TXT_REQ_CAPTION, FORM_MAIN));
    origin.sensor_mode = m_stat.sensor_mode.load(rlx);
  }
  return cfg_report(origin, [](uint16_t word) {
    return gain_label_text(get_sensor_mode(), gain_step_of_word(get_sensor_mode(), word));
  });
}

}  // namespace

report_ctl::report_ctl(cfg_pages& pages, cfg_transfer_ctl& transfer, QObject* parent)
    : QObject(parent), pages_(pages), transfer_(transfer) {}

void report_ctl::add_action(QMenu* device_setup) {
  device_setup->addSeparator();
  menm_dev_report_ = named_action(device_setup, "menm_dev_report", u"menm_dev_report");
  connect(menm_dev_report_, &QAction::triggered, this, &report_ctl::menm_dev_reportClick);
}

void report_ctl::enable_action() {
  if (menm_dev_report_) menm_dev_report_->setEnabled(cfg_valid() || selected_device() >= 0);
}

void report_ctl::menm_dev_reportClick() {
  const int d = selected_device();
  if ((d >= 0 && srvc_client().busy()) || !pages_.store_pending_edit()) return;
  if (!cfg_valid()) {
    show_error(msg_text(MSG_CFG_NONE));
    return;
  }
  // Changes are offered for writing first: the report is what the transmitter holds.
  if (d >= 0 && !transfer_.offer_write_config(MSG_CFG_CHANGED, false)) return;
  const QString path = save_as_dialog(title(), "pdf", QStringLiteral("PDF document"), report_file_name(report_now(d)));
  if (path.isEmpty()) return;

  t_report report;
  QImage chart;
  if (d >= 0) {
    // Read again into the images, reported from there; the edit images
    // (with any changes kept) are put back afterwards.
    const images_copy kept(d);
    const int32_t edited = active_prod_id().load(rlx);
    const bool read = take_read_config(d, transfer_.run_request(d, REQR_PARAM_RD));
    if (!read) {
      kept.restore_read();
      kept.restore_edit();
      m_stat.dev_stat[d].param_read.store(true, rlx);
      active_prod_id().store(edited, rlx);
      transfer_.refresh_cfg_views();
      show_error(msg_text(MSG_CFG_READ_FAIL));
      return;
    }
    report = report_now(d);
    kept.restore_edit();
    active_prod_id().store(edited, rlx);
    transfer_.refresh_cfg_views();
    report.link = TDlg_link_stats::figures(d);
    chart = live_device_snapshot(d, kChartW, kChartH);
  } else {
    report = report_now(d);
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString error;
  const bool ok = write_report_pdf(report, path, error, chart);
  QApplication::restoreOverrideCursor();
  if (!ok) show_error(error);
}
