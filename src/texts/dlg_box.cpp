#include "texts/dlg_box.h"

#include "texts/text_table.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kLabelLeft = 80;
constexpr int kLabelTop = 28;
constexpr int kLabelRight = 4;
constexpr int kLabelBottom = 4;
constexpr int kImgLeft = 10;
constexpr int kImgTop = 24;
constexpr int kButtonW = 110;  // wide enough that a short message gives a form of two buttons
constexpr int kButtonH = 25;
constexpr int kButtonBottom = 10;  // gap below the buttons

QLabel* make_image(QWidget* parent, const char* name, QStyle::StandardPixmap which) {
  auto* img = new QLabel(parent);
  img->setObjectName(name);
  img->setPixmap(parent->style()->standardIcon(which).pixmap(Tdlg_box::IMG_SIZE, Tdlg_box::IMG_SIZE));
  img->setScaledContents(true);
  return img;
}

QPushButton* make_button(QWidget* parent, const char* name, const char* text) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(name);
  b->resize(kButtonW, kButtonH);
  b->setAutoDefault(false);
  return b;
}

// The message as the label shows it: CR LF (and lone CR) as line breaks.
QString label_text(const QString& msg) {
  QString t = msg;
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(u'\r', u'\n');
  return t;
}

// The message as one line, for the width of the form.
QString one_line(const QString& msg) {
  QString t = msg;
  t.remove(u'\r');
  t.remove(u'\n');
  return t;
}

}  // namespace

t_dlg_layout dlg_box_layout(int mode, int msg_width, int label_left, int cap_width, int button_width) {
  const int w = button_width;
  t_dlg_layout l;
  l.width = std::max(msg_width + label_left, cap_width) + w;
  l.width = std::max(l.width, (mode == DLG_MODE_QUESTION ? 3 : 2) * w);
  const int c = l.width / 2;
  l.ok_left = c - w / 2;
  l.yes_left = c - w / 8 - w;
  l.no_left = c + w / 8;
  return l;
}

Tdlg_box::Tdlg_box(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setObjectName("dlg_box");
  QFont f = font();
  f.setFamily("Arial");
  setFont(f);
  setModal(true);
  resize(DESIGN_WIDTH, DESIGN_HEIGHT);

  lbl_msg = new QLabel(this);
  lbl_msg->setObjectName("lbl_msg");
  lbl_msg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbl_msg->setWordWrap(true);
  lbl_msg->setTextFormat(Qt::PlainText);
  img_err = make_image(this, "img_err", QStyle::SP_MessageBoxCritical);
  img_info = make_image(this, "img_info", QStyle::SP_MessageBoxInformation);
  img_question = make_image(this, "img_question", QStyle::SP_MessageBoxQuestion);
  img_err->setGeometry(kImgLeft, kImgTop, IMG_SIZE, IMG_SIZE);
  cmd_ok = make_button(this, "cmd_ok", "OK");
  cmd_yes = make_button(this, "cmd_yes", "Yes");
  cmd_abort = make_button(this, "cmd_abort", "No");

  connect(cmd_ok, &QPushButton::clicked, this, &Tdlg_box::cmd_okClick);
  connect(cmd_yes, &QPushButton::clicked, this, &Tdlg_box::cmd_yesClick);
  connect(cmd_abort, &QPushButton::clicked, this, &Tdlg_box::cmd_abortClick);
}

void Tdlg_box::apply_dlg_texts() {
  for (QPushButton* b : {cmd_ok, cmd_yes, cmd_abort}) {
    b->setText(ctrl_text(b->objectName(), TXT_REQ_CAPTION, FORM_DLG_BOX));
    b->setToolTip(ctrl_text(b->objectName(), TXT_REQ_HINT, FORM_DLG_BOX));
  }
}

void Tdlg_box::set_dlg_box() {
  setWindowTitle(cap_txt);                                                 // 1
  for (QLabel* img : {img_info, img_question}) img->move(img_err->pos());  // 2
  for (QLabel* img : {img_err, img_info, img_question}) img->resize(IMG_SIZE, IMG_SIZE);
  apply_dlg_texts();  // 3

  // 4, 5: width and button places.
  const int w = cmd_ok->width();
  const int msg_w = lbl_msg->fontMetrics().horizontalAdvance(one_line(msg_txt));
  const int cap_w = fontMetrics().horizontalAdvance(cap_txt);
  const t_dlg_layout l = dlg_box_layout(form_mode, msg_w, kLabelLeft, cap_w, w);
  int width = l.width;
  // A form wider than the screen would hide its buttons; the label wraps instead.
  if (const QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen()) {
    const int avail = scr->availableGeometry().width() - 40;
    if (avail > 3 * w && width > avail) width = avail;
  }
  const t_dlg_layout placed =
      width == l.width ? l : dlg_box_layout(form_mode, width - kLabelLeft - w, kLabelLeft, 0, w);

  // 6: the message; the label grows downwards for more lines than fit.
  const QString shown = label_text(msg_txt);
  lbl_msg->setText(shown);
  const int lbl_w = width - kLabelLeft - kLabelRight;
  const QRect need = lbl_msg->fontMetrics().boundingRect(QRect(0, 0, lbl_w, 100000), Qt::TextWordWrap, shown);
  const int design_lbl_h = DESIGN_HEIGHT - kButtonBottom - kButtonH - kLabelBottom - kLabelTop;
  const int lbl_h = std::max(design_lbl_h, need.height());
  const int height = kLabelTop + lbl_h + kLabelBottom + kButtonH + kButtonBottom;
  lbl_msg->setGeometry(kLabelLeft, kLabelTop, lbl_w, lbl_h);
  setFixedSize(width, height);

  const int btn_top = height - kButtonBottom - kButtonH;
  const bool question = form_mode == DLG_MODE_QUESTION;
  cmd_ok->move(placed.ok_left, btn_top);
  cmd_yes->move(placed.yes_left, btn_top);
  cmd_abort->move(placed.no_left, btn_top);
  cmd_ok->setVisible(!question);
  cmd_yes->setVisible(question);
  cmd_abort->setVisible(question);
  img_info->setVisible(form_mode == DLG_MODE_INFO);
  img_err->setVisible(form_mode == DLG_MODE_ERROR);
  img_question->setVisible(question);
}

int Tdlg_box::show_modal() {
  const QWidget* anchor = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
  if (anchor == this) anchor = nullptr;
  QRect area;
  if (anchor && anchor->isVisible())
    area = anchor->frameGeometry();
  else if (const QScreen* scr = QGuiApplication::primaryScreen())
    area = scr->availableGeometry();
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
  (form_mode == DLG_MODE_QUESTION ? cmd_yes : cmd_ok)->setFocus();
  const int r = exec();
  return r == DLG_RESULT_YES ? DLG_RESULT_YES : DLG_RESULT_NO;
}

void Tdlg_box::reject() {}

void Tdlg_box::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  keep_on_screen();
}

void Tdlg_box::keep_on_screen() {
  const QRect frame = frameGeometry();
  for (const QScreen* scr : QGuiApplication::screens())
    if (scr->availableGeometry().contains(frame.topLeft())) return;
  if (const QScreen* scr = QGuiApplication::primaryScreen())
    move(scr->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void Tdlg_box::cmd_okClick() { done(DLG_RESULT_YES); }
void Tdlg_box::cmd_yesClick() { done(DLG_RESULT_YES); }
void Tdlg_box::cmd_abortClick() { done(DLG_RESULT_NO); }
