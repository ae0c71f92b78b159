#include "ui/link_stats_dlg.h"

#include "comm/service_client.h"
#include "comm/status_decode.h"
#include "core/mono_clock.h"
#include "texts/text_table.h"
#include "ui/screen_fit.h"
#include "ui/sparkline.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr QSize kSparkSize(320, 72);

// Row names of the captions, in the order of TDlg_link_stats::value_t.
const char16_t* const kCaptionRows[TDlg_link_stats::VALUE_CNT] = {
    u"lbl_link_requests", u"lbl_link_good",  u"lbl_link_timeouts", u"lbl_link_crc",    u"lbl_link_last_good",
    u"lbl_link_mean",     u"lbl_link_worst", u"lbl_link_reopens",  u"lbl_link_stored", u"lbl_link_empty",
};

QString link_text(const char16_t* name) { return text_or_default(name, TXT_KIND_CAPTION, FORM_LINK_STATS); }

void set_if_changed(QLabel* l, const QString& text) {
  if (l && l->text() != text) l->setText(text);
}

}  // namespace

TDlg_link_stats::TDlg_link_stats(QWidget* parent) : QDialog(parent) {
  setObjectName("Dlg_link_stats");
  build();
}

void TDlg_link_stats::build() {
  auto* col = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->setHorizontalSpacing(16);
  form->setVerticalSpacing(4);
  form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int k = 0; k < VALUE_CNT; ++k) {
    auto* caption = new QLabel(this);
    caption->setObjectName(QString::fromUtf16(kCaptionRows[k]));
    auto* value = new QLabel(QStringLiteral("---"), this);
    value->setObjectName(QStringLiteral("x_lbl_link_val_%1").arg(k + 1));
    value->setTextFormat(Qt::PlainText);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, value);
    captions_[k] = caption;
    x_lbl_value[k] = value;
  }
  col->addLayout(form);

  lbl_link_spark_ = new QLabel(this);
  lbl_link_spark_->setObjectName("lbl_link_spark");
  col->addSpacing(6);
  col->addWidget(lbl_link_spark_);
  x_img_spark = new QLabel(this);
  x_img_spark->setObjectName("x_img_spark");
  x_img_spark->setFixedSize(kSparkSize);
  col->addWidget(x_img_spark);
  lbl_link_window_note_ = new QLabel(this);
  lbl_link_window_note_->setObjectName("link_window_note");
  lbl_link_window_note_->setWordWrap(true);
  QPalette grey = lbl_link_window_note_->palette();
  grey.setColor(QPalette::WindowText, QColor(110, 110, 110));
  lbl_link_window_note_->setPalette(grey);
  col->addWidget(lbl_link_window_note_);

  auto* buttons = new QDialogButtonBox(this);
  cmd_link_reset = buttons->addButton(QString(), QDialogButtonBox::ResetRole);
  cmd_link_reset->setObjectName("cmd_link_reset");
  cmd_link_close = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  cmd_link_close->setObjectName("cmd_link_close");
  cmd_link_close->setDefault(true);
  col->addWidget(buttons);
  connect(cmd_link_reset, &QPushButton::clicked, this, &TDlg_link_stats::cmd_link_resetClick);
  connect(cmd_link_close, &QPushButton::clicked, this, &QDialog::reject);

  tmr_refresh = new QTimer(this);
  tmr_refresh->setObjectName("tmr_refresh");
  tmr_refresh->setInterval(1000);
  connect(tmr_refresh, &QTimer::timeout, this, &TDlg_link_stats::refresh);
  connect(this, &QDialog::finished, tmr_refresh, &QTimer::stop);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TDlg_link_stats::set_texts() {
  QString title = text_or_default(u"link stats caption", TXT_KIND_FORM, FORM_LINK_STATS);
  const QString tag = common_setup.dev_conn[device_].tag.get();
  if (!tag.isEmpty()) title += QStringLiteral(" \u2013 ") + tag;
  if (windowTitle() != title) setWindowTitle(title);
  for (int k = 0; k < VALUE_CNT; ++k) set_if_changed(captions_[k], link_text(kCaptionRows[k]));
  set_if_changed(lbl_link_spark_, link_text(u"lbl_link_spark"));
  set_if_changed(lbl_link_window_note_, link_text(u"link_window_note"));
  if (cmd_link_reset->text() != link_text(u"cmd_link_reset")) cmd_link_reset->setText(link_text(u"cmd_link_reset"));
  if (cmd_link_close->text() != link_text(u"cmd_link_close")) cmd_link_close->setText(link_text(u"cmd_link_close"));
}

void TDlg_link_stats::open_for(int d) {
  if (d < 0 || d >= MAX_DEVICES) return;
  device_ = d;
  refresh();
  show();
  raise();
  activateWindow();
  tmr_refresh->start();
}

QString TDlg_link_stats::count_text(uint32_t n) { return QString::number(n); }

QString TDlg_link_stats::since_text(int64_t ms) {
  if (ms < 0) return link_text(u"link_never");
  if (ms < 10000) return scaled_text((ms + 50) / 100, 1) + QStringLiteral(" s");
  if (ms < 120000) return QString::number((ms + 500) / 1000) + QStringLiteral(" s");
  return QString::number(ms / 60000) + QStringLiteral(" min");
}

std::array<QString, TDlg_link_stats::VALUE_CNT> TDlg_link_stats::value_texts(const t_link_view& v) {
  QString good = count_text(v.good);
  if (v.requests > 0)
    good += QStringLiteral(" (") + scaled_text(static_cast<int64_t>(1000.0 * v.good / v.requests), 1) +
            QStringLiteral(" %)");
  return {count_text(v.requests),
          good,
          count_text(v.timeouts),
          count_text(v.crc_errors),
          since_text(v.since_good_ms),
          v.resp_count > 0 ? resp_time_text(v.mean_us) : QStringLiteral("---"),
          v.resp_count > 0 ? resp_time_text(v.worst_us) : QStringLiteral("---"),
          count_text(v.reopens),
          count_text(v.stored),
          count_text(v.empty)};
}

std::vector<std::pair<QString, QString>> TDlg_link_stats::figures(int d) {
  std::vector<std::pair<QString, QString>> out;
  if (d < 0 || d >= MAX_DEVICES) return out;
  const auto values = value_texts(link_view(m_stat.dev_stat[d].link, line_clock().now_ms()));
  for (int k = 0; k < VALUE_CNT; ++k) out.emplace_back(link_text(kCaptionRows[k]), values[static_cast<size_t>(k)]);
  return out;
}

void TDlg_link_stats::refresh() {
  set_texts();
  const t_link_view v = link_view(m_stat.dev_stat[device_].link, line_clock().now_ms());
  const auto values = value_texts(v);
  for (int k = 0; k < VALUE_CNT; ++k) set_if_changed(x_lbl_value[k], values[static_cast<size_t>(k)]);
  const qreal dpr = devicePixelRatioF();
  x_img_spark->setPixmap(QPixmap::fromImage(paint_sparkline(v.resp_us.data(), v.resp_count, kSparkSize, dpr)));
}

void TDlg_link_stats::cmd_link_resetClick() {
  service_client::post_dev_ctl(device_, CTL_RESET_LINK);
  // The service clears the counters at the device's next turn; the next
  // refresh shows them from 0.
}

void TDlg_link_stats::paintEvent(QPaintEvent* event) {
  fit_to_monitor(this);
  QDialog::paintEvent(event);
}
