// Reading and writing the selected transmitter's configuration, parameter
// set files (Load and Save), pending changes and access levels: the
// commands of the main window that move a configuration, with their menu
// actions, the tool buttons the window hands over and the progress shown in
// the tool bar.
//
// Implementation, by concern:
//   cfg_transfer_ctl.cpp          the actions, tool buttons, progress and access levels
//   cfg_transfer_ctl_device.cpp   reading and writing a transmitter, pending changes
//   cfg_transfer_ctl_files.cpp    parameter set files, and comparing one with a transmitter
#pragma once

#include <QObject>

#include <cstdint>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QWidget;
class cfg_frame;
class cfg_pages;
enum dev_request_t : uint8_t;
enum dev_req_stat_t : uint8_t;

class cfg_transfer_ctl : public QObject {
  Q_OBJECT

 public:
  // The window's tool buttons of the part's commands.
  struct t_tools {
    QAction* load = nullptr;   // tcmd_load
    QAction* save = nullptr;   // tcmd_save
    QAction* read = nullptr;   // tcmd_rd_cfg
    QAction* write = nullptr;  // tcmd_wr_cfg
  };
  cfg_transfer_ctl(cfg_pages& pages, cfg_frame& frame);
  ~cfg_transfer_ctl() override;
  cfg_transfer_ctl(const cfg_transfer_ctl&) = delete;
  cfg_transfer_ctl& operator=(const cfg_transfer_ctl&) = delete;

  // ---- actions the part adds to the window's menus and tool bar ---------------------
  void add_file_actions(QMenu* file);      // menm_save_cfg, menm_load_cfg
  void add_access_actions(QMenu* access);  // menm_acc_user, menm_acc_expert
  // menm_dev_read, menm_dev_write, x_menm_dev_history, x_menm_dev_compare
  void add_device_actions(QMenu* device_setup);
  // Connects the tool buttons and puts the transfer progress at the right
  // end of the tool bar (its place is kept while it is hidden).
  void attach_tool_bar(QToolBar* bar, const t_tools& tools);
  // Save and Load in the file menu.
  void enable_file_actions(bool save, bool load);

  // ---- transfers -----------------------------------------------------------------------
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

  // ---- configuration records -------------------------------------------------------------
  // The selected transmitter's history of writes.
  void x_menm_dev_historyClick();
  // The selected transmitter against a parameter set file the user picks,
  // read from the transmitter now (the images the window edits stay as
  // they were).
  void x_menm_dev_compareClick();

  // ---- parameter set files -------------------------------------------------------------
  // Saves the active configuration to a parameter set file the user picks.
  bool save_param_set();
  void menm_load_cfgClick();
  void menm_save_cfgClick();

  // ---- access levels -------------------------------------------------------------------
  // User (false) or expert (true) level, and what each level shows; service
  // mode keeps the expert level.
  void set_access_level(bool expert);
  void menm_acc_expertClick() { set_access_level(true); }
  void menm_acc_userClick() { set_access_level(false); }

 private:
  void show_transfer_progress(bool on);
  // Writes device d's edit images, reads them back and records the write in
  // the transmitter's history (a history that cannot be written warns).
  // True when the transmitter holds what was written.
  bool write_and_record(int d);

  cfg_pages& pages_;
  cfg_frame& frame_;
  QAction* menm_save_cfg = nullptr;
  QAction* menm_load_cfg = nullptr;
  QAction* menm_acc_user = nullptr;
  QAction* menm_acc_expert = nullptr;
  QAction* menm_dev_read = nullptr;
  QAction* menm_dev_write = nullptr;
  QAction* x_menm_dev_history = nullptr;
  QAction* x_menm_dev_compare = nullptr;
  QWidget* window_ = nullptr;          // parents the record dialogs
  QProgressBar* x_prg_xfer = nullptr;  // shown in the tool bar while a read or write runs
  QLabel* x_lbl_xfer = nullptr;
};
