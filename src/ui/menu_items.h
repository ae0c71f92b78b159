// Menus and menu items of the main window, named for the text table: each
// gets its object name and its caption from the main form's texts.
#pragma once

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

QMenu* named_menu(QMenuBar* bar, const char* name, const char16_t* text_name);
QMenu* named_submenu(QMenu* parent, const char* name, const char16_t* text_name);
QAction* named_action(QWidget* parent, const char* name, const char16_t* text_name);
