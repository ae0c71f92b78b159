#include "ui/status_panel.h"

#include "comm/status_decode.h"

#include "texts/text_table.h"
#include "ui/elided_label.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QObject>

#include <cstring>
#include <utility>

namespace {

// Caption label and value label of each row of the group, in display order.
struct group_row {
  const char* caption;
  const char* value;
};
constexpr group_row k_rows[] = {
    {"lbl_curr_meas", "x_lbl_curr_meas_val"},   {"lbl_curr_raw", "x_lbl_curr_raw_val"},
    {"lbl_curr_temp", "x_lbl_curr_temp_val"},   {"lbl_curr_al1", "x_lbl_curr_al1_val"},
    {"lbl_curr_al2", "x_lbl_curr_al2_val"},     {"lbl_curr_stat", "x_lbl_curr_stat"},
    {"x_lbl_curr_link", "x_lbl_curr_link_val"}, {"lbl_stat_prod", "x_lbl_stat_prod"},
    {"lbl_err_code", "x_lbl_err_code"},         {"lbl_firmware", "x_lbl_firmware"},
};

// The value of the link row.
constexpr const char* kLinkValue = "x_lbl_curr_link_val";

QLabel* make_label(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

template <typename W>
W* find(QWidget* root, const char* name) {
  return root->findChild<W*>(QString::fromLatin1(name));
}

void set_text(QWidget* root, const char* name, const QString& text) {
  if (auto* l = find<QLabel>(root, name)) {
    if (l->text() != text) l->setText(text);
  }
}

void set_colour(QWidget* root, const char* name, bool red) {
  auto* l = find<QLabel>(root, name);
  if (!l) return;
  QPalette p = l->palette();
  const QColor c = red ? QColor(Qt::red) : QColor(Qt::black);
  if (p.color(QPalette::WindowText) == c) return;
  p.setColor(QPalette::WindowText, c);
  l->setPalette(p);
}

void set_visible(QWidget* w, bool visible) {
  if (w && w->isHidden() == visible) w->setVisible(visible);
}

void apply_panel(QWidget* root, int device, const panel_view& pv) {
  static constexpr panel_image_t k_images[] = {PANEL_IMG_OK, PANEL_IMG_DISCON, PANEL_IMG_ERR, PANEL_IMG_DISABLE};
  for (panel_image_t img : k_images) {
    const QString name = QStringLiteral("img_dev%1_%2").arg(device + 1).arg(QLatin1String(panel_image_suffix(img)));
    QWidget* w = root->findChild<QWidget*>(name);
    if (!w) continue;
    if (img == pv.image) {
      w->setToolTip(pv.hint);
      set_visible(w, true);
    } else {
      // With no image shown the ok image's hint is cleared.
      if (pv.image == PANEL_IMG_NONE && img == PANEL_IMG_OK) w->setToolTip(QString());
      set_visible(w, false);
    }
  }
}

// Calls a function on a left click of the watched labels.
class click_filter : public QObject {
 public:
  click_filter(QObject* parent, std::function<void()> on_click) : QObject(parent), on_click_(std::move(on_click)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        on_click_)
      on_click_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> on_click_;
};

}  // namespace

QGroupBox* build_current_group(QWidget* parent) {
  auto* grp = new QGroupBox(parent);
  grp->setObjectName(QStringLiteral("x_grp_current"));
  auto* form = new QFormLayout(grp);
  form->setContentsMargins(8, 6, 8, 8);
  form->setHorizontalSpacing(10);
  form->setVerticalSpacing(3);
  form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  for (const group_row& r : k_rows) {
    // The link row's caption came after the language packs: the program sets
    // it, with the built-in text when a pack leaves it empty.
    const QString name = QString::fromLatin1(r.caption);
    QLabel* caption = make_label(grp, r.caption,
                                 name.startsWith(u'x') ? text_or_default(name, TXT_KIND_CAPTION, FORM_MAIN)
                                                       : ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN));
    if (std::strcmp(r.value, kLinkValue) == 0) {
      // The link line is longer than the value column: it takes the whole
      // width of the group on a line of its own below its caption.
      auto* value = new elided_label(grp);
      value->setObjectName(QString::fromLatin1(r.value));
      value->setText(QStringLiteral("---"));
      form->addRow(caption);
      form->addRow(value);
      continue;
    }
    QLabel* value = make_label(grp, r.value, QStringLiteral("---"));
    value->setTextFormat(Qt::PlainText);
    form->addRow(caption, value);
  }
  // The measured value is what the operator looks at first.
  if (auto* meas = find<QLabel>(grp, "x_lbl_curr_meas_val")) {
    QFont f = meas->font();
    f.setBold(true);
    meas->setFont(f);
  }
  grp->hide();
  return grp;
}

sens_serial_controls build_sens_serial(QWidget* parent) {
  sens_serial_controls c;
  c.label = make_label(parent, "lbl_sens_serial", ctrl_text(u"lbl_sens_serial", TXT_REQ_CAPTION, FORM_MAIN));
  c.edit = new QLineEdit(parent);
  c.edit->setObjectName(QStringLiteral("txt_sens_serial"));
  c.edit->setReadOnly(true);
  c.label->setBuddy(c.edit);
  c.label->hide();
  c.edit->hide();
  return c;
}

void update_status_display(QWidget* main_window, int& red_dsp_tout) {
  if (!main_window) return;
  const status_view v = compute_status_view(red_dsp_tout);
  red_dsp_tout = v.red_dsp_tout;

  for (int d = 0; d < MAX_DEVICES; ++d) apply_panel(main_window, d, v.panels[d]);

  auto* grp = find<QGroupBox>(main_window, "x_grp_current");
  auto* serial_lbl = find<QWidget>(main_window, "lbl_sens_serial");
  auto* serial_txt = find<QLineEdit>(main_window, "txt_sens_serial");
  if (!v.selected) {
    set_visible(grp, false);
    set_visible(serial_lbl, false);
    set_visible(serial_txt, false);
    return;
  }

  if (serial_txt && serial_txt->text() != v.serial) serial_txt->setText(v.serial);
  set_visible(serial_lbl, v.serial_visible);
  set_visible(serial_txt, v.serial_visible);

  if (grp) {
    if (grp->title() != v.group_caption) grp->setTitle(v.group_caption);
    set_visible(grp, true);
  }

  if (v.live && v.product) set_text(main_window, "x_lbl_stat_prod", *v.product);
  set_text(main_window, "x_lbl_curr_meas_val", v.meas);
  set_text(main_window, "x_lbl_curr_raw_val", v.raw);
  if (v.live) {
    set_colour(main_window, "x_lbl_curr_meas_val", v.red);
    set_colour(main_window, "x_lbl_curr_raw_val", v.red);
  }
  set_text(main_window, "x_lbl_curr_temp_val", v.temp);
  set_text(main_window, "x_lbl_curr_al1_val", v.al1);
  set_text(main_window, "x_lbl_curr_al2_val", v.al2);
  set_text(main_window, "x_lbl_curr_stat", v.stat);
  set_text(main_window, "x_lbl_err_code", v.err_code);
  set_text(main_window, "x_lbl_firmware", v.firmware);
  set_text(main_window, "x_lbl_curr_link", v.link_caption);
  set_text(main_window, kLinkValue, v.link);
  // The whole line stays readable in the row's tool tip when it is cut.
  for (const char* name : {"x_lbl_curr_link", kLinkValue})
    if (auto* l = find<QLabel>(main_window, name); l && l->toolTip() != v.link) l->setToolTip(v.link);
}

void connect_value_clicks(QWidget* main_window, std::function<void()> on_click) {
  if (!main_window) return;
  auto* filter = new click_filter(main_window, std::move(on_click));
  for (const char* name : {"lbl_curr_meas", "x_lbl_curr_meas_val", "lbl_curr_raw", "x_lbl_curr_raw_val"}) {
    if (auto* l = find<QLabel>(main_window, name)) l->installEventFilter(filter);
  }
}
