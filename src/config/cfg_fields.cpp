#include "config/cfg_fields.h"

#include "config/active_cfg.h"
#include "config/bind_table.h"
#include "config/cfg_show.h"
#include "config/products.h"
#include "config/reg_codec.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "texts/text_table.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

constexpr int PARAM_REG_PROD_SEL = 36;  // 36..50: the products of input states 1..15
constexpr int PROD_REG_GAIN = 1;
constexpr int AOUT_END_REGS[2][2][2] = {{{1, 3}, {2, 4}}, {{5, 7}, {6, 8}}};  // [voltage][end]{drive, feedback}

QString cap(QStringView name) { return trim_blanks(ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN)); }

// What a bound control shows for the active configuration.
QString shown(const QString& name) {
  if (name.startsWith("txt_")) return trim_blanks(edit_show(name).text.value_or(QString()));
  if (name.startsWith("cmb_") || name.startsWith("x_cmb_")) {
    const QStringList items = shown_combo_items(name);
    const t_combo_show s = combo_show(name, items.isEmpty() ? 0x7FFF : static_cast<int>(items.size()));
    if (!s.index || *s.index < 0) return {};
    return *s.index < items.size() ? trim_blanks(items[*s.index]) : QString::number(*s.index);
  }
  if (name.startsWith("chk_")) {
    const t_check_show s = check_show(name);
    return s.checked ? QString::fromLatin1(*s.checked ? "on" : "off") : QString();
  }
  if (name.startsWith("scr_")) {
    const t_ctrl_bind* row = find_bind_row(name);
    const t_reg_addr a = row ? bind_reg_addr(*row) : t_reg_addr{};
    return a ? QString::number(a.get()) : QString();
  }
  return {};
}

t_cfg_field field(const QString& name, const QString& unit = {}) {
  return {name, cfg_control_caption(name), shown(name), unit};
}

// A check box's own caption.
t_cfg_field check(const QString& name) { return {name, cap(name), shown(name), {}}; }

QString n_name(const char* pattern, int n) { return QString::fromLatin1(pattern).arg(n); }

// The six alarm matrix boxes of an output (prefix chk_al1_, chk_al2_, chk_aout_).
void add_matrix(t_cfg_group& g, const QString& prefix) {
  for (const char* s : {"min", "max", "t_min", "t_max", "s_err", "s_sat"}) g.fields.push_back(check(prefix + s));
}

t_cfg_page base_page(const QString& device_title) {
  t_cfg_page page{"tab_base", cap(u"tab_base"), {}};
  t_cfg_group dev{"x_grp_device", device_title.isEmpty() ? cap(u"chk_off_line") : device_title, {}};
  dev.fields.push_back({"txt_dev_tag", cap(u"lbl_tag_no"), shown("txt_dev_tag"), {}});  // its label is lbl_tag_no
  for (const char* n : {"txt_dev_sernum", "cmb_curr_prod", "cmb_temp_mode"}) dev.fields.push_back(field(n));
  t_cfg_group serial{"grp_serial_if", cap(u"grp_serial_if"), {}};
  for (const char* n : {"cmb_baud", "cmb_parity", "cmb_mod_addr"}) serial.fields.push_back(field(n));
  serial.fields.push_back(check("chk_rs_term"));
  page.groups = {dev, serial};
  return page;
}

t_cfg_page inputs_page() {
  t_cfg_page page{"tab_inputs", cap(u"tab_inputs"), {}};
  for (int n = 1; n <= DIN_INPUTS; ++n) {
    t_cfg_group g{n_name("grp_din_%1", n), cap(n_name("grp_din_%1", n)), {}};
    g.fields.push_back(field(n_name("cmb_din%1_fun", n)));
    g.fields.push_back(field(n_name("cmb_din%1_dir", n)));
    page.groups.push_back(g);
  }
  // The assignment matrix: a row per state of the product-select inputs.
  const t_din_matrix d = din_matrix();
  if (d.k > 0) {
    t_cfg_group g{"grp_prod_switch", cap(u"grp_prod_switch"), {}};
    for (int state = 0; state < (1 << d.k); ++state) {
      QStringList cells;
      for (int j = 1; j <= d.k; ++j)
        cells << din_heading(d.input[static_cast<size_t>(j - 1)]) + " " + din_cell_caption(j, state);
      const QString name = state == 0 ? QStringLiteral("cmb_curr_prod") : n_name("cmb_prod%1_sel", state);
      QString caption = cells.join(", ");
      if (state == 0) caption += " (" + cap(u"lbl_curr_prod") + ")";
      g.fields.push_back({name, caption, shown(name), {}});
    }
    page.groups.push_back(g);
  }
  return page;
}

t_cfg_page outputs_page() {
  t_cfg_page page{"tab_outputs", cap(u"tab_outputs"), {}};
  for (int n = 1; n <= 2; ++n) {
    t_cfg_group g{n_name("grp_alarm_%1", n), cap(n_name("grp_alarm_%1", n)), {}};
    g.fields.push_back(field(n_name("cmb_al%1_mode", n)));
    g.fields.push_back(field(n_name("txt_al%1_del", n), "s"));
    add_matrix(g, n_name("chk_al%1_", n));
    page.groups.push_back(g);
  }
  t_cfg_group a{"grp_aout", cap(u"grp_aout"), {}};
  a.fields.push_back(field("cmb_aout_mode"));
  a.fields.push_back(field("txt_aout_err", cap(u"lbl_aout_err_u")));
  a.fields.push_back({"scr_cal_4ma", cap(u"lbl_cal_4ma"), shown("scr_cal_4ma"), {}});
  a.fields.push_back({"scr_cal_20ma", cap(u"lbl_cal_20ma"), shown("scr_cal_20ma"), {}});
  add_matrix(a, "chk_aout_");
  page.groups.push_back(a);
  return page;
}

t_cfg_page products_page() {
  t_cfg_page page{"tab_products", cap(u"tab_products"), {}};
  page.groups.push_back(
      {"x_pnl_prod_head", cap(u"tab_products"), {{"x_lbl_prod_crc", cap(u"lbl_prod_crc"), prod_crc_text(), {}}}});
  return page;
}

// The product groups of the products page for the edited product.
std::vector<t_cfg_group> product_groups(int p, const QString& unit, const QString& gain) {
  const QStringList select = split_items(ctrl_text(u"cmb_prod_select", TXT_REQ_CAPTION, FORM_MAIN));
  const QString title = trim_blanks(p < select.size() ? select[p] : QString::number(p + 1));
  const QString name = trim_blanks(edit_show(u"txt_prod_name").text.value_or(QString()));
  t_cfg_group prod{"x_grp_product", title + " [" + name + "]", {}};
  for (const char* n : {"txt_prod_name", "cmb_unit", "x_cmb_decp"}) prod.fields.push_back(field(n));
  for (const char* n : {"txt_rng_beg", "txt_rng_end", "txt_low_flow"}) prod.fields.push_back(field(n, unit));

  t_cfg_group filter{"grp_filter", cap(u"grp_filter"), {}};
  filter.fields.push_back(field("cmb_med_filt"));
  filter.fields.push_back(field("txt_pt_filt", "s"));
  filter.fields.push_back(field("txt_scr_filt", "s"));

  t_cfg_group alarms{"grp_alarms", cap(u"grp_alarms"), {}};
  const char* rows[3][2] = {{"lbl_al1", "txt_al1_"}, {"lbl_al2", "txt_al2_"}, {"lbl_al_aout", "txt_al_auot_"}};
  const char* parts[3][2] = {{"min", "lbl_al_min"}, {"max", "lbl_al_max"}, {"hyst", "lbl_al_hyst"}};
  for (const auto& r : rows)
    for (const auto& c : parts) {
      const QString n = QString::fromLatin1(r[1]) + c[0];
      alarms.fields.push_back(
          {n, cap(QString::fromLatin1(r[0])) + " " + cap(QString::fromLatin1(c[1])), shown(n), unit});
    }

  t_cfg_group calib{"grp_calib", cap(u"grp_calib"), {}};
  calib.fields.push_back({"x_cmb_cal_pts", cap(u"lbl_cal_pts"), shown("x_cmb_cal_pts"), {}});
  for (int j = 1; j <= cal_points_shown(); ++j) {
    calib.fields.push_back(field(n_name("txt_cal_%1", j), unit));
    calib.fields.push_back({n_name("txt_raw_%1", j),
                            cap(n_name("lbl_cal_%1", j)) + ": " + cap(n_name("lbl_raw_%1", j)),
                            shown(n_name("txt_raw_%1", j)),
                            {}});
  }
  calib.fields.push_back({"x_lbl_gain_val", cap(u"lbl_gain"), gain, {}});
  return {prod, filter, alarms, calib};
}

// Products in use: the default product, then those the product-select inputs choose.
std::vector<int> products_in_use() {
  std::vector<int> used;
  auto take = [&used](int p) {
    if (p >= 0 && p < PRODUCTS && std::find(used.begin(), used.end(), p) == used.end()) used.push_back(p);
  };
  take(active_param().get(PARAM_REG_DEF_PROD));
  const t_din_matrix d = din_matrix();
  for (int state = 1; state < (1 << d.k); ++state) take(active_param().get(PARAM_REG_PROD_SEL + state - 1));
  return used;
}

t_cfg_product product(int p, const gain_text_fn& gain_text) {
  t_cfg_product r;
  r.index = p;
  r.is_default = active_param().get(PARAM_REG_DEF_PROD) == p;
  r.name = shown("txt_prod_name");
  r.unit = shown("cmb_unit");
  r.decimals = shown("x_cmb_decp");
  r.range_begin = shown("txt_rng_beg");
  r.range_end = shown("txt_rng_end");
  r.low_flow = shown("txt_low_flow");
  r.median = shown("cmb_med_filt");
  r.pt1 = shown("txt_pt_filt");
  r.screw = shown("txt_scr_filt");
  const char* rows[3] = {"txt_al1_", "txt_al2_", "txt_al_auot_"};
  const char* parts[3] = {"min", "max", "hyst"};
  for (int a = 0; a < 3; ++a)
    for (int c = 0; c < 3; ++c) r.alarm[a][c] = shown(QString::fromLatin1(rows[a]) + parts[c]);
  for (int j = 1; j <= cal_points_shown(); ++j)
    r.cal_points.push_back({shown(n_name("txt_cal_%1", j)), shown(n_name("txt_raw_%1", j))});
  r.gain_word = edited_prod_reg(PROD_REG_GAIN).get();
  r.gain = gain_text ? gain_text(r.gain_word) : QStringLiteral("0x%1").arg(r.gain_word, 4, 16, QChar(u'0'));
  r.groups = product_groups(p, r.unit, r.gain);
  return r;
}

t_cfg_aout aout() {
  t_cfg_aout a;
  a.voltage = cfg_aout_voltage();
  a.mode = shown("cmb_aout_mode");
  const QString err = shown("txt_aout_err");
  a.alarm_value = err.isEmpty() ? err : err + " " + cap(u"lbl_aout_err_u");
  for (int end = 0; end < 2; ++end) {
    a.ends[end].caption = cap(end == 0 ? u"lbl_cal_4ma" : u"lbl_cal_20ma");
    a.ends[end].drive = active_param().get(AOUT_END_REGS[a.voltage][end][0]);
    a.ends[end].feedback = active_param().get(AOUT_END_REGS[a.voltage][end][1]);
  }
  return a;
}

}  // namespace

QString cfg_control_caption(const QString& name) {
  QString base = name;
  if (base.startsWith("x_")) base = base.mid(2);
  for (const char* prefix : {"txt_", "cmb_"})
    if (base.startsWith(QLatin1StringView(prefix))) {
      const QString label = cap(QString(QStringLiteral("lbl_") + base.mid(4)));
      if (!label.isEmpty()) return label;
    }
  QString own = cap(name);
  if (own.contains(u'|')) own = own.left(own.indexOf(u'|'));  // an item list
  return own.isEmpty() ? name : own;
}

t_cfg_fields cfg_fields(const QString& device_title, const gain_text_fn& gain_text) {
  t_cfg_fields f;
  if (!cfg_valid()) return f;
  f.pages = {base_page(device_title), inputs_page(), outputs_page(), products_page()};
  f.tag = shown("txt_dev_tag");
  f.serial = shown("txt_dev_sernum");
  f.address = shown("cmb_mod_addr").toInt();
  f.baud = shown("cmb_baud");
  f.parity = shown("cmb_parity");
  f.aout = aout();
  shared_t<int32_t>& edited = active_prod_id();
  const int32_t was = edited.load(rlx);
  for (const int p : products_in_use()) {
    edited.store(p, rlx);
    f.products.push_back(product(p, gain_text));
  }
  edited.store(was, rlx);
  return f;
}
