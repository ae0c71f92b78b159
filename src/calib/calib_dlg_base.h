// What the three gain dialogs share as windows: a dialog that stays on top
// and keeps the main window from input while it is open, its 500 ms timer,
// the gauge, and one way out. Whatever closes the dialog (its buttons, the
// close box, Escape, the program shutting down, the dialog being hidden or
// destroyed) runs leave() exactly once, which ends the gain override and
// the capture before anything else happens (a message box comes after).
#pragma once

#include "calib/calib_common.h"

#include <QDialog>

class QBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

class TCalib_dlg_base : public QDialog {
  Q_OBJECT

 public:
  explicit TCalib_dlg_base(QWidget* parent, int form_no);
  ~TCalib_dlg_base() override;

  QTimer* tmr_cal_in = nullptr;  // 500 ms
  QProgressBar* ga_main = nullptr;
  // Called after the dialog stored its result into the edit image, once it
  // has closed and before its message: the window shows the result and the
  // products CRC of the image as it now is.
  std::function<void()> on_stored;

  // Posts gain words for the device the dialog works on, through the
  // program's service client; nothing once that device's slot has changed
  // (removed, moved or its connection edited: the client released it then).
  gain_post_fn poster();
  // The texts of the form from the text table.
  void set_captions();
  int form_no() const { return form_no_; }

  // Shows the gauge at value (0..1024) in colour c.
  static void set_gauge(QProgressBar* gauge, int value, gauge_colour_t c);
  static QProgressBar* make_gauge(QWidget* parent);
  // A label named name; a value label (value_sample given) is bold,
  // right-aligned and wide enough for the sample text.
  static QLabel* named_label(QWidget* parent, const char* name, const QString& text,
                             const char* value_sample = nullptr);
  // The row of the closing buttons at the right: ok_name (the default
  // button) and "cmd_abort" ("Cancel"), which closes the dialog.
  QPushButton* add_buttons(QBoxLayout* lay, const char* ok_name, const QString& ok_caption);
  // The one-panel status bar stb_stat at the bottom.
  QStatusBar* add_status_bar(QBoxLayout* lay);

  void done(int r) override;

 protected:
  // Opens the dialog: the timer runs, the main window takes no input.
  void open_dialog();
  // Ends the override and the capture (called once per opening).
  virtual void leave() = 0;
  // Carries out what a tick asks for: stop, close, then the message.
  void finish_tick(const t_calib_out& out);
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Runs leave() unless it ran since the opening; derived destructors call it.
  void leave_once();
  uint32_t generation_ = 0;  // of the slot the dialog works on, at opening

 private:
  int form_no_;
  bool open_ = false;
};
