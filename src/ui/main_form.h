// The main window's frame: the tab control, main menu, tool bar and command
// mask, the once-a-second timer, start-up, shutdown and placement. It owns
// the parts, each with its own state and widgets: the device column and the
// device actions (src/ui), the configuration pages and transfers
// (src/config), the chart pages and chart control (src/charts) and
// calibration (src/calib). The frame's files, all in the target orv_ui:
//   main_form.cpp     frame, pages, placement and resizing, page change
//   main_menus.cpp    main menu, tool bar, command mask
//   main_devices.cpp  selecting a device, the panels, the timer
//   main_startup.cpp  start-up (FormCreate), shutdown and closing
//   chart_adapters.cpp, calib_cfg_adapter.cpp  what parts ask of the window
#pragma once

#include "config/cfg_frame.h"
#include "ui/device_actions.h"

#include <QMainWindow>
#include <QPoint>

#include <array>
#include <cstdint>
#include <memory>

struct t_setup_ui;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTimer;
class QToolBar;
class QWidget;
class device_column;
class device_actions;
class calib_cfg_adapter;
class calib_ctl;
class cfg_pages;
class cfg_transfer_ctl;
class chart_ctl;
class chart_page;
class window_chart_frame;
class report_ctl;

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
  // True once start-up has completed.
  bool init_done() const { return init_complete; }
  // True while a stored placement waits for the first paint.
  bool placement_pending() const { return init_active; }

  // ---- devices (main_devices.cpp) ----------------------------------------------------
  // Selects device d (-1: the off-line set). Leaving the selected device runs
  // the parts in this order: calibration releases the analog output, the
  // transfer part offers pending writes; then the new device is read.
  void select_device(int d);
  // The panels and menus after the devices in use changed.
  void show_device_panels();

  // ---- frame ----------------------------------------------------------------------------
  // The commands allowed now (cmd_bits_t).
  int commands() const { return cmd_mask; }
  // Page tag (0..7) of a page of the tab control; -1 when it is none.
  static int page_tag(QWidget* page);
  // The page tag of the page shown.
  int shown_page() const;

  // ---- the parts ----------------------------------------------------------------------
  device_column& devices() { return *device_col_; }        // ui/device_column.h
  device_actions& device_acts() { return *device_acts_; }  // ui/device_actions.h
  cfg_pages& pages();                                      // config/cfg_pages.h
  cfg_transfer_ctl& transfer();                            // config/cfg_transfer_ctl.h
  chart_ctl& charts() { return *charts_; }                 // charts/chart_ctl.h
  chart_page& live_page();                                 // charts/chart_page.h
  chart_page& arch_page();
  calib_ctl& calib() { return *calib_; }  // calib/calib_ctl.h

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // ---- frame, menus, tool bar and command mask (main_form.cpp, main_menus.cpp) ----------
  void build_frame();
  void build_menus();
  void build_toolbar();
  void build_chart_pages();
  QWidget* add_page(const char* name, int tag, const QString& caption);
  void pgctrl_mainChange(int index);
  void menm_fileClick();
  void update_menus();
  void update_play_buttons();
  void set_cmd(int bits, bool on);
  void show_tool_images();
  // What the device actions and the configuration transfer ask of the frame.
  void leave_device() override { select_device(-1); }
  bool may_add_device() const override { return (cmd_mask & CMD_ADD_DEV) != 0; }
  bool command_allowed(cfg_command_t cmd) const override;
  void set_device_commands(bool on) override;
  // The Device Settings menu: everything with a device, the report off-line.
  void enable_dev_setup(bool device);
  void refresh_menus() override { update_menus(); }
  void end_status_highlight() override;

  // ---- devices and the timer (main_devices.cpp) ------------------------------------------
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

  bool init_complete = false;
  bool init_active = false;  // placement from the setup file, taken at the first paint
  bool init_max = false;
  int init_left = 0;
  int init_top = 0;
  int init_wi = 0;
  int init_hi = 0;
  bool closing_done_ = false;
  int last_pg_index = 0;
  int cmd_mask = 0;

  // ---- the parts (the configuration pages outlive calibration and its adapter) --------------
  device_column* device_col_ = nullptr;
  device_actions* device_acts_ = nullptr;
  std::unique_ptr<cfg_pages> cfg_pages_;
  std::unique_ptr<cfg_transfer_ctl> cfg_transfer_;
  std::unique_ptr<window_chart_frame> chart_frame_;
  std::unique_ptr<chart_ctl> charts_;
  std::unique_ptr<calib_cfg_adapter> calib_cfg_;
  std::unique_ptr<calib_ctl> calib_;
  report_ctl* report_ = nullptr;  // the commissioning report (a child of the window)

  // ---- frame controls ---------------------------------------------------------------------
  QTimer* Timer1 = nullptr;
  QTabWidget* pgctrl_main = nullptr;
  QWidget* tab_about = nullptr;
  QWidget* tab_online = nullptr;
  QWidget* tab_offline = nullptr;
  QLabel* Image1 = nullptr;
  QMenuBar* men_main = nullptr;
  QMenu* menm_file = nullptr;
  QMenu* menm_devices = nullptr;
  QMenu* menm_dev_setup = nullptr;
  QMenu* menm_acc_mode = nullptr;
  QMenu* menm_chart = nullptr;
  QMenu* menm_export = nullptr;
  QMenu* menm_info = nullptr;
  QMenu* menm_language = nullptr;
  QAction* menm_exit = nullptr;
  QToolBar* tlb_main = nullptr;
  std::array<QAction*, 9> tcmd{};  // load, save, new_dev, rd_cfg, wr_cfg, exp_exc, exp_bmp, stop, play
};
