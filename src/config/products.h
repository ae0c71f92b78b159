// Products of the active configuration: the product name lists, the list of
// products to edit with the default marker, the products CRC, the product
// assignment matrix of the digital inputs and the calibration point rows.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

inline constexpr int DIN_INPUTS = 4;
inline constexpr int DIN_FUN_PROD_SELECT = 2;  // function register value "Product select"
inline constexpr int PARAM_REG_DEF_PROD = 10;
inline constexpr int PARAM_REG_DIN_FUN = 32;  // 32..35: inputs 1..4

// The 24 product names (12 characters, blanks included) of the active
// configuration; empty when no device is selected and the off-line
// configuration is not valid.
QStringList prod_names();

// The 24 "|"-terminated entries of the product selector: field i of labels,
// " [", the name, "]", and " (default)" for the default product when
// mark_default is set.
QString prod_select_items(const QString& labels, bool mark_default, int default_idx);

// Caption of the product group: a blank and the selector's text up to its
// first "[" (a blank and the whole text when it has none).
QString prod_group_caption(const QString& select_text);

// CRC-16 (Modbus) of the first 1728 bytes of the active product image (the
// registers of products 1 to 12, low byte first), as four upper-case
// hexadecimal digits: the first CRC byte sent on the wire, then the second.
// 1728 zero bytes give 30BB.
QString prod_crc_text();

// ---- visibility tables ---------------------------------------------------------
struct t_vis_row {
  QString name;
  std::array<bool, 4> vis;  // by column
};

// The controls of the product assignment matrix (grp_prod_switch), visible
// by the number k = 1..4 of product-select inputs (column k - 1).
const std::array<t_vis_row, 84>& prod_sw_vis();
// The controls of the calibration group (grp_calib), visible by the number
// of calibration points n = 2..5 (column n - 2).
const std::array<t_vis_row, 32>& cal_pts_vis();

// The flag of a named control in a table for a column; nullopt when the
// control is not in the table.
template <size_t N>
std::optional<bool> vis_flag(const std::array<t_vis_row, N>& tab, QStringView name, int column) {
  if (column < 0 || column > 3) return std::nullopt;
  for (const auto& row : tab)
    if (row.name == name) return row.vis[static_cast<size_t>(column)];
  return std::nullopt;
}

// Caption of matrix cell (input column n = 1..4, state row m = 0..15).
QString din_cell_caption(int n, int m);
// Caption of a matrix column heading: "Din-" and the input number.
QString din_heading(int input);

// The product assignment matrix of the active configuration.
struct t_din_matrix {
  bool addressable = false;    // false: no configuration, the group is hidden
  int k = 0;                   // number of product-select inputs 0..4
  std::array<int, 4> input{};  // input number (1..4) of heading j; 0 beyond k
};
t_din_matrix din_matrix();

// Calibration points of the edited product (register 0), 2..5; 2 when
// there is no edited product.
int cal_points_shown();
