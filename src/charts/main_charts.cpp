// The main window's chart pages: the Online view and the Off-line analysis
// with their chart images and channel grids, the chart menu and pop-up, the
// channel operations, the redraw entry points and the live follow step.
#include "archive/arch_load.h"
#include "archive/live_reload.h"
#include "calib/calib_pick.h"
#include "charts/chan_grid.h"
#include "charts/chart_cursor.h"
#include "charts/chart_render.h"
#include "charts/chart_scale.h"
#include "charts/chart_scales.h"
#include "charts/chart_view.h"
#include "charts/column_map.h"
#include "charts/draw_setup.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString cap(const char16_t* name) { return ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN); }

QAction* chart_action(QMenu* menu, const char* name, const char16_t* text_name) {
  auto* a = menu->addAction(cap(text_name));
  a->setObjectName(name);
  return a;
}

QMenu* chart_submenu(QMenu* menu, const char* name, const char16_t* text_name) {
  auto* m = menu->addMenu(cap(text_name));
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

// The per-channel entries of an edit or remove submenu: entry k has Tag k.
void slot_entries(QMenu* menu, const char* prefix, std::array<QAction*, 8>& out) {
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    out[k] = menu->addAction(QString());
    out[k]->setObjectName(QString("%1%2").arg(prefix).arg(k + 1));
    out[k]->setProperty("Tag", k);
    out[k]->setVisible(false);
  }
}

void report_load_failure(int code, const QString& error) {
  if (code == LOAD_READ_FAILED) show_error(msg_text(11) + " [" + error + "]");
  show_error(msg_text(82) + " (Err code:" + QString::number(code) + ")");
}

}  // namespace

void TMainForm::build_chart_pages() {
  QWidget* pages[2] = {tab_online, tab_offline};
  for (int c = 0; c < 2; ++c) {
    auto* lay = new QVBoxLayout(pages[c]);
    lay->setContentsMargins(6, 6, 6, 6);
    lay->setSpacing(6);
    auto* view = new chart_view(pages[c]);
    view->setObjectName(c == CHART_LIVE ? "img_live" : "img_arch");
    view->setProperty("Tag", c);
    view->on_resized = [this, c] {
      if (img_chart[c]->set_frame() && init_complete) create_draw(c, false, true);
    };
    img_chart[c] = view;
    build_chart_tools(pages[c], c, lay, view);
    QTableWidget* grid = make_chan_grid(c, pages[c]);
    grd_setup[c] = grid;
    lay->addWidget(grid);
    connect(grid, &QTableWidget::cellDoubleClicked, this,
            c == CHART_LIVE ? &TMainForm::grd_setup_liveDblClick : &TMainForm::grd_setup_archDblClick);
    connect(grid, &QTableWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& pos) { grd_setup_liveMouseDown(grid, pos); });
  }
  build_chart_menus();
  live_following = [] {
    const t_draw_stat& ds = draw_stat[CHART_LIVE];
    return ds.view_last == ds.data_last;
  };
}

void TMainForm::build_chart_menus() {
  menm_dsp_add = chart_action(menm_chart, "menm_dsp_add", u"menm_dsp_add");
  menm_dsp_edit = chart_submenu(menm_chart, "menm_dsp_edit", u"menm_dsp_edit");
  menm_dsp_del = chart_submenu(menm_chart, "menm_dsp_del", u"menm_dsp_del");
  menm_dsp_rem_all = chart_action(menm_chart, "menm_dsp_rem_all", u"menm_dsp_rem_all");
  menm_chart->addSeparator();
  menm_dsp_all = chart_action(menm_chart, "menm_dsp_all", u"menm_dsp_all");
  slot_entries(menm_dsp_edit, "x_menm_dsp_edit", x_menm_dsp_edit);
  slot_entries(menm_dsp_del, "x_menm_dsp_del", x_menm_dsp_del);

  menp_dsp = new QMenu(this);
  menp_dsp->setObjectName("menp_dsp");
  menp_dsp_add = chart_action(menp_dsp, "menp_dsp_add", u"menp_dsp_add");
  menp_dsp_edit = chart_submenu(menp_dsp, "menp_dsp_edit", u"menp_dsp_edit");
  menp_dsp_del = chart_submenu(menp_dsp, "menp_dsp_del", u"menp_dsp_del");
  menp_dsp_dall = chart_action(menp_dsp, "menp_dsp_dall", u"menp_dsp_dall");
  menp_dsp->addSeparator();
  menp_dsp_all = chart_action(menp_dsp, "menp_dsp_all", u"menp_dsp_all");
  slot_entries(menp_dsp_edit, "x_menp_dsp_edit", x_menp_dsp_edit);
  slot_entries(menp_dsp_del, "x_menp_dsp_del", x_menp_dsp_del);

  for (QAction* a : {menm_dsp_add, menp_dsp_add}) connect(a, &QAction::triggered, this, &TMainForm::menp_dsp_addClick);
  for (QAction* a : {menm_dsp_rem_all, menp_dsp_dall})
    connect(a, &QAction::triggered, this, &TMainForm::menp_dsp_dallClick);
  for (QAction* a : {menm_dsp_all, menp_dsp_all}) connect(a, &QAction::triggered, this, &TMainForm::menm_dsp_allClick);
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    for (QAction* a : {x_menm_dsp_edit[k], x_menp_dsp_edit[k]})
      connect(a, &QAction::triggered, this, [this, k] { x_menp_dsp_edit1Click(k); });
    for (QAction* a : {x_menm_dsp_del[k], x_menp_dsp_del[k]})
      connect(a, &QAction::triggered, this, [this, k] { x_menp_dsp_del1Click(k); });
  }
  connect(menp_dsp, &QMenu::aboutToShow, this, &TMainForm::menp_dspPopup);
  build_scale_menus();
  build_export_menus();
}

int TMainForm::active_chart() const { return page_tag(pgctrl_main->currentWidget()) == 6 ? CHART_LIVE : CHART_ARCH; }

const QImage& TMainForm::chart_image(int chart) const { return img_chart[chart]->image(); }

void TMainForm::upd_chart_menus() {
  const int tag = page_tag(pgctrl_main->currentWidget());
  menm_chart->setEnabled(tag == 6 || tag == 7);
  const int chart = active_chart();
  const t_dsp_chan* ch = chart_chans(chart);
  bool any = false, free = false;
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    any = any || ch[k].active;
    free = free || !ch[k].active;
    for (QAction* a : {x_menm_dsp_edit[k], x_menm_dsp_del[k], x_menp_dsp_edit[k], x_menp_dsp_del[k]}) {
      a->setVisible(ch[k].active);
      if (ch[k].active) a->setText(ch[k].tag);
    }
  }
  menm_dsp_add->setEnabled(free);
  menp_dsp_add->setEnabled(free);
  for (QMenu* m : {menm_dsp_edit, menm_dsp_del, menp_dsp_edit, menp_dsp_del}) m->setEnabled(any);
  menm_dsp_rem_all->setEnabled(any);
  menp_dsp_dall->setEnabled(any);
  upd_scale_menus();
}

void TMainForm::fill_chan_grid(int chart) {
  fill_chan_grid_rows(grd_setup[chart], chart, common_setup.text_h);
  size_grid_columns(grd_setup[chart]);
  set_img_frame();
}

void TMainForm::size_grid_columns(QTableWidget* grid) { size_chan_grid_columns(grid); }

void TMainForm::set_img_frame() {
  for (chart_view* v : img_chart) v->set_frame();
}

void TMainForm::upd_chart(int chart_id, bool full_diag) {
  invalidate_stats(chart_id);  // channels changed
  upd_chart_menus();
  fill_chan_grid(chart_id);
  create_draw(chart_id, full_diag, true);
}

void TMainForm::create_draw(int draw_idx, bool full_diag, bool upd_scr_bar) {
  chart_view* view = img_chart[draw_idx];
  QImage& img = view->image();
  prepare_chart(draw_idx, full_diag, img.width(), img.height(), chart_limits(draw_idx));
  paint_chart(img, draw_idx);
  // The cursor sums are built again where the samples may have changed; a
  // zoom, scroll or scale change keeps those already built.
  if (full_diag) invalidate_stats(draw_idx);
  if (upd_scr_bar) upd_scroll_bar(draw_idx);
  restore_ptr(draw_idx);
  // The scale edits show the new state; the scaled value labels of the next
  // drawing take the decimals that fit the scale.
  sync_scale_edits(draw_idx);
  view->update();
}

void TMainForm::keep_live_default_scaling() {
  live_keeps_default_ = true;
  upd_chart_menus();
  live_default_scaling();
}

void TMainForm::live_default_scaling() {
  if (live_keeps_default_ && use_default_scaling(draw_stat[CHART_LIVE])) create_draw(CHART_LIVE, false, true);
}

void TMainForm::live_follow() {
  t_draw_stat& ds = draw_stat[CHART_LIVE];
  // The service raises the flag once the rings hold the new day; taking it
  // makes them visible here.
  const bool flagged = m_stat.reset_live.exchange(false, acq_rls);
  const int32_t newest = newest_live_idx();
  // A newest slot gone back below the chart is a new day too: the chart
  // never stands still on the old day's rings.
  if (live_day_restarted(ds, newest) || flagged) {
    // A new day: every filtered series starts again from the new day's ring.
    for (int s = 0; s < MAX_CHANNELS; ++s) refilter_chan(s, true);
    upd_chart(CHART_LIVE, true);
    live_default_scaling();
  }
  if (newest <= ds.data_last) return;
  for (int s = 0; s < MAX_CHANNELS; ++s) refilter_chan(s, false);
  const int32_t old_last = ds.data_last;
  int32_t play = m_stat.play_enable.load();
  bool play_changed = false;
  const follow_t step = follow_live(ds, newest, play, play_changed);
  m_stat.play_enable.store(play);
  if (play_changed) update_play_buttons();
  if (step == FOLLOW_FULL) {
    upd_chart(CHART_LIVE, true);
    live_default_scaling();
  } else if (step == FOLLOW_ADVANCE) {
    QImage& img = img_chart[CHART_LIVE]->image();
    relayout_chart(CHART_LIVE, img.width(), img.height(), chart_limits(CHART_LIVE));
    paint_chart(img, CHART_LIVE);
    // Only the newest samples changed (a minute back, for late slots).
    invalidate_stats_from(CHART_LIVE, old_last - 300);
    upd_scroll_bar(CHART_LIVE);
    upd_cursors(CHART_LIVE);
    img_chart[CHART_LIVE]->update();
  }
}

void TMainForm::load_chart_data() {
  for (int s = 0; s < MAX_CHANNELS; ++s) refilter_after_load(s);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  load_arch_channels([](int, int code, const QString& error) { report_load_failure(code, error); });
  QApplication::restoreOverrideCursor();
}

Tdraw_setup* TMainForm::chan_dialog() {
  if (draw_setup) return draw_setup;
  draw_setup = new Tdraw_setup(this);
  draw_setup->on_stored = [this](int mode, int id, bool changed) {
    if (mode == CHART_LIVE) {
      refilter_chan(id, true);
      upd_chart(CHART_LIVE, false);
      return;
    }
    if (!changed) return upd_chart(CHART_ARCH, false);
    QString error;
    const int code = load_arch_file(common_setup.dsp_chan_arch[id].sample_file, id, &error);
    if (code != LOAD_OK) {
      report_load_failure(code, error);
      delete_chan(id, CHART_ARCH, true, false);
      return upd_chart(CHART_ARCH, false);
    }
    upd_chart(CHART_ARCH, id == 0);
  };
  return draw_setup;
}

void TMainForm::add_chan(int chan_mode) {
  const int slot = first_free_slot(chan_mode);
  if (slot < 0) return;
  Tdraw_setup* dlg = chan_dialog();
  dlg->set_captions();
  dlg->setup_form(chan_mode);
  clear_dsp_chan(dlg->dsp_chan);
  dlg->dsp_chan.displayed = true;
  dlg->new_chan = true;
  dlg->chan_id = slot;
  dlg->restore_form();
  dlg->open();
}

void TMainForm::edit_chan(int chan_idx, int chan_mode) {
  if (chan_idx < 0 || chan_idx >= MAX_CHANNELS || !chart_chans(chan_mode)[chan_idx].active) return;
  Tdraw_setup* dlg = chan_dialog();
  dlg->set_captions();
  dlg->setup_form(chan_mode);
  dlg->dsp_chan = chart_chans(chan_mode)[chan_idx];
  dlg->chan_id = chan_idx;
  dlg->new_chan = false;
  dlg->restore_form();
  dlg->open();
}

void TMainForm::delete_chan(int dev_id, int chan_mode, bool skip_ask, bool upd_dsp) {
  if (dev_id < 0 || dev_id >= MAX_CHANNELS) return;
  if (!skip_ask && !ask_question(msg_text(48))) return;
  remove_chan_slot(chan_mode, dev_id);
  if (!upd_dsp) return;
  upd_chart(chan_mode, false);
  upd_chart_menus();
}

void TMainForm::delete_all_chans(int chan_mode, bool skip_ask, bool upd_dsp) {
  if (!skip_ask && !ask_question(msg_text(49))) return;
  clear_all_chans(chan_mode);
  if (!upd_dsp) return;
  upd_chart(chan_mode, true);
  upd_chart_menus();
}

void TMainForm::grd_setup_liveDblClick(int row) {
  if (row >= 0 && row < MAX_CHANNELS && common_setup.dsp_chan_live[row].active) edit_chan(row, CHART_LIVE);
}

void TMainForm::grd_setup_archDblClick(int row) {
  if (row >= 0 && row < MAX_CHANNELS && common_setup.dsp_chan_arch[row].active) edit_chan(row, CHART_ARCH);
}

void TMainForm::grd_setup_liveMouseDown(QTableWidget* grid, const QPoint& pos) {
  // A cursor value of a raw-value channel offers itself as a calibration point.
  float value = 0.0f;
  if (grid_cal_value(grid, pos.x(), pos.y(), value) && prep_cal_menu()) {
    calib_data = cal_pick_raw(value);
    ball_position = grid->viewport()->mapToGlobal(pos);
    menp_cal->popup(ball_position);
    return;
  }
  menp_dspPopup();
  menp_dsp->popup(grid->viewport()->mapToGlobal(pos));
}

void TMainForm::menp_dsp_addClick() { add_chan(active_chart()); }
void TMainForm::x_menp_dsp_edit1Click(int tag) { edit_chan(tag, active_chart()); }
void TMainForm::x_menp_dsp_del1Click(int tag) { delete_chan(tag, active_chart(), false, true); }
void TMainForm::menp_dsp_dallClick() { delete_all_chans(active_chart(), false, true); }
void TMainForm::menm_dsp_allClick() { create_draw(active_chart(), true, true); }
void TMainForm::menp_dspPopup() { upd_chart_menus(); }
