#include "config/report_pdf.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace {

constexpr int kDpi = 300;
constexpr double kMarginMm = 15.0;
constexpr double kPad = 10.0;     // cell padding in device pixels
constexpr int kChangeLines = 12;  // changes shown per history record
constexpr QColor kRule{150, 150, 150};
constexpr QColor kHeadFill{225, 230, 238};

// A Qt Gui application for the fonts; orvctl has none of its own.
bool ensure_gui(QString& error) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
  if (QCoreApplication::instance()) {
    error = QStringLiteral("the program runs without Qt Gui: no fonts to draw a PDF with");
    return false;
  }
  static int argc = 3;
  static char arg0[] = "orvctl", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  static auto* app = new QGuiApplication(argc, argv);  // lives as long as the program
  return app != nullptr;
}

QString or_dash(const QString& s) { return s.isEmpty() ? QStringLiteral("\u2013") : s; }

QString with_unit(const QString& value, const QString& unit) {
  if (value.isEmpty()) return or_dash(value);
  return unit.isEmpty() ? value : value + u' ' + unit;
}

// Lays the report out page by page; a dry run counts the pages without painting.
class report_layout {
 public:
  report_layout(QPdfWriter& w, QPainter* p, const t_report& r, int pages)
      : p_(p),
        dev_(&w),
        r_(r),
        pages_(pages),
        body_(QFont(QStringLiteral("Arial"), 9)),
        bold_(body_),
        small_(QFont(QStringLiteral("Arial"), 7)),
        fm_(body_, &w),
        fm_bold_(bold_, &w),
        fm_small_(small_, &w) {
    bold_.setBold(true);
    fm_bold_ = QFontMetricsF(bold_, &w);
    const QRect page = w.pageLayout().paintRectPixels(w.resolution());
    area_ = QRectF(0, 0, page.width(), page.height());
    line_ = fm_.height();
    top_ = area_.top() + 2.2 * line_;
    bottom_ = area_.bottom() - 2.2 * line_;
    start_page();
  }

  int page() const { return page_; }

  void title(const QString& text) {
    QFont f = body_;
    f.setPointSize(16);
    f.setBold(true);
    const double h = QFontMetricsF(f, dev_).height() * 1.3;
    need(h);
    text_at(QRectF(area_.left(), y_, area_.width(), h), f, text, Qt::AlignLeft | Qt::AlignVCenter);
    y_ += h;
  }

  void line(const QString& text) {
    const double h = text_height(fm_, text, area_.width());
    need(h);
    text_at(QRectF(area_.left(), y_, area_.width(), h), body_, text, Qt::AlignLeft | Qt::TextWordWrap);
    y_ += h;
  }

  // A section heading stays with at least three lines of what follows.
  void heading(const QString& text, int level) {
    QFont f = bold_;
    f.setPointSize(level == 0 ? 12 : 10);
    const double h = QFontMetricsF(f, dev_).height() * (level == 0 ? 1.8 : 1.5);
    need(h + 3 * line_);
    if (p_ && level == 0) {
      p_->setPen(QPen(kRule, 2));
      p_->drawLine(QPointF(area_.left(), y_ + h - 4), QPointF(area_.right(), y_ + h - 4));
    }
    text_at(QRectF(area_.left(), y_, area_.width(), h), f, text, Qt::AlignLeft | Qt::AlignBottom);
    y_ += h + (level == 0 ? line_ * 0.3 : 0);
  }

  void gap(double lines = 0.6) { y_ += lines * line_; }

  // A table; widths are shares of the page width. An empty header: none.
  void table(const QStringList& header, const std::vector<double>& widths, const std::vector<QStringList>& rows) {
    header_ = header;
    widths_ = widths;
    if (!header_.isEmpty()) table_row(header_, true);
    for (const QStringList& row : rows) table_row(row, false);
    header_.clear();
    y_ += line_ * 0.4;
  }

  void pairs(const t_report_pairs& items) {
    std::vector<QStringList> rows;
    for (const auto& [caption, value] : items) rows.push_back({caption, or_dash(value)});
    table({}, {0.45, 0.55}, rows);
  }

  void image(const QImage& img, const QString& caption) {
    if (img.isNull()) return;
    const double w = area_.width();
    const double h = w * img.height() / std::max(1, img.width());
    need(h + line_);
    if (p_) p_->drawImage(QRectF(area_.left(), y_, w, h), img);
    y_ += h;
    line(caption);
  }

  // Ends the last page (its footer).
  void finish() { footer(); }

 private:
  static double text_height(const QFontMetricsF& fm, const QString& text, double width) {
    return fm.boundingRect(QRectF(0, 0, std::max(1.0, width), 1e7), Qt::TextWordWrap, text).height();
  }

  void text_at(const QRectF& rect, const QFont& f, const QString& text, int flags) {
    if (!p_) return;
    p_->setFont(f);
    p_->setPen(Qt::black);
    p_->drawText(rect, flags, text);
  }

  void table_row(const QStringList& cells, bool is_header) {
    const QFontMetricsF& fm = is_header ? fm_bold_ : fm_;
    double h = 0;
    for (int c = 0; c < cells.size() && c < static_cast<int>(widths_.size()); ++c)
      h = std::max(h, text_height(fm, cells[c], col_width(c) - 2 * kPad));
    h += 2 * kPad;
    if (y_ + h > bottom_) {
      new_page();
      if (!is_header && !header_.isEmpty()) table_row(header_, true);
    }
    double x = area_.left();
    for (int c = 0; c < static_cast<int>(widths_.size()); ++c) {
      const QRectF cell(x, y_, col_width(c), h);
      if (p_) {
        if (is_header) p_->fillRect(cell, kHeadFill);
        p_->setPen(QPen(kRule, 1));
        p_->drawRect(cell);
      }
      if (c < cells.size())
        text_at(cell.adjusted(kPad, kPad, -kPad, -kPad), is_header ? bold_ : body_, cells[c],
                Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
      x += col_width(c);
    }
    y_ += h;
  }

  double col_width(int c) const { return area_.width() * widths_[static_cast<size_t>(c)]; }

  void need(double h) {
    if (y_ + h > bottom_ && y_ > top_) new_page();
  }

  void start_page() {
    y_ = top_;
    if (!p_) return;
    p_->setFont(small_);
    p_->setPen(Qt::darkGray);
    const QRectF head(area_.left(), area_.top(), area_.width(), fm_small_.height());
    p_->drawText(head, Qt::AlignLeft, r_.program + u' ' + r_.version + QStringLiteral(" \u2013 Commissioning report"));
    p_->drawText(head, Qt::AlignRight, r_.created.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
  }

  void footer() {
    if (!p_) return;
    p_->setFont(small_);
    p_->setPen(Qt::darkGray);
    const QRectF foot(area_.left(), area_.bottom() - fm_small_.height(), area_.width(), fm_small_.height());
    QString who = QStringLiteral("Serial number ") + or_dash(r_.fields.serial);
    if (!r_.fields.tag.isEmpty()) who += QStringLiteral(" \u2013 ") + r_.fields.tag;
    p_->drawText(foot, Qt::AlignLeft, who);
    p_->drawText(foot, Qt::AlignRight, QStringLiteral("Page %1 of %2").arg(page_).arg(pages_));
  }

  void new_page() {
    footer();
    if (p_) dev_->newPage();
    ++page_;
    start_page();
  }

  QPainter* p_;
  QPdfWriter* dev_;
  const t_report& r_;
  int pages_;
  QFont body_, bold_, small_;
  QFontMetricsF fm_, fm_bold_, fm_small_;
  QRectF area_;
  double line_ = 0, top_ = 0, bottom_ = 0, y_ = 0;
  int page_ = 1;
  QStringList header_;
  std::vector<double> widths_;
};

void fields_of(report_layout& l, const std::vector<t_cfg_group>& groups) {
  for (const t_cfg_group& g : groups) {
    l.heading(g.caption, 1);
    std::vector<QStringList> rows;
    for (const t_cfg_field& f : g.fields) rows.push_back({f.caption, with_unit(f.value, f.unit)});
    l.table({}, {0.45, 0.55}, rows);
  }
}

QStringList product_row(const t_cfg_product& p) {
  QStringList alarms;
  const char* names[3] = {"#1", "#2", "AO"};
  for (int a = 0; a < 3; ++a)
    alarms << QStringLiteral("%1: %2 / %3 / %4")
                  .arg(QLatin1StringView(names[a]), or_dash(p.alarm[a][0]), or_dash(p.alarm[a][1]),
                       or_dash(p.alarm[a][2]));
  QStringList points;
  for (size_t k = 0; k < p.cal_points.size(); ++k)
    points << QStringLiteral("%1. %2 \u2192 %3")
                  .arg(k + 1)
                  .arg(or_dash(p.cal_points[k].value), or_dash(p.cal_points[k].raw));
  QString name = QStringLiteral("%1 %2").arg(p.index + 1).arg(p.name);
  if (p.is_default) name += QStringLiteral("\n(default)");
  return {name,
          p.unit,
          p.decimals,
          or_dash(p.range_begin) + QStringLiteral(" \u2026 ") + or_dash(p.range_end) + QStringLiteral("\nLow flow ") +
              or_dash(p.low_flow),
          alarms.join(u'\n'),
          QStringLiteral("Median ") + or_dash(p.median) + QStringLiteral("\nPt1 ") + with_unit(p.pt1, "s") +
              QStringLiteral("\nScrew ") + with_unit(p.screw, "s"),
          points.join(u'\n'),
          p.gain};
}

QStringList history_row(const t_history_record& h) {
  QStringList changes;
  for (const t_history_change& c : h.changes) {
    if (changes.size() == kChangeLines) {
      changes << QStringLiteral("\u2026 and %1 more").arg(h.changes.size() - kChangeLines);
      break;
    }
    changes << QStringLiteral("%1: %2 \u2192 %3").arg(c.caption, c.old_value, c.new_value);
  }
  if (h.changes.empty()) changes << QStringLiteral("no change");
  QString result = h.error.isEmpty() ? (h.read_back_ok ? QStringLiteral("written, read back equal")
                                                       : QStringLiteral("written, read back differs"))
                                     : QStringLiteral("failed: ") + h.error;
  return {h.utc.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC"),
          h.user + u'\n' + h.program + u' ' + h.version, QStringLiteral("%1, address %2").arg(h.port).arg(h.address),
          result, changes.join(u'\n')};
}

void lay_out(report_layout& l, const t_report& r, const QImage& chart) {
  l.title(QStringLiteral("Commissioning report"));
  l.line(QStringLiteral("%1 %2, %3, user %4")
             .arg(r.program, r.version, r.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.user));
  if (!r.source.isEmpty()) l.line(QStringLiteral("Configuration from ") + r.source);
  l.gap();

  l.heading(QStringLiteral("Transmitter"), 0);
  l.pairs(r.identity);

  for (const t_cfg_page& page : r.fields.pages) {
    l.heading(page.caption, 0);
    if (page.name != u"tab_products") {
      fields_of(l, page.groups);
      continue;
    }
    for (const t_cfg_group& g : page.groups)
      for (const t_cfg_field& f : g.fields) l.line(f.caption + QStringLiteral(": ") + or_dash(f.value));
    l.gap(0.4);
    std::vector<QStringList> rows;
    for (const t_cfg_product& p : r.fields.products) rows.push_back(product_row(p));
    l.table(
        {"Product", "Unit", "Decimals", "Range", "Alarms min / max / hyst.", "Filters", "Calibration points", "Gain"},
        {0.14, 0.07, 0.09, 0.14, 0.2, 0.11, 0.17, 0.08}, rows);
    for (const t_cfg_product& p : r.fields.products) fields_of(l, p.groups);
  }

  const t_cfg_aout& a = r.fields.aout;
  l.heading(QStringLiteral("Analog output"), 0);
  t_report_pairs aout = {{QStringLiteral("Mode"), a.mode}, {QStringLiteral("Alarm value"), a.alarm_value}};
  for (const auto& end : a.ends)
    aout.push_back({end.caption, QStringLiteral("drive %1, feedback %2").arg(end.drive).arg(end.feedback)});
  l.pairs(aout);

  l.heading(QStringLiteral("History of writes (newest first, at most %1)").arg(REPORT_HISTORY_RECORDS), 0);
  if (r.history.empty()) {
    l.line(QStringLiteral("No write of this transmitter is recorded."));
  } else {
    std::vector<QStringList> rows;
    for (const t_history_record& h : r.history) rows.push_back(history_row(h));
    l.table({"Time", "User, program", "Port", "Result", "Changes"}, {0.15, 0.15, 0.14, 0.16, 0.40}, rows);
  }
  if (!r.history_bad_lines.empty()) {
    QStringList n;
    for (const int32_t b : r.history_bad_lines) n << QString::number(b);
    l.line(QStringLiteral("Damaged history lines skipped: ") + n.join(", "));
  }

  if (!r.link.empty()) {
    l.heading(QStringLiteral("Link"), 0);
    l.pairs(r.link);
  }
  if (!chart.isNull()) {
    l.heading(QStringLiteral("Live chart"), 0);
    l.image(chart, QStringLiteral("The last hour of the Online view."));
  }
  l.finish();
}

void setup_writer(QPdfWriter& w, const t_report& r) {
  w.setResolution(kDpi);
  w.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                              QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
  w.setCreator(r.program + u' ' + r.version);
  w.setTitle(QStringLiteral("Commissioning report ") + r.fields.serial);
}

}  // namespace

bool write_report_pdf(const t_report& r, const QString& path, QString& error, const QImage& chart) {
  if (!ensure_gui(error)) return false;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  int pages = 1;
  {
    // The dry run counts the pages for "Page n of m".
    QPdfWriter dry(&buffer);
    setup_writer(dry, r);
    report_layout l(dry, nullptr, r, 0);
    lay_out(l, r, chart);
    pages = l.page();
  }
  bytes.clear();
  buffer.seek(0);
  {
    QPdfWriter w(&buffer);
    setup_writer(w, r);
    QPainter p;
    if (!p.begin(&w)) {
      error = QStringLiteral("the PDF could not be started");
      return false;
    }
    report_layout l(w, &p, r, pages);
    lay_out(l, r, chart);
    p.end();
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    error = QStringLiteral("%1: cannot be written (%2)").arg(path, file.errorString());
    return false;
  }
  return true;
}
