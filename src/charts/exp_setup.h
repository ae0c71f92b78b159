// The export setup dialog (form "TEXP_SETUP"): the decimal point and the
// field separator of the CSV export, chosen from a list or typed, stored
// into the setup on OK.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

class Texp_setup : public QDialog {
  Q_OBJECT

 public:
  explicit Texp_setup(QWidget* parent = nullptr);

  void set_captions();
  // The two lists show the stored separators.
  void restore_form();
  // Stores both texts (decp_separator, field_separator) and closes.
  void cmd_okClick();
  void cmd_cancelClick();

  QLabel* lbl_dec_point = nullptr;
  QComboBox* x_cmb_decp = nullptr;
  QLabel* lbl_field_sep = nullptr;
  QComboBox* x_cmb_fsep = nullptr;
  QPushButton* cmd_ok = nullptr;
  QPushButton* cmd_cancel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
};
