// The manual gain: TManual_gain ("Manual gain setup", form 9), opened by the
// products page's "Manual-gain" button. Thin over manual_gain_proc
// (calib/manual_gain.h).
#pragma once

#include "calib/calib_dlg_base.h"
#include "calib/manual_gain.h"

class QLabel;
class QPushButton;
class QSlider;

class TManual_gain : public TCalib_dlg_base {
  Q_OBJECT

 public:
  explicit TManual_gain(QWidget* parent = nullptr);
  ~TManual_gain() override;

  // Opens the dialog for the selected device, or for the off-line set.
  void open_for();

  void tmr_cal_inTimer();
  void trk_man_gainChange();
  void cmd_amp_decClick();
  void cmd_amp_incClick();
  void cmd_confirmClick();

  manual_gain_proc proc;
  QSlider* trk_man_gain = nullptr;
  QPushButton* cmd_amp_dec = nullptr;
  QPushButton* cmd_amp_inc = nullptr;
  QLabel* x_lbl_gain_val = nullptr;
  QLabel* lbl_curr_avg = nullptr;
  QLabel* lbl_curr_avg_val = nullptr;
  QLabel* lbl_curr_min = nullptr;
  QLabel* lbl_curr_min_val = nullptr;
  QLabel* lbl_curr_max = nullptr;
  QLabel* lbl_curr_max_val = nullptr;
  QPushButton* cmd_confirm = nullptr;
  QPushButton* cmd_abort = nullptr;

 protected:
  void leave() override { proc.close(); }

 private:
  void show_view();
};
