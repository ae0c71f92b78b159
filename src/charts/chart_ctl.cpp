// The chart control: its pages, the channel entries of the chart menus,
// the channel operations, the live follow step and the chart data at start-up.
#include "charts/chart_ctl.h"

#include "archive/arch_load.h"
#include "archive/live_reload.h"
#include "charts/chart_cursor.h"
#include "charts/chart_frame.h"
#include "charts/chart_page.h"
#include "charts/chart_scales.h"
#include "charts/column_map.h"
#include "charts/draw_setup.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
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

chart_ctl::chart_ctl(QWidget* window, const chart_frame& frame, QWidget* live_tab, QWidget* arch_tab, QMenu* chart_menu,
                     QMenu* export_menu)
    : window_(window), frame_(frame), menm_chart_(chart_menu) {
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
  build_chart_menus(chart_menu);
  build_scale_menus(chart_menu);
  build_export_menus(export_menu);
}

chart_ctl::~chart_ctl() = default;

void chart_ctl::set_grid_menu_hook(grid_menu_hook* hook) {
  for (const auto& p : pages_) p->set_grid_menu_hook(hook);
}

void chart_ctl::build_chart_menus(QMenu* chart_menu) {
  menm_dsp_add_ = chart_action(chart_menu, "menm_dsp_add", u"menm_dsp_add");
  menm_dsp_edit_ = chart_submenu(chart_menu, "menm_dsp_edit", u"menm_dsp_edit");
  menm_dsp_del_ = chart_submenu(chart_menu, "menm_dsp_del", u"menm_dsp_del");
  menm_dsp_rem_all_ = chart_action(chart_menu, "menm_dsp_rem_all", u"menm_dsp_rem_all");
  chart_menu->addSeparator();
  menm_dsp_all_ = chart_action(chart_menu, "menm_dsp_all", u"menm_dsp_all");
  slot_entries(menm_dsp_edit_, "x_menm_dsp_edit", x_menm_dsp_edit_);
  slot_entries(menm_dsp_del_, "x_menm_dsp_del", x_menm_dsp_del_);

  menp_dsp_ = new QMenu(window_);
  menp_dsp_->setObjectName("menp_dsp");
  menp_dsp_add_ = chart_action(menp_dsp_, "menp_dsp_add", u"menp_dsp_add");
  menp_dsp_edit_ = chart_submenu(menp_dsp_, "menp_dsp_edit", u"menp_dsp_edit");
  menp_dsp_del_ = chart_submenu(menp_dsp_, "menp_dsp_del", u"menp_dsp_del");
  menp_dsp_dall_ = chart_action(menp_dsp_, "menp_dsp_dall", u"menp_dsp_dall");
  menp_dsp_->addSeparator();
  menp_dsp_all_ = chart_action(menp_dsp_, "menp_dsp_all", u"menp_dsp_all");
  slot_entries(menp_dsp_edit_, "x_menp_dsp_edit", x_menp_dsp_edit_);
  slot_entries(menp_dsp_del_, "x_menp_dsp_del", x_menp_dsp_del_);

  for (QAction* a : {menm_dsp_add_, menp_dsp_add_})
    connect(a, &QAction::triggered, this, &chart_ctl::menp_dsp_addClick);
  for (QAction* a : {menm_dsp_rem_all_, menp_dsp_dall_})
    connect(a, &QAction::triggered, this, &chart_ctl::menp_dsp_dallClick);
  for (QAction* a : {menm_dsp_all_, menp_dsp_all_})
    connect(a, &QAction::triggered, this, &chart_ctl::menm_dsp_allClick);
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    for (QAction* a : {x_menm_dsp_edit_[k], x_menp_dsp_edit_[k]})
      connect(a, &QAction::triggered, this, [this, k] { x_menp_dsp_edit1Click(k); });
    for (QAction* a : {x_menm_dsp_del_[k], x_menp_dsp_del_[k]})
      connect(a, &QAction::triggered, this, [this, k] { x_menp_dsp_del1Click(k); });
  }
  connect(menp_dsp_, &QMenu::aboutToShow, this, &chart_ctl::menp_dspPopup);
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
    for (QAction* a : {x_menm_dsp_edit_[k], x_menm_dsp_del_[k], x_menp_dsp_edit_[k], x_menp_dsp_del_[k]}) {
      a->setVisible(ch[k].active);
      if (ch[k].active) a->setText(ch[k].tag);
    }
  }
  menm_dsp_add_->setEnabled(free);
  menp_dsp_add_->setEnabled(free);
  for (QMenu* m : {menm_dsp_edit_, menm_dsp_del_, menp_dsp_edit_, menp_dsp_del_}) m->setEnabled(any);
  menm_dsp_rem_all_->setEnabled(any);
  menp_dsp_dall_->setEnabled(any);
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
    for (int s = 0; s < MAX_CHANNELS; ++s) refilter_chan(s, true);
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

void chart_ctl::load_chart_data() {
  for (int s = 0; s < MAX_CHANNELS; ++s) refilter_after_load(s);
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
