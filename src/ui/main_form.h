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
// Calibration is a part of its own (calib_ctl, src/calib) that the window owns.
#pragma once

#include "config/cfg_frame.h"
#include "ui/device_actions.h"

#include <QMainWindow>
#include <QPoint>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

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
class calib_cfg_adapter;
class calib_ctl;
class QTableWidget;
class cfg_pages;
class cfg_transfer_ctl;
class chart_ctl;
class chart_page;
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

  // ---- calibration (src/calib/calib_ctl.h) ----------------------------------------------
  calib_ctl& calib() { return *calib_; }

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
  // Calibration, and the configuration pages as it sees them (which outlive it).
  std::unique_ptr<calib_cfg_adapter> calib_cfg_;
  std::unique_ptr<calib_ctl> calib_;

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
