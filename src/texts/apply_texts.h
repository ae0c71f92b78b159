// Putting the current texts of the text table onto the widgets of a form.
//
// Controls are found by their objectName and matched to the rows of their
// form number. The walk descends into containers (group boxes, panels,
// pages of a tab widget, scroll areas, plain frames) and sets:
//   group boxes         title
//   tab pages (tab_*)   caption of the page in its QTabWidget
//   labels, buttons,    text and tool tip (check boxes, radio buttons and
//   tool buttons        tool buttons are buttons)
//   edits, spin boxes   tool tip only
//   combo boxes         tool tip; the item list when the table has one
//                       (cmb_unit always gets the fixed unit list)
//   grids               horizontal header titles, one "|" field per column
// A named control always gets its texts, an empty text included. Controls
// whose name starts with "x" are never relabelled (the program sets them
// itself); the walk still descends into such containers. Unnamed widgets
// (layout helpers, the inner parts of composite widgets) are not touched.
// Labels showing a picture (status images) are left alone.
//
// User-interface thread only. While texts are applied ctrl_updating is set
// and refilled combo boxes keep their selection without reporting a change.
#pragma once

#include "texts/lng_config.h"

#include <QString>

#include <functional>

class QMainWindow;
class QMenu;
class QObject;
class QWidget;

// Dynamic property carrying a form's number (FORM_*), so that a language
// change can re-apply the texts of every open top-level form.
inline constexpr const char* FORM_NO_PROPERTY = "orv_form_no";

// Marks a top-level form with its form number.
void set_form_number(QWidget* form, int form_no);
// The form number of a widget; -1 when it has none.
int form_number(const QWidget* form);

// The texts of a control and of all controls inside it.
void apply_texts(QWidget* control, int form);

// A whole form: window title = the form's caption (kept when the form has
// no caption row), then apply_texts on its controls.
void apply_form_texts(QWidget* form_widget, int form);

// Menu items named "menm_*" or "menp_*": text and hint (tool tip and status
// tip). root is a menu bar, a menu, an action or any object whose child
// menus and actions are meant; sub-menus are followed. Separators and names
// starting with "x" are skipped.
void apply_menu_texts(QObject* root, int form);

// Every named tool button (and named action) of a tool bar gets its hint.
void apply_toolbar_hints(QWidget* toolbar, int form);

// Caption of the temperature autoscale button of chart 1 or 2
// (cmd_scale_t_N): its caption text, a blank and the current unit of
// x_cmb_sel_tunit_N. Run again whenever that unit changes.
void apply_temp_scale_caption(QWidget* main_window, int chart);

// The main window (form 0): caption, every control, the zoom button hints,
// the temperature autoscale buttons, the menus men_main, menp_open,
// menp_dsp and menp_cal, the hints of tool bar tlb_main and the language
// menu menm_language. Controls that do not exist are skipped.
void apply_main_texts(QWidget* main_window, const t_lng_config& cfg);

// The application title (application name, a blank and the version
// suffix); also the window title of window when one is given. With
// with_folders the configuration and data folder texts of the table become
// cfg_dir and data_dir. A folder text that would leave the application-data
// folder (".." or "." parts, drive letters, "/" or control characters) is
// not taken: the built-in folder text is used instead.
QString set_app_title(bool with_folders, QWidget* window = nullptr);

// ---- the language menu -------------------------------------------------------
inline constexpr const char* LNG_ITEM_PREFIX = "x_menm_lng_";  // items x_menm_lng_1 .. _5

// Fills menm_language with the five language items x_menm_lng_1 .. _5
// (checkable, exclusive; the item's data is its index in the list) and
// connects each to on_choose (index). Earlier items of a previous call are
// replaced. Then update_language_menu.
void build_language_menu(QMenu* menm_language, t_lng_config& cfg, std::function<void(int)> on_choose);

// Shows the menu only with two languages or more; the first lng_cnt items
// carry the language names and the one named curr_lng is checked; the
// other items are hidden.
void update_language_menu(QMenu* menm_language, const t_lng_config& cfg);

// Menu choice of language index: loads its pack from dir. Success sets
// curr_lng and re-applies the texts of every top-level form that carries a
// form number (the main window, form 0, with apply_main_texts). Failure
// calls report with message 81; the texts in use stay. Either way the
// language menus of the top-level forms show the language in use again.
bool choose_language_flow(t_lng_config& cfg, int index, const std::function<void(const QString&)>& report,
                          const QString& dir);
