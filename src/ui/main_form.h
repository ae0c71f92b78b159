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
//   src/ui/chart_adapters.cpp  what the chart parts ask of the window
// Handlers of calibration go into src/calib, with their members in a section
// of their own below.
#pragma once

#include "ui/device_actions.h"

#include <QMainWindow>
#include <QPoint>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
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
class QTimer;
class QToolBar;
class QWidget;
class device_column;
class device_actions;
class TCalib_In;
class TAuto_gain;
class TManual_gain;
class QTableWidget;
class cfg_edit_filter;
class TCalib_points;
class chart_ctl;
class chart_page;
class window_cal_grid_menu;
class window_chart_frame;
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

  // ---- charts: the Online view and Off-line analysis pages and their menus (src/charts) ----
  chart_ctl& charts() { return *charts_; }
  chart_page& live_page();
  chart_page& arch_page();

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
  // The chart parts, and what they ask of the window (ui/chart_adapters.h).
  void build_chart_pages();
  std::unique_ptr<window_chart_frame> chart_frame_;
  std::unique_ptr<window_cal_grid_menu> cal_grid_menu_;
  std::unique_ptr<chart_ctl> charts_;
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
