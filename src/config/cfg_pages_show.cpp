// Showing the active configuration on the configuration pages. Every fill
// runs with ctrl_updating set, so that no change handler writes back what
// is only being shown.
#include "config/cfg_pages.h"

#include "calib/gain_model.h"
#include "config/active_cfg.h"
#include "config/cfg_show.h"
#include "config/products.h"
#include "config/reg_codec.h"
#include "core/reg_text.h"
#include "core/sys_number.h"
#include "core/updating_guard.h"
#include "texts/text_table.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>

namespace {

// Controls a walk may hand to a show routine: named ones, not the inner
// parts of composite widgets.
bool is_control(const QWidget* w) {
  const QString n = w->objectName();
  return !n.isEmpty() && !n.startsWith(QLatin1String("qt_"));
}

// Containers a walk descends into: group boxes, pages and the plain widgets
// and scroll areas that lay a page out; panels (pnl_*) are not walked into.
bool is_container(const QWidget* w) {
  if (w->objectName().startsWith(QLatin1String("pnl_"))) return false;
  if (qobject_cast<const QGroupBox*>(w) || qobject_cast<const QTabWidget*>(w) ||
      qobject_cast<const QStackedWidget*>(w) || qobject_cast<const QScrollArea*>(w))
    return true;
  return w->metaObject() == &QWidget::staticMetaObject || w->metaObject() == &QFrame::staticMetaObject;
}

}  // namespace

void cfg_pages::fill_cfg_lists() {
  updating_guard g;
  cmb_mod_addr->clear();
  for (int a = 1; a <= 248; ++a) cmb_mod_addr->addItem(QString::number(a));
  x_cmb_decp->clear();
  x_cmb_decp->addItems(dec_places_items(sys_dec_char()));
}

void cfg_pages::show_bound_controls(QWidget* container) {
  if (!container) return;
  for (QObject* o : container->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) continue;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      if (is_control(e)) show_edit(e);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      if (is_control(c)) show_combo(c);
    } else if (auto* k = qobject_cast<QCheckBox*>(w)) {
      if (is_control(k)) show_check(k);
    } else if (auto* s = qobject_cast<QScrollBar*>(w)) {
      if (is_control(s)) show_scroll(s);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      if (is_control(b)) show_button(b);
    } else if (is_container(w)) {
      show_bound_controls(w);
    }
  }
}

void cfg_pages::show_edit(QLineEdit* edit) {
  const t_edit_show s = edit_show(edit->objectName());
  if (s.text) edit->setText(*s.text);
  if (s.enabled) edit->setEnabled(*s.enabled);
  if (s.text) edit->setCursorPosition(0);
}

void cfg_pages::show_combo(QComboBox* box) {
  const t_combo_show s = combo_show(box->objectName(), box->count());
  if (s.index) box->setCurrentIndex(*s.index);
  if (s.enabled) box->setEnabled(*s.enabled);
}

void cfg_pages::show_check(QCheckBox* box) {
  const bool is_default = cmb_curr_prod && cmb_prod_select && cmb_prod_select->currentIndex() >= 0 &&
                          cmb_prod_select->currentIndex() == cmb_curr_prod->currentIndex();
  const t_check_show s = check_show(box->objectName(), is_default);
  if (s.checked) box->setChecked(*s.checked);
  if (s.enabled) box->setEnabled(*s.enabled);
}

void cfg_pages::show_scroll(QScrollBar* bar) {
  const t_scroll_show s = scroll_show(bar->objectName(), bar->minimum(), bar->maximum());
  if (s.position) bar->setValue(*s.position);
  if (s.enabled) bar->setEnabled(*s.enabled);
}

void cfg_pages::show_button(QAbstractButton* button) {
  if (const auto e = button_show(button->objectName())) button->setEnabled(*e);
}

void cfg_pages::show_cfg_pages() {
  align_cfg_labels();
  fill_prod_lists();
  {
    updating_guard g;
    const int d = selected_device();
    x_grp_device->setTitle(d >= 0 ? common_setup.dev_conn[d].tag.get()
                                  : ctrl_text(u"chk_off_line", TXT_REQ_CAPTION, FORM_MAIN));
    show_settings_pages();
  }
  show_aout_mode();
  show_products_tab();
}

void cfg_pages::show_settings_pages() {
  show_bound_controls(tabs_.base);
  show_bound_controls(tabs_.inputs);
  show_bound_controls(tabs_.outputs);
  show_din_matrix();
  refresh_gain_display();
}

void cfg_pages::values_changed() {
  updating_guard g;
  show_bound_controls(tabs_.base);
  show_bound_controls(tabs_.inputs);
  show_bound_controls(tabs_.outputs);
}

void cfg_pages::show_aout_mode() {
  for (const char* name : {"lbl_cal_4ma", "lbl_cal_20ma", "lbl_aout_err_u"})
    if (auto* l = tabs_.outputs->findChild<QLabel*>(name))
      l->setText(ctrl_text(QString::fromLatin1(name), 0, FORM_MAIN));
  updating_guard g;
  if (auto* e = tabs_.outputs->findChild<QLineEdit*>("txt_aout_err")) show_edit(e);
  for (const char* name : {"scr_cal_4ma", "scr_cal_20ma"})
    if (auto* s = tabs_.outputs->findChild<QScrollBar*>(name)) show_scroll(s);
}

void cfg_pages::fill_prod_lists() {
  updating_guard g;
  const QList<QComboBox*> boxes = prod_name_boxes();
  for (QComboBox* b : boxes) b->clear();
  const QStringList names = prod_names();
  if (names.isEmpty()) return;
  for (QComboBox* b : boxes) {
    b->addItems(names);
    show_combo(b);
  }
}

void cfg_pages::fill_prod_select() {
  updating_guard g;
  const QString items =
      prod_select_items(ctrl_text(u"cmb_prod_select", TXT_REQ_CAPTION, FORM_MAIN), true, cmb_curr_prod->currentIndex());
  cmb_prod_select->clear();
  QStringList list = items.split(u'|');
  list.removeLast();  // every entry ends with "|"
  cmb_prod_select->addItems(list);
  int index = -1;
  if (cfg_addressable()) index = active_prod_id().load(std::memory_order_relaxed);
  cmb_prod_select->setCurrentIndex(index >= 0 && index < cmb_prod_select->count() ? index : -1);
  chk_default_prod->setChecked(cmb_prod_select->currentIndex() >= 0 &&
                               cmb_prod_select->currentIndex() == cmb_curr_prod->currentIndex());
}

void cfg_pages::show_products_tab() {
  {
    updating_guard g;
    show_bound_controls(tabs_.products);
    show_cal_points();
    show_unit_labels();
  }
  set_prod_crc();
  // The list first, so that the caption names the product as it is now.
  fill_prod_select();
  x_grp_product->setTitle(prod_group_caption(cmb_prod_select->currentText()));
}

void cfg_pages::show_cal_points() {
  const int column = cal_points_shown() - 2;
  for (QWidget* w : grp_calib->findChildren<QWidget*>())
    if (const auto v = vis_flag(cal_pts_vis(), w->objectName(), column)) w->setVisible(*v);
}

void cfg_pages::show_unit_labels() {
  static const char* const kUnitLabels[] = {
      "x_lbl_rng_beg_u", "x_lbl_rng_end_u", "x_lbl_al1_u1",     "x_lbl_al1_u2",     "x_lbl_al1_u3",     "x_lbl_al2_u1",
      "x_lbl_al2_u2",    "x_lbl_al2_u3",    "x_lbl_al_aout_u1", "x_lbl_al_aout_u2", "x_lbl_al_aout_u3", "x_lbl_cal_1_u",
      "x_lbl_cal_2_u",   "x_lbl_cal_3_u",   "x_lbl_cal_4_u",    "x_lbl_cal_5_u",    "x_lbl_low_flow_u"};
  const QString unit = cmb_unit->currentText();
  for (const char* name : kUnitLabels)
    if (auto* l = tabs_.products->findChild<QLabel*>(name)) l->setText(unit);
}

void cfg_pages::show_din_matrix() {
  const t_din_matrix d = din_matrix();
  if (!d.addressable) {
    grp_prod_switch->hide();
    return;
  }
  for (int j = 1; j <= DIN_INPUTS; ++j) {
    auto* head = grp_prod_switch->findChild<QLabel*>(QString("x_lbl_sw_din%1").arg(j));
    if (!head) continue;
    if (j <= d.k) head->setText(din_heading(d.input[static_cast<size_t>(j - 1)]));
    head->setVisible(j <= d.k);
  }
  if (d.k == 0) {
    grp_prod_switch->hide();
    return;
  }
  grp_prod_switch->show();
  for (QWidget* w : grp_prod_switch->findChildren<QWidget*>())
    if (const auto v = vis_flag(prod_sw_vis(), w->objectName(), d.k - 1)) w->setVisible(*v);
  // State 0 selects the default product: its row names it.
  if (auto* def = grp_prod_switch->findChild<QLabel*>("x_lbl_def_prod")) {
    const QString name = trim_blanks(cmb_curr_prod->currentText());
    def->setText(ctrl_text(u"lbl_curr_prod", TXT_REQ_CAPTION, FORM_MAIN) + (name.isEmpty() ? "" : ": " + name));
  }
}

void cfg_pages::set_prod_crc() { x_lbl_prod_crc->setText(prod_crc_text()); }
