// The chart control's scale entries: default scaling, the default taken
// from the current setup, and the scale setup dialog.
#include "charts/chart_ctl.h"
#include "charts/chart_page.h"
#include "charts/chart_scales.h"
#include "charts/draw_stat.h"
#include "charts/scale_setup.h"
#include "ui/menu_items.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

void chart_ctl::build_scale_menus(QMenu* chart_menu) {
  chart_menu->addSeparator();
  menm_dsp_scale_ = named_action(chart_menu, "menm_dsp_scale", u"menm_dsp_scale");
  menm_dsp_use_default_ = named_action(chart_menu, "menm_dsp_use_default", u"menm_dsp_use_default");
  menm_dsp_def_ = named_action(chart_menu, "menm_dsp_def", u"menm_dsp_def");
  menp_dsp_->addSeparator();
  menp_dsp_scale_ = named_action(menp_dsp_, "menp_dsp_scale", u"menp_dsp_scale");
  menp_dsp_set_def_ = named_action(menp_dsp_, "menp_dsp_set_def", u"menp_dsp_set_def");
  menp_dsp_def_ = named_action(menp_dsp_, "menp_dsp_def", u"menp_dsp_def");
  for (QAction* a : {menm_dsp_scale_, menp_dsp_scale_})
    connect(a, &QAction::triggered, this, &chart_ctl::menm_dsp_scaleClick);
  for (QAction* a : {menm_dsp_use_default_, menp_dsp_set_def_})
    connect(a, &QAction::triggered, this, &chart_ctl::menp_dsp_set_defClick);
  for (QAction* a : {menm_dsp_def_, menp_dsp_def_})
    connect(a, &QAction::triggered, this, &chart_ctl::menp_dsp_defClick);
}

void chart_ctl::upd_scale_menus() {
  if (!menm_dsp_def_) return;
  const bool def = def_scaling_usable(draw_stat[active_chart()]);
  menm_dsp_def_->setEnabled(def);
  menp_dsp_def_->setEnabled(def);
}

void chart_ctl::show_tunit_captions() {
  for (const auto& p : pages_) p->show_tunit_caption();
}

void chart_ctl::menp_dsp_defClick() {
  if (!chart_page_active()) return;
  const int chart = active_chart();
  if (!use_default_scaling(draw_stat[chart])) return;
  page(chart).create_draw(false, true);
}

void chart_ctl::menp_dsp_set_defClick() {
  if (!chart_page_active()) return;
  save_default_scaling(draw_stat[active_chart()]);
  upd_chart_menus();
}

void chart_ctl::menm_dsp_scaleClick() {
  if (!chart_page_active()) return;
  if (!scale_setup_) {
    scale_setup_ = new Tscale_setup(window_);
    scale_setup_->on_stored = [this](int chart) {
      page(chart).create_draw(false, true);
      upd_chart_menus();
    };
  }
  Tscale_setup* dlg = scale_setup_;
  dlg->draw_index = active_chart();
  dlg->setup_form();
  dlg->setup_lng();
  dlg->restore_form();
  const QString unit = page(dlg->draw_index).shown_temp_unit();
  dlg->x_lbl_unit_t1->setText(unit);
  dlg->x_lbl_unit_t2->setText(unit);
  dlg->adjustSize();
  dlg->move(window_->geometry().center() - dlg->rect().center());
  dlg->show();
}
