#include "texts/apply_texts.h"

#include "core/common_data.h"
#include "core/updating_guard.h"
#include "core/work_dirs.h"
#include "texts/lng_pack.h"
#include "texts/text_table.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QSet>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

const char* const kLngGroupName = "x_grp_lng_items";

bool is_x_name(const QString& name) { return name.startsWith(u'x'); }

// Names the text table can never hold: unnamed widgets and Qt's own parts.
bool is_untouchable(const QString& name) { return name.isEmpty() || name.startsWith(u"qt_"); }

// A control that gets texts of its own: named, not Qt-internal, not "x".
bool takes_texts(const QString& name) { return !is_untouchable(name) && !is_x_name(name); }

enum class ctrl_kind_t { TABS, GROUP, SCROLL, IMAGE, LABEL, BUTTON, EDIT, COMBO, GRID, SKIP, CONTAINER };

ctrl_kind_t classify(const QWidget* w) {
  if (qobject_cast<const QTabWidget*>(w)) return ctrl_kind_t::TABS;
  if (qobject_cast<const QGroupBox*>(w)) return ctrl_kind_t::GROUP;
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    const bool picture = !label->pixmap().isNull() || label->movie() != nullptr;
    return picture || label->objectName().startsWith(u"img_") ? ctrl_kind_t::IMAGE : ctrl_kind_t::LABEL;
  }
  if (qobject_cast<const QAbstractButton*>(w)) return ctrl_kind_t::BUTTON;
  if (qobject_cast<const QComboBox*>(w)) return ctrl_kind_t::COMBO;
  if (qobject_cast<const QTableWidget*>(w)) return ctrl_kind_t::GRID;
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
      qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w))
    return ctrl_kind_t::EDIT;
  if (qobject_cast<const QScrollArea*>(w)) return ctrl_kind_t::SCROLL;
  // Composite widgets whose inner parts are not controls of the form, and
  // the bars that have walks of their own.
  if (qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
      qobject_cast<const QProgressBar*>(w) || qobject_cast<const QTabBar*>(w) || qobject_cast<const QToolBar*>(w) ||
      qobject_cast<const QMenuBar*>(w) || qobject_cast<const QMenu*>(w))
    return ctrl_kind_t::SKIP;
  return ctrl_kind_t::CONTAINER;
}

void apply_control(QWidget* w, int form);

void apply_children(QWidget* parent, int form) {
  const QList<QWidget*> kids = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* child : kids)
    if (!child->isWindow()) apply_control(child, form);  // other forms apply their own texts
}

void apply_combo(QComboBox* box, const QString& name, int form) {
  box->setToolTip(ctrl_text(name, TXT_REQ_HINT, form));
  const std::optional<QStringList> items = combo_items(name, form);
  if (!items) return;
  // The selection survives the new item list (when it still fits) and no
  // change is reported: the box shows the same choice in another language.
  const QSignalBlocker block(box);
  const int index = box->currentIndex();
  const QString edit_text = box->isEditable() ? box->currentText() : QString();
  box->clear();
  box->addItems(*items);
  box->setCurrentIndex(index < box->count() ? index : -1);
  if (box->isEditable()) box->setEditText(edit_text);
}

void apply_grid(QTableWidget* grid, const QString& name, int form) {
  grid->setHorizontalHeaderLabels(grid_titles(ctrl_text(name, TXT_REQ_CAPTION, form), grid->columnCount()));
}

void apply_tabs(QTabWidget* tabs, int form) {
  for (int i = 0; i < tabs->count(); ++i) {
    QWidget* page = tabs->widget(i);
    const QString page_name = page->objectName();
    if (takes_texts(page_name)) tabs->setTabText(i, ctrl_text(page_name, TXT_REQ_CAPTION, form));
    apply_children(page, form);
  }
}

void apply_control(QWidget* w, int form) {
  const QString name = w->objectName();
  const bool own = takes_texts(name);
  const ctrl_kind_t kind = classify(w);
  switch (kind) {
    case ctrl_kind_t::TABS: apply_tabs(static_cast<QTabWidget*>(w), form); return;
    case ctrl_kind_t::GROUP:
      if (own) static_cast<QGroupBox*>(w)->setTitle(ctrl_text(name, TXT_REQ_CAPTION, form));
      apply_children(w, form);
      return;
    case ctrl_kind_t::CONTAINER: apply_children(w, form); return;
    case ctrl_kind_t::SCROLL:
      if (QWidget* inner = static_cast<QScrollArea*>(w)->widget()) apply_control(inner, form);
      return;
    case ctrl_kind_t::IMAGE:
    case ctrl_kind_t::SKIP: return;
    default: break;
  }
  if (!own) return;
  switch (kind) {
    case ctrl_kind_t::LABEL:
      static_cast<QLabel*>(w)->setText(ctrl_text(name, TXT_REQ_CAPTION, form));
      w->setToolTip(ctrl_text(name, TXT_REQ_HINT, form));
      break;
    case ctrl_kind_t::BUTTON:
      static_cast<QAbstractButton*>(w)->setText(ctrl_text(name, TXT_REQ_CAPTION, form));
      w->setToolTip(ctrl_text(name, TXT_REQ_HINT, form));
      break;
    case ctrl_kind_t::EDIT: w->setToolTip(ctrl_text(name, TXT_REQ_HINT, form)); break;
    case ctrl_kind_t::COMBO: apply_combo(static_cast<QComboBox*>(w), name, form); break;
    case ctrl_kind_t::GRID: apply_grid(static_cast<QTableWidget*>(w), name, form); break;
    default: break;
  }
}

// ---- menus -------------------------------------------------------------------

bool is_menu_item_name(const QString& name) { return name.startsWith(u"menm_") || name.startsWith(u"menp_"); }

void apply_menu_action(QAction* a, int form) {
  const QString name = a->objectName();
  if (a->isSeparator() || a->text() == u"-" || !is_menu_item_name(name)) return;
  const QString hint = ctrl_text(name, TXT_REQ_HINT, form);
  a->setText(ctrl_text(name, TXT_REQ_CAPTION, form));
  a->setToolTip(hint);
  a->setStatusTip(hint);
}

void apply_menu_title(QMenu* m, int form) {
  const QString name = m->objectName();
  if (!is_menu_item_name(name)) return;
  const QString hint = ctrl_text(name, TXT_REQ_HINT, form);
  m->setTitle(ctrl_text(name, TXT_REQ_CAPTION, form));
  m->menuAction()->setToolTip(hint);
  m->menuAction()->setStatusTip(hint);
}

QWidget* find_widget(QWidget* root, const char* name) { return root->findChild<QWidget*>(QString::fromLatin1(name)); }

// Built-in text of the first row of a kind.
QString default_kind_text(int32_t kind) {
  for (const t_text_row& row : def_text_tab)
    if (row.txt_kind == kind) return QStringView(row.def_text).toString();
  return QString();
}

QString folder_or_default(const QString& text, int32_t kind) {
  return safe_folder_text(text) ? text : default_kind_text(kind);
}

int lng_item_index(const QAction* a) {
  const QString name = a->objectName();
  const QLatin1String prefix(LNG_ITEM_PREFIX);
  if (!name.startsWith(prefix)) return -1;
  bool ok = false;
  const int n = name.mid(prefix.size()).toInt(&ok);
  return ok && n >= 1 && n <= LNG_MAX_PACKS ? n - 1 : -1;
}

QString menu_caption(const QString& text) {
  QString out = text;
  out.replace(u'&', QLatin1String("&&"));
  return out;
}

}  // namespace

void set_form_number(QWidget* form, int form_no) {
  if (form) form->setProperty(FORM_NO_PROPERTY, form_no);
}

int form_number(const QWidget* form) {
  if (!form) return -1;
  bool ok = false;
  const int n = form->property(FORM_NO_PROPERTY).toInt(&ok);
  return ok ? n : -1;
}

void apply_texts(QWidget* control, int form) {
  if (!control) return;
  const updating_guard guard;
  apply_control(control, form);
}

void apply_form_texts(QWidget* form_widget, int form) {
  if (!form_widget) return;
  if (const std::optional<QString> caption = form_text(form)) form_widget->setWindowTitle(*caption);
  apply_texts(form_widget, form);
}

void apply_menu_texts(QObject* root, int form) {
  if (!root) return;
  QList<QObject*> todo{root};
  for (QAction* a : root->findChildren<QAction*>()) todo.append(a);
  for (QMenu* m : root->findChildren<QMenu*>()) todo.append(m);
  QSet<QObject*> seen;
  while (!todo.isEmpty()) {
    QObject* o = todo.takeLast();
    if (seen.contains(o)) continue;
    seen.insert(o);
    if (auto* a = qobject_cast<QAction*>(o)) {
      apply_menu_action(a, form);
      if (QMenu* sub = a->menu()) todo.append(sub);
    } else if (auto* m = qobject_cast<QMenu*>(o)) {
      apply_menu_title(m, form);
      for (QAction* item : m->actions()) todo.append(item);
    } else if (auto* bar = qobject_cast<QMenuBar*>(o)) {
      for (QAction* item : bar->actions()) todo.append(item);
    }
  }
}

void apply_toolbar_hints(QWidget* toolbar, int form) {
  if (!toolbar) return;
  for (QToolButton* b : toolbar->findChildren<QToolButton*>())
    if (takes_texts(b->objectName())) b->setToolTip(ctrl_text(b->objectName(), TXT_REQ_HINT, form));
  for (QAction* a : toolbar->actions())
    if (!a->isSeparator() && takes_texts(a->objectName()))
      a->setToolTip(ctrl_text(a->objectName(), TXT_REQ_HINT, form));
}

void apply_temp_scale_caption(QWidget* main_window, int chart) {
  if (!main_window || (chart != 1 && chart != 2)) return;
  const QString button_name = QStringLiteral("cmd_scale_t_%1").arg(chart);
  auto* button = main_window->findChild<QAbstractButton*>(button_name);
  if (!button) return;
  const auto* unit = main_window->findChild<QComboBox*>(QStringLiteral("x_cmb_sel_tunit_%1").arg(chart));
  button->setText(ctrl_text(button_name, TXT_REQ_CAPTION, FORM_MAIN) + u' ' + (unit ? unit->currentText() : QString()));
}

void apply_main_texts(QWidget* main_window, const t_lng_config& cfg) {
  if (!main_window) return;
  const updating_guard guard;
  if (const std::optional<QString> caption = form_text(FORM_MAIN))
    main_window->setWindowTitle(*caption + u' ' + QString::fromLatin1(APP_VERSION_SUFFIX));
  apply_children(main_window, FORM_MAIN);

  const QString zoom_in = ctrl_text(u"x_cmd_zin_l", TXT_REQ_HINT, FORM_MAIN);
  const QString zoom_out = ctrl_text(u"x_cmd_zout_l", TXT_REQ_HINT, FORM_MAIN);
  for (const char* name : {"x_cmd_zin_l", "x_cmd_zin_a"})
    if (QWidget* w = find_widget(main_window, name)) w->setToolTip(zoom_in);
  for (const char* name : {"x_cmd_zout_l", "x_cmd_zout_a"})
    if (QWidget* w = find_widget(main_window, name)) w->setToolTip(zoom_out);

  apply_temp_scale_caption(main_window, 1);
  apply_temp_scale_caption(main_window, 2);

  QMenuBar* bar = main_window->findChild<QMenuBar*>(QStringLiteral("men_main"));
  if (!bar) bar = main_window->findChild<QMenuBar*>();
  if (bar) apply_menu_texts(bar, FORM_MAIN);
  for (const char* name : {"menp_open", "menp_dsp", "menp_cal"})
    if (auto* popup = main_window->findChild<QMenu*>(QString::fromLatin1(name))) apply_menu_texts(popup, FORM_MAIN);
  apply_toolbar_hints(find_widget(main_window, "tlb_main"), FORM_MAIN);

  if (auto* lng = main_window->findChild<QMenu*>(QStringLiteral("menm_language"))) update_language_menu(lng, cfg);
}

QString set_app_title(bool with_folders, QWidget* window) {
  const QString title = app_title();
  if (window) window->setWindowTitle(title);
  if (with_folders) {
    cfg_dir = folder_or_default(cfg_folder_text(), TXT_KIND_CFG_DIR);
    data_dir = folder_or_default(data_folder_text(), TXT_KIND_DATA_DIR);
  }
  return title;
}

// ---- the language menu -------------------------------------------------------

void build_language_menu(QMenu* menm_language, t_lng_config& cfg, std::function<void(int)> on_choose) {
  if (!menm_language) return;
  for (QAction* a : menm_language->actions()) {
    if (lng_item_index(a) < 0) continue;
    menm_language->removeAction(a);
    a->setObjectName(QString());
  }
  if (auto* old = menm_language->findChild<QActionGroup*>(QString::fromLatin1(kLngGroupName))) {
    old->setObjectName(QString());
    old->deleteLater();  // takes its items along
  }
  auto* group = new QActionGroup(menm_language);
  group->setObjectName(QString::fromLatin1(kLngGroupName));
  group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
  for (int i = 0; i < LNG_MAX_PACKS; ++i) {
    auto* item = new QAction(group);
    item->setObjectName(QString::fromLatin1(LNG_ITEM_PREFIX) + QString::number(i + 1));
    item->setCheckable(true);
    item->setData(i);
    menm_language->addAction(item);
    QObject::connect(item, &QAction::triggered, item, [on_choose, i](bool) {
      if (on_choose) on_choose(i);
    });
  }
  update_language_menu(menm_language, cfg);
}

void update_language_menu(QMenu* menm_language, const t_lng_config& cfg) {
  if (!menm_language) return;
  const int n = std::clamp(cfg.lng_cnt, 0, LNG_MAX_PACKS);
  menm_language->menuAction()->setVisible(n >= 2);
  const QList<QAction*> items = menm_language->actions();
  for (QAction* a : items)  // unchecked first, so that the exclusive group accepts any state
    if (lng_item_index(a) >= 0) a->setChecked(false);
  for (QAction* a : items) {
    const int k = lng_item_index(a);
    if (k < 0) continue;
    const bool shown = k < n;
    a->setVisible(shown);
    if (!shown) continue;
    a->setText(menu_caption(cfg.lng_name[k]));
    if (cfg.lng_name[k] == cfg.curr_lng) a->setChecked(true);
  }
}

bool choose_language_flow(t_lng_config& cfg, int index, const std::function<void(const QString&)>& report,
                          const QString& dir) {
  QString log;  // the menu reports with a message box, not the start-up log
  const bool ok = choose_language(cfg, index, dir, log);
  const QList<QWidget*> forms = QApplication::topLevelWidgets();
  if (ok) {
    for (QWidget* w : forms) {
      const int n = form_number(w);
      if (n == FORM_MAIN)
        apply_main_texts(w, cfg);
      else if (n > 0)
        apply_form_texts(w, n);
    }
  } else if (report) {
    report(msg_text(81));
  }
  // A clicked item checks itself; the menu shows the language in use again.
  for (QWidget* w : forms)
    if (auto* lng = w->findChild<QMenu*>(QStringLiteral("menm_language"))) update_language_menu(lng, cfg);
  return ok;
}
