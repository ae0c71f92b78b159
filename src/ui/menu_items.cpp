#include "ui/menu_items.h"

#include "texts/text_table.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QString cap(const char16_t* name) { return ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN); }

}  // namespace

QMenu* named_menu(QMenuBar* bar, const char* name, const char16_t* text_name) {
  auto* m = bar->addMenu(cap(text_name));
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

QMenu* named_submenu(QMenu* parent, const char* name, const char16_t* text_name) {
  auto* m = parent->addMenu(cap(text_name));
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

QAction* named_action(QWidget* parent, const char* name, const char16_t* text_name) {
  auto* a = new QAction(cap(text_name), parent);
  a->setObjectName(name);
  parent->addAction(a);
  return a;
}
