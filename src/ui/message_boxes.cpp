#include "ui/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

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

QWidget* dialog_parent() { return QApplication::activeWindow(); }

}  // namespace

void show_error(const QString& text) {
  if (script().active) {
    script().shown << "error: " + text;
    return;
  }
  QMessageBox::critical(dialog_parent(), QApplication::applicationDisplayName(), text);
}

void show_info(const QString& text) {
  if (script().active) {
    script().shown << "info: " + text;
    return;
  }
  QMessageBox::information(dialog_parent(), QApplication::applicationDisplayName(), text);
}

bool ask_question(const QString& text) {
  if (script().active) {
    script().shown << "question: " + text;
    return !script().answers.isEmpty() && script().answers.takeFirst();
  }
  return QMessageBox::question(dialog_parent(), QApplication::applicationDisplayName(), text,
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

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
