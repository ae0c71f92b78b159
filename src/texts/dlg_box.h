// The program's one message dialog: error, information or question, with
// the caption, the text and the mode set by the caller before showing.
// It can only be left with its buttons.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

inline constexpr int DLG_MODE_INFO = 0;
inline constexpr int DLG_MODE_ERROR = 1;
inline constexpr int DLG_MODE_QUESTION = 2;

inline constexpr int DLG_RESULT_YES = 1;  // also "OK"
inline constexpr int DLG_RESULT_NO = 2;

// Width and button places of the dialog, from the measured widths: the
// larger of (message width + label left) and caption width, plus one button
// width; at least two button widths (information, error) or three
// (question). With c = width / 2: OK at c - w/2; Yes at c - w/8 - w and No
// at c + w/8 (halves and eighths rounded towards zero).
struct t_dlg_layout {
  int width = 0;
  int ok_left = 0;
  int yes_left = 0;
  int no_left = 0;
};
t_dlg_layout dlg_box_layout(int mode, int msg_width, int label_left, int cap_width, int button_width);

class Tdlg_box : public QDialog {
  Q_OBJECT

 public:
  static constexpr int DESIGN_WIDTH = 389;  // client area before sizing
  static constexpr int DESIGN_HEIGHT = 161;
  static constexpr int IMG_SIZE = 46;

  explicit Tdlg_box(QWidget* parent = nullptr);

  QLabel* lbl_msg = nullptr;
  QLabel* img_err = nullptr;
  QLabel* img_info = nullptr;
  QLabel* img_question = nullptr;
  QPushButton* cmd_ok = nullptr;
  QPushButton* cmd_yes = nullptr;
  QPushButton* cmd_abort = nullptr;

  QString cap_txt;
  QString msg_txt;
  int form_mode = DLG_MODE_INFO;

  // Lays the dialog out for cap_txt, msg_txt and form_mode and applies the
  // current texts of the dialog's buttons.
  void set_dlg_box();

  // Shows the dialog modally, centred on the active window (or the primary
  // screen); DLG_RESULT_YES for "OK" and "Yes", DLG_RESULT_NO for "No".
  int show_modal();

 protected:
  void reject() override;  // Escape and the window manager's close do nothing
  void showEvent(QShowEvent* event) override;

 private:
  void cmd_okClick();
  void cmd_yesClick();
  void cmd_abortClick();
  void apply_dlg_texts();
  void keep_on_screen();
};
