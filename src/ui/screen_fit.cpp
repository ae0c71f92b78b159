#include "ui/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

bool on_monitor(int x, int y) {
  for (const QScreen* s : QGuiApplication::screens()) {
    const QRect g = s->geometry();
    if (g.left() <= x && x <= g.left() + g.width() - 50 && g.top() <= y && y <= g.top() + g.height() - 50) return true;
  }
  return false;
}

void fit_to_monitor(QWidget* form) {
  if (on_monitor(form->x(), form->y())) return;
  const QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect g = s->geometry();
  form->move(g.left() + g.width() / 2 - form->width() / 2, g.top() + g.height() / 2 - form->height() / 2);
  form->setFocus();
}
