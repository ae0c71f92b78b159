#include "config/products.h"

#include "config/active_cfg.h"
#include "config/reg_codec.h"
#include "core/crc16.h"

#include <algorithm>
#include <vector>

QStringList prod_names() {
  QStringList names;
  if (!cfg_addressable()) return names;
  for (int p = 0; p < PRODUCTS; ++p) names << regs_to_text(prod_reg_addr(p, PROD_REG_NAME), PROD_NAME_CHARS);
  return names;
}

QString prod_select_items(const QString& labels, bool mark_default, int default_idx) {
  const QStringList fields = labels.split(u'|');
  const QStringList names = prod_names();
  QString items;
  for (int i = 0; i < PRODUCTS; ++i) {
    items += i < fields.size() ? fields[i] : QString();
    items += " [" + (i < names.size() ? names[i] : QString(PROD_NAME_CHARS, u' ')) + "]";
    if (mark_default && i == default_idx) items += " (default)";
    items += u'|';
  }
  return items;
}

QString prod_group_caption(const QString& select_text) {
  const qsizetype at = select_text.indexOf(u'[');
  return u' ' + (at < 0 ? select_text : select_text.left(at));
}

QString prod_crc_text() {
  const prod_image& img = active_prod();
  std::vector<uint8_t> bytes(PROD_XFER_REGS);
  for (int k = 0; k < PROD_XFER_REGS / 2; ++k) {
    const uint16_t w = img.get(k);
    bytes[static_cast<size_t>(2 * k)] = static_cast<uint8_t>(w & 0xFF);
    bytes[static_cast<size_t>(2 * k + 1)] = static_cast<uint8_t>(w >> 8);
  }
  uint8_t first = 0, second = 0;
  calc_crc(bytes.data(), static_cast<int>(bytes.size()), first, second);
  return QString("%1").arg(first * 256 + second, 4, 16, QChar(u'0')).toUpper();
}

const std::array<t_vis_row, 84>& prod_sw_vis() {
  static const std::array<t_vis_row, 84> tab = [] {
    std::array<t_vis_row, 84> t{};
    size_t i = 0;
    for (int n = 1; n <= 4; ++n)
      for (int m = 0; m < 16; ++m) {
        t[i].name = QString("x_lbl_sw%1_%2").arg(n).arg(m);
        for (int k = 1; k <= 4; ++k) t[i].vis[static_cast<size_t>(k - 1)] = n <= k && m < (1 << k);
        ++i;
      }
    for (int n = 1; n <= 4; ++n) {
      t[i].name = QString("x_lbl_sw_din%1").arg(n);
      for (int k = 1; k <= 4; ++k) t[i].vis[static_cast<size_t>(k - 1)] = n <= k;
      ++i;
    }
    t[i].name = "x_lbl_def_prod";
    t[i].vis = {true, true, true, true};
    ++i;
    for (int m = 1; m <= 15; ++m) {
      t[i].name = QString("cmb_prod%1_sel").arg(m);
      for (int k = 1; k <= 4; ++k) t[i].vis[static_cast<size_t>(k - 1)] = m < (1 << k);
      ++i;
    }
    return t;
  }();
  return tab;
}

const std::array<t_vis_row, 32>& cal_pts_vis() {
  static const std::array<t_vis_row, 32> tab = [] {
    std::array<t_vis_row, 32> t{};
    t[0] = {"lbl_cal_pts", {true, true, true, true}};
    t[1] = {"x_cmb_cal_pts", {true, true, true, true}};
    size_t i = 2;
    for (int j = 1; j <= 5; ++j) {
      const QString tmpl[6] = {"lbl_cal_%1", "txt_cal_%1", "x_lbl_cal_%1_u",
                               "lbl_raw_%1", "txt_raw_%1", "cmd_calin_%1"};
      for (const QString& name : tmpl) {
        t[i].name = name.arg(j);
        for (int n = 2; n <= 5; ++n) t[i].vis[static_cast<size_t>(n - 2)] = n >= j;
        ++i;
      }
    }
    return t;
  }();
  return tab;
}

QString din_cell_caption(int n, int m) { return ((m >> (n - 1)) & 1) ? QStringLiteral("ON") : QStringLiteral("OFF"); }

QString din_heading(int input) { return "Din-" + QString::number(input); }

t_din_matrix din_matrix() {
  t_din_matrix d;
  d.addressable = cfg_addressable();
  if (!d.addressable) return d;
  const param_image& p = active_param();
  for (int i = 1; i <= DIN_INPUTS; ++i)
    if (p.get(PARAM_REG_DIN_FUN + i - 1) == DIN_FUN_PROD_SELECT) d.input[static_cast<size_t>(d.k++)] = i;
  return d;
}

int cal_points_shown() {
  const t_reg_addr a = edited_prod_reg(PROD_REG_CAL_PTS);
  if (!a) return 2;
  return std::clamp<int>(a.get(), 2, 5);
}
