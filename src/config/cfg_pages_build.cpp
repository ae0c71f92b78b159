// The contents of the configuration pages tab_base, tab_inputs, tab_outputs
// and tab_products, and the wiring of their controls to the handlers.
// Captions, hints and item lists come from the text table (apply_texts);
// what is built here carries only the design texts of controls the table
// has no row for.
#include "calib/gain_model.h"
#include "config/active_cfg.h"
#include "config/cfg_pages.h"
#include "config/cfg_widgets.h"
#include "config/products.h"
#include "texts/text_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const QStringList kBaudItems = {"9600", "19200", "38400", "57600", "115200"};
const QStringList kParityItems = {"none", "even", "odd"};
const QStringList kTempItems = {QString::fromUtf16(u"\u00B0C"), QString::fromUtf16(u"\u00B0F")};
const QStringList kContactItems = {"N.O.", "N.C."};
const QStringList kCalPointItems = {"2", "3", "4", "5"};
constexpr int SCR_CAL_MAX = 12800;  // the analog output calibration bars run 0..12800

QString n_name(const char* pattern, int n) { return QString::fromLatin1(pattern).arg(n); }

QVBoxLayout* page_column(QWidget* content) {
  auto* col = new QVBoxLayout(content);
  col->setContentsMargins(12, 12, 12, 12);
  col->setSpacing(12);
  return col;
}

// A block of check boxes in two columns, in the order given.
void check_pairs(QGridLayout* grid, QWidget* owner, const QStringList& names) {
  auto* block = new QGridLayout;
  block->setHorizontalSpacing(16);
  block->setVerticalSpacing(4);
  for (int k = 0; k < names.size(); ++k) {
    auto* c = new QCheckBox(owner);
    c->setObjectName(names[k]);
    block->addWidget(c, k / 2, k % 2);
  }
  grid->addLayout(block, grid->rowCount(), 0, 1, 3);
}

// The six alarm matrix check boxes of an output (prefix chk_al1_, chk_al2_, chk_aout_).
QStringList matrix_names(const QString& prefix) {
  QStringList names;
  for (const char* s : {"min", "max", "t_min", "t_max", "s_err", "s_sat"}) names << prefix + s;
  return names;
}

QLabel* section_label(QWidget* owner, const QString& name) {
  auto* l = cfg_label(owner, name);
  l->setStyleSheet("font-weight: bold; padding-top: 4px;");
  return l;
}

// An alarm output of the Outputs page.
QGroupBox* alarm_output(QWidget* parent, int n) {
  auto* grp = cfg_group(parent, n_name("grp_alarm_%1", n));
  auto* g = cfg_grid(grp);
  cfg_row(g, cfg_label(grp, n_name("lbl_al%1_mode", n)), cfg_combo(grp, n_name("cmb_al%1_mode", n), kContactItems, 6));
  cfg_row(g, cfg_label(grp, n_name("lbl_al%1_del", n)), cfg_edit(grp, n_name("txt_al%1_del", n), CFG_EDIT_NUMBER, 6),
          cfg_unit(grp, n_name("x_lbl_al%1_del_u", n), "s"));
  g->addWidget(section_label(grp, n_name("lbl_al%1_matrix", n)), g->rowCount(), 0, 1, 3);
  check_pairs(g, grp, matrix_names(n_name("chk_al%1_", n)));
  g->setRowStretch(g->rowCount(), 1);
  return grp;
}

}  // namespace

// ---- Transmitter settings ------------------------------------------------------
void cfg_pages::build_base() {
  QWidget* content = cfg_scroll_page(tabs_.base);
  auto* col = page_column(content);
  auto* host = new QWidget(content);
  col->addWidget(host);
  col->addStretch(1);

  x_grp_device = cfg_group(host, "x_grp_device");
  auto* g = cfg_grid(x_grp_device);
  cfg_row(g, cfg_label(x_grp_device, "lbl_tag_no"), cfg_edit(x_grp_device, "txt_dev_tag", CFG_EDIT_TEXT, 14));
  cfg_row(g, cfg_label(x_grp_device, "lbl_dev_sernum"), cfg_edit(x_grp_device, "txt_dev_sernum", CFG_EDIT_TEXT, 14));
  cmb_curr_prod = cfg_combo(x_grp_device, "cmb_curr_prod", {}, 14);
  cfg_row(g, cfg_label(x_grp_device, "lbl_curr_prod"), cmb_curr_prod);
  cfg_row(g, cfg_label(x_grp_device, "lbl_temp_mode"), cfg_combo(x_grp_device, "cmb_temp_mode", kTempItems, 6));

  grp_serial_if = cfg_group(host, "grp_serial_if");
  g = cfg_grid(grp_serial_if);
  cfg_row(g, cfg_label(grp_serial_if, "lbl_baud"), cfg_combo(grp_serial_if, "cmb_baud", kBaudItems, 8));
  cfg_row(g, cfg_label(grp_serial_if, "lbl_parity"), cfg_combo(grp_serial_if, "cmb_parity", kParityItems, 8));
  cmb_mod_addr = cfg_combo(grp_serial_if, "cmb_mod_addr", {}, 8);
  cfg_row(g, cfg_label(grp_serial_if, "lbl_mod_addr"), cmb_mod_addr);
  auto* term = new QCheckBox(grp_serial_if);
  term->setObjectName("chk_rs_term");
  g->addWidget(term, g->rowCount(), 0, 1, 3);

  cfg_two_columns(host, x_grp_device, grp_serial_if);
}

// ---- Digital inputs ------------------------------------------------------------
void cfg_pages::build_inputs() {
  QWidget* content = cfg_scroll_page(tabs_.inputs);
  auto* col = page_column(content);
  auto* host = new QWidget(content);
  col->addWidget(host);
  col->addStretch(1);

  auto* inputs = new QWidget(host);
  auto* in_col = new QVBoxLayout(inputs);
  in_col->setContentsMargins(0, 0, 0, 0);
  in_col->setSpacing(12);
  for (int n = 1; n <= DIN_INPUTS; ++n) {
    auto* grp = cfg_group(inputs, n_name("grp_din_%1", n));
    auto* g = cfg_grid(grp);
    cfg_row(g, cfg_label(grp, n_name("lbl_din%1_fun", n)), cfg_combo(grp, n_name("cmb_din%1_fun", n), {}, 18));
    cfg_row(g, cfg_label(grp, n_name("lbl_din%1_dir", n)), cfg_combo(grp, n_name("cmb_din%1_dir", n), {}, 18));
    in_col->addWidget(grp);
  }
  in_col->addStretch(1);

  // The assignment matrix: a heading per product-select input, one row per
  // input state with its ON/OFF cells and the product it selects.
  grp_prod_switch = cfg_group(host, "grp_prod_switch");
  auto* m = new QGridLayout(grp_prod_switch);
  m->setContentsMargins(10, 8, 10, 10);
  m->setHorizontalSpacing(4);
  m->setVerticalSpacing(3);
  for (int n = 1; n <= DIN_INPUTS; ++n) {
    auto* head = cfg_label(grp_prod_switch, n_name("x_lbl_sw_din%1", n), din_heading(n));
    head->setAlignment(Qt::AlignCenter);
    head->setStyleSheet("font-weight: bold;");
    m->addWidget(head, 0, n - 1);
  }
  const int row_h = QComboBox().sizeHint().height();
  for (int state = 0; state < 16; ++state) {
    for (int n = 1; n <= DIN_INPUTS; ++n) {
      const QString cap = din_cell_caption(n, state);
      auto* cell = cfg_label(grp_prod_switch, QString("x_lbl_sw%1_%2").arg(n).arg(state), cap);
      cell->setAlignment(Qt::AlignCenter);
      cell->setFixedWidth(cell->fontMetrics().horizontalAdvance("Din-4") + 20);
      cell->setFixedHeight(row_h);
      cell->setStyleSheet(cap == "ON" ? "background: #d9efd9; color: #1f6b1f; border-radius: 3px; font-weight: bold;"
                                      : "background: #ececec; color: #777777; border-radius: 3px;");
      m->addWidget(cell, state + 1, n - 1);
    }
    if (state == 0) {
      auto* def = cfg_label(grp_prod_switch, "x_lbl_def_prod");
      def->setContentsMargins(6, 0, 0, 0);
      m->addWidget(def, 1, DIN_INPUTS);
    } else {
      m->addWidget(cfg_combo(grp_prod_switch, n_name("cmb_prod%1_sel", state), {}, 18), state + 1, DIN_INPUTS);
    }
  }
  m->setColumnMinimumWidth(DIN_INPUTS, 160);
  m->setColumnStretch(DIN_INPUTS + 1, 1);
  m->setRowStretch(17, 1);

  cfg_two_columns(host, inputs, grp_prod_switch);
}

// ---- Outputs --------------------------------------------------------------------
void cfg_pages::build_outputs() {
  QWidget* content = cfg_scroll_page(tabs_.outputs);
  auto* col = page_column(content);
  auto* host = new QWidget(content);
  col->addWidget(host);

  auto* aout = cfg_group(content, "grp_aout");
  auto* g = cfg_grid(aout);
  cmb_aout_mode = cfg_combo(aout, "cmb_aout_mode", {}, 22);
  cfg_row(g, cfg_label(aout, "lbl_aout_mode"), cmb_aout_mode);
  cfg_row(g, cfg_label(aout, "lbl_aout_err"), cfg_edit(aout, "txt_aout_err", CFG_EDIT_NUMBER, 6),
          cfg_unit(aout, "lbl_aout_err_u"));
  for (const char* end : {"4ma", "20ma"}) {
    auto* bar = new QScrollBar(Qt::Horizontal, aout);
    bar->setObjectName(QString("scr_cal_") + end);
    bar->setRange(0, SCR_CAL_MAX);
    bar->setSingleStep(2);
    bar->setPageStep(40);
    bar->setFixedWidth(260);
    const int r = g->rowCount();
    g->addWidget(cfg_label(aout, QString("lbl_cal_") + end), r, 0);
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    line->addWidget(bar);
    // The drive value the bar stands at, for the technician at the meter.
    auto* value = new QLabel(aout);
    value->setObjectName(QString("x_lbl_scr_cal_") + end);
    value->setMinimumWidth(QFontMetrics(value->font()).horizontalAdvance("00000") + 4);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line->addWidget(value);
    line->addWidget(cfg_button(aout, QString("cmd_calout_") + (end[0] == '4' ? "4" : "20")));
    line->addStretch(1);
    g->addLayout(line, r, 1, 1, 2);
  }
  g->addWidget(section_label(aout, "lbl_aout_matrix"), g->rowCount(), 0, 1, 3);
  check_pairs(g, aout, matrix_names("chk_aout_"));
  col->addWidget(aout);
  col->addStretch(1);

  cfg_two_columns(host, alarm_output(host, 1), alarm_output(host, 2));
}

// ---- Products/Calibration -----------------------------------------------------------
QGroupBox* cfg_pages::product_group(QWidget* parent) {
  x_grp_product = cfg_group(parent, "x_grp_product");
  QGroupBox* grp = x_grp_product;
  auto* g = cfg_grid(grp);
  cfg_row(g, cfg_label(grp, "lbl_prod_name"), cfg_edit(grp, "txt_prod_name", CFG_EDIT_TEXT, 14));
  cmb_unit = cfg_combo(grp, "cmb_unit", {}, 8);
  cfg_row(g, cfg_label(grp, "lbl_unit"), cmb_unit);
  x_cmb_decp = cfg_combo(grp, "x_cmb_decp", {}, 8);
  cfg_row(g, cfg_label(grp, "lbl_decp"), x_cmb_decp);
  for (const char* r : {"rng_beg", "rng_end", "low_flow"})
    cfg_row(g, cfg_label(grp, QString("lbl_") + r), cfg_edit(grp, QString("txt_") + r, CFG_EDIT_NUMBER, 9),
            cfg_unit(grp, QString("x_lbl_") + r + "_u"));
  return grp;
}

QGroupBox* cfg_pages::filter_group(QWidget* parent) {
  grp_filter = cfg_group(parent, "grp_filter");
  QGroupBox* grp = grp_filter;
  auto* g = cfg_grid(grp);
  cmb_med_filt = cfg_combo(grp, "cmb_med_filt", {}, 6);
  cfg_row(g, cfg_label(grp, "lbl_med_filt"), cmb_med_filt);
  cfg_row(g, cfg_label(grp, "lbl_pt_filt"), cfg_edit(grp, "txt_pt_filt", CFG_EDIT_NUMBER, 6),
          cfg_unit(grp, "x_lbl_pt_filt_u", "s"));
  cfg_row(g, cfg_label(grp, "lbl_scr_filt"), cfg_edit(grp, "txt_scr_filt", CFG_EDIT_NUMBER, 6),
          cfg_unit(grp, "x_lbl_scr_filt_u", "s"));
  return grp;
}

QGroupBox* cfg_pages::alarms_group(QWidget* parent) {
  grp_alarms = cfg_group(parent, "grp_alarms");
  QGroupBox* grp = grp_alarms;
  auto* g = cfg_grid(grp);
  g->setColumnStretch(2, 0);
  g->setColumnStretch(7, 1);
  const char* heads[3] = {"lbl_al_min", "lbl_al_max", "lbl_al_hyst"};
  for (int c = 0; c < 3; ++c) g->addWidget(cfg_label(grp, heads[c]), 0, 1 + 2 * c, 1, 2);
  struct row {
    const char* label;
    const char* edit;
    const char* unit;
  };
  const row rows[3] = {{"lbl_al1", "txt_al1_", "x_lbl_al1_u"},
                       {"lbl_al2", "txt_al2_", "x_lbl_al2_u"},
                       {"lbl_al_aout", "txt_al_auot_", "x_lbl_al_aout_u"}};
  for (int r = 0; r < 3; ++r) {
    g->addWidget(cfg_label(grp, rows[r].label), r + 1, 0);
    const char* parts[3] = {"min", "max", "hyst"};
    for (int c = 0; c < 3; ++c) {
      g->addWidget(cfg_edit(grp, QString(rows[r].edit) + parts[c], CFG_EDIT_NUMBER, 9), r + 1, 1 + 2 * c);
      g->addWidget(cfg_unit(grp, QString(rows[r].unit) + QString::number(c + 1)), r + 1, 2 + 2 * c);
    }
  }
  return grp;
}

QGroupBox* cfg_pages::calib_group(QWidget* parent) {
  grp_calib = cfg_group(parent, "grp_calib");
  QGroupBox* grp = grp_calib;
  auto* g = cfg_grid(grp);
  g->setColumnStretch(2, 0);
  g->setColumnStretch(6, 1);
  g->addWidget(cfg_label(grp, "lbl_cal_pts"), 0, 0);
  x_cmb_cal_pts = cfg_combo(grp, "x_cmb_cal_pts", kCalPointItems, 3);
  g->addWidget(x_cmb_cal_pts, 0, 1);
  auto* diag = cfg_button(grp, "cmd_cal_diag");
  set_diagram_icon(diag);
  g->addWidget(diag, 0, 5, Qt::AlignRight);
  for (int j = 1; j <= 5; ++j) {
    g->addWidget(cfg_label(grp, n_name("lbl_cal_%1", j)), j, 0);
    g->addWidget(cfg_edit(grp, n_name("txt_cal_%1", j), CFG_EDIT_NUMBER, 9), j, 1);
    g->addWidget(cfg_unit(grp, n_name("x_lbl_cal_%1_u", j)), j, 2);
    g->addWidget(cfg_label(grp, n_name("lbl_raw_%1", j)), j, 3);
    g->addWidget(cfg_edit(grp, n_name("txt_raw_%1", j), CFG_EDIT_NUMBER, 8), j, 4);
    auto* read = cfg_button(grp, n_name("cmd_calin_%1", j));
    read->setProperty("Tag", j - 1);
    g->addWidget(read, j, 5);
  }
  // The gain of the product.
  const int r = g->rowCount();
  g->addWidget(cfg_label(grp, "lbl_gain"), r, 0);
  auto* gain = new QHBoxLayout;
  gain->setSpacing(6);
  x_lbl_gain_val = cfg_label(grp, "x_lbl_gain_val");
  x_lbl_gain_val->setMinimumWidth(QFontMetrics(x_lbl_gain_val->font()).horizontalAdvance("[ 1280.0 ]") + 6);
  gain->addWidget(x_lbl_gain_val);
  for (const char* name : {"cmd_amp_dec", "cmd_amp_inc"}) {
    auto* b = cfg_button(grp, name);
    b->setFixedWidth(b->sizeHint().height() + 8);
    gain->addWidget(b);
  }
  gain->addSpacing(12);
  gain->addWidget(cfg_button(grp, "cmd_autogain"));
  gain->addWidget(cfg_button(grp, "cmd_manual_gain"));
  gain->addStretch(1);
  g->addLayout(gain, r, 1, 1, 6);
  auto* advice = cfg_label(grp, "lbl_autogain_advice");
  advice->setWordWrap(true);
  advice->setStyleSheet("color: #8a5a00;");
  g->addWidget(advice, r + 1, 1, 1, 6);
  return grp;
}

void cfg_pages::build_products() {
  QWidget* content = cfg_scroll_page(tabs_.products);
  auto* col = page_column(content);

  auto* head = new QHBoxLayout;
  head->setSpacing(8);
  head->addWidget(cfg_label(content, "lbl_prod_select"));
  cmb_prod_select = cfg_combo(content, "cmb_prod_select", {}, 24);
  head->addWidget(cmb_prod_select);
  head->addSpacing(8);
  chk_default_prod = new QCheckBox(content);
  chk_default_prod->setObjectName("chk_default_prod");
  head->addWidget(chk_default_prod);
  head->addStretch(1);
  head->addWidget(cfg_label(content, "lbl_prod_crc"));
  x_lbl_prod_crc = cfg_label(content, "x_lbl_prod_crc");
  x_lbl_prod_crc->setTextInteractionFlags(Qt::TextSelectableByMouse);
  x_lbl_prod_crc->setStyleSheet("font-family: monospace; font-weight: bold;");
  head->addWidget(x_lbl_prod_crc);
  col->addLayout(head);

  auto* host = new QWidget(content);
  col->addWidget(host);
  col->addStretch(1);

  auto* left = new QWidget(host);
  auto* lcol = new QVBoxLayout(left);
  lcol->setContentsMargins(0, 0, 0, 0);
  lcol->setSpacing(12);
  lcol->addWidget(product_group(left));
  lcol->addWidget(filter_group(left));
  lcol->addStretch(1);

  auto* right = new QWidget(host);
  auto* rcol = new QVBoxLayout(right);
  rcol->setContentsMargins(0, 0, 0, 0);
  rcol->setSpacing(12);
  rcol->addWidget(alarms_group(right));
  rcol->addWidget(calib_group(right));
  rcol->addStretch(1);

  cfg_two_columns(host, left, right);
}

cfg_pages::cfg_pages(QTabWidget& tabs, const t_tabs& pages) : tab_ctrl_(tabs), tabs_(pages) {
  build_base();
  build_inputs();
  build_outputs();
  build_products();
  connect_pages();
  // The mode-dependent captions follow the active configuration's analog
  // output mode; the gain of the edited product shows on the products page.
  set_aout_mode_query(&cfg_aout_voltage);
  set_gain_label_sink([label = QPointer<QLabel>(x_lbl_gain_val)](const QString& t) {
    if (label) label->setText(t);
  });
}

cfg_pages::~cfg_pages() = default;

void cfg_pages::detach() {
  if (cfg_filter_) cfg_filter_->detach();
}

void cfg_pages::align_cfg_labels() {
  auto groups = [](QWidget* page, const QStringList& names) {
    QList<QGroupBox*> list;
    for (const QString& n : names) list << page->findChild<QGroupBox*>(n);
    return list;
  };
  cfg_align_labels({x_grp_device, grp_serial_if});
  cfg_align_labels(groups(tabs_.inputs, {"grp_din_1", "grp_din_2", "grp_din_3", "grp_din_4"}));
  cfg_align_labels(groups(tabs_.outputs, {"grp_alarm_1", "grp_alarm_2", "grp_aout"}));
  cfg_align_labels({x_grp_product, grp_filter});
}

QList<QComboBox*> cfg_pages::prod_name_boxes() const {
  QList<QComboBox*> boxes{cmb_curr_prod};
  for (int m = 1; m <= 15; ++m)
    if (auto* b = tabs_.inputs->findChild<QComboBox*>(n_name("cmb_prod%1_sel", m))) boxes << b;
  return boxes;
}

void cfg_pages::connect_pages() {
  cfg_filter_ = new cfg_edit_filter(this);
  for (QWidget* page : {tabs_.base, tabs_.inputs, tabs_.outputs, tabs_.products}) {
    for (QLineEdit* e : page->findChildren<QLineEdit*>())
      if (e->property(CFG_EDIT_PROPERTY).isValid()) e->installEventFilter(cfg_filter_);
    for (QCheckBox* c : page->findChildren<QCheckBox*>()) {
      if (c == chk_default_prod) continue;
      connect(c, &QCheckBox::clicked, this, [this, c] { ChkBox_Change(c); });
    }
    for (QComboBox* box : page->findChildren<QComboBox*>()) {
      box->installEventFilter(cfg_filter_);
      const QString n = box->objectName();
      void (cfg_pages::*own)() = nullptr;
      if (n == "cmb_aout_mode") own = &cfg_pages::cmb_aout_modeChange;
      if (n == "cmb_med_filt") own = &cfg_pages::cmb_med_filtChange;
      if (n == "cmb_unit") own = &cfg_pages::cmb_unitChange;
      if (n == "x_cmb_decp") own = &cfg_pages::x_cmb_decpChange;
      if (n == "x_cmb_cal_pts") own = &cfg_pages::x_cmb_cal_ptsChange;
      if (n == "cmb_prod_select") own = &cfg_pages::cmb_prod_selectChange;
      if (own) {
        connect(box, &QComboBox::currentIndexChanged, this, own);
      } else if (n.startsWith("cmb_din") && n.endsWith("_fun")) {
        connect(box, &QComboBox::currentIndexChanged, this, [this, box] { cmb_din1_funChange(box); });
      } else {
        connect(box, &QComboBox::currentIndexChanged, this, [this, box] { combo_Change(box); });
      }
    }
  }
  connect(chk_default_prod, &QCheckBox::clicked, this, &cfg_pages::chk_default_prodMouseUp);
  if (auto* b = tabs_.products->findChild<QPushButton*>("cmd_amp_inc"))
    connect(b, &QPushButton::clicked, this, &cfg_pages::cmd_amp_incClick);
  if (auto* b = tabs_.products->findChild<QPushButton*>("cmd_amp_dec"))
    connect(b, &QPushButton::clicked, this, &cfg_pages::cmd_amp_decClick);
}
