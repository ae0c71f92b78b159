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
//   src/ui/chart_adapters.cpp  what the chart parts ask of the window
// Handlers of calibration go into src/calib, with their members in a section
// of their own below.
#pragma once

#include "config/cfg_frame.h"
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
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
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
class cfg_pages;
class cfg_transfer_ctl;
class TCalib_points;
class chart_ctl;
class chart_page;
class window_cal_grid_menu;
class window_chart_frame;

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

class TMainForm : public QMainWindow, private device_host, private cfg_frame {
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
  QWidget* tab_online = nullptr;
  QMenu* menm_export = nullptr;

  // ---- configuration pages (src/config/cfg_pages.h) -----------------------------------
  cfg_pages& pages();

  // ---- configuration transfers, parameter set files, access levels ----------------------
  // (src/config/cfg_transfer_ctl.h)
  cfg_transfer_ctl& transfer();

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

  // ---- the window's parts ------------------------------------------------------------------
  std::unique_ptr<cfg_pages> cfg_pages_;
  std::unique_ptr<cfg_transfer_ctl> cfg_transfer_;

  // ---- controls ---------------------------------------------------------------------------
  device_column* device_col_ = nullptr;
  device_actions* device_acts_ = nullptr;
  void leave_device() override { select_device(-1); }
  bool may_add_device() const override { return (cmd_mask & CMD_ADD_DEV) != 0; }
  // What the configuration transfer needs of the frame (main_menus.cpp).
  bool command_allowed(cfg_command_t cmd) const override;
  void set_device_commands(bool on) override;
  void refresh_menus() override { update_menus(); }
  void end_status_highlight() override;
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
  QAction* menm_exit = nullptr;
  QToolBar* tlb_main = nullptr;
  std::array<QAction*, 9> tcmd{};  // load, save, new_dev, rd_cfg, wr_cfg, exp_exc, exp_bmp, stop, play
};
