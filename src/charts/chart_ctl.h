// The chart control of the window: the two chart pages (it owns them), the
// channel, scale and export entries of the main menu "Chart" and of the
// chart pop-up menu menp_dsp, their dialogs (channel setup, scale setup,
// export setup), adding, editing and removing display channels, the live
// follow step of the window's timer, play and stop, and the chart data at
// start-up.
//   chart_ctl.cpp         pages, menus, channels, live follow, start-up
//   chart_ctl_scales.cpp  default scaling, "Display all data", the scale dialog
//   chart_ctl_export.cpp  the export of the shown chart and its setup dialog
#pragma once

#include "charts/draw_stat.h"

#include <QObject>

#include <array>
#include <memory>

class chart_frame;
class chart_page;
class grid_menu_hook;
class refilter_pump;
class QAction;
class QMenu;
class QPoint;
class QString;
class QWidget;
class Tdraw_setup;
class Texp_setup;
class Tscale_setup;

class chart_ctl : public QObject {
  Q_OBJECT

 public:
  // Builds the Online view into live_tab and the Off-line analysis into
  // arch_tab, its entries into chart_menu and export_menu; dialogs and
  // menp_dsp are children of window.
  chart_ctl(QWidget* window, const chart_frame& frame, QWidget* live_tab, QWidget* arch_tab, QMenu* chart_menu,
            QMenu* export_menu);
  ~chart_ctl() override;
  chart_ctl(const chart_ctl&) = delete;
  chart_ctl& operator=(const chart_ctl&) = delete;

  chart_page& live_page() { return *pages_[0]; }
  chart_page& arch_page() { return *pages_[1]; }
  // The page of a chart (CHART_LIVE, CHART_ARCH).
  chart_page& page(int chart) { return *pages_[chart == CHART_ARCH ? 1 : 0]; }
  // Asked first when a channel grid is right-clicked.
  void set_grid_menu_hook(grid_menu_hook* hook);

  // ---- start-up and the window's timer --------------------------------------------------
  // Start-up: filters rebuilt from the reloaded rings, archive channels
  // loaded, both charts drawn.
  void start();
  // The chart part of the timer cycle: day change, filters, follow.
  void live_follow();
  // True while filtered series are rebuilt in steps.
  bool refiltering() const;
  // The rebuilds in steps finished now, the live chart drawn as it would have been.
  void finish_refilter_now();
  // The Online view takes its default scaling now, and again whenever it
  // fits itself to new data (its first samples, a new day): the demo's view.
  void keep_live_default_scaling();
  // True while the live chart shows the newest samples.
  bool live_following() const;
  // True while the live chart's update is stopped (tool bar "stop").
  bool play_stopped() const;
  void tcmd_playClick();
  void tcmd_stopClick();

  // ---- channels and menus (chart_ctl.cpp) -----------------------------------------------
  // Display channels of a chart (chan_mode CHART_LIVE, CHART_ARCH).
  void add_chan(int chan_mode);
  void edit_chan(int chan_idx, int chan_mode);
  void delete_chan(int dev_id, int chan_mode, bool skip_ask, bool upd_dsp);
  void delete_all_chans(int chan_mode, bool skip_ask, bool upd_dsp);
  // A chart's channels changed: menus, grid and chart drawn again.
  void upd_chart(int chart, bool full_diag);
  // The menu entries from the channels of the shown chart.
  void upd_chart_menus();
  void menp_dsp_addClick();
  void x_menp_dsp_edit1Click(int tag);
  void x_menp_dsp_del1Click(int tag);
  void menp_dsp_dallClick();
  void menm_dsp_allClick();
  void menp_dspPopup();
  Tdraw_setup* chan_dialog();  // the channel dialog, created at its first use

  // ---- scales (chart_ctl_scales.cpp) ------------------------------------------------------
  void menp_dsp_defClick();                                    // "Use default scaling", "Default scaling"
  void menp_dsp_set_defClick();                                // "Use current setup as default scaling"
  void menm_dsp_scaleClick();                                  // the scale setup dialog
  Tscale_setup* scale_dialog() const { return scale_setup_; }  // nullptr before its first use
  // The temperature autoscale buttons with the unit in their caption.
  void show_tunit_captions();

  // ---- export (chart_ctl_export.cpp) -------------------------------------------------------
  void menm_exp_csvClick();
  void menm_exp_bmpClick();
  void menm_exp_setupClick();
  Texp_setup* export_dialog() const { return exp_setup_; }  // nullptr before its first use

 signals:
  // The live chart's following or the play state changed: the play buttons follow.
  void play_state_changed();

 private:
  void build_chart_menus(QMenu* chart_menu);
  void build_scale_menus(QMenu* chart_menu);
  void build_export_menus(QMenu* export_menu);
  void upd_scale_menus();
  void show_dsp_menu(const QPoint& global_pos);
  void grd_setup_DblClick(int chart, int row);
  // The chart of the shown page: CHART_LIVE on the Online view, else CHART_ARCH.
  int active_chart() const;
  bool chart_page_active() const;
  // The chart of the shown page, -1 on other pages.
  int export_chart() const;
  void export_csv(int chart);
  void export_bitmap(int chart);
  void load_chart_data();
  // The queued filter rebuilds: one step now, the rest from the event loop;
  // once done, the live chart is drawn again (full_diag: with its extents
  // scanned again; default_scaling: the Online view's default scaling too).
  void run_refilter(bool full_diag, bool default_scaling);
  void refilter_done();
  // The Online view back on its default scaling when keep_live_default_scaling asked for it.
  void live_default_scaling();

  QWidget* window_;
  const chart_frame& frame_;
  std::array<std::unique_ptr<chart_page>, 2> pages_;
  bool live_keeps_default_ = false;  // keep_live_default_scaling was asked for
  std::unique_ptr<refilter_pump> pump_;
  bool refilter_full_ = false;     // the drawing after the rebuild scans the extents
  bool refilter_default_ = false;  // and takes the default scaling

  QMenu* menp_dsp_ = nullptr;
  QMenu* menm_chart_ = nullptr;
  // The channel entries of the main menu "Chart" (menm_dsp_...) and of the
  // pop-up menp_dsp (menp_dsp_...).
  struct t_chan_entries {
    QAction* add = nullptr;      // menm_dsp_add
    QMenu* edit = nullptr;       // menm_dsp_edit: x_menm_dsp_edit1 .. 8 (edit_k)
    QMenu* del = nullptr;        // menm_dsp_del: x_menm_dsp_del1 .. 8 (del_k)
    QAction* rem_all = nullptr;  // menm_dsp_rem_all, menp_dsp_dall
    QAction* all = nullptr;      // menm_dsp_all: "Display all data"
    std::array<QAction*, 8> edit_k{};
    std::array<QAction*, 8> del_k{};
  };
  std::array<t_chan_entries, 2> chan_menus_{};  // the main menu's, the pop-up's
  void build_chan_entries(QMenu* menu, const QString& prefix, const QString& rem_all, t_chan_entries& e);
  QAction* menm_dsp_scale_ = nullptr;
  QAction* menm_dsp_use_default_ = nullptr;
  QAction* menm_dsp_def_ = nullptr;
  QAction* menp_dsp_scale_ = nullptr;
  QAction* menp_dsp_set_def_ = nullptr;
  QAction* menp_dsp_def_ = nullptr;
  QAction* menm_exp_csv_ = nullptr;
  QAction* menm_exp_bmp_ = nullptr;
  QAction* menm_exp_setup_ = nullptr;
  Tdraw_setup* draw_setup_ = nullptr;
  Tscale_setup* scale_setup_ = nullptr;
  Texp_setup* exp_setup_ = nullptr;
};
