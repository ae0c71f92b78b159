// The capture of a calibration point's raw value: TCalib_In ("Capture
// calibration", form 3), opened by the products page's "Read raw value"
// buttons. Thin over calib_in_proc (calib/calib_capture.h).
#pragma once

#include "calib/calib_capture.h"
#include "calib/calib_dlg_base.h"

class QLabel;
class QPushButton;
class QStatusBar;

class TCalib_In : public TCalib_dlg_base {
  Q_OBJECT

 public:
  explicit TCalib_In(QWidget* parent = nullptr);
  ~TCalib_In() override;

  // Opens the capture of point k (0..4) for the selected device; false
  // (text 57 shown) when it is not on line.
  bool open_for(int k);

  void tmr_cal_inTimer();
  void cmd_okClick();

  calib_in_proc proc;
  QLabel* lbl_smp_cnt_val = nullptr;
  QLabel* lbl_avg_val_val = nullptr;
  QPushButton* cmd_ok = nullptr;
  QPushButton* cmd_abort = nullptr;
  QStatusBar* stb_stat = nullptr;

 protected:
  void leave() override { proc.close(); }

 private:
  void show_view();
};
