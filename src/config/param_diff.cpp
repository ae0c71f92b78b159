#include "config/param_diff.h"

#include "comm/reg_map.h"
#include "config/bind_table.h"
#include "config/cfg_show.h"
#include "config/cfg_transfer.h"
#include "config/products.h"
#include "config/reg_codec.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "texts/text_table.h"

#include <QRegularExpression>
#include <QStringList>

#include <optional>
#include <set>

namespace {

// Registers a row shows (within its block).
int row_width(const t_ctrl_bind& row) {
  switch (row.val_kind) {
    case BIND_FLOAT:
    case BIND_INT32:
    case BIND_ALARM_LIMIT: return 2;
    case BIND_TEXT: return row.dec_pl;
    case BIND_PROD_SEL: return 0;
    default: return 1;
  }
}

// The value a row's control shows for the active configuration; none when
// the row does not apply (the other analog output mode) or shows no value.
std::optional<QString> shown_value(const t_ctrl_bind& row) {
  const QString name = QString::fromLatin1(row.ctrl_name);
  if (find_bind_row(name) != &row || row.val_kind == BIND_PROD_SEL) return std::nullopt;
  if (name.startsWith("txt_")) {
    const t_edit_show s = edit_show(name);
    return s.text ? std::optional<QString>(trim_blanks(*s.text)) : std::nullopt;
  }
  if (name.startsWith("cmb_") || name.startsWith("x_cmb_")) {
    const QStringList items = shown_combo_items(name);
    const t_combo_show s = combo_show(name, items.isEmpty() ? 0x7FFF : static_cast<int>(items.size()));
    if (!s.index || *s.index < 0) return QString();
    return *s.index < items.size() ? trim_blanks(items[*s.index]) : QString::number(*s.index);
  }
  if (name.startsWith("chk_")) {
    const t_check_show s = check_show(name);
    return s.checked ? std::optional<QString>(*s.checked ? "on" : "off") : std::nullopt;
  }
  if (name.startsWith("scr_")) {
    const t_reg_addr a = bind_reg_addr(row);
    return a ? std::optional<QString>(QString::number(a.get())) : std::nullopt;
  }
  return std::nullopt;  // buttons are bound for their enable rule only
}

// The caption of a label from the text table (a control's own caption
// without an item list), trimmed; empty when the table has none.
QString caption_of(const QString& name) {
  QString own = trim_blanks(ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN, cfg_aout_voltage()));
  if (own.contains(u'|')) own = own.left(own.indexOf(u'|'));  // an item list
  return own;
}

// The label a control stands beside on its page: lbl_ instead of txt_ or
// cmb_ (the device tag's is lbl_tag_no), else the control's own caption.
QString control_label(const QString& name) {
  const QString base = name.startsWith("x_") ? name.mid(2) : name;
  if (base == u"txt_dev_tag") return caption_of("lbl_tag_no");
  if (base.startsWith("txt_") || base.startsWith("cmb_") || base.startsWith("scr_")) {
    const QString label = caption_of(QStringLiteral("lbl_") + base.mid(4));
    if (!label.isEmpty()) return label;
  }
  const QString own = caption_of(name);
  return own.isEmpty() ? name : own;
}

// Captions that repeat on the pages get what the page shows around them:
// the group of an output or input ("Relay 1: Delay"), the row of the
// alarm limit table ("Alarm #1, Minimum") or of the calibration table
// ("1. Calibrated value, Raw value").
QString setting_caption(const QString& name) {
  static const QRegularExpression limit("^txt_al(1|2|_auot)_(min|max|hyst)$");
  if (const auto m = limit.match(name); m.hasMatch()) {
    const QString row = m.captured(1) == u"_auot" ? QStringLiteral("lbl_al_aout") : "lbl_al" + m.captured(1);
    return caption_of(row) + ", " + caption_of("lbl_al_" + m.captured(2));
  }
  static const QRegularExpression raw("^txt_raw_([1-5])$");
  if (const auto m = raw.match(name); m.hasMatch())
    return caption_of("lbl_cal_" + m.captured(1)) + ", " + caption_of("lbl_raw_" + m.captured(1));
  static const QRegularExpression sel("^cmb_prod([0-9]+)_sel$");
  if (const auto m = sel.match(name); m.hasMatch())
    return caption_of("grp_prod_switch") + ", input state " + m.captured(1);
  QString group;
  static const QRegularExpression alarm("^[a-z]+_al([12])_");
  static const QRegularExpression din("^cmb_din([1-4])_");
  if (const auto m = alarm.match(name); m.hasMatch()) group = "grp_alarm_" + m.captured(1);
  if (const auto m = din.match(name); m.hasMatch()) group = "grp_din_" + m.captured(1);
  if (name.contains("_aout_") || name.startsWith("scr_cal_")) group = QStringLiteral("grp_aout");
  const QString label = control_label(name);
  return group.isEmpty() ? label : caption_of(group) + ": " + label;
}

// Selectors whose items are the product names: their register is the
// setting; a renamed product changes only what they show.
bool product_selector(QStringView name) {
  return name == u"cmb_curr_prod" || (name.startsWith(u"cmb_prod") && name.endsWith(u"_sel"));
}

void load_offline(const t_param_set& s, int product) {
  m_stat.dev_selected.store(-1, rlx);
  m_stat.off_line_vaild.store(true, rlx);
  m_stat.sensor_mode.store(s.sensor_mode, rlx);
  m_stat.edit_param.copy_in(0, s.param.data(), PARAM_REGS);
  m_stat.edit_prod.copy_in(0, s.prod.data(), PROD_REGS);
  m_stat.ed_prod_id.store(product, rlx);
}

// The shown values of the rows of one block (products: of product p).
std::vector<std::optional<QString>> shown_values(const t_param_set& s, int block, int product) {
  load_offline(s, product);
  std::vector<std::optional<QString>> v;
  for (const t_ctrl_bind& row : ctrl_bind_tab) v.push_back(row.reg_block == block ? shown_value(row) : std::nullopt);
  return v;
}

// The selection and the off-line configuration the values are formatted
// with, put back as they were when the diff ends.
class offline_keeper {
 public:
  offline_keeper()
      : selected_(m_stat.dev_selected.load(rlx)),
        valid_(m_stat.off_line_vaild.load(rlx)),
        product_(m_stat.ed_prod_id.load(rlx)) {
    set_.sensor_mode = m_stat.sensor_mode.load(rlx);
    m_stat.edit_param.copy_out(0, set_.param.data(), PARAM_REGS);
    m_stat.edit_prod.copy_out(0, set_.prod.data(), PROD_REGS);
  }
  ~offline_keeper() {
    load_offline(set_, product_);
    m_stat.off_line_vaild.store(valid_, rlx);
    m_stat.dev_selected.store(selected_, rlx);
  }
  offline_keeper(const offline_keeper&) = delete;
  offline_keeper& operator=(const offline_keeper&) = delete;

 private:
  t_param_set set_;
  int32_t selected_;
  bool valid_;
  int32_t product_;
};

}  // namespace

std::vector<t_diff_line> param_set_diff(const t_param_set& a, const t_param_set& b) {
  const offline_keeper keep;
  std::vector<t_diff_line> out;
  if (a.sensor_mode != b.sensor_mode)
    out.push_back({"Sensor mode", QString::number(a.sensor_mode), QString::number(b.sensor_mode), -1});
  // Registers explained by a control that shows the difference.
  std::set<int> explained;
  auto compare = [&](int block, int product) {
    const auto va = shown_values(a, block, product);
    const auto vb = shown_values(b, block, product);  // b stays loaded: its captions
    for (size_t k = 0; k < ctrl_bind_tab.size(); ++k) {
      const t_ctrl_bind& row = ctrl_bind_tab[k];
      if (!va[k] || !vb[k]) continue;
      const QString name = QString::fromLatin1(row.ctrl_name);
      const int first =
          block == BLOCK_PROD ? PROD_REG_FIRST + product * PROD_STRIDE + row.reg_idx : PARAM_REG_FIRST + row.reg_idx;
      QString shown_a = *va[k], shown_b = *vb[k];
      if (product_selector(name)) {
        // The product chosen, not the names the items show.
        const auto k_reg = static_cast<size_t>(row.reg_idx);
        if (a.param[k_reg] == b.param[k_reg]) continue;
        if (shown_a == shown_b) {
          shown_a += QStringLiteral(" (product %1)").arg(a.param[k_reg] + 1);
          shown_b += QStringLiteral(" (product %1)").arg(b.param[k_reg] + 1);
        }
      } else if (shown_a == shown_b) {
        continue;
      }
      const QString caption = setting_caption(name);
      out.push_back({block == BLOCK_PROD ? QStringLiteral("Product %1: %2").arg(product + 1).arg(caption) : caption,
                     shown_a, shown_b, first});
      for (int r = 0; r < row_width(row); ++r) explained.insert(first + r);
    }
  };
  compare(BLOCK_PARAM, 0);
  for (int p = 0; p < PRODUCTS; ++p) {
    bool differs = false;
    for (int r = 0; r < PROD_STRIDE && !differs; ++r)
      differs = a.prod[static_cast<size_t>(p * PROD_STRIDE + r)] != b.prod[static_cast<size_t>(p * PROD_STRIDE + r)];
    if (differs) compare(BLOCK_PROD, p);
  }
  // Everything else that differs, by register.
  auto raw = [&](int reg, uint16_t va, uint16_t vb, const QString& title) {
    if (va == vb || explained.count(reg)) return;
    out.push_back({"Register " + title, QString::number(va), QString::number(vb), reg});
  };
  for (int k = 0; k < PARAM_REGS; ++k)
    raw(PARAM_REG_FIRST + k, a.param[static_cast<size_t>(k)], b.param[static_cast<size_t>(k)],
        k < PARAM_XFER_REGS ? register_title(PARAM_REG_FIRST + k)
                            : QStringLiteral("%1 (parameter %2, kept in files only)").arg(PARAM_REG_FIRST + k).arg(k));
  for (int k = 0; k < PROD_REGS; ++k)
    raw(PROD_REG_FIRST + k, a.prod[static_cast<size_t>(k)], b.prod[static_cast<size_t>(k)],
        k < PROD_XFER_REGS
            ? register_title(PROD_REG_FIRST + k)
            : QStringLiteral("%1 (product element %2, kept in files only)").arg(PROD_REG_FIRST + k).arg(k));
  return out;
}
