#include "ui/message_boxes.h"

#include "texts/dlg_box.h"
#include "texts/text_table.h"

#include <QApplication>
#include <QPointer>

namespace {

struct script_state {
  bool active = false;
  QList<bool> answers;
  QStringList shown;
};

script_state& script() {
  static script_state s;
  return s;
}

// The one dialog, created at its first use and reused for the whole run.
Tdlg_box& dlg_box() {
  static QPointer<Tdlg_box> box;
  if (!box) box = new Tdlg_box();
  return *box;
}

int run_box(int caption_msg, const QString& text, int mode) {
  Tdlg_box& box = dlg_box();
  box.cap_txt = msg_text(caption_msg);
  box.msg_txt = text;
  box.form_mode = mode;
  box.set_dlg_box();
  return box.show_modal();
}

}  // namespace

void show_error(const QString& text) {
  if (script().active) {
    script().shown << "error: " + text;
    return;
  }
  run_box(MSG_CAP_ERROR, text, DLG_MODE_ERROR);
}

void show_info(const QString& text) {
  if (script().active) {
    script().shown << "info: " + text;
    return;
  }
  run_box(MSG_CAP_INFO, text, DLG_MODE_INFO);
}

bool ask_question(const QString& text) {
  if (script().active) {
    script().shown << "question: " + text;
    return !script().answers.isEmpty() && script().answers.takeFirst();
  }
  return run_box(MSG_CAP_QUESTION, text, DLG_MODE_QUESTION) == DLG_RESULT_YES;
}

void show_error_msg(int n, const QString& suffix) { show_error(msg_text(n) + suffix); }
void show_info_msg(int n, const QString& suffix) { show_info(msg_text(n) + suffix); }
bool ask_question_msg(int n, const QString& suffix) { return ask_question(msg_text(n) + suffix); }

namespace msg_script {
void begin(const QList<bool>& answers) {
  script().active = true;
  script().answers = answers;
  script().shown.clear();
}
void end() { script() = script_state{}; }
bool active() { return script().active; }
void push_answer(bool yes) { script().answers << yes; }
QStringList shown() { return script().shown; }
}  // namespace msg_script
