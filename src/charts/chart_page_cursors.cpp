// A chart page's cursors (the two handles, their lines and the statistics
// between them in the channel grid), the zoom rectangle and buttons, and
// the scroll bar.
#include "charts/chart_cursor.h"
#include "charts/chart_nav.h"
#include "charts/chart_page.h"
#include "charts/chart_view.h"
#include "charts/draw_stat.h"
#include "core/common_data.h"
#include "core/updating_guard.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>

#include <algorithm>

namespace {

void set_cell(QTableWidget* g, int row, int col, const QString& text) {
  QTableWidgetItem* item = g->item(row, col);
  if (!item) {
    item = new QTableWidgetItem;
    g->setItem(row, col, item);
  }
  if (item->text() != text) item->setText(text);
}

}  // namespace

// ---- cursors ----------------------------------------------------------------------------

int chart_page::handle_offset() const { return strip_x() + cursor_handle::WIDTH / 2; }

void chart_page::reset_pointer() {
  const t_draw_stat& ds = draw_stat[chart_];
  ptr_onmove_ = false;
  ptr_drag_ = -1;
  const int off = handle_offset();
  const int xs[2] = {ds.plot_right, ds.plot_left};
  for (int w = 0; w < 2; ++w) {
    bvl_ptr_[w]->setGeometry(xs[w], ds.plot_top, 1, std::max(ds.plot_bottom - ds.plot_top, 1));
    bvl_ptr_[w]->show();
    bvl_ptr_[w]->raise();
    img_ptr_[w]->move(xs[w] - off, 0);
    img_ptr_[w]->show();
  }
}

void chart_page::restore_ptr() {
  reset_pointer();
  upd_cursors();
}

void chart_page::upd_cursors() {
  t_draw_stat& ds = draw_stat[chart_];
  const int off = handle_offset();
  const int plot_w = std::clamp(ds.plot_w, 0, CHART_COLS - 1);
  for (int w = 0; w < 2; ++w) {
    const int px = std::clamp(off + img_ptr_[w]->x() - ds.plot_left, 0, plot_w);
    (w == 0 ? ds.cur_r_px : ds.cur_l_px) = px;
    bvl_ptr_[w]->move(ds.plot_left + px, bvl_ptr_[w]->y());
  }
  ds.cur_r_idx = cursor_idx(ds, ds.cur_r_px);
  ds.cur_l_idx = cursor_idx(ds, ds.cur_l_px);
  for (int r = 0; r < MAX_CHANNELS && ds.chan_active[r] && r < grid_->rowCount(); ++r) {
    set_cell(grid_, r, 8, cursor_value_text(1, chart_, r, ds.cur_r_idx));
    set_cell(grid_, r, 7, cursor_value_text(0, chart_, r, ds.cur_l_idx));
    set_cell(grid_, r, 9, avg_text(chart_, r, ds.cur_r_idx, ds.cur_l_idx));
    set_cell(grid_, r, 10, total_text(chart_, r, ds.cur_r_idx, ds.cur_l_idx));
  }
  const QString dt = dt_text(ds.cur_r_idx, ds.cur_l_idx);
  if (tdiff_->text() != dt) tdiff_->setText(dt);
}

void chart_page::img_ptrMouseDown(int which, QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !img_ptr_[which]->isVisible()) return;
  init_cur_pos_ = e->globalPosition().toPoint();
  pos_init_x_ = img_ptr_[which]->x();
  ptr_onmove_ = true;
  ptr_drag_ = which;
}

void chart_page::img_ptrMouseMove(int which, QMouseEvent* e) {
  if (!ptr_onmove_ || ptr_drag_ != which) return;
  const t_draw_stat& ds = draw_stat[chart_];
  const int off = handle_offset();
  int left = pos_init_x_ + (e->globalPosition().toPoint().x() - init_cur_pos_.x());
  left = drag_handle_left(which == 0, left, img_ptr_[1 - which]->x(), cursor_handle::WIDTH);
  // A handle stays over the plot.
  left = std::clamp(left, ds.plot_left - off, std::max(ds.plot_right - off, ds.plot_left - off));
  img_ptr_[which]->move(left, img_ptr_[which]->y());
  upd_cursors();
}

void chart_page::img_ptrMouseUp(int which) {
  if (!ptr_onmove_ || ptr_drag_ != which) return;
  ptr_onmove_ = false;
  ptr_drag_ = -1;
  img_ptr_[which]->move(bvl_ptr_[which]->x() - handle_offset(), img_ptr_[which]->y());
}

// ---- zoom rectangle, zoom buttons, scrolling --------------------------------------------

void chart_page::img_liveMouseDown(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    emit menu_wanted(e->globalPosition().toPoint());
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  bvl_init_x_ = p.x();
  bvl_init_y_ = p.y();
  bvl_frame_->setGeometry(p.x(), p.y(), 1, 1);
  bvl_frame_->show();
  bvl_frame_->raise();
}

void chart_page::img_liveMouseMove(QMouseEvent* e) {
  if (!bvl_frame_->isVisible()) return;
  const QPoint p = e->position().toPoint();
  bvl_frame_->setGeometry(std::min(bvl_init_x_, p.x()), std::min(bvl_init_y_, p.y()),
                          std::max(std::abs(p.x() - bvl_init_x_), 1), std::max(std::abs(p.y() - bvl_init_y_), 1));
}

void chart_page::img_liveMouseUp(QMouseEvent*) {
  QFrame* f = bvl_frame_;
  if (!f->isVisible()) return;
  f->hide();
  if (f->width() < ZOOM_MIN_PX || f->height() < ZOOM_MIN_PX) return;
  t_draw_stat& ds = draw_stat[chart_];
  const int32_t x1 = f->x() - ds.plot_right - 1;
  const int32_t x2 = x1 + f->width() + 1;
  const int32_t y_high = ds.plot_bottom - f->y() + 1;
  const int32_t y_low = y_high - f->height() - 1;
  if (!zoom_to_rect(ds, x1, x2, y_low, y_high)) return;
  create_draw(false, true);
  if (chart_ == CHART_LIVE) emit view_moved();
}

void chart_page::draw_zoom(bool out) {
  if (!zoom_step(draw_stat[chart_], out)) return;
  create_draw(false, true);
  if (chart_ == CHART_LIVE) emit view_moved();
}

void chart_page::upd_scroll_bar() {
  updating_guard guard;
  const t_scroll s = scroll_state(draw_stat[chart_]);
  if (s.enabled) {
    scr_->setRange(0, s.max);
    scr_->setPageStep(std::max(s.large, 1));
    scr_->setSingleStep(std::max(s.large / 10, 1));
    scr_->setValue(s.pos);
  }
  scr_->setEnabled(s.enabled);
}

void chart_page::scr_liveChange() {
  if (ctrl_updating) return;
  scroll_to(draw_stat[chart_], scr_->maximum(), scr_->value());
  create_draw(false, false);
  emit view_moved();
}
