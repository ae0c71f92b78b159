#include "ui/elided_label.h"

#include <QPainter>
#include <QStyle>

elided_label::elided_label(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

QString elided_label::shown_text() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize elided_label::minimumSizeHint() const {
  const QMargins m = contentsMargins();
  return {fontMetrics().horizontalAdvance(QStringLiteral("\u2026")) + m.left() + m.right(),
          QLabel::minimumSizeHint().height()};
}

void elided_label::paintEvent(QPaintEvent*) {
  QPainter p(this);
  style()->drawItemText(&p, contentsRect(), static_cast<int>(alignment()), palette(), isEnabled(), shown_text(),
                        foregroundRole());
}
