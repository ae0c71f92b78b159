// The channel setup dialog (form "TDRAW_SETUP"): edits one display channel
// of a chart in a working copy and stores it on OK. What follows the store
// (filters, archive loading, redraw) is the main window's, through on_stored.
#pragma once

#include "core/common_data.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class Tdraw_setup : public QDialog {
  Q_OBJECT

 public:
  explicit Tdraw_setup(QWidget* parent = nullptr);

  void setup_form(int form_mode);
  void set_captions();
  void restore_form();
  void set_ctrl_ena();
  // True when the working copy differs from the stored record in what
  // needs the archive loaded again.
  bool chan_changed() const;

  void cmd_okClick();
  void cmd_cancelClick();
  void cmb_meas_modeChange();
  void txt_pt1Exit();
  void txt_screwExit();
  void Shp_col_hMouseDown();
  void cmd_dir_selectClick();

  // After OK stored the working copy into slot chan_id of chart chan_mode;
  // changed: chan_changed() before the store.
  std::function<void(int chan_mode, int chan_id, bool changed)> on_stored;
  // Seams for tests: the file and colour pickers (empty text / false: cancelled).
  std::function<QString(const QString& folder)> pick_file;
  std::function<bool(int32_t& colour)> pick_color;

  int chan_mode = 0;
  int chan_id = 0;
  t_dsp_chan dsp_chan;
  bool new_chan = false;

  QLabel* lbl_chan_tag = nullptr;
  QLineEdit* txt_chan_desc = nullptr;
  QLabel* lbl_src_file = nullptr;
  QLineEdit* txt_src_file = nullptr;
  QToolButton* cmd_dir_select = nullptr;
  QLabel* lbl_src_chan = nullptr;
  QComboBox* cmb_src_chan = nullptr;
  QLabel* lbl_meas_mode = nullptr;
  QComboBox* cmb_meas_mode = nullptr;
  QLabel* lbl_median = nullptr;
  QComboBox* cmb_med_depth = nullptr;
  QLabel* lbl_pt1 = nullptr;
  QLineEdit* txt_pt1 = nullptr;
  QLabel* lbl_screw = nullptr;
  QLineEdit* txt_screw = nullptr;
  QLabel* lbl_line_col = nullptr;
  QFrame* shp_color = nullptr;
  QLabel* lbl_line_thk = nullptr;
  QComboBox* cmb_line_thk = nullptr;
  QCheckBox* chk_display = nullptr;
  QPushButton* cmd_ok = nullptr;
  QPushButton* cmd_cancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void show_color();
  int32_t color_ = 0;
};
