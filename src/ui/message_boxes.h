// The message boxes of the user-interface thread: the program's message
// dialog (texts/dlg_box.h) with the captions "Error", "Information" and
// "Question" from the text table (messages 53, 52, 51).
//
// One seam lets tests answer them: while answers are scripted, no window is
// shown; each box takes the next scripted answer and is recorded.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

inline constexpr int MSG_CAP_QUESTION = 51;
inline constexpr int MSG_CAP_INFO = 52;
inline constexpr int MSG_CAP_ERROR = 53;

void show_error(const QString& text);
void show_info(const QString& text);
// True for "Yes".
bool ask_question(const QString& text);

// The same with message n of the text table followed by suffix.
void show_error_msg(int n, const QString& suffix = QString());
void show_info_msg(int n, const QString& suffix = QString());
bool ask_question_msg(int n, const QString& suffix = QString());

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
