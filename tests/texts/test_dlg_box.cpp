// The message dialog, offscreen: its layout rules, its button texts from
// the text table, its answers, and the message boxes shown through it.
#include "texts/dlg_box.h"

#include "texts/qstring_print.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Waits (inside the modal loop) for the visible message dialog, hands it to
// act, which is expected to press one of its buttons.
void when_dialog_shows(std::function<void(Tdlg_box&)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<Tdlg_box*>(w);
      if (box && box->isVisible()) {
        poll->stop();
        poll->deleteLater();
        act(*box);
        return;
      }
    }
  });
  poll->start();
}

bool any_dialog_visible() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<Tdlg_box*>(w) && w->isVisible()) return true;
  return false;
}

int find_row(const char16_t* name) { return find_text_row(QStringView(name), TXT_KIND_CAPTION, FORM_DLG_BOX); }

class DlgBox : public ::testing::Test {
 protected:
  void SetUp() override { init_texts(); }
  void TearDown() override { init_texts(); }

  void lay_out(int mode, const QString& cap, const QString& msg) {
    box.form_mode = mode;
    box.cap_txt = cap;
    box.msg_txt = msg;
    box.set_dlg_box();
  }

  Tdlg_box box;
};

}  // namespace

TEST(DlgBoxLayout, WidthsAndButtonPlaces) {
  // Short texts: two button widths for information and error, three for a question.
  EXPECT_EQ(dlg_box_layout(DLG_MODE_INFO, 10, 80, 20, 110).width, 220);
  EXPECT_EQ(dlg_box_layout(DLG_MODE_ERROR, 10, 80, 20, 110).width, 220);
  EXPECT_EQ(dlg_box_layout(DLG_MODE_QUESTION, 10, 80, 20, 110).width, 330);
  // Longer: the larger of message + label left and caption, plus a button.
  EXPECT_EQ(dlg_box_layout(DLG_MODE_INFO, 300, 80, 200, 110).width, 490);
  EXPECT_EQ(dlg_box_layout(DLG_MODE_INFO, 300, 80, 500, 110).width, 610);
  // Places, halves and eighths rounded towards zero: width 490, c = 245.
  const t_dlg_layout l = dlg_box_layout(DLG_MODE_QUESTION, 300, 80, 0, 110);
  EXPECT_EQ(l.ok_left, 245 - 55);
  EXPECT_EQ(l.yes_left, 245 - 13 - 110);
  EXPECT_EQ(l.no_left, 245 + 13);
}

TEST_F(DlgBox, ModesShowTheirButtonsAndSymbol) {
  lay_out(DLG_MODE_INFO, "Information", "Ok.");
  EXPECT_EQ(box.windowTitle(), "Information");
  EXPECT_EQ(box.lbl_msg->text(), "Ok.");
  EXPECT_FALSE(box.cmd_ok->isHidden());
  EXPECT_TRUE(box.cmd_yes->isHidden());
  EXPECT_TRUE(box.cmd_abort->isHidden());
  EXPECT_FALSE(box.img_info->isHidden());
  EXPECT_TRUE(box.img_err->isHidden());
  EXPECT_EQ(box.width(), 2 * box.cmd_ok->width());  // short text: twice the OK button
  EXPECT_EQ(box.cmd_ok->x(), box.width() / 2 - box.cmd_ok->width() / 2);

  lay_out(DLG_MODE_ERROR, "Error", "Bad.");
  EXPECT_FALSE(box.img_err->isHidden());
  EXPECT_TRUE(box.img_info->isHidden());
  EXPECT_TRUE(box.img_question->isHidden());

  lay_out(DLG_MODE_QUESTION, "Question", "Go?");
  EXPECT_TRUE(box.cmd_ok->isHidden());
  EXPECT_FALSE(box.cmd_yes->isHidden());
  EXPECT_FALSE(box.cmd_abort->isHidden());
  EXPECT_FALSE(box.img_question->isHidden());
  EXPECT_TRUE(box.img_err->isHidden());
  EXPECT_GE(box.width(), 3 * box.cmd_ok->width());
  EXPECT_LT(box.cmd_yes->geometry().right(), box.cmd_abort->x());
  for (QLabel* img : {box.img_err, box.img_info, box.img_question}) {
    EXPECT_EQ(img->size(), QSize(Tdlg_box::IMG_SIZE, Tdlg_box::IMG_SIZE));
    EXPECT_EQ(img->pos(), box.img_err->pos());
  }
}

TEST_F(DlgBox, FourLinesMakeTheLabelTallerNotTheFormWider) {
  const QString msg = QString("Line one\r\nLine two\r\nLine three\r\nLine four");
  lay_out(DLG_MODE_INFO, "Information", msg);
  const QFontMetrics fm(box.lbl_msg->font());
  EXPECT_EQ(box.lbl_msg->text().count(u'\n'), 3);
  EXPECT_GE(box.lbl_msg->height(), 4 * fm.lineSpacing() - fm.leading());
  const int one_line = fm.horizontalAdvance("Line oneLine twoLine threeLine four");
  EXPECT_EQ(box.width(), one_line + box.lbl_msg->x() + box.cmd_ok->width());
  EXPECT_GE(box.cmd_ok->y(), box.lbl_msg->geometry().bottom());
}

TEST_F(DlgBox, ButtonTextsFollowTheCurrentLanguage) {
  lay_out(DLG_MODE_QUESTION, "Question", "Go?");
  EXPECT_EQ(box.cmd_yes->text(), "Yes");
  EXPECT_EQ(box.cmd_abort->text(), "No");
  EXPECT_EQ(box.cmd_ok->text(), "OK");
  cur_texts[find_row(u"cmd_yes")] = "Ja";
  cur_texts[find_row(u"cmd_abort")] = "Nein";
  lay_out(DLG_MODE_QUESTION, "Frage", "Weiter?");
  EXPECT_EQ(box.cmd_yes->text(), "Ja");
  EXPECT_EQ(box.cmd_abort->text(), "Nein");
}

TEST_F(DlgBox, AnswersAreOneForYesAndTwoForNoAndOnlyButtonsLeave) {
  lay_out(DLG_MODE_QUESTION, "Question", "Go?");
  when_dialog_shows([](Tdlg_box& b) { b.cmd_yes->click(); });
  EXPECT_EQ(box.show_modal(), DLG_RESULT_YES);

  when_dialog_shows([](Tdlg_box& b) {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&b, &esc);
    b.close();
    EXPECT_TRUE(b.isVisible()) << "Escape and close must not leave the dialog";
    b.cmd_abort->click();
  });
  EXPECT_EQ(box.show_modal(), DLG_RESULT_NO);

  lay_out(DLG_MODE_INFO, "Information", "Done.");
  when_dialog_shows([](Tdlg_box& b) { b.cmd_ok->click(); });
  EXPECT_EQ(box.show_modal(), DLG_RESULT_YES);
}

// ---- the message boxes shown through the dialog ------------------------------------------

TEST(MessageBoxes, ShowTheDialogWithTheTableCaptions) {
  init_texts();
  ASSERT_FALSE(msg_script::active());
  QString caption, text;
  int mode = -1;
  auto record_and = [&](bool yes) {
    return [&, yes](Tdlg_box& b) {
      caption = b.windowTitle();
      text = b.lbl_msg->text();
      mode = b.form_mode;
      (b.form_mode == DLG_MODE_QUESTION ? (yes ? b.cmd_yes : b.cmd_abort) : b.cmd_ok)->click();
    };
  };
  when_dialog_shows(record_and(true));
  show_error("Port busy");
  EXPECT_EQ(caption, "Error");
  EXPECT_EQ(text, "Port busy");
  EXPECT_EQ(mode, DLG_MODE_ERROR);

  when_dialog_shows(record_and(true));
  show_info_msg(7);
  EXPECT_EQ(caption, "Information");
  EXPECT_EQ(text, "Configuration saved.");

  when_dialog_shows(record_and(true));
  EXPECT_TRUE(ask_question_msg(50));
  EXPECT_EQ(caption, "Question");
  EXPECT_EQ(text, "Quit program?");
  when_dialog_shows(record_and(false));
  EXPECT_FALSE(ask_question("Overwrite?"));
}

TEST(MessageBoxes, ScriptedAnswersNeverShowAWindow) {
  msg_script::begin({true, false});
  EXPECT_TRUE(ask_question("A?"));
  EXPECT_FALSE(any_dialog_visible());
  EXPECT_FALSE(ask_question("B?"));
  EXPECT_FALSE(ask_question("C?"));  // empty queue answers "No"
  show_error_msg(6);
  show_info("fine");
  EXPECT_FALSE(any_dialog_visible());
  EXPECT_EQ(msg_script::shown(),
            (QStringList{"question: A?", "question: B?", "question: C?", "error: Invalid data entry.", "info: fine"}));
  msg_script::end();
  EXPECT_FALSE(msg_script::active());
}
