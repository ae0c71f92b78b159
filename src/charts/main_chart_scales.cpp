// The main window's scale controls of the two chart pages: the six scale
// edits, the grid and temperature unit selectors, the autoscale and default
// scaling buttons and menu entries, "Display all data" and the scale setup
// dialog.
#include "charts/chart_scales.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "charts/scale_setup.h"
#include "config/cfg_entry.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

namespace {

// Keys of the scale edits: numbers only; Enter takes the entry, Escape
// brings back the stored scale.
class scale_key_filter : public QObject {
 public:
  scale_key_filter(QObject* parent, std::function<void(QLineEdit*)> enter, std::function<void()> escape)
      : QObject(parent), enter_(std::move(enter)), escape_(std::move(escape)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* e = qobject_cast<QLineEdit*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!e) return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      e->setModified(false);
      enter_(e);
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      escape_();
      return true;
    }
    const QString typed = key->text();
    if (typed.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    QString text = e->text();
    if (e->hasSelectedText()) text.remove(e->selectionStart(), e->selectedText().size());
    for (QChar c : typed)
      if (!filter_key(c, KEY_NUMERIC, true, text)) return true;
    return false;
  }

 private:
  std::function<void(QLineEdit*)> enter_;
  std::function<void()> escape_;
};

QAction* scale_action(QMenu* menu, const char* name) {
  auto* a = menu->addAction(ctrl_text(QString::fromLatin1(name), TXT_REQ_CAPTION, FORM_MAIN));
  a->setObjectName(name);
  return a;
}

}  // namespace

void TMainForm::connect_scale_controls(int c) {
  t_chart_ctrls& ct = chart_ctl[c];
  auto* keys = new scale_key_filter(
      this, [this, c](QLineEdit* e) { txt_tmax_1Exit(c, e); }, [this, c] { sync_scale_edits(c); });
  for (QLineEdit* e : ct.txt_scale) {
    e->installEventFilter(keys);
    connect(e, &QLineEdit::editingFinished, this, [this, c, e] {
      if (!e->isModified()) return;  // Enter took it already
      e->setModified(false);
      txt_tmax_1Exit(c, e);
    });
  }
  connect(ct.cmb_grid, &QComboBox::currentIndexChanged, this, [this, c] { cmb_sel_grid_1Click(c); });
  connect(ct.cmb_tunit, &QComboBox::currentIndexChanged, this, [this, c] { x_cmb_sel_tunit_1Click(c); });
  const int32_t modes[3] = {MEAS_SCALED, MEAS_TEMP, MEAS_RAW};
  for (int k = 0; k < 3; ++k) {
    const int32_t mode = modes[k];
    connect(ct.cmd_scale[k], &QAbstractButton::clicked, this, [this, c, mode] { cmd_scale_h_1Click(c, mode); });
  }
  connect(ct.cmd_reset, &QAbstractButton::clicked, this, &TMainForm::menp_dsp_defClick);
}

void TMainForm::build_scale_menus() {
  menm_chart->addSeparator();
  menm_dsp_scale = scale_action(menm_chart, "menm_dsp_scale");
  menm_dsp_use_default = scale_action(menm_chart, "menm_dsp_use_default");
  menm_dsp_def = scale_action(menm_chart, "menm_dsp_def");
  menp_dsp->addSeparator();
  menp_dsp_scale = scale_action(menp_dsp, "menp_dsp_scale");
  menp_dsp_set_def = scale_action(menp_dsp, "menp_dsp_set_def");
  menp_dsp_def = scale_action(menp_dsp, "menp_dsp_def");
  for (QAction* a : {menm_dsp_scale, menp_dsp_scale})
    connect(a, &QAction::triggered, this, &TMainForm::menm_dsp_scaleClick);
  for (QAction* a : {menm_dsp_use_default, menp_dsp_set_def})
    connect(a, &QAction::triggered, this, &TMainForm::menp_dsp_set_defClick);
  for (QAction* a : {menm_dsp_def, menp_dsp_def}) connect(a, &QAction::triggered, this, &TMainForm::menp_dsp_defClick);
}

void TMainForm::upd_scale_menus() {
  if (!menm_dsp_def) return;
  const bool def = def_scaling_usable(draw_stat[active_chart()]);
  menm_dsp_def->setEnabled(def);
  menp_dsp_def->setEnabled(def);
}

bool TMainForm::chart_page_active() const {
  const int tag = page_tag(pgctrl_main->currentWidget());
  return tag == 6 || tag == 7;
}

void TMainForm::sync_scale_edits(int chart) {
  t_draw_stat& ds = draw_stat[chart];
  t_chart_ctrls& ct = chart_ctl[chart];
  ds.decimals = std::min(decimals_for(ds.h_max), decimals_for(ds.h_min));
  if (!ct.cmb_grid) return;
  updating_guard guard;
  ct.cmb_grid->setCurrentIndex(valid_grid_sel(ds.grid_sel));
  ct.cmb_tunit->setCurrentIndex(valid_temp_unit(ds.temp_f));
  for (int t = 0; t < 6; ++t) {
    ct.txt_scale[t]->setText(scale_edit_text(ds, t));
    ct.txt_scale[t]->setModified(false);
  }
}

void TMainForm::txt_tmax_1Exit(int chart, QLineEdit* edit) {
  scale_edit_exit(edit, chart);
  create_draw(chart, false, false);
}

void TMainForm::scale_edit_exit(QLineEdit* edit, int chart) {
  const int tag = edit->property("Tag").toInt();
  const t_entry_result r = enter_scale_edit(draw_stat[chart], tag, edit->text());
  if (!r.error.isEmpty()) show_error(r.error);
  sync_scale_edits(chart);
}

void TMainForm::cmb_sel_grid_1Click(int chart) {
  // Refilling the item list (start-up texts, a language pack) is no choice.
  if (ctrl_updating || !init_complete) return;
  draw_stat[chart].grid_sel = valid_grid_sel(chart_ctl[chart].cmb_grid->currentIndex());
  create_draw(chart, false, false);
}

void TMainForm::x_cmb_sel_tunit_1Click(int chart) {
  if (ctrl_updating) return;
  draw_stat[chart].temp_f = valid_temp_unit(chart_ctl[chart].cmb_tunit->currentIndex());
  if (!init_complete) return;
  show_tunit_captions();
  // The temperature scale is fitted to the values in the new unit.
  if (chart_page_active() && active_chart() == chart) create_draw(chart, true, true);
}

void TMainForm::show_tunit_captions() {
  for (int c = 0; c < CHART_CNT; ++c) {
    QAbstractButton* b = chart_ctl[c].cmd_scale[1];
    if (!b) continue;
    b->setText(ctrl_text(b->objectName(), TXT_REQ_CAPTION, FORM_MAIN) + " " + temp_unit_text(draw_stat[c].temp_f));
  }
}

void TMainForm::cmd_scale_h_1Click(int chart, int32_t mode) {
  if (!autoscale_view(chart, mode)) return;
  create_draw(chart, false, false);
}

void TMainForm::menp_dsp_defClick() {
  if (!chart_page_active()) return;
  const int chart = active_chart();
  if (!use_default_scaling(draw_stat[chart])) return;
  create_draw(chart, false, true);
}

void TMainForm::menp_dsp_set_defClick() {
  if (!chart_page_active()) return;
  save_default_scaling(draw_stat[active_chart()]);
  upd_chart_menus();
}

void TMainForm::menm_dsp_scaleClick() {
  if (!chart_page_active()) return;
  if (!scale_setup) {
    scale_setup = new Tscale_setup(this);
    scale_setup->on_stored = [this](int chart) {
      create_draw(chart, false, true);
      upd_chart_menus();
    };
  }
  Tscale_setup* dlg = scale_setup;
  dlg->draw_index = active_chart();
  dlg->setup_form();
  dlg->setup_lng();
  dlg->restore_form();
  const QString unit = chart_ctl[dlg->draw_index].cmb_tunit->currentText();
  dlg->x_lbl_unit_t1->setText(unit);
  dlg->x_lbl_unit_t2->setText(unit);
  dlg->adjustSize();
  dlg->move(geometry().center() - dlg->rect().center());
  dlg->show();
}
