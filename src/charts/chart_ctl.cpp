// The chart control: its pages, the channel entries of the chart menus,
// the channel operations, the live follow step and the chart data at start-up.
#include "charts/chart_ctl.h"

#include "archive/live_reload.h"
#include "charts/arch_load.h"
#include "charts/chart_cursor.h"
#include "charts/chart_frame.h"
#include "charts/chart_page.h"
#include "charts/chart_scales.h"
#include "charts/column_map.h"
#include "charts/draw_setup.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/refilter_pump.h"
#include "charts/sample_access.h"
#include "charts/trace_filter.h"
#include "comm/service_client.h"
#include "core/common_data.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

namespace {

// An entry or a submenu named for the text table: its object name and its caption.
QAction* entry(QMenu* menu, const QString& name) {
  auto* a = menu->addAction(ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN));
  a->setObjectName(name);
  return a;
}

QMenu* submenu(QMenu* menu, const QString& name) {
  auto* m = menu->addMenu(ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN));
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

// The per-channel entries of an edit or remove submenu: entry k has Tag k.
void slot_entries(QMenu* menu, const QString& prefix, std::array<QAction*, 8>& out) {
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    out[k] = menu->addAction(QString());
    out[k]->setObjectName(prefix + QString::number(k + 1));
    out[k]->setProperty("Tag", k);
    out[k]->setVisible(false);
  }
}

void report_load_failure(int code, const QString& error) {
  if (code == LOAD_READ_FAILED) show_error(msg_text(11) + " [" + error + "]");
  show_error(msg_text(82) + " (Err code:" + QString::number(code) + ")");
}

}  // namespace

chart_ctl::chart_ctl(QWidget* window, const chart_frame& frame, QWidget* live_tab, QWidget* arch_tab, QMenu* chart_menu,
                     QMenu* export_menu)
    : window_(window), frame_(frame), pump_(std::make_unique<refilter_pump>()), menm_chart_(chart_menu) {
  pages_[0] = std::make_unique<chart_page>(CHART_LIVE, live_tab, frame_);
  pages_[1] = std::make_unique<chart_page>(CHART_ARCH, arch_tab, frame_);
  for (const auto& p : pages_) {
    chart_page* pg = p.get();
    connect(pg, &chart_page::view_moved, this, &chart_ctl::play_state_changed);
    connect(pg, &chart_page::menu_wanted, this, &chart_ctl::show_dsp_menu);
    connect(pg, &chart_page::row_double_clicked, this, [this, pg](int row) { grd_setup_DblClick(pg->chart(), row); });
    connect(pg, &chart_page::temp_unit_changed, this, &chart_ctl::show_tunit_captions);
    connect(pg, &chart_page::reset_scale_clicked, this, &chart_ctl::menp_dsp_defClick);
  }
  // While rows are rebuilt the chart shows what is ready, now and then.
  pump_->on_progress = [this] {
    if (frame_.started()) live_page().create_draw(false, false);
  };
  pump_->on_done = [this] { refilter_done(); };
  build_chart_menus(chart_menu);
  build_scale_menus(chart_menu);
  build_export_menus(export_menu);
}

chart_ctl::~chart_ctl() = default;

void chart_ctl::set_grid_menu_hook(grid_menu_hook* hook) {
  for (const auto& p : pages_) p->set_grid_menu_hook(hook);
}

void chart_ctl::build_chart_menus(QMenu* chart_menu) {
  menp_dsp_ = new QMenu(window_);
  menp_dsp_->setObjectName("menp_dsp");
  build_chan_entries(chart_menu, "menm", "menm_dsp_rem_all", chan_menus_[0]);
  build_chan_entries(menp_dsp_, "menp", "menp_dsp_dall", chan_menus_[1]);
  connect(menp_dsp_, &QMenu::aboutToShow, this, &chart_ctl::menp_dspPopup);
}

void chart_ctl::build_chan_entries(QMenu* menu, const QString& prefix, const QString& rem_all, t_chan_entries& e) {
  e.add = entry(menu, prefix + "_dsp_add");
  e.edit = submenu(menu, prefix + "_dsp_edit");
  e.del = submenu(menu, prefix + "_dsp_del");
  e.rem_all = entry(menu, rem_all);
  menu->addSeparator();
  e.all = entry(menu, prefix + "_dsp_all");
  slot_entries(e.edit, "x_" + prefix + "_dsp_edit", e.edit_k);
  slot_entries(e.del, "x_" + prefix + "_dsp_del", e.del_k);
  connect(e.add, &QAction::triggered, this, &chart_ctl::menp_dsp_addClick);
  connect(e.rem_all, &QAction::triggered, this, &chart_ctl::menp_dsp_dallClick);
  connect(e.all, &QAction::triggered, this, &chart_ctl::menm_dsp_allClick);
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    connect(e.edit_k[k], &QAction::triggered, this, [this, k] { x_menp_dsp_edit1Click(k); });
    connect(e.del_k[k], &QAction::triggered, this, [this, k] { x_menp_dsp_del1Click(k); });
  }
}

int chart_ctl::active_chart() const {
  return frame_.shown_page() == chart_page_tag(CHART_LIVE) ? CHART_LIVE : CHART_ARCH;
}

bool chart_ctl::chart_page_active() const {
  const int tag = frame_.shown_page();
  return tag == chart_page_tag(CHART_LIVE) || tag == chart_page_tag(CHART_ARCH);
}

void chart_ctl::upd_chart_menus() {
  menm_chart_->setEnabled(chart_page_active());
  const t_dsp_chan* ch = chart_chans(active_chart());
  bool any = false, free = false;
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    any = any || ch[k].active;
    free = free || !ch[k].active;
  }
  for (t_chan_entries& e : chan_menus_) {
    for (int k = 0; k < MAX_CHANNELS; ++k) {
      for (QAction* a : {e.edit_k[k], e.del_k[k]}) {
        a->setVisible(ch[k].active);
        if (ch[k].active) a->setText(ch[k].tag);
      }
    }
    e.add->setEnabled(free);
    e.edit->setEnabled(any);
    e.del->setEnabled(any);
    e.rem_all->setEnabled(any);
  }
  upd_scale_menus();
}

void chart_ctl::upd_chart(int chart, bool full_diag) {
  chart_page& p = page(chart);
  invalidate_stats(chart);  // channels changed
  upd_chart_menus();
  p.fill_chan_grid();
  for (const auto& pg : pages_) pg->set_img_frame();
  p.create_draw(full_diag, true);
}

void chart_ctl::show_dsp_menu(const QPoint& global_pos) {
  menp_dspPopup();
  menp_dsp_->popup(global_pos);
}

void chart_ctl::start() {
  load_chart_data();
  upd_chart_menus();
  upd_chart(CHART_LIVE, true);
  upd_chart(CHART_ARCH, true);
  show_tunit_captions();
}

void chart_ctl::keep_live_default_scaling() {
  live_keeps_default_ = true;
  upd_chart_menus();
  live_default_scaling();
}

void chart_ctl::live_default_scaling() {
  if (live_keeps_default_ && use_default_scaling(draw_stat[CHART_LIVE])) live_page().create_draw(false, true);
}

bool chart_ctl::live_following() const {
  const t_draw_stat& ds = draw_stat[CHART_LIVE];
  return ds.view_last == ds.data_last;
}

bool chart_ctl::play_stopped() const { return service_client::play_state() == 1; }

void chart_ctl::tcmd_playClick() {
  service_client::set_play_state(2);
  emit play_state_changed();
}

void chart_ctl::tcmd_stopClick() {
  service_client::set_play_state(1);
  emit play_state_changed();
}

void chart_ctl::live_follow() {
  t_draw_stat& ds = draw_stat[CHART_LIVE];
  const bool flagged = service_client::take_live_reset();
  const int32_t newest = newest_live_idx();
  // A newest slot gone back below the chart is a new day too: the chart
  // never stands still on the old day's rings.
  if (live_day_restarted(ds, newest) || flagged) {
    // A new day: every filtered series starts again from the new day's ring.
    for (int s = 0; s < MAX_CHANNELS; ++s) queue_refilter(s, REFILTER_NEWEST);
    run_refilter(true, true);
    upd_chart(CHART_LIVE, true);
    live_default_scaling();
  }
  if (newest <= ds.data_last) return;
  for (int s = 0; s < MAX_CHANNELS; ++s) refilter_chan(s, false);
  const int32_t old_last = ds.data_last;
  int32_t play = service_client::play_state();
  bool play_changed = false;
  const follow_t step = follow_live(ds, newest, play, play_changed);
  service_client::set_play_state(play);
  if (play_changed) emit play_state_changed();
  if (step == FOLLOW_FULL) {
    upd_chart(CHART_LIVE, true);
    live_default_scaling();
  } else if (step == FOLLOW_ADVANCE) {
    live_page().advance(old_last);
  }
}

bool chart_ctl::refiltering() const { return pump_->running(); }

void chart_ctl::finish_refilter_now() {
  if (refilter_pending() || pump_->running()) pump_->finish();
}

void chart_ctl::run_refilter(bool full_diag, bool default_scaling) {
  if (pump_->start()) return;
  refilter_full_ = refilter_full_ || full_diag;
  refilter_default_ = refilter_default_ || default_scaling;
}

void chart_ctl::refilter_done() {
  const bool full = refilter_full_, def = refilter_default_;
  refilter_full_ = refilter_default_ = false;
  upd_chart(CHART_LIVE, full);
  if (def) live_default_scaling();
}

void chart_ctl::load_chart_data() {
  for (int s = 0; s < MAX_CHANNELS; ++s) queue_refilter(s, REFILTER_LOADED);
  run_refilter(true, false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  load_arch_channels([](int, int code, const QString& error) { report_load_failure(code, error); });
  QApplication::restoreOverrideCursor();
}

// ---- channels ---------------------------------------------------------------------------

Tdraw_setup* chart_ctl::chan_dialog() {
  if (draw_setup_) return draw_setup_;
  draw_setup_ = new Tdraw_setup(window_);
  draw_setup_->on_stored = [this](int mode, int id, bool changed) {
    if (mode == CHART_LIVE) {
      queue_refilter(id, REFILTER_NEWEST);
      run_refilter(false, false);
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
  return draw_setup_;
}

void chart_ctl::add_chan(int chan_mode) {
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

void chart_ctl::edit_chan(int chan_idx, int chan_mode) {
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

void chart_ctl::delete_chan(int dev_id, int chan_mode, bool skip_ask, bool upd_dsp) {
  if (dev_id < 0 || dev_id >= MAX_CHANNELS) return;
  if (!skip_ask && !ask_question(msg_text(48))) return;
  remove_chan_slot(chan_mode, dev_id);
  if (!upd_dsp) return;
  upd_chart(chan_mode, false);
  upd_chart_menus();
}

void chart_ctl::delete_all_chans(int chan_mode, bool skip_ask, bool upd_dsp) {
  if (!skip_ask && !ask_question(msg_text(49))) return;
  clear_all_chans(chan_mode);
  if (!upd_dsp) return;
  upd_chart(chan_mode, true);
  upd_chart_menus();
}

void chart_ctl::grd_setup_DblClick(int chart, int row) {
  if (row >= 0 && row < MAX_CHANNELS && chart_chans(chart)[row].active) edit_chan(row, chart);
}

void chart_ctl::menp_dsp_addClick() { add_chan(active_chart()); }
void chart_ctl::x_menp_dsp_edit1Click(int tag) { edit_chan(tag, active_chart()); }
void chart_ctl::x_menp_dsp_del1Click(int tag) { delete_chan(tag, active_chart(), false, true); }
void chart_ctl::menp_dsp_dallClick() { delete_all_chans(active_chart(), false, true); }
void chart_ctl::menm_dsp_allClick() { page(active_chart()).create_draw(true, true); }
void chart_ctl::menp_dspPopup() { upd_chart_menus(); }
