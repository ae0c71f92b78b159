// Building blocks of the configuration pages: named controls with the look
// of the pages (numbers right-aligned, unit labels of one width), form rows
// on a grid, and the event filter that gives the configuration edits their
// key and exit handling.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class cfg_pages;

// Kinds of configuration edits.
enum cfg_edit_kind_t : int {
  CFG_EDIT_NUMBER = 0,  // digits, "-" and one decimal separator
  CFG_EDIT_TEXT = 1,    // every key but "|"
};

// Dynamic property holding a cfg_edit_kind_t on every configuration edit.
inline constexpr const char* CFG_EDIT_PROPERTY = "orv_cfg_edit";

QLabel* cfg_label(QWidget* parent, const QString& name, const QString& text = QString());
// A unit label: fixed width, so that the edits of a column line up.
QLabel* cfg_unit(QWidget* parent, const QString& name, const QString& text = QString());
QLineEdit* cfg_edit(QWidget* parent, const QString& name, cfg_edit_kind_t kind, int chars = 10);
QComboBox* cfg_combo(QWidget* parent, const QString& name, const QStringList& items = {}, int chars = 14);
QPushButton* cfg_button(QWidget* parent, const QString& name, const QString& text = QString());
QGroupBox* cfg_group(QWidget* parent, const QString& name, const QString& title = QString());

// A grid for label | control | unit rows, with the pages' spacing.
QGridLayout* cfg_grid(QWidget* owner);
// Adds label, control and (optional) unit in the next row of the grid.
void cfg_row(QGridLayout* grid, QLabel* label, QWidget* control, QLabel* unit = nullptr);

// Puts a page's content into a frameless scroll area that fills the page,
// so that the content keeps its size and scrolls when the window is smaller.
QWidget* cfg_scroll_page(QWidget* page);

// Lays out two columns in host: side by side while the page (the viewport
// of its scroll area) is wide enough for both, one below the other when it
// is not. host must already sit in its page.
void cfg_two_columns(QWidget* host, QWidget* left, QWidget* right);

// Gives the label columns (column 0) of the groups' grids one width, the
// widest label's, so that the controls of groups one below the other line
// up. Run again after the texts changed.
void cfg_align_labels(const QList<QGroupBox*>& groups);

// The icon of the calibration diagram button: a small curve through points.
void set_diagram_icon(QPushButton* button);

// The key and exit handling of the configuration edits, and a guard that
// keeps a mouse wheel over an unfocused combo box from changing it while the
// page is scrolled.
class cfg_edit_filter : public QObject {
 public:
  explicit cfg_edit_filter(cfg_pages* pages);
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The window is going: its controls' last events reach no handler.
  void detach() { pages_ = nullptr; }

 private:
  cfg_pages* pages_;
};
