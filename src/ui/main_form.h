// The main window: device column, page control with the configuration and
// chart pages, main menu and tool bar. The implementation is split by
// concern: the frame here in ui/, start-up and shutdown in main_startup.cpp.
#pragma once

#include <QMainWindow>

#include <atomic>

struct t_setup_ui;
class QLabel;
class QTabWidget;
class QTimer;
class QWidget;

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- start-up and shutdown --------------------------------------------------
  // Runs the start-up sequence. False when the program must end (the work
  // folders could not be created); the error has been shown.
  bool FormCreate();
  // Runs the shutdown sequence after the quit question was answered (or
  // without questions for a session end): stops the timer, lets the service
  // flush and end, saves the setup and closes the port.
  void shutdown_sequence();
  // The shutdown sequence when start-up did not complete.
  void abort_sequence();

  bool init_complete = false;
  std::atomic<bool> thr_terminated{false};
  bool init_active = false;
  bool init_max = false;
  int init_left = 0;
  int init_top = 0;
  int init_wi = 0;
  int init_hi = 0;

  // ---- controls ---------------------------------------------------------------
  QWidget* pnl_left = nullptr;
  QLabel* lbl_click_to_sel = nullptr;
  QWidget* gpl_devices = nullptr;
  QTabWidget* pgctrl_main = nullptr;
  QWidget* tab_about = nullptr;
  QWidget* tab_base = nullptr;
  QWidget* tab_inputs = nullptr;
  QWidget* tab_outputs = nullptr;
  QWidget* tab_products = nullptr;
  QWidget* tab_online = nullptr;
  QWidget* tab_offline = nullptr;
  QLabel* Image1 = nullptr;
  QTimer* Timer1 = nullptr;

  // True when some monitor holds the point with a 50-pixel margin.
  static bool on_monitor(int x, int y);

  // Page tag (0..7) of a page of pgctrl_main; -1 when it is none.
  static int page_tag(QWidget* page);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void build_frame();
  QWidget* add_page(const char* name, int tag, const QString& caption);
  void Timer1Timer();
  void pgctrl_mainChange(int index);
  void FormClose(QCloseEvent* event);

  // Start-up steps that later parts of the program fill in.
  void save_separators();
  void discover_language_packs();
  void load_logo();
  void measure_chart_font();
  void prepare_device_records();
  void restore_page();
  void apply_setup(const t_setup_ui& su);
  t_setup_ui current_setup_ui() const;
  void write_init_log();

  bool service_started_ = false;
  bool closing_done_ = false;
};
