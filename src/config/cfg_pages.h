// The configuration pages of the main window: tab_base, tab_inputs,
// tab_outputs and tab_products. The window creates the four pages in its tab
// control and hands them over; the part builds their contents, shows the
// active configuration on them (the selected device's edit images, or the
// off-line set) through the binding table, and stores what is typed, picked
// or ticked. Every bound control is found by its name.
//
// Implementation, by concern:
//   cfg_pages_build.cpp   the contents of the four pages and their wiring
//   cfg_pages_show.cpp    showing the active configuration on them
//   cfg_pages_entry.cpp   the handlers of their controls
//   cfg_pages_access.cpp  what the user and expert levels show
#pragma once

#include <QList>
#include <QObject>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTabWidget;
class QWidget;
class cfg_edit_filter;

class cfg_pages : public QObject {
  Q_OBJECT

 public:
  // The four pages, already in the tab control, in the order of the tabs.
  struct t_tabs {
    QWidget* base = nullptr;
    QWidget* inputs = nullptr;
    QWidget* outputs = nullptr;
    QWidget* products = nullptr;
  };
  // Builds the pages' contents and connects their controls.
  cfg_pages(QTabWidget& tabs, const t_tabs& pages);
  ~cfg_pages() override;
  cfg_pages(const cfg_pages&) = delete;
  cfg_pages& operator=(const cfg_pages&) = delete;

  QWidget* base_page() const { return tabs_.base; }
  QWidget* inputs_page() const { return tabs_.inputs; }
  QWidget* outputs_page() const { return tabs_.outputs; }
  QWidget* products_page() const { return tabs_.products; }

  // ---- showing -------------------------------------------------------------------------
  // Refreshes the four pages from the active configuration: the product
  // lists, every bound control, the input matrix, the gain, the analog
  // output mode and the products page.
  void show_cfg_pages();
  // Start-up fills: the Modbus addresses 1..248 and the decimals list in
  // the system's decimal separator.
  void fill_cfg_lists();
  // The products page: its bound controls, the calibration points shown,
  // the unit labels, the checksum and the product selection.
  void show_products_tab();
  // Another part changed values of the active configuration (the analog
  // output calibration): the bound controls of the settings pages show them.
  void values_changed();
  // The product checksum label, from the edited product.
  void set_prod_crc();
  // The access level (m_stat.acc_level) changed: the pages show what it
  // allows, and a page it hides is left.
  void show_access_level();

  // ---- entry -----------------------------------------------------------------------------
  // The key handlers of the configuration edits: true when they took (or
  // swallowed) the key.
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
  // The window is going: its controls' last events reach no handler.
  void detach();

 private:
  // Building (cfg_pages_build.cpp).
  void build_base();
  void build_inputs();
  void build_outputs();
  void build_products();
  QGroupBox* product_group(QWidget* parent);
  QGroupBox* filter_group(QWidget* parent);
  QGroupBox* alarms_group(QWidget* parent);
  QGroupBox* calib_group(QWidget* parent);
  void connect_pages();
  // One label column width for the groups of a page column (after texts changed).
  void align_cfg_labels();
  // The product lists: the 24 product names in cmb_curr_prod and the 15 assignment boxes.
  QList<QComboBox*> prod_name_boxes() const;

  // Showing (cfg_pages_show.cpp): a container walked for its bound
  // controls, or one control.
  void show_bound_controls(QWidget* container);
  void show_settings_pages();
  void show_edit(QLineEdit* edit);
  void show_combo(QComboBox* box);
  void show_check(QCheckBox* box);
  void show_scroll(QScrollBar* bar);
  void show_button(QAbstractButton* button);
  void show_aout_mode();
  void show_cal_points();
  void show_unit_labels();
  void show_din_matrix();
  void fill_prod_lists();
  void fill_prod_select();
  void show_access_layout();

  // Handlers (cfg_pages_entry.cpp).
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

  QTabWidget& tab_ctrl_;
  t_tabs tabs_;
  cfg_edit_filter* cfg_filter_ = nullptr;
  bool exit_busy_ = false;  // an exit handler runs (its error box, its refocusing)

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
  QComboBox* cmb_aout_mode = nullptr;
  QComboBox* cmb_med_filt = nullptr;
  QComboBox* x_cmb_cal_pts = nullptr;
  QCheckBox* chk_default_prod = nullptr;
  QLabel* x_lbl_prod_crc = nullptr;
  QLabel* x_lbl_gain_val = nullptr;
};
