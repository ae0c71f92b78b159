// What the bound controls show: for each kind of control, the text, item,
// check state or position and the enabled state that the active
// configuration gives it. The page code applies the answers to its widgets;
// an empty field means the control is left as it is.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

struct t_edit_show {
  std::optional<QString> text;
  std::optional<bool> enabled;
};
// Without a valid configuration every edit, combo box and check box is
// empty, unselected or unticked and disabled, bound or not. Otherwise a
// control without a row is left untouched.
//
// Edits: no register, or an alarm limit whose matrix bits are clear: empty
// and disabled.
t_edit_show edit_show(QStringView name);

struct t_combo_show {
  std::optional<int> index;  // -1: no selection
  std::optional<bool> enabled;
};
// The register's bits under the mask minus dec_pl (the edited product index
// for the product selector), limited to the items there are.
t_combo_show combo_show(QStringView name, int item_count);

// The items a page's combo box holds: those the pages fill themselves (baud
// rates, addresses, product names, decimal places with the system's
// separator...), else the text table's; empty when neither has any.
QStringList shown_combo_items(QStringView name);

struct t_check_show {
  std::optional<bool> checked;
  std::optional<bool> enabled;
};
// The default product box (chk_default_prod) has no row: it is ticked when
// the edited product is the default product (edited_is_default).
t_check_show check_show(QStringView name, bool edited_is_default = false);

struct t_scroll_show {
  std::optional<int> position;
  std::optional<bool> enabled;
};
// The register clamped to min..max; reversed (max - value) when dec_pl is
// not 0. Without a configuration or register: disabled at min.
t_scroll_show scroll_show(QStringView name, int min, int max);

// Buttons are bound for their enable rule only; the last applicable row
// wins. Without a valid configuration every button is disabled.
std::optional<bool> button_show(QStringView name);
