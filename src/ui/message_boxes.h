// The message boxes of the user-interface thread, with one seam through
// which tests answer them: while answers are scripted, no window is shown;
// each box takes the next scripted answer and is recorded.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

void show_error(const QString& text);
void show_info(const QString& text);
// True for "Yes".
bool ask_question(const QString& text);

namespace msg_script {
// Turns scripted answering on; questions take answers from the queue
// (true = "Yes"), and answer "No" when it is empty.
void begin(const QList<bool>& answers = {});
void end();
bool active();
void push_answer(bool yes);
// Every box shown while scripted, as "error: text", "info: text", "question: text".
QStringList shown();
}  // namespace msg_script
