#include "config/cfg_widgets.h"

#include "config/cfg_pages.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int PAGE_MARGINS = 24;  // the page's own margins around the columns

int char_width(const QWidget* w, int chars) { return QFontMetrics(w->font()).horizontalAdvance(QString(chars, u'0')); }

}  // namespace

QLabel* cfg_label(QWidget* parent, const QString& name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

QLabel* cfg_unit(QWidget* parent, const QString& name, const QString& text) {
  auto* l = cfg_label(parent, name, text);
  l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance("lb/min") + 4);
  return l;
}

QLineEdit* cfg_edit(QWidget* parent, const QString& name, cfg_edit_kind_t kind, int chars) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setProperty(CFG_EDIT_PROPERTY, static_cast<int>(kind));
  if (kind == CFG_EDIT_NUMBER) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Room for the longest value: digits for numbers, capitals for texts.
  const QFontMetrics fm(e->font());
  const int room = kind == CFG_EDIT_NUMBER ? char_width(e, chars) : fm.horizontalAdvance(QString(chars, u'X'));
  e->setFixedWidth(room + 16);
  return e;
}

QComboBox* cfg_combo(QWidget* parent, const QString& name, const QStringList& items, int chars) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->addItems(items);
  c->setFocusPolicy(Qt::StrongFocus);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(chars);
  c->setMaxVisibleItems(16);
  return c;
}

QPushButton* cfg_button(QWidget* parent, const QString& name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QGroupBox* cfg_group(QWidget* parent, const QString& name, const QString& title) {
  auto* g = new QGroupBox(title, parent);
  g->setObjectName(name);
  return g;
}

QGridLayout* cfg_grid(QWidget* owner) {
  auto* g = new QGridLayout(owner);
  g->setHorizontalSpacing(10);
  g->setVerticalSpacing(6);
  g->setContentsMargins(12, 10, 12, 12);
  g->setColumnStretch(2, 1);
  return g;
}

void cfg_row(QGridLayout* grid, QLabel* label, QWidget* control, QLabel* unit) {
  const int r = grid->rowCount();
  if (label) {
    grid->addWidget(label, r, 0, Qt::AlignLeft | Qt::AlignVCenter);
    label->setBuddy(control);
  }
  // The unit follows its control directly.
  auto* line = new QHBoxLayout;
  line->setSpacing(6);
  line->addWidget(control);
  if (unit) line->addWidget(unit);
  line->addStretch(1);
  grid->addLayout(line, r, 1, 1, 2);
}

QWidget* cfg_scroll_page(QWidget* page) {
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* area = new QScrollArea(page);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  auto* content = new QWidget(area);
  area->setWidget(content);
  area->viewport()->setAutoFillBackground(false);
  content->setAutoFillBackground(false);
  outer->addWidget(area);
  return content;
}

namespace {

// Moves the right column below the left one when the room gets too narrow.
class two_columns : public QObject {
 public:
  two_columns(QWidget* room, QGridLayout* grid, QWidget* left, QWidget* right)
      : QObject(room), room_(room), grid_(grid), left_(left), right_(right) {
    room->installEventFilter(this);
    place(true);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) place(false);
    return false;
  }

 private:
  void place(bool first) {
    const QMargins m = grid_->contentsMargins();
    const int need =
        left_->sizeHint().width() + right_->sizeHint().width() + grid_->horizontalSpacing() + m.left() + m.right();
    const bool wide = room_->width() >= need + PAGE_MARGINS;
    if (!first && wide == wide_) return;
    wide_ = wide;
    grid_->removeWidget(right_);
    grid_->addWidget(right_, wide ? 0 : 1, wide ? 1 : 0, Qt::AlignTop);
    // Side by side the two columns share the width; one below the other
    // they take the whole width.
    grid_->setColumnStretch(0, 1);
    grid_->setColumnStretch(1, wide ? 1 : 0);
  }

  QWidget* room_;
  QGridLayout* grid_;
  QWidget* left_;
  QWidget* right_;
  bool wide_ = true;
};

}  // namespace

void cfg_two_columns(QWidget* host, QWidget* left, QWidget* right) {
  auto* grid = new QGridLayout(host);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(12);
  grid->addWidget(left, 0, 0, Qt::AlignTop);
  grid->setRowStretch(2, 1);
  // The room the page has is the viewport of its scroll area.
  QWidget* room = host;
  for (QWidget* w = host; w; w = w->parentWidget())
    if (auto* area = qobject_cast<QScrollArea*>(w)) {
      room = area->viewport();
      break;
    }
  new two_columns(room, grid, left, right);
}

void cfg_align_labels(const QList<QGroupBox*>& groups) {
  int widest = 0;
  for (QGroupBox* g : groups) {
    auto* grid = g ? qobject_cast<QGridLayout*>(g->layout()) : nullptr;
    if (!grid) continue;
    for (int r = 0; r < grid->rowCount(); ++r) {
      QLayoutItem* item = grid->itemAtPosition(r, 0);
      if (!item || !item->widget() || !qobject_cast<QLabel*>(item->widget())) continue;
      // Items spanning more columns (headings, check boxes) do not count.
      int row = 0, col = 0, rows = 0, cols = 0;
      grid->getItemPosition(grid->indexOf(item->widget()), &row, &col, &rows, &cols);
      if (cols == 1) widest = std::max(widest, item->widget()->sizeHint().width());
    }
  }
  for (QGroupBox* g : groups)
    if (auto* grid = g ? qobject_cast<QGridLayout*>(g->layout()) : nullptr) grid->setColumnMinimumWidth(0, widest);
}

void set_diagram_icon(QPushButton* button) {
  const qreal dpr = button->devicePixelRatioF();
  QPixmap pm(QSize(20, 20) * dpr);
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(90, 90, 90), 1.2));
  p.drawLine(QPointF(3, 2), QPointF(3, 17));
  p.drawLine(QPointF(3, 17), QPointF(18, 17));
  const QPointF pts[4] = {{5, 15}, {9, 11}, {13, 8}, {17, 3}};
  QPainterPath path(pts[0]);
  for (int k = 1; k < 4; ++k) path.lineTo(pts[k]);
  p.setPen(QPen(QColor(32, 110, 190), 1.6));
  p.drawPath(path);
  p.setBrush(QColor(220, 80, 40));
  p.setPen(Qt::NoPen);
  for (const QPointF& q : pts) p.drawEllipse(q, 1.8, 1.8);
  p.end();
  button->setIcon(QIcon(pm));
  button->setIconSize(QSize(20, 20));
}

cfg_edit_filter::cfg_edit_filter(cfg_pages* pages) : QObject(pages), pages_(pages) {}

bool cfg_edit_filter::eventFilter(QObject* watched, QEvent* event) {
  if (!pages_) return false;
  if (auto* box = qobject_cast<QComboBox*>(watched)) {
    // The wheel over a combo box that has no focus scrolls the page instead.
    if (event->type() == QEvent::Wheel && !box->hasFocus()) {
      event->ignore();
      return true;
    }
    return false;
  }
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit) return false;
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    return edit->property(CFG_EDIT_PROPERTY).toInt() == CFG_EDIT_TEXT ? pages_->check_key_text(edit, key)
                                                                      : pages_->check_key_float(edit, key);
  }
  if (event->type() == QEvent::FocusOut) {
    // Leaving the edit for another control stores it; a window or menu
    // taking the focus for a moment does not.
    const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
    if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason) pages_->exit_edit(edit);
  }
  return false;
}
