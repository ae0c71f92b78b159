#include "calib/calib_points_dlg.h"

#include "config/active_cfg.h"
#include "core/common_data.h"
#include "core/sys_number.h"
#include "texts/text_table.h"
#include "ui/screen_fit.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int FORM_W = 650;
constexpr int FORM_H = 422;
constexpr int TOP_H = 36;
const QColor AXIS_COLOR(0x80, 0x80, 0x80);
const QColor GRID_COLOR(0xC0, 0xC0, 0xC0);
const QColor CURVE_COLOR(0x80, 0x00, 0x80);

QFont diagram_font() {
  QFont f("Arial");
  f.setPointSize(8);
  return f;
}

}  // namespace

TCalib_points::TCalib_points(QWidget* parent) : QDialog(parent) {
  setObjectName("TCALIB_POINTS");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  resize(FORM_W, FORM_H);
  pnl_top = new QWidget(this);
  pnl_top->setObjectName("pnl_top");
  pnl_top->setFixedHeight(TOP_H);
  cmd_close = new QPushButton(pnl_top);
  cmd_close->setObjectName("cmd_close");
  auto* top = new QHBoxLayout(pnl_top);
  top->setContentsMargins(6, 4, 6, 4);
  top->addStretch(1);
  top->addWidget(cmd_close);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setMinimumSize(1, 1);
  Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(0);
  lay->addWidget(pnl_top);
  lay->addWidget(Image1, 1);
  connect(cmd_close, &QPushButton::clicked, this, &QDialog::close);
}

void TCalib_points::apply_captions() {
  if (const auto caption = form_text(FORM_CALIB_POINTS)) setWindowTitle(*caption);
  cmd_close->setText(ctrl_text(u"cmd_close", TXT_REQ_CAPTION, FORM_CALIB_POINTS));
  cmd_close->setToolTip(ctrl_text(u"cmd_close", TXT_REQ_HINT, FORM_CALIB_POINTS));
}

void TCalib_points::load_points() {
  if (!cfg_addressable()) return;
  std::array<uint16_t, CAL_PROD_REGS> regs{};
  for (int r = 0; r < CAL_PROD_REGS; ++r) {
    const t_reg_addr a = edited_prod_reg(r);
    if (!a) return;  // no edited product: the last points stay
    regs[r] = a.get();
  }
  pts_ = cal_points_from_regs(regs);
}

void TCalib_points::draw_diagram() {
  scale_ = get_scale_y(pts_, rng_beg, rng_end);
  const QSize size = Image1->size().expandedTo(QSize(1, 1));
  img_ = QImage(size, QImage::Format_RGB32);
  QPainter p(&img_);
  p.setFont(diagram_font());
  const QFontMetrics fm(p.font(), &img_);
  t_diag_metrics m;
  m.text_h = fm.height();
  m.value_w = fm.horizontalAdvance("0000.0 " + curr_unit);
  m.raw_label_w = fm.horizontalAdvance("0000000");
  layout_ = calc_diag_layout(size.width(), size.height(), m, common_setup.pixel_div_x, common_setup.pixel_div_y);
  draw_axes(p);
  draw_curve(p);
  p.end();
  Image1->setPixmap(QPixmap::fromImage(img_));
}

void TCalib_points::draw_axes(QPainter& p) {
  const t_diag_layout& l = layout_;
  const QFontMetrics fm(p.font(), &img_);
  p.fillRect(img_.rect(), Qt::white);
  p.setPen(QPen(GRID_COLOR, 1, Qt::DashLine));
  const std::vector<t_grid_line> cols = cal_x_grid(l, common_setup.pixel_div_x);
  const std::vector<t_grid_line> rows = cal_y_grid(l, scale_, common_setup.pixel_div_x);
  for (const t_grid_line& g : cols) p.drawLine(g.pos, l.yref_0, g.pos, l.yref_100);
  for (const t_grid_line& g : rows) p.drawLine(l.xref_0, g.pos, l.xref_100, g.pos);
  p.setPen(QPen(AXIS_COLOR, 1, Qt::SolidLine));
  p.drawLine(l.xref_0, l.yref_0, l.xref_100, l.yref_0);
  p.drawLine(l.xref_0, l.yref_0, l.xref_0, l.yref_100);

  p.setPen(Qt::black);
  const int h = fm.height();
  auto under_axis = [&](int x, const QString& text) {
    const int w = fm.horizontalAdvance(text);
    p.drawText(QRect(x - w / 2, l.yref_0 + 2, w, h), Qt::AlignCenter, text);
  };
  for (const t_grid_line& g : cols) under_axis(g.pos, QString::number(static_cast<int64_t>(g.label)));
  under_axis(l.xref_0, "0");
  auto value_text = [this](double v) { return fmt_sys_fixed(scale_.decp, v) + " " + curr_unit; };
  for (const t_grid_line& g : rows)
    p.drawText(QRect(0, g.pos - h / 2, l.xref_0 - 2, h), Qt::AlignRight | Qt::AlignVCenter, value_text(g.label));
  p.drawText(QRect(0, l.yref_0 - h, l.xref_0 - 2, h), Qt::AlignRight | Qt::AlignBottom, value_text(scale_.beg));
}

void TCalib_points::draw_curve(QPainter& p) {
  const t_diag_curve c = cal_diag_curve(pts_, scale_, layout_);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(CURVE_COLOR, 1, Qt::SolidLine, Qt::RoundCap));
  auto line = [&p](const t_diag_seg& s) { p.drawLine(s.a.x, s.a.y, s.b.x, s.b.y); };
  for (const t_diag_seg& s : c.segments) line(s);
  if (c.upper) line(*c.upper);
  if (c.lower) line(*c.lower);
  p.setPen(QPen(CURVE_COLOR, 3));
  for (const t_diag_pt& pt : c.points) p.drawEllipse(QPointF(pt.x, pt.y), 3.0, 3.0);
  p.setRenderHint(QPainter::Antialiasing, false);
}

void TCalib_points::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  apply_captions();
  load_points();
  draw_diagram();
}

void TCalib_points::paintEvent(QPaintEvent* event) {
  fit_to_monitor(this);
  QDialog::paintEvent(event);
}

void TCalib_points::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (isVisible()) draw_diagram();
}
