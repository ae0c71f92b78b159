// The main window: device column, page control, main menu, tool bar and
// the once-a-second timer. The declaration is whole here; the implementation
// is split by concern into files beside the code they use, all compiled into
// the target orv_ui (see src/CMakeLists.txt):
//   src/ui/main_form.cpp     frame, pages, placement and resizing, page change
//   src/ui/main_menus.cpp    main menu, device pop-up menu, tool bar, command mask
//   src/ui/main_devices.cpp  device column and panels, selection, adding,
//                            editing and removing devices, Timer1Timer
//   src/ui/main_startup.cpp  start-up (FormCreate), shutdown and closing
//   src/ui/main_link.cpp     the link statistics of a device
//   src/config/main_cfg_pages.cpp  building the configuration pages
//   src/config/main_cfg_show.cpp   showing the active configuration on them
//   src/config/main_cfg_entry.cpp  their handlers
//   src/config/main_cfg_transfer.cpp  reading and writing a transmitter's
//                                     configuration, pending changes
//   src/config/main_cfg_files.cpp     parameter set files: Load and Save
//   src/config/main_cfg_access.cpp    access levels
//   src/charts/main_charts.cpp     the Online view and Off-line analysis pages
// Handlers of calibration go into src/calib, with their members in a section
// of their own below.
#pragma once

#include "ui/device_actions.h"

#include <QMainWindow>
#include <QPoint>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

struct t_setup_ui;
class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QScrollBar;
class QTabWidget;
class QImage;
class QTimer;
class QToolBar;
class QWidget;
class device_column;
class device_actions;
class TCalib_In;
class TAuto_gain;
class TManual_gain;
class QTableWidget;
class Tdraw_setup;
class cfg_edit_filter;
class chart_view;
class cursor_handle;
class Tscale_setup;
class Texp_setup;
class TCalib_points;
class QMouseEvent;
class QVBoxLayout;
struct t_frame_limits;
enum dev_request_t : uint8_t;
enum dev_req_stat_t : uint8_t;

// Bits of cmd_mask: the commands that are currently allowed.
enum cmd_bits_t : int {
  CMD_LOAD = 0x1,
  CMD_SAVE = 0x2,
  CMD_ADD_DEV = 0x4,
  CMD_READ_CFG = 0x8,
  CMD_WRITE_CFG = 0x10,
  CMD_EXP_CSV = 0x20,
  CMD_EXP_BMP = 0x40,
  CMD_STOP = 0x80,
  CMD_PLAY = 0x100,
};

class TMainForm : public QMainWindow, private device_host {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- start-up and shutdown (main_startup.cpp) ------------------------------------
  // Runs the start-up sequence. False when the program must end (the work
  // folders could not be created); the error has been shown.
  bool FormCreate();
  // Runs the shutdown sequence after the quit question was answered (or
  // without questions for a session end): stops the timer, lets the service
  // flush and end, saves the setup and closes the port.
  void shutdown_sequence();
  // The shutdown sequence when start-up did not complete.
  void abort_sequence();

  // ---- device handling (main_devices.cpp, main_menus.cpp) ------------------------------
  // The device column: panels, off-line box, live group (ui/device_column.h).
  device_column& devices() { return *device_col_; }
  // Adding, editing and removing devices, their pop-up menu and dialogs (ui/device_actions.h).
  device_actions& device_acts() { return *device_acts_; }
  void select_device(int d);
  void show_device_panels();
  void update_menus();
  void update_play_buttons();
  void set_cmd(int bits, bool on);
  void show_tool_images();

  // True when some monitor holds the point with a 50-pixel margin.
  static bool on_monitor(int x, int y);
  // Page tag (0..7) of a page of pgctrl_main; -1 when it is none.
  static int page_tag(QWidget* page);

  // ---- state read by the session-end handler and by tests ----------------------------
  bool init_complete = false;
  bool init_active = false;  // a stored placement waits for the first paint
  int cmd_mask = 0;
  // What the live chart reports for the play buttons: true while it follows
  // the newest samples.
  std::function<bool()> live_following = [] { return true; };

  // ---- controls that tests drive (other code finds controls by name) ------------------
  QTimer* Timer1 = nullptr;
  QTabWidget* pgctrl_main = nullptr;
  QWidget* tab_base = nullptr;
  QWidget* tab_inputs = nullptr;
  QWidget* tab_outputs = nullptr;
  QWidget* tab_products = nullptr;
  QWidget* tab_online = nullptr;
  QMenu* menm_export = nullptr;

  // ---- configuration pages ------------------------------------------------------
  // tab_base, tab_inputs, tab_outputs and tab_products show the active
  // configuration (the selected device's edit images, or the off-line set)
  // through the binding table; every bound control is found by its name.

  // Refreshes the four pages from the active configuration: the product
  // lists, every bound control, the input matrix, the gain, the analog
  // output mode and the products page.
  void show_cfg_pages();
  // Start-up fills: the Modbus addresses 1..248 and the decimals list in
  // the system's decimal separator.
  void fill_cfg_lists();

  // The show routines: a container walked for its bound controls, or one control.
  void show_bound_controls(QWidget* container);
  void show_edit(QLineEdit* edit);
  void show_combo(QComboBox* box);
  void show_check(QCheckBox* box);
  void show_scroll(QScrollBar* bar);
  void show_button(QAbstractButton* button);
  void show_aout_mode();
  void show_products_tab();
  void show_cal_points();
  void show_unit_labels();
  void show_din_matrix();
  void fill_prod_lists();
  void fill_prod_select();
  void set_prod_crc();

  // Handlers. The key handlers return true when they took (or swallowed) the key.
  bool check_key_float(QLineEdit* edit, QKeyEvent* key);
  bool check_key_text(QLineEdit* edit, QKeyEvent* key);
  // Stores the edit's entry; false when it was refused (the error has been
  // shown and the edit shows the stored value again).
  bool exit_edit(QLineEdit* edit);
  // Stores what is being typed into the configuration edit that has the
  // focus, as leaving it would. Every command that uses or replaces the edit
  // image runs it first (Save, Load, Read, Write, leaving the device or the
  // page, closing): a shortcut, a tool button or a file dialog moves no focus
  // that would store it. False when the entry was refused: the command is
  // then not carried out and the edit keeps the focus.
  bool store_pending_edit();
  void combo_Change(QComboBox* box);
  void ChkBox_Change(QCheckBox* box);
  void cmb_aout_modeChange();
  void cmb_med_filtChange();
  void cmb_unitChange();
  void x_cmb_decpChange();
  void x_cmb_cal_ptsChange();
  void cmb_prod_selectChange();
  void chk_default_prodMouseUp();
  void cmb_din1_funChange(QComboBox* box);
  void cmd_amp_incClick();
  void cmd_amp_decClick();

  QGroupBox* x_grp_device = nullptr;
  QGroupBox* grp_serial_if = nullptr;
  QGroupBox* grp_prod_switch = nullptr;
  QGroupBox* x_grp_product = nullptr;
  QGroupBox* grp_filter = nullptr;
  QGroupBox* grp_alarms = nullptr;
  QGroupBox* grp_calib = nullptr;
  QComboBox* cmb_curr_prod = nullptr;
  QComboBox* cmb_prod_select = nullptr;
  QComboBox* cmb_unit = nullptr;
  QComboBox* cmb_mod_addr = nullptr;
  QComboBox* x_cmb_decp = nullptr;
  QCheckBox* chk_default_prod = nullptr;
  QLabel* x_lbl_prod_crc = nullptr;
  QLabel* x_lbl_gain_val = nullptr;

  // ---- configuration transfers, parameter set files, access levels ----------------------
  // (src/config/main_cfg_transfer.cpp, main_cfg_files.cpp, main_cfg_access.cpp)
  // Posts one request for device d and waits until the service has carried
  // it out: hourglass cursor, the progress bar for configuration reads and
  // writes, the window repainted, no user input taken. Its result; REQS_IDLE
  // when another flow's request is still waited for (nothing was posted).
  dev_req_stat_t run_request(int d, dev_request_t kind);
  // Reads device d's configuration into its images; false when it failed.
  bool read_dev_config(int d);
  // Writes device d's edit images after the serial number check; message 7
  // or error 8. True when written (nothing is pending any more).
  bool write_dev_config(int d);
  // Offers to write (or, off-line, to save) a changed configuration before
  // it is left; false when the user chose to and it failed.
  bool offer_write_config(int msg, bool forced);
  // The configuration pages and the configuration commands, from the active configuration.
  void refresh_cfg_views();
  void menm_dev_readClick();
  void menm_dev_writeClick();
  void tcmd_wr_cfgClick();
  // Saves the active configuration to a parameter set file the user picks.
  bool save_param_set();
  void menm_load_cfgClick();
  void menm_save_cfgClick();
  // User (false) or expert (true) level, and what each level shows.
  void set_access_level(bool expert);
  void show_access_layout();
  void menm_acc_expertClick() { set_access_level(true); }
  void menm_acc_userClick() { set_access_level(false); }
  // Shown in the tool bar while a configuration read or write runs.
  QProgressBar* x_prg_xfer = nullptr;
  QLabel* x_lbl_xfer = nullptr;

  // ---- charts: the Online view and Off-line analysis pages (src/charts/main_charts.cpp) ----
  // Display channels of a chart (CHART_LIVE, CHART_ARCH).
  void add_chan(int chan_mode);
  void edit_chan(int chan_idx, int chan_mode);
  void delete_chan(int dev_id, int chan_mode, bool skip_ask, bool upd_dsp);
  void delete_all_chans(int chan_mode, bool skip_ask, bool upd_dsp);
  void fill_chan_grid(int chart);
  void upd_chart_menus();
  void size_grid_columns(QTableWidget* grid);
  // Redraw entry points: after channel changes, and of one chart.
  void upd_chart(int chart_id, bool full_diag);
  void create_draw(int draw_idx, bool full_diag, bool upd_scr_bar);
  void set_img_frame();
  // The chart part of the timer cycle: day change, filters, follow.
  void live_follow();
  // The Online view takes its default scaling now, and again whenever it
  // fits itself to new data (its first samples, a new day): the demo's view.
  void keep_live_default_scaling();
  // Start-up: filters rebuilt from the reloaded rings, archive channels loaded.
  void load_chart_data();
  // Chart of the active page: CHART_LIVE on the Online view, else CHART_ARCH.
  int active_chart() const;
  const QImage& chart_image(int chart) const;

  void grd_setup_liveDblClick(int row);
  void grd_setup_archDblClick(int row);
  void grd_setup_liveMouseDown(QTableWidget* grid, const QPoint& pos);
  void menp_dsp_addClick();
  void x_menp_dsp_edit1Click(int tag);
  void x_menp_dsp_del1Click(int tag);
  void menp_dsp_dallClick();
  void menm_dsp_allClick();
  void menp_dspPopup();

  std::array<chart_view*, 2> img_chart{};    // img_live, img_arch
  std::array<QTableWidget*, 2> grd_setup{};  // grd_setup_live, grd_setup_arch
  QMenu* menp_dsp = nullptr;
  QAction* menm_dsp_add = nullptr;
  QMenu* menm_dsp_edit = nullptr;
  QMenu* menm_dsp_del = nullptr;
  QAction* menm_dsp_rem_all = nullptr;
  QAction* menm_dsp_all = nullptr;
  QAction* menp_dsp_add = nullptr;
  QMenu* menp_dsp_edit = nullptr;
  QMenu* menp_dsp_del = nullptr;
  QAction* menp_dsp_dall = nullptr;
  QAction* menp_dsp_all = nullptr;
  std::array<QAction*, 8> x_menm_dsp_edit{};
  std::array<QAction*, 8> x_menm_dsp_del{};
  std::array<QAction*, 8> x_menp_dsp_edit{};
  std::array<QAction*, 8> x_menp_dsp_del{};
  Tdraw_setup* draw_setup = nullptr;
  Tdraw_setup* chan_dialog();  // the channel dialog, created at its first use

  // ---- chart tools: cursors, zoom and scrolling, scales, export ------------------------
  // (src/charts/main_chart_tools.cpp, main_chart_scales.cpp, main_chart_export.cpp)
  // The controls around one chart image, by chart (CHART_LIVE, CHART_ARCH).
  struct t_chart_ctrls {
    QWidget* pnl_top = nullptr;                   // pnl_top_live: the strip of the cursor handles
    std::array<cursor_handle*, 2> img_ptr{};      // img_ptr_live1 (right), img_ptr_live2 (left)
    std::array<QFrame*, 2> bvl_ptr{};             // the cursor lines over the image, same order
    QFrame* bvl_frame = nullptr;                  // the zoom rectangle
    QScrollBar* scr = nullptr;                    // scr_live
    QAbstractButton* zin = nullptr;               // x_cmd_zin_l
    QAbstractButton* zout = nullptr;              // x_cmd_zout_l
    QLabel* tdiff = nullptr;                      // x_lbl_tdiff_live
    std::array<QLineEdit*, 6> txt_scale{};        // txt_hmin_1 .. txt_rmax_1 (Tag 0..5)
    QComboBox* cmb_grid = nullptr;                // cmb_sel_grid_1
    QComboBox* cmb_tunit = nullptr;               // x_cmb_sel_tunit_1
    std::array<QAbstractButton*, 3> cmd_scale{};  // cmd_scale_h_1, cmd_scale_t_1, cmd_scale_r_1
    QAbstractButton* cmd_reset = nullptr;         // cmd_reset_scale_1
  };
  std::array<t_chart_ctrls, 2> chart_ctl{};
  // Cursor drag and zoom rectangle state.
  bool ptr_onmove = false;
  int ptr_drag = -1;  // the handle being dragged (0 right, 1 left)
  int pos_init_x = 0;
  QPoint init_cur_pos;
  int bvl_init_x = 0;
  int bvl_init_y = 0;

  // Cursors (placed at the plot edges after every redraw) and their statistics.
  int handle_offset(int chart) const;
  void reset_pointer(int draw_idx);
  void restore_ptr(int draw_idx);
  void upd_cursors(int chart);
  void img_ptrMouseDown(int chart, int which, QMouseEvent* e);
  void img_ptrMouseMove(int chart, int which, QMouseEvent* e);
  void img_ptrMouseUp(int chart, int which);
  // Zoom and scrolling.
  void img_liveMouseDown(int chart, QMouseEvent* e);
  void img_liveMouseMove(int chart, QMouseEvent* e);
  void img_liveMouseUp(int chart, QMouseEvent* e);
  void draw_zoom(int chart, bool out);
  void x_cmd_zin_lClick(int chart);
  void x_cmd_zout_lClick(int chart);
  void upd_scroll_bar(int chart);
  void scr_liveChange(int chart);
  void tcmd_playClick();
  void tcmd_stopClick();
  // The page's frame limits for the chart layout (handle strip, raw scale edit).
  t_frame_limits chart_limits(int chart) const;
  // Scales: the edits, grid and temperature unit selectors, autoscale,
  // default scaling, "Display all data" and the scale dialog.
  void connect_scale_controls(int chart);
  void sync_scale_edits(int chart);
  void scale_edit_exit(QLineEdit* edit, int chart);
  void txt_tmax_1Exit(int chart, QLineEdit* edit);  // every scale edit of both pages
  void cmb_sel_grid_1Click(int chart);
  void x_cmb_sel_tunit_1Click(int chart);
  void show_tunit_captions();
  void cmd_scale_h_1Click(int chart, int32_t mode);  // the six autoscale buttons
  void menp_dsp_defClick();                          // "Use default scaling", "Default scaling"
  void menp_dsp_set_defClick();                      // "Use current setup as default scaling"
  void menm_dsp_scaleClick();                        // the scale setup dialog
  void build_scale_menus();
  void upd_scale_menus();
  bool chart_page_active() const;
  QAction* menm_dsp_scale = nullptr;
  QAction* menm_dsp_use_default = nullptr;
  QAction* menm_dsp_def = nullptr;
  QAction* menp_dsp_scale = nullptr;
  QAction* menp_dsp_set_def = nullptr;
  QAction* menp_dsp_def = nullptr;
  Tscale_setup* scale_setup = nullptr;
  // Export of the active chart: CSV of the visible window, bitmap, setup.
  void build_export_menus();
  int export_chart() const;  // chart of the active page, -1 on other pages
  void menm_exp_csvClick();
  void menm_exp_bmpClick();
  void menm_exp_setupClick();
  void export_csv(int chart);
  void export_bitmap(int chart);
  QAction* menm_exp_csv = nullptr;
  QAction* menm_exp_bmp = nullptr;
  QAction* menm_exp_setup = nullptr;
  Texp_setup* exp_setup = nullptr;

  // Calibration: gain dialogs (src/calib/main_calib_gain.cpp) ---------------------------
  // "Read raw value" (cmd_calin_1 .. 5, the button's Tag is the point),
  // "Auto-gain" and "Manual-gain" of the products page, and their dialogs,
  // created at their first use. Each forces the gain on the transmitter
  // while it is open and releases it on every way out.
  void connect_calib_gain();
  void cmd_calin_1Click(int k);
  void cmd_autogainClick();
  void cmd_manual_gainClick();
  // Closes every calibration dialog that is open (shutdown): their overrides end.
  void close_calib_dialogs();
  TCalib_In* Calib_In = nullptr;
  TAuto_gain* Auto_gain = nullptr;
  TManual_gain* Manual_gain = nullptr;
  // ---- Calibration: analog output and diagram -------------------------------------------
  // (src/calib/main_calib_diag.cpp, src/calib/main_calib_aout.cpp)
  // The calibration curve diagram of the edited product (cmd_cal_diag).
  void cmd_cal_diagClick();
  TCalib_points* calib_points_dialog();  // created at its first use
  TCalib_points* Calib_points = nullptr;
  // A calibration point's raw value from a cursor value of a raw-value
  // channel: the right-click on a setup grid offers menp_cal when
  // grid_cal_value and prep_cal_menu agree, else the grid's own menu.
  void grid_cell_at(QTableWidget* grid, int x, int y, int& row, int& col) const;
  bool grid_cal_value(QTableWidget* grid, int x, int y, float& value) const;
  bool prep_cal_menu();
  void menp_cal_pt1Click(int tag);  // the five items (Tag 0..4)
  void build_cal_menu();
  int32_t calib_data = 0;
  QPoint ball_position;
  QString ball_hint;  // the text of the last confirmation balloon
  QMenu* menp_cal = nullptr;
  std::array<QAction*, 5> menp_cal_pt{};
  // The analog output's end points on the Outputs page. A scroll bar drives
  // the output while it has the focus (scr_cal_20maEnter on focus and on
  // every change); losing the focus reads the feedback and releases it
  // (scr_cal_4maExit); Confirm stores drive and feedback in the edit image.
  void connect_aout_calib();
  void scr_cal_20maEnter(QScrollBar* bar);
  void scr_cal_4maExit(QScrollBar* bar);
  void cmd_calout_4Click(int tag);
  // Releases a forced output (reading the feedback first). With wait, the
  // release has been carried out on return (before a device is left,
  // removed or edited, and at shutdown). A release the service client
  // refused is retried until it is posted.
  void release_aout(bool wait);
  int aout_forced_dev = -1;                     // device whose output was forced and not yet released
  std::optional<uint32_t> aout_release_serial;  // the last release posted
  QTimer* aout_retry = nullptr;
  QObject* aout_filter = nullptr;  // the bars' focus filter, gone before the window's parts

 private:
  void build_chart_tools(QWidget* page, int chart, QVBoxLayout* lay, chart_view* view);
  // The Online view back on its default scaling when keep_live_default_scaling asked for it.
  void live_default_scaling();

 public:
 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // ---- frame, menus and tool bar (main_form.cpp, main_menus.cpp) ----------------------
  void build_frame();
  void build_menus();
  void build_toolbar();
  void build_cfg_pages();
  void connect_cfg_pages();
  // The Read, Write, Load, Save and access level commands and the progress bar.
  void connect_cfg_commands();
  void show_transfer_progress(bool on);
  // One label column width for the groups of a page column (after texts changed).
  void align_cfg_labels();
  // The product lists: the 24 product names in cmb_curr_prod and the 15 assignment boxes.
  QList<QComboBox*> prod_name_boxes() const;
  cfg_edit_filter* cfg_filter_ = nullptr;
  bool exit_busy_ = false;  // an exit handler runs (its error box, its refocusing)
  void build_chart_pages();
  void build_chart_menus();
  QWidget* add_page(const char* name, int tag, const QString& caption);
  void pgctrl_mainChange(int index);
  void menm_fileClick();

  // ---- device column (main_devices.cpp) --------------------------------------------------
  void Timer1Timer();
  void device_panel_mouse_down(int index, Qt::MouseButton button, const QPoint& global_pos);

  // ---- start-up steps and closing (main_startup.cpp) ---------------------------------------
  void save_separators();
  void discover_language_packs();
  void load_logo();
  void measure_chart_font();
  void prepare_device_records();
  void restore_page();
  void apply_setup(const t_setup_ui& su);
  t_setup_ui current_setup_ui() const;
  void write_init_log();
  void FormClose(QCloseEvent* event);

  // Placement from the setup file, taken at the first paint (init_active).
  bool init_max = false;
  int init_left = 0;
  int init_top = 0;
  int init_wi = 0;
  int init_hi = 0;
  bool live_keeps_default_ = false;  // keep_live_default_scaling was asked for
  bool closing_done_ = false;

  int last_pg_index = 0;

  // ---- controls ---------------------------------------------------------------------------
  device_column* device_col_ = nullptr;
  device_actions* device_acts_ = nullptr;
  void leave_device() override { select_device(-1); }
  bool may_add_device() const override { return (cmd_mask & CMD_ADD_DEV) != 0; }
  QWidget* tab_about = nullptr;
  QWidget* tab_offline = nullptr;
  QLabel* Image1 = nullptr;

  QMenuBar* men_main = nullptr;
  QMenu* menm_file = nullptr;
  QMenu* menm_devices = nullptr;
  QMenu* menm_dev_setup = nullptr;
  QMenu* menm_acc_mode = nullptr;
  QMenu* menm_chart = nullptr;
  QMenu* menm_info = nullptr;
  QMenu* menm_language = nullptr;
  QAction* menm_save_cfg = nullptr;
  QAction* menm_load_cfg = nullptr;
  QAction* menm_exit = nullptr;
  QAction* menm_acc_user = nullptr;
  QAction* menm_acc_expert = nullptr;
  QAction* menm_dev_read = nullptr;
  QAction* menm_dev_write = nullptr;
  QToolBar* tlb_main = nullptr;
  std::array<QAction*, 9> tcmd{};  // load, save, new_dev, rd_cfg, wr_cfg, exp_exc, exp_bmp, stop, play
};
