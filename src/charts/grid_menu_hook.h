// The right-click on a cell of a chart page's channel grid: another part
// (calibration) may take it and show a menu of its own; otherwise the
// page shows its channel menu.
#pragma once

class QPoint;

class grid_menu_hook {
 public:
  // chart: CHART_LIVE or CHART_ARCH; row and col: the grid cell (-1 where
  // none); global_pos: where the menu would show. True when the menu was
  // taken (shown by the hook).
  virtual bool take_grid_menu(int chart, int row, int col, const QPoint& global_pos) = 0;

 protected:
  ~grid_menu_hook() = default;
};
