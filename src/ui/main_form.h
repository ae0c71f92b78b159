// The main window: device column, page control, main menu, tool bar and
// the once-a-second timer. The declaration is whole here; the implementation
// is split by concern into files beside the code they use, all compiled into
// the target orv_ui (see src/CMakeLists.txt):
//   src/ui/main_form.cpp     frame, pages, placement and resizing, page change
//   src/ui/main_menus.cpp    main menu, device pop-up menu, tool bar, command mask
//   src/ui/main_devices.cpp  device column and panels, selection, adding,
//                            editing and removing devices, Timer1Timer
//   src/ui/main_startup.cpp  start-up (FormCreate), shutdown and closing
//   src/config/main_cfg_pages.cpp  building the configuration pages
//   src/config/main_cfg_show.cpp   showing the active configuration on them
//   src/config/main_cfg_entry.cpp  their handlers
//   src/charts/main_charts.cpp     the Online view and Off-line analysis pages
// Handlers of calibration go into src/calib, with their members in a section
// of their own below.
#pragma once

#include <QMainWindow>

#include <array>
#include <atomic>
#include <functional>

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
class QScrollBar;
class QTabWidget;
class QImage;
class QTimer;
class QToolBar;
class QWidget;
class TDlg_setup;
class QTableWidget;
class Tdraw_setup;
class cfg_edit_filter;
class chart_view;

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

class TMainForm : public QMainWindow {
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
  void select_device(int d);
  void show_device_panels();
  void prep_dev_popup(int d);
  void add_device();
  void edit_device(int i);
  void remove_device(int r);
  void toggle_acquisition(int d);
  void update_menus();
  void update_play_buttons();
  void set_cmd(int bits, bool on);
  void show_tool_images();
  // Reads the selected device's configuration; false when it failed.
  bool read_dev_config(int d);
  // Offers to write a changed configuration before it is left; false when
  // the user chose to write it and the write failed.
  bool offer_write_config(int msg, bool forced);

  // True when some monitor holds the point with a 50-pixel margin.
  static bool on_monitor(int x, int y);
  // Centres a form on the primary monitor when its place lies on none.
  static void fit_to_monitor(QWidget* form);
  // Page tag (0..7) of a page of pgctrl_main; -1 when it is none.
  static int page_tag(QWidget* page);

  // ---- state read by the session-end handler and by tests ----------------------------
  bool init_complete = false;
  bool init_active = false;  // a stored placement waits for the first paint
  std::atomic<bool> thr_terminated{false};
  int popup_dev_idx = -1;
  int red_dsp_tout = 0;
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
  std::array<QFrame*, 8> pnl_dev{};
  std::array<QLabel*, 8> lbl_dev_name{};
  std::array<std::array<QLabel*, 4>, 8> img_dev{};  // ok, discon, err, disable
  QCheckBox* chk_off_line = nullptr;
  QGroupBox* x_grp_current = nullptr;
  QMenu* menm_dev_setup = nullptr;
  QMenu* menm_export = nullptr;
  QAction* menm_dev_add = nullptr;
  std::array<QAction*, 8> x_menm_act{};
  QAction* menp_dev_add = nullptr;
  QAction* menp_dev_edit = nullptr;
  QAction* menp_dsp_path = nullptr;
  QAction* x_menp_log_error = nullptr;  // shown while the device's log cannot be written
  TDlg_setup* Dlg_setup = nullptr;

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
  void exit_edit(QLineEdit* edit);
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

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ---- frame, menus and tool bar (main_form.cpp, main_menus.cpp) ----------------------
  void build_frame();
  void build_device_column();
  void build_menus();
  void build_toolbar();
  void build_cfg_pages();
  void connect_cfg_pages();
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
  void chk_off_lineClick();
  void menm_dev_addClick();
  void device_panel_mouse_down(int index, Qt::MouseButton button, const QPoint& global_pos);
  void open_device_dialog(int i);

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
  bool service_started_ = false;
  bool closing_done_ = false;

  int last_pg_index = 0;

  // ---- controls ---------------------------------------------------------------------------
  QWidget* pnl_left = nullptr;
  QLabel* lbl_click_to_sel = nullptr;
  QWidget* gpl_devices = nullptr;
  QWidget* tab_about = nullptr;
  QWidget* tab_offline = nullptr;
  QLabel* Image1 = nullptr;

  QMenuBar* men_main = nullptr;
  QMenu* menm_file = nullptr;
  QMenu* menm_devices = nullptr;
  QMenu* menm_acc_mode = nullptr;
  QMenu* menm_chart = nullptr;
  QMenu* menm_info = nullptr;
  QMenu* menm_language = nullptr;
  QMenu* menm_dev_edit = nullptr;
  QMenu* menm_dev_delete = nullptr;
  QMenu* menm_dev_act = nullptr;
  QAction* menm_save_cfg = nullptr;
  QAction* menm_load_cfg = nullptr;
  QAction* menm_exit = nullptr;
  QAction* menm_acc_user = nullptr;
  QAction* menm_acc_expert = nullptr;
  QAction* menm_dev_read = nullptr;
  QAction* menm_dev_write = nullptr;
  std::array<QAction*, 8> x_menm_dev_edit{};
  std::array<QAction*, 8> x_menm_dev_del{};
  QMenu* menp_open = nullptr;
  QAction* menp_dev_delete = nullptr;
  QAction* menp_dev_act = nullptr;
  QToolBar* tlb_main = nullptr;
  std::array<QAction*, 9> tcmd{};  // load, save, new_dev, rd_cfg, wr_cfg, exp_exc, exp_bmp, stop, play
};
