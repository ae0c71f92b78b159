// One chart page, the Online view (CHART_LIVE) or the Off-line analysis
// (CHART_ARCH): the chart image, the channel grid below it, the strip with
// the two cursor handles and the cursor lines, the zoom rectangle and
// buttons, the scroll bar and the row of scale controls (grid and
// temperature unit selectors, autoscale and default scaling). It draws its
// chart from draw_stat[chart()] and keeps the cursor and zoom drag state.
//   chart_page.cpp          building the page, redrawing, the channel grid
//   chart_page_cursors.cpp  cursors, zoom rectangle and buttons, scrolling
//   chart_page_scales.cpp   the scale edits and selectors
#pragma once

#include "charts/chart_scale.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <cstdint>

class chart_frame;
class chart_view;
class cursor_handle;
class grid_menu_hook;
class QAbstractButton;
class QComboBox;
class QFrame;
class QImage;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QScrollBar;
class QTableWidget;
class QVBoxLayout;
class QWidget;

class chart_page : public QObject {
  Q_OBJECT

 public:
  // Builds the page's controls into page (a widget without a layout).
  chart_page(int chart_id, QWidget* page, const chart_frame& frame, QObject* parent = nullptr);
  ~chart_page() override;
  chart_page(const chart_page&) = delete;
  chart_page& operator=(const chart_page&) = delete;

  int chart() const { return chart_; }
  const QImage& image() const;
  // Asked first when the channel grid is right-clicked (nullptr: nobody).
  void set_grid_menu_hook(grid_menu_hook* hook) { hook_ = hook; }

  // ---- drawing (chart_page.cpp) ----------------------------------------------------
  // Draws the chart anew: with full_diag fitted to all data (the cursor sums
  // built again), with upd_scr_bar the scroll bar set from the view.
  void create_draw(bool full_diag, bool upd_scr_bar);
  // The live chart moved on to newer samples (old_last was the newest drawn).
  void advance(int32_t old_last);
  // The grid rows from the chart's channels.
  void fill_chan_grid();
  // The image takes the size of its control.
  void set_img_frame();
  // The frame limits for the chart layout (handle strip, raw scale edit).
  t_frame_limits chart_limits() const;
  // The right-click on the grid at pos (viewport coordinates): the hook may
  // take it, else the page asks for the channel menu.
  void grd_setup_liveMouseDown(const QPoint& pos);

  // ---- cursors, zoom and scrolling (chart_page_cursors.cpp) ------------------------
  // Cursors are placed at the plot edges after every redraw.
  int handle_offset() const;
  void reset_pointer();
  void restore_ptr();
  void upd_cursors();
  void img_ptrMouseDown(int which, QMouseEvent* e);  // which: 0 right, 1 left handle
  void img_ptrMouseMove(int which, QMouseEvent* e);
  void img_ptrMouseUp(int which);
  void img_liveMouseDown(QMouseEvent* e);
  void img_liveMouseMove(QMouseEvent* e);
  void img_liveMouseUp(QMouseEvent* e);
  void draw_zoom(bool out);
  void x_cmd_zin_lClick() { draw_zoom(false); }
  void x_cmd_zout_lClick() { draw_zoom(true); }
  void upd_scroll_bar();
  void scr_liveChange();

  // ---- scales (chart_page_scales.cpp) ----------------------------------------------
  void sync_scale_edits();
  void txt_tmax_1Exit(QLineEdit* edit);  // every scale edit
  void cmb_sel_grid_1Click();
  void x_cmb_sel_tunit_1Click();
  void cmd_scale_h_1Click(int32_t mode);  // the three autoscale buttons
  // The temperature autoscale button with the unit in its caption.
  void show_tunit_caption();
  // The temperature unit as the selector shows it.
  QString shown_temp_unit() const;

 signals:
  // The view moved along the time axis (zoom, scroll): the play buttons follow it.
  void view_moved();
  // The channel menu is wanted at global_pos (a right-click on the image or the grid).
  void menu_wanted(const QPoint& global_pos);
  // A grid row was double-clicked.
  void row_double_clicked(int row);
  // The temperature unit was chosen.
  void temp_unit_changed();
  // "Default scaling" was clicked.
  void reset_scale_clicked();

 private:
  void build_tools(QWidget* page, QVBoxLayout* lay);
  void connect_scale_controls();
  void scale_edit_exit(QLineEdit* edit);
  // The handle strip's left edge relative to the image.
  int strip_x() const;

  const int chart_;
  const chart_frame& frame_;
  grid_menu_hook* hook_ = nullptr;

  chart_view* img_ = nullptr;                    // img_live, img_arch
  QTableWidget* grid_ = nullptr;                 // grd_setup_live, grd_setup_arch
  QWidget* pnl_top_ = nullptr;                   // pnl_top_live: the strip of the cursor handles
  std::array<cursor_handle*, 2> img_ptr_{};      // img_ptr_live1 (right), img_ptr_live2 (left)
  std::array<QFrame*, 2> bvl_ptr_{};             // the cursor lines over the image, same order
  QFrame* bvl_frame_ = nullptr;                  // the zoom rectangle
  QScrollBar* scr_ = nullptr;                    // scr_live
  QAbstractButton* zin_ = nullptr;               // x_cmd_zin_l
  QAbstractButton* zout_ = nullptr;              // x_cmd_zout_l
  QLabel* tdiff_ = nullptr;                      // x_lbl_tdiff_live
  std::array<QLineEdit*, 6> txt_scale_{};        // txt_hmin_1 .. txt_rmax_1 (Tag 0..5)
  QComboBox* cmb_grid_ = nullptr;                // cmb_sel_grid_1
  QComboBox* cmb_tunit_ = nullptr;               // x_cmb_sel_tunit_1
  std::array<QAbstractButton*, 3> cmd_scale_{};  // cmd_scale_h_1, cmd_scale_t_1, cmd_scale_r_1
  QAbstractButton* cmd_reset_ = nullptr;         // cmd_reset_scale_1

  // Cursor drag and zoom rectangle state.
  bool ptr_onmove_ = false;
  int ptr_drag_ = -1;  // the handle being dragged (0 right, 1 left)
  int pos_init_x_ = 0;
  QPoint init_cur_pos_;
  int bvl_init_x_ = 0;
  int bvl_init_y_ = 0;
};
