// A chart page's scale controls: the six scale edits, the grid and
// temperature unit selectors and the autoscale buttons.
#include "charts/chart_frame.h"
#include "charts/chart_page.h"
#include "charts/chart_scales.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "config/cfg_entry.h"
#include "core/common_data.h"
#include "core/updating_guard.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <functional>

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

}  // namespace

void chart_page::connect_scale_controls() {
  auto* keys = new scale_key_filter(
      this, [this](QLineEdit* e) { txt_tmax_1Exit(e); }, [this] { sync_scale_edits(); });
  for (QLineEdit* e : txt_scale_) {
    e->installEventFilter(keys);
    connect(e, &QLineEdit::editingFinished, this, [this, e] {
      if (!e->isModified()) return;  // Enter took it already
      e->setModified(false);
      txt_tmax_1Exit(e);
    });
  }
  connect(cmb_grid_, &QComboBox::currentIndexChanged, this, &chart_page::cmb_sel_grid_1Click);
  connect(cmb_tunit_, &QComboBox::currentIndexChanged, this, &chart_page::x_cmb_sel_tunit_1Click);
  const int32_t modes[3] = {MEAS_SCALED, MEAS_TEMP, MEAS_RAW};
  for (int k = 0; k < 3; ++k) {
    const int32_t mode = modes[k];
    connect(cmd_scale_[k], &QAbstractButton::clicked, this, [this, mode] { cmd_scale_h_1Click(mode); });
  }
  connect(cmd_reset_, &QAbstractButton::clicked, this, &chart_page::reset_scale_clicked);
}

void chart_page::sync_scale_edits() {
  t_draw_stat& ds = draw_stat[chart_];
  ds.decimals = std::min(decimals_for(ds.h_max), decimals_for(ds.h_min));
  updating_guard guard;
  cmb_grid_->setCurrentIndex(valid_grid_sel(ds.grid_sel));
  cmb_tunit_->setCurrentIndex(valid_temp_unit(ds.temp_f));
  for (int t = 0; t < 6; ++t) {
    txt_scale_[t]->setText(scale_edit_text(ds, t));
    txt_scale_[t]->setModified(false);
  }
}

void chart_page::txt_tmax_1Exit(QLineEdit* edit) {
  scale_edit_exit(edit);
  create_draw(false, false);
}

void chart_page::scale_edit_exit(QLineEdit* edit) {
  const int tag = edit->property("Tag").toInt();
  const t_entry_result r = enter_scale_edit(draw_stat[chart_], tag, edit->text());
  if (!r.error.isEmpty()) show_error(r.error);
  sync_scale_edits();
}

void chart_page::cmb_sel_grid_1Click() {
  // Refilling the item list (start-up texts, a language pack) is no choice.
  if (ctrl_updating || !frame_.started()) return;
  draw_stat[chart_].grid_sel = valid_grid_sel(cmb_grid_->currentIndex());
  create_draw(false, false);
}

void chart_page::x_cmb_sel_tunit_1Click() {
  if (ctrl_updating) return;
  draw_stat[chart_].temp_f = valid_temp_unit(cmb_tunit_->currentIndex());
  if (!frame_.started()) return;
  emit temp_unit_changed();
  // The temperature scale is fitted to the values in the new unit.
  if (frame_.shown_page() == chart_page_tag(chart_)) create_draw(true, true);
}

void chart_page::show_tunit_caption() {
  QAbstractButton* b = cmd_scale_[1];
  b->setText(ctrl_text(b->objectName(), TXT_REQ_CAPTION, FORM_MAIN) + " " + temp_unit_text(draw_stat[chart_].temp_f));
}

QString chart_page::shown_temp_unit() const { return cmb_tunit_->currentText(); }

void chart_page::cmd_scale_h_1Click(int32_t mode) {
  if (!autoscale_view(chart_, mode)) return;
  create_draw(false, false);
}
