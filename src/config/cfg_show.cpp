#include "config/cfg_show.h"

#include "config/bind_table.h"
#include "config/products.h"
#include "config/reg_codec.h"
#include "core/sys_number.h"
#include "texts/text_table.h"

#include <algorithm>

namespace {

constexpr QStringView DEFAULT_PROD_BOX = u"chk_default_prod";

}  // namespace

t_edit_show edit_show(QStringView name) {
  t_edit_show s;
  if (!cfg_valid()) {
    s.text = QString();
    s.enabled = false;
    return s;
  }
  const t_ctrl_bind* row = find_bind_row(name);
  if (!row) return s;
  const int dec = bind_dec_places(*row);
  const t_reg_addr a = bind_reg_addr(*row);
  if (!a) {
    s.text = QString();
    s.enabled = false;
    return s;
  }
  switch (row->val_kind) {
    case BIND_WORD: s.text = fmt_scaled(static_cast<int16_t>(a.get()), dec); break;
    case BIND_FLOAT: s.text = fmt_float(dec, get_f32(a)); break;
    case BIND_INT32: s.text = fmt_scaled(get_i32(a), dec); break;
    case BIND_TEXT: s.text = regs_to_text(a, row->dec_pl); break;
    case BIND_ALARM_LIMIT:
      if (!alarm_limit_on(row->bit_mask)) {
        s.text = QString();
        s.enabled = false;
        return s;
      }
      s.text = fmt_float(dec, get_f32(a));
      break;
    default: break;
  }
  s.enabled = ena_rule_ok(row->ena_rule);
  return s;
}

t_combo_show combo_show(QStringView name, int item_count) {
  t_combo_show s;
  if (!cfg_valid()) {
    s.index = -1;
    s.enabled = false;
    return s;
  }
  const t_ctrl_bind* row = find_bind_row(name);
  if (!row) return s;
  const t_reg_addr a = bind_reg_addr(*row);
  if (!a) {
    s.index = -1;
    s.enabled = false;
    return s;
  }
  int32_t v = a.value();
  if (row->val_kind == BIND_WORD)
    v = bit_field(static_cast<uint16_t>(v), static_cast<uint16_t>(row->bit_mask)) - row->dec_pl;
  if (v < 0) v = 0;
  if (v > item_count - 1) v = item_count - 1;
  s.index = v;
  s.enabled = ena_rule_ok(row->ena_rule);
  return s;
}

t_check_show check_show(QStringView name, bool edited_is_default) {
  t_check_show s;
  if (name == DEFAULT_PROD_BOX) {
    s.checked = cfg_valid() && edited_is_default;
    s.enabled = cfg_valid();
    return s;
  }
  if (!cfg_valid()) {
    s.checked = false;
    s.enabled = false;
    return s;
  }
  const t_ctrl_bind* row = find_bind_row(name);
  if (!row) return s;
  const t_reg_addr a = bind_reg_addr(*row);
  if (!a) {
    s.checked = false;
    s.enabled = false;
    return s;
  }
  s.checked = (row->bit_mask & a.get()) != 0;
  s.enabled = ena_rule_ok(row->ena_rule);
  return s;
}

t_scroll_show scroll_show(QStringView name, int min, int max) {
  t_scroll_show s;
  const t_ctrl_bind* row = find_bind_row(name);
  if (!row) return s;
  const t_reg_addr a = cfg_valid() ? bind_reg_addr(*row) : t_reg_addr{};
  if (!a) {
    s.position = min;
    s.enabled = false;
    return s;
  }
  const int v = std::clamp<int>(a.get(), min, std::max(min, max));
  s.position = row->dec_pl != 0 ? max - v : v;
  s.enabled = ena_rule_ok(row->ena_rule);
  return s;
}

std::optional<bool> button_show(QStringView name) {
  if (!cfg_valid()) return false;
  std::optional<bool> enabled;
  for (const auto& row : ctrl_bind_tab)
    if (name == QLatin1StringView(row.ctrl_name) && !aout_cond_excludes(row.aout_cond))
      enabled = ena_rule_ok(row.ena_rule);
  return enabled;
}

QStringList shown_combo_items(QStringView name) {
  if (name == u"cmb_baud") return {"9600", "19200", "38400", "57600", "115200"};
  if (name == u"cmb_parity") return {"none", "even", "odd"};
  if (name == u"cmb_temp_mode") return {QString::fromUtf16(u"\u00B0C"), QString::fromUtf16(u"\u00B0F")};
  if (name == u"cmb_al1_mode" || name == u"cmb_al2_mode") return {"N.O.", "N.C."};
  if (name == u"x_cmb_cal_pts") return {"2", "3", "4", "5"};
  if (name == u"x_cmb_decp") return dec_places_items(sys_dec_char());
  if (name == u"cmb_mod_addr") {
    QStringList l;
    for (int a = 1; a <= 248; ++a) l << QString::number(a);
    return l;
  }
  if (name == u"cmb_curr_prod" || (name.startsWith(u"cmb_prod") && name.endsWith(u"_sel"))) return prod_names();
  return combo_items(name, FORM_MAIN).value_or(QStringList());
}
