// The device connection dialog: edits the connection record of one device
// slot (description, Modbus address, COM port, baud rate, parity, USB mode,
// acquisition on/off, log file folder). Created once and reused; window-
// modal over the main window while it is open.
#pragma once

#include <QDialog>

#include <functional>

struct t_dev_conn;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TDlg_setup : public QDialog {
  Q_OBJECT

 public:
  // The folder picker: (parent, title, start folder) → the chosen folder, or
  // an empty text when the user cancelled. Tests replace the platform's.
  using folder_picker = std::function<QString(QWidget*, const QString&, const QString&)>;

  explicit TDlg_setup(QWidget* parent = nullptr);

  // Fills the dialog from slot device_id (0..7), asks the service for the
  // list of existing ports and shows the dialog.
  void open_for(int device_id);

  // Called whenever the dialog closes; saved is true after OK stored the record.
  void set_on_closed(std::function<void(bool saved)> on_closed) { on_closed_ = std::move(on_closed); }
  void set_folder_picker(folder_picker picker) { picker_ = std::move(picker); }

  int device_id = 0;

  // ---- controls ---------------------------------------------------------------
  QLabel* lbl_dev_desc = nullptr;
  QLineEdit* txt_dev_desc = nullptr;
  QCheckBox* chk_use_usb = nullptr;
  QLabel* lbl_address = nullptr;
  QComboBox* cmb_modb_addr = nullptr;
  QLabel* lbl_com = nullptr;
  QComboBox* cmb_com = nullptr;
  QLabel* lbl_baud = nullptr;
  QComboBox* cmb_baud = nullptr;
  QLabel* lbl_parity = nullptr;
  QComboBox* x_cmb_parity = nullptr;
  QCheckBox* chk_acq_active = nullptr;
  QLabel* lbl_directory = nullptr;
  QLineEdit* txt_log_directory = nullptr;
  QPushButton* cmd_dir_select = nullptr;
  QPushButton* cmd_ok = nullptr;
  QPushButton* cmd_abort = nullptr;

  // ---- small operations (public for tests) ----------------------------------------
  // Selects the item "COM" + port, or no item.
  static void select_com_item(QComboBox* combo, int port);
  // Selects index when it is within the list, else no item.
  static void select_item(QComboBox* combo, int index);
  // Characters 4 to 6 of the combo's text as a number; 0 when that fails.
  static int com_number(const QComboBox* combo);

  // Texts and port list; the controls from the record; the record from the
  // controls (true when the identity of the connection changed).
  void set_dlg_lang();
  void restore_form();
  bool update_form(t_dev_conn& rec);

 private:
  void build();
  void cmd_okClick();
  void cmd_abortClick();
  void cmd_dir_selectClick();
  void chk_use_usbClick();
  void FormClose(int result);

  std::function<void(bool)> on_closed_;
  folder_picker picker_;
  bool opening_ = false;
};
