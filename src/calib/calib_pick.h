// Taking a calibration point's raw value from a chart: which cell of a
// channel grid offers its value (a cursor value or the cursor average of a
// raw-value channel), and the captions of the pop-up items that store it.
#pragma once

#include <QString>

#include <optional>

// Columns of the channel grids holding the cursor values.
inline constexpr int GRID_COL_CUR_1 = 7;    // "Cursor 1"
inline constexpr int GRID_COL_CUR_2 = 8;    // "Cursor 2"
inline constexpr int GRID_COL_CUR_AVG = 9;  // "Avg. C1-C2"

// The value a right-click on cell (row, column) of chart's channel grid
// offers: row is the channel (rows of the grid are its channels), which must
// be active and show the raw value; the column must be one of the three
// above and its value (cur_val or avg_val of the chart's view record) not
// NaN. None otherwise.
std::optional<float> grid_cal_value(int chart, int row, int column);

// Caption of pop-up item k (0..4): prefix + "Calibration point k+1" + " - "
// + reference + " %".
QString cal_menu_caption(const QString& prefix, int k, const QString& reference);

// Items shown for the product's point count, taken as 2..5.
int cal_menu_items(int count);

// The picked value as the raw value stored: rounded to nearest (ties to
// even) and kept within 32 bits signed.
int32_t cal_pick_raw(float value);
