// The channel grids below the charts (grd_setup_live, grd_setup_arch): one
// row per channel with its description, a line sample in the channel's
// colour and thickness, source, measurement, filter settings and the
// cursor statistics columns.
#pragma once

class QTableWidget;
class QWidget;

// A grid of 11 columns with the column titles of the chart's text row; the
// line sample cell is painted from the chart's channel records.
QTableWidget* make_chan_grid(int chart, QWidget* parent);

// Rows for the active channels; the row height follows text_h.
void fill_chan_grid_rows(QTableWidget* grid, int chart, int text_h);

// Column widths by the fixed percentages; column 0 takes what is left.
void size_chan_grid_columns(QTableWidget* grid);
