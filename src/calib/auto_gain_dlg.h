// The automatic gain search: TAuto_gain ("Auto gain setup", form 4), opened
// by the products page's "Auto-gain" button. Thin over auto_gain_proc
// (calib/auto_gain.h).
#pragma once

#include "calib/auto_gain.h"
#include "calib/calib_dlg_base.h"

class QLabel;
class QPushButton;
class QStatusBar;

class TAuto_gain : public TCalib_dlg_base {
  Q_OBJECT

 public:
  explicit TAuto_gain(QWidget* parent = nullptr);
  ~TAuto_gain() override;

  // Opens the search for the selected device; false (text 57 shown) when it is not on line.
  bool open_for();

  void tmr_cal_inTimer();
  void cmd_acceptClick() { proc.accept(); }

  auto_gain_proc proc;
  QLabel* lbl_curr_step_val = nullptr;
  QLabel* lbl_curr_gain_val = nullptr;
  QLabel* lbl_curr_g_idx = nullptr;  // hidden
  QLabel* lbl_curr_g_idx_val = nullptr;
  QPushButton* cmd_accept = nullptr;
  QPushButton* cmd_abort = nullptr;
  QStatusBar* stb_stat = nullptr;

 protected:
  void leave() override { proc.close(); }

 private:
  void show_view();
};
