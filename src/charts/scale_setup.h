// The scale setup dialog (form "TSCALE_SETUP"): the time scale, the three
// vertical scales, the grid, the raw axis direction and "use as default"
// of one chart, edited in working copies and stored on OK. The main
// window is blocked while it is open; what follows the store (the redraw,
// the chart menus) is the main window's, through on_stored.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tscale_setup : public QDialog {
  Q_OBJECT

 public:
  explicit Tscale_setup(QWidget* parent = nullptr);

  void setup_lng();
  void setup_form();
  void restore_form();

  void cmd_okClick();
  void cmd_cancelClick();
  void txt_h_maxExit(QLineEdit* edit);  // both scaled value edits (Tag 0 min, 1 max)
  void txt_t_maxExit(QLineEdit* edit);
  void txt_r_maxExit(QLineEdit* edit);

  // After OK stored the settings into chart draw_index.
  std::function<void(int chart)> on_stored;

  int draw_index = 0;
  float l_h_min = 0, l_h_max = 0, l_t_min = 0, l_t_max = 0, l_r_min = 0, l_r_max = 0;

  QComboBox* cmb_scale_time = nullptr;
  QLineEdit* txt_h_min = nullptr;
  QLineEdit* txt_h_max = nullptr;
  QLineEdit* txt_t_min = nullptr;
  QLineEdit* txt_t_max = nullptr;
  QLineEdit* txt_r_min = nullptr;
  QLineEdit* txt_r_max = nullptr;
  QLabel* x_lbl_unit_t1 = nullptr;
  QLabel* x_lbl_unit_t2 = nullptr;
  QComboBox* cmb_sel_grid = nullptr;
  QCheckBox* chk_raw_invert = nullptr;
  QCheckBox* chk_use_as_default = nullptr;
  QPushButton* cmd_ok = nullptr;
  QPushButton* cmd_cancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Runs the exit handler of an edit (the one with a pending entry).
  void edit_exit(QLineEdit* edit);
  void take_pending_edit();
};
