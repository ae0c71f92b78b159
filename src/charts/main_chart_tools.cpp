// The main window's chart tools around each chart image: the strip with the
// two cursor handles, the cursor lines and their statistics in the channel
// grid, the zoom buttons and the zoom rectangle, the scroll bar, play and
// stop of the Online view, and the row of scale controls (their handlers
// are in main_chart_scales.cpp).
#include "charts/chart_cursor.h"
#include "charts/chart_nav.h"
#include "charts/chart_scale.h"
#include "charts/chart_view.h"
#include "charts/draw_stat.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "texts/text_table.h"
#include "ui/main_form.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kEditW = 58;  // the scale edits at both ends of the chart

QString main_text(const QString& name, int request) { return ctrl_text(name, request, FORM_MAIN); }

// A frame over the chart image that lets the mouse through to it.
QFrame* overlay(QWidget* parent, const char* name, const QString& style) {
  auto* f = new QFrame(parent);
  f->setObjectName(name);
  f->setAttribute(Qt::WA_TransparentForMouseEvents);
  f->setStyleSheet(style);
  f->hide();
  return f;
}

void set_cell(QTableWidget* g, int row, int col, const QString& text) {
  QTableWidgetItem* item = g->item(row, col);
  if (!item) {
    item = new QTableWidgetItem;
    g->setItem(row, col, item);
  }
  if (item->text() != text) item->setText(text);
}

}  // namespace

void TMainForm::build_chart_tools(QWidget* page, int c, QVBoxLayout* lay, chart_view* view) {
  t_chart_ctrls& ct = chart_ctl[c];
  const bool live = c == CHART_LIVE;
  const QString sfx = live ? "_1" : "_2";
  const char* page_name = live ? "live" : "arch";

  static const char* const kScaleNames[6] = {"txt_hmin", "txt_hmax", "txt_tmin", "txt_tmax", "txt_rmin", "txt_rmax"};
  for (int t = 0; t < 6; ++t) {
    auto* e = new QLineEdit(page);
    e->setObjectName(kScaleNames[t] + sfx);
    e->setProperty("Tag", t);
    e->setFixedWidth(kEditW);
    e->setAlignment(Qt::AlignRight);
    ct.txt_scale[t] = e;
  }

  // Above the chart: temperature and scaled maximum, the handle strip, raw maximum.
  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  top->addWidget(ct.txt_scale[3]);
  top->addWidget(ct.txt_scale[1]);
  ct.pnl_top = new QWidget(page);
  ct.pnl_top->setObjectName(QString("pnl_top_%1").arg(page_name));
  ct.pnl_top->setFixedHeight(cursor_handle::HEIGHT);
  ct.pnl_top->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  top->addWidget(ct.pnl_top, 1);
  top->addWidget(ct.txt_scale[5]);
  lay->addLayout(top);
  lay->addWidget(view, 1);

  for (int w = 0; w < 2; ++w) {
    auto* h = new cursor_handle(ct.pnl_top);
    h->setObjectName(QString("img_ptr_%1%2").arg(page_name).arg(w + 1));
    h->on_mouse_down = [this, c, w](QMouseEvent* e) { img_ptrMouseDown(c, w, e); };
    h->on_mouse_move = [this, c, w](QMouseEvent* e) { img_ptrMouseMove(c, w, e); };
    h->on_mouse_up = [this, c, w](QMouseEvent*) { img_ptrMouseUp(c, w); };
    ct.img_ptr[w] = h;
    ct.bvl_ptr[w] =
        overlay(view, qPrintable(QString("bvl_ptr_%1%2").arg(page_name).arg(w + 1)), "background: #000080;");
  }
  ct.bvl_frame =
      overlay(view, live ? "bvl_frame_live" : "bvl_frame_arch", "border: 1px dashed #000080; background: transparent;");

  // Below the chart: temperature and scaled minimum, the scroll bar, raw minimum.
  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->setSpacing(0);
  bottom->addWidget(ct.txt_scale[2]);
  bottom->addWidget(ct.txt_scale[0]);
  ct.scr = new QScrollBar(Qt::Horizontal, page);
  ct.scr->setObjectName(live ? "scr_live" : "scr_arch");
  ct.scr->setProperty("Tag", c);
  ct.scr->setEnabled(false);
  bottom->addWidget(ct.scr, 1);
  bottom->addWidget(ct.txt_scale[4]);
  lay->addLayout(bottom);

  // The tool row: grid and temperature unit, autoscale and default scaling,
  // the time between the cursors and the zoom buttons.
  auto* tools = new QHBoxLayout;
  tools->setContentsMargins(0, 0, 0, 0);
  auto* lbl_grid = new QLabel(main_text("lbl_grid_sel" + sfx, TXT_REQ_CAPTION), page);
  lbl_grid->setObjectName("lbl_grid_sel" + sfx);
  lbl_grid->setToolTip(main_text("lbl_grid_sel" + sfx, TXT_REQ_HINT));
  tools->addWidget(lbl_grid);
  ct.cmb_grid = new QComboBox(page);
  ct.cmb_grid->setObjectName("cmb_sel_grid" + sfx);
  ct.cmb_grid->addItems(split_items(main_text("cmb_sel_grid" + sfx, TXT_REQ_CAPTION)));
  ct.cmb_grid->setToolTip(main_text("cmb_sel_grid" + sfx, TXT_REQ_HINT));
  tools->addWidget(ct.cmb_grid);
  ct.cmb_tunit = new QComboBox(page);
  ct.cmb_tunit->setObjectName("x_cmb_sel_tunit" + sfx);
  ct.cmb_tunit->setProperty("Tag", c);
  ct.cmb_tunit->addItems({QStringLiteral("°C"), QStringLiteral("°F")});
  tools->addWidget(ct.cmb_tunit);
  static const char* const kScaleCmds[3] = {"cmd_scale_h", "cmd_scale_t", "cmd_scale_r"};
  for (int k = 0; k < 3; ++k) {
    auto* b = new QPushButton(main_text(kScaleCmds[k] + sfx, TXT_REQ_CAPTION), page);
    b->setObjectName(kScaleCmds[k] + sfx);
    b->setToolTip(main_text(kScaleCmds[k] + sfx, TXT_REQ_HINT));
    b->setAutoDefault(false);
    ct.cmd_scale[k] = b;
    tools->addWidget(b);
  }
  auto* reset = new QPushButton(main_text("cmd_reset_scale" + sfx, TXT_REQ_CAPTION), page);
  reset->setObjectName("cmd_reset_scale" + sfx);
  reset->setToolTip(main_text("cmd_reset_scale" + sfx, TXT_REQ_HINT));
  reset->setAutoDefault(false);
  ct.cmd_reset = reset;
  tools->addWidget(reset);
  tools->addStretch(1);
  ct.tdiff = new QLabel(page);
  ct.tdiff->setObjectName(live ? "x_lbl_tdiff_live" : "x_lbl_tdiff_arch");
  ct.tdiff->setMinimumWidth(90);
  tools->addWidget(ct.tdiff);
  auto zoom_button = [&](const char* name, const char* text, const char16_t* hint_name) {
    auto* b = new QToolButton(page);
    b->setObjectName(name);
    b->setText(text);
    b->setProperty("Tag", c);
    b->setToolTip(ctrl_text(hint_name, TXT_REQ_HINT, FORM_MAIN));
    b->setFixedSize(28, 24);
    tools->addWidget(b);
    return b;
  };
  ct.zout = zoom_button(live ? "x_cmd_zout_l" : "x_cmd_zout_a", "-", u"x_cmd_zout_l");
  ct.zin = zoom_button(live ? "x_cmd_zin_l" : "x_cmd_zin_a", "+", u"x_cmd_zin_l");
  lay->addLayout(tools);

  connect(ct.zin, &QAbstractButton::clicked, this, [this, c] { x_cmd_zin_lClick(c); });
  connect(ct.zout, &QAbstractButton::clicked, this, [this, c] { x_cmd_zout_lClick(c); });
  connect(ct.scr, &QScrollBar::valueChanged, this, [this, c] { scr_liveChange(c); });
  view->on_mouse_down = [this, c](QMouseEvent* e) { img_liveMouseDown(c, e); };
  view->on_mouse_move = [this, c](QMouseEvent* e) { img_liveMouseMove(c, e); };
  view->on_mouse_up = [this, c](QMouseEvent* e) { img_liveMouseUp(c, e); };
  connect_scale_controls(c);
}

t_frame_limits TMainForm::chart_limits(int chart) const {
  const t_chart_ctrls& ct = chart_ctl[chart];
  t_frame_limits lim;
  if (!ct.pnl_top) return lim;
  QWidget* page = ct.pnl_top->parentWidget();
  const int strip_x = ct.pnl_top->mapTo(page, QPoint(0, 0)).x() - img_chart[chart]->mapTo(page, QPoint(0, 0)).x();
  lim.min_left = strip_x + 12;
  lim.min_right = ct.txt_scale[5]->width() + 12;
  return lim;
}

// ---- cursors ----------------------------------------------------------------------------

int TMainForm::handle_offset(int chart) const {
  const t_chart_ctrls& ct = chart_ctl[chart];
  QWidget* page = ct.pnl_top->parentWidget();
  const int strip_x = ct.pnl_top->mapTo(page, QPoint(0, 0)).x() - img_chart[chart]->mapTo(page, QPoint(0, 0)).x();
  return strip_x + cursor_handle::WIDTH / 2;
}

void TMainForm::reset_pointer(int draw_idx) {
  t_chart_ctrls& ct = chart_ctl[draw_idx];
  const t_draw_stat& ds = draw_stat[draw_idx];
  ptr_onmove = false;
  ptr_drag = -1;
  const int off = handle_offset(draw_idx);
  const int xs[2] = {ds.plot_right, ds.plot_left};
  for (int w = 0; w < 2; ++w) {
    ct.bvl_ptr[w]->setGeometry(xs[w], ds.plot_top, 1, std::max(ds.plot_bottom - ds.plot_top, 1));
    ct.bvl_ptr[w]->show();
    ct.bvl_ptr[w]->raise();
    ct.img_ptr[w]->move(xs[w] - off, 0);
    ct.img_ptr[w]->show();
  }
}

void TMainForm::restore_ptr(int draw_idx) {
  reset_pointer(draw_idx);
  upd_cursors(draw_idx);
}

void TMainForm::upd_cursors(int chart) {
  t_chart_ctrls& ct = chart_ctl[chart];
  t_draw_stat& ds = draw_stat[chart];
  const int off = handle_offset(chart);
  const int plot_w = std::clamp(ds.plot_w, 0, CHART_COLS - 1);
  for (int w = 0; w < 2; ++w) {
    const int px = std::clamp(off + ct.img_ptr[w]->x() - ds.plot_left, 0, plot_w);
    (w == 0 ? ds.cur_r_px : ds.cur_l_px) = px;
    ct.bvl_ptr[w]->move(ds.plot_left + px, ct.bvl_ptr[w]->y());
  }
  ds.cur_r_idx = cursor_idx(ds, ds.cur_r_px);
  ds.cur_l_idx = cursor_idx(ds, ds.cur_l_px);
  QTableWidget* g = grd_setup[chart];
  for (int r = 0; r < MAX_CHANNELS && ds.chan_active[r] && r < g->rowCount(); ++r) {
    set_cell(g, r, 8, cursor_value_text(1, chart, r, ds.cur_r_idx));
    set_cell(g, r, 7, cursor_value_text(0, chart, r, ds.cur_l_idx));
    set_cell(g, r, 9, avg_text(chart, r, ds.cur_r_idx, ds.cur_l_idx));
    set_cell(g, r, 10, total_text(chart, r, ds.cur_r_idx, ds.cur_l_idx));
  }
  const QString dt = dt_text(ds.cur_r_idx, ds.cur_l_idx);
  if (ct.tdiff->text() != dt) ct.tdiff->setText(dt);
}

void TMainForm::img_ptrMouseDown(int chart, int which, QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !chart_ctl[chart].img_ptr[which]->isVisible()) return;
  init_cur_pos = e->globalPosition().toPoint();
  pos_init_x = chart_ctl[chart].img_ptr[which]->x();
  ptr_onmove = true;
  ptr_drag = which;
}

void TMainForm::img_ptrMouseMove(int chart, int which, QMouseEvent* e) {
  if (!ptr_onmove || ptr_drag != which) return;
  t_chart_ctrls& ct = chart_ctl[chart];
  const t_draw_stat& ds = draw_stat[chart];
  const int off = handle_offset(chart);
  int left = pos_init_x + (e->globalPosition().toPoint().x() - init_cur_pos.x());
  left = drag_handle_left(which == 0, left, ct.img_ptr[1 - which]->x(), cursor_handle::WIDTH);
  // A handle stays over the plot.
  left = std::clamp(left, ds.plot_left - off, std::max(ds.plot_right - off, ds.plot_left - off));
  ct.img_ptr[which]->move(left, ct.img_ptr[which]->y());
  upd_cursors(chart);
}

void TMainForm::img_ptrMouseUp(int chart, int which) {
  if (!ptr_onmove || ptr_drag != which) return;
  ptr_onmove = false;
  ptr_drag = -1;
  t_chart_ctrls& ct = chart_ctl[chart];
  ct.img_ptr[which]->move(ct.bvl_ptr[which]->x() - handle_offset(chart), ct.img_ptr[which]->y());
}

// ---- zoom rectangle, zoom buttons, scrolling --------------------------------------------

void TMainForm::img_liveMouseDown(int chart, QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    menp_dspPopup();
    menp_dsp->popup(e->globalPosition().toPoint());
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  bvl_init_x = p.x();
  bvl_init_y = p.y();
  QFrame* f = chart_ctl[chart].bvl_frame;
  f->setGeometry(p.x(), p.y(), 1, 1);
  f->show();
  f->raise();
}

void TMainForm::img_liveMouseMove(int chart, QMouseEvent* e) {
  QFrame* f = chart_ctl[chart].bvl_frame;
  if (!f->isVisible()) return;
  const QPoint p = e->position().toPoint();
  f->setGeometry(std::min(bvl_init_x, p.x()), std::min(bvl_init_y, p.y()), std::max(std::abs(p.x() - bvl_init_x), 1),
                 std::max(std::abs(p.y() - bvl_init_y), 1));
}

void TMainForm::img_liveMouseUp(int chart, QMouseEvent*) {
  QFrame* f = chart_ctl[chart].bvl_frame;
  if (!f->isVisible()) return;
  f->hide();
  if (f->width() < ZOOM_MIN_PX || f->height() < ZOOM_MIN_PX) return;
  t_draw_stat& ds = draw_stat[chart];
  const int32_t x1 = f->x() - ds.plot_right - 1;
  const int32_t x2 = x1 + f->width() + 1;
  const int32_t y_high = ds.plot_bottom - f->y() + 1;
  const int32_t y_low = y_high - f->height() - 1;
  if (!zoom_to_rect(ds, x1, x2, y_low, y_high)) return;
  create_draw(chart, false, true);
  if (chart == CHART_LIVE) update_play_buttons();
}

void TMainForm::draw_zoom(int chart, bool out) {
  if (!zoom_step(draw_stat[chart], out)) return;
  create_draw(chart, false, true);
  if (chart == CHART_LIVE) update_play_buttons();
}

void TMainForm::x_cmd_zin_lClick(int chart) { draw_zoom(chart, false); }
void TMainForm::x_cmd_zout_lClick(int chart) { draw_zoom(chart, true); }

void TMainForm::upd_scroll_bar(int chart) {
  QScrollBar* bar = chart_ctl[chart].scr;
  if (!bar) return;
  updating_guard guard;
  const t_scroll s = scroll_state(draw_stat[chart]);
  if (s.enabled) {
    bar->setRange(0, s.max);
    bar->setPageStep(std::max(s.large, 1));
    bar->setSingleStep(std::max(s.large / 10, 1));
    bar->setValue(s.pos);
  }
  bar->setEnabled(s.enabled);
}

void TMainForm::scr_liveChange(int chart) {
  if (ctrl_updating) return;
  QScrollBar* bar = chart_ctl[chart].scr;
  scroll_to(draw_stat[chart], bar->maximum(), bar->value());
  create_draw(chart, false, false);
  update_play_buttons();
}

void TMainForm::tcmd_playClick() {
  m_stat.play_enable.store(2);
  update_play_buttons();
}

void TMainForm::tcmd_stopClick() {
  m_stat.play_enable.store(1);
  update_play_buttons();
}
