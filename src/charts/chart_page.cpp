// A chart page: building its controls, drawing the chart and the channel grid.
#include "charts/chart_page.h"

#include "charts/chan_grid.h"
#include "charts/chart_cursor.h"
#include "charts/chart_frame.h"
#include "charts/chart_render.h"
#include "charts/chart_view.h"
#include "charts/grid_menu_hook.h"
#include "core/common_data.h"
#include "texts/text_table.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kEditW = 58;  // the scale edits at both ends of the chart

QString main_text(const QString& name, int request) { return ctrl_text(name, request, FORM_MAIN); }

// A frame over the chart image that lets the mouse through to it.
QFrame* overlay(QWidget* parent, const char* name, const QString& style) {
  auto* f = new QFrame(parent);
  f->setObjectName(name);
  f->setAttribute(Qt::WA_TransparentForMouseEvents);
  f->setStyleSheet(style);
  f->hide();
  return f;
}

}  // namespace

chart_page::chart_page(int chart_id, QWidget* page, const chart_frame& frame, QObject* parent)
    : QObject(parent), chart_(chart_id), frame_(frame) {
  auto* lay = new QVBoxLayout(page);
  lay->setContentsMargins(6, 6, 6, 6);
  lay->setSpacing(6);
  img_ = new chart_view(page);
  img_->setObjectName(chart_ == CHART_LIVE ? "img_live" : "img_arch");
  img_->setProperty("Tag", chart_);
  img_->on_resized = [this] {
    if (img_->set_frame() && frame_.started()) create_draw(false, true);
  };
  build_tools(page, lay);
  grid_ = make_chan_grid(chart_, page);
  lay->addWidget(grid_);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row) { emit row_double_clicked(row); });
  connect(grid_, &QTableWidget::customContextMenuRequested, this, &chart_page::grd_setup_liveMouseDown);
}

chart_page::~chart_page() {
  // The controls may outlive the page by a moment: they call it no more.
  img_->on_resized = nullptr;
  img_->on_mouse_down = nullptr;
  img_->on_mouse_move = nullptr;
  img_->on_mouse_up = nullptr;
  for (cursor_handle* h : img_ptr_) {
    h->on_mouse_down = nullptr;
    h->on_mouse_move = nullptr;
    h->on_mouse_up = nullptr;
  }
}

const QImage& chart_page::image() const { return img_->image(); }

void chart_page::build_tools(QWidget* page, QVBoxLayout* lay) {
  const bool live = chart_ == CHART_LIVE;
  const QString sfx = live ? "_1" : "_2";
  const char* page_name = live ? "live" : "arch";

  static const char* const kScaleNames[6] = {"txt_hmin", "txt_hmax", "txt_tmin", "txt_tmax", "txt_rmin", "txt_rmax"};
  for (int t = 0; t < 6; ++t) {
    auto* e = new QLineEdit(page);
    e->setObjectName(kScaleNames[t] + sfx);
    e->setProperty("Tag", t);
    e->setFixedWidth(kEditW);
    e->setAlignment(Qt::AlignRight);
    txt_scale_[t] = e;
  }

  // Above the chart: temperature and scaled maximum, the handle strip, raw maximum.
  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  top->addWidget(txt_scale_[3]);
  top->addWidget(txt_scale_[1]);
  pnl_top_ = new QWidget(page);
  pnl_top_->setObjectName(QString("pnl_top_%1").arg(page_name));
  pnl_top_->setFixedHeight(cursor_handle::HEIGHT);
  pnl_top_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  top->addWidget(pnl_top_, 1);
  top->addWidget(txt_scale_[5]);
  lay->addLayout(top);
  lay->addWidget(img_, 1);

  for (int w = 0; w < 2; ++w) {
    auto* h = new cursor_handle(pnl_top_);
    h->setObjectName(QString("img_ptr_%1%2").arg(page_name).arg(w + 1));
    h->on_mouse_down = [this, w](QMouseEvent* e) { img_ptrMouseDown(w, e); };
    h->on_mouse_move = [this, w](QMouseEvent* e) { img_ptrMouseMove(w, e); };
    h->on_mouse_up = [this, w](QMouseEvent*) { img_ptrMouseUp(w); };
    img_ptr_[w] = h;
    bvl_ptr_[w] = overlay(img_, qPrintable(QString("bvl_ptr_%1%2").arg(page_name).arg(w + 1)), "background: #000080;");
  }
  bvl_frame_ =
      overlay(img_, live ? "bvl_frame_live" : "bvl_frame_arch", "border: 1px dashed #000080; background: transparent;");

  // Below the chart: temperature and scaled minimum, the scroll bar, raw minimum.
  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->setSpacing(0);
  bottom->addWidget(txt_scale_[2]);
  bottom->addWidget(txt_scale_[0]);
  scr_ = new QScrollBar(Qt::Horizontal, page);
  scr_->setObjectName(live ? "scr_live" : "scr_arch");
  scr_->setProperty("Tag", chart_);
  scr_->setEnabled(false);
  bottom->addWidget(scr_, 1);
  bottom->addWidget(txt_scale_[4]);
  lay->addLayout(bottom);

  // The tool row: grid and temperature unit, autoscale and default scaling,
  // the time between the cursors and the zoom buttons.
  auto* tools = new QHBoxLayout;
  tools->setContentsMargins(0, 0, 0, 0);
  auto* lbl_grid = new QLabel(main_text("lbl_grid_sel" + sfx, TXT_REQ_CAPTION), page);
  lbl_grid->setObjectName("lbl_grid_sel" + sfx);
  lbl_grid->setToolTip(main_text("lbl_grid_sel" + sfx, TXT_REQ_HINT));
  tools->addWidget(lbl_grid);
  cmb_grid_ = new QComboBox(page);
  cmb_grid_->setObjectName("cmb_sel_grid" + sfx);
  cmb_grid_->addItems(split_items(main_text("cmb_sel_grid" + sfx, TXT_REQ_CAPTION)));
  cmb_grid_->setToolTip(main_text("cmb_sel_grid" + sfx, TXT_REQ_HINT));
  tools->addWidget(cmb_grid_);
  cmb_tunit_ = new QComboBox(page);
  cmb_tunit_->setObjectName("x_cmb_sel_tunit" + sfx);
  cmb_tunit_->setProperty("Tag", chart_);
  cmb_tunit_->addItems({QStringLiteral("°C"), QStringLiteral("°F")});
  tools->addWidget(cmb_tunit_);
  static const char* const kScaleCmds[3] = {"cmd_scale_h", "cmd_scale_t", "cmd_scale_r"};
  for (int k = 0; k < 3; ++k) {
    auto* b = new QPushButton(main_text(kScaleCmds[k] + sfx, TXT_REQ_CAPTION), page);
    b->setObjectName(kScaleCmds[k] + sfx);
    b->setToolTip(main_text(kScaleCmds[k] + sfx, TXT_REQ_HINT));
    b->setAutoDefault(false);
    cmd_scale_[k] = b;
    tools->addWidget(b);
  }
  auto* reset = new QPushButton(main_text("cmd_reset_scale" + sfx, TXT_REQ_CAPTION), page);
  reset->setObjectName("cmd_reset_scale" + sfx);
  reset->setToolTip(main_text("cmd_reset_scale" + sfx, TXT_REQ_HINT));
  reset->setAutoDefault(false);
  cmd_reset_ = reset;
  tools->addWidget(reset);
  tools->addStretch(1);
  tdiff_ = new QLabel(page);
  tdiff_->setObjectName(live ? "x_lbl_tdiff_live" : "x_lbl_tdiff_arch");
  tdiff_->setMinimumWidth(90);
  tools->addWidget(tdiff_);
  auto zoom_button = [&](const char* name, const char* text, const char16_t* hint_name) {
    auto* b = new QToolButton(page);
    b->setObjectName(name);
    b->setText(text);
    b->setProperty("Tag", chart_);
    b->setToolTip(ctrl_text(hint_name, TXT_REQ_HINT, FORM_MAIN));
    b->setFixedSize(28, 24);
    tools->addWidget(b);
    return b;
  };
  zout_ = zoom_button(live ? "x_cmd_zout_l" : "x_cmd_zout_a", "-", u"x_cmd_zout_l");
  zin_ = zoom_button(live ? "x_cmd_zin_l" : "x_cmd_zin_a", "+", u"x_cmd_zin_l");
  lay->addLayout(tools);

  connect(zin_, &QAbstractButton::clicked, this, &chart_page::x_cmd_zin_lClick);
  connect(zout_, &QAbstractButton::clicked, this, &chart_page::x_cmd_zout_lClick);
  connect(scr_, &QScrollBar::valueChanged, this, &chart_page::scr_liveChange);
  img_->on_mouse_down = [this](QMouseEvent* e) { img_liveMouseDown(e); };
  img_->on_mouse_move = [this](QMouseEvent* e) { img_liveMouseMove(e); };
  img_->on_mouse_up = [this](QMouseEvent* e) { img_liveMouseUp(e); };
  connect_scale_controls();
}

int chart_page::strip_x() const {
  QWidget* page = pnl_top_->parentWidget();
  return pnl_top_->mapTo(page, QPoint(0, 0)).x() - img_->mapTo(page, QPoint(0, 0)).x();
}

t_frame_limits chart_page::chart_limits() const {
  t_frame_limits lim;
  lim.min_left = strip_x() + 12;
  lim.min_right = txt_scale_[5]->width() + 12;
  return lim;
}

void chart_page::create_draw(bool full_diag, bool upd_scr_bar) {
  QImage& img = img_->image();
  prepare_chart(chart_, full_diag, img.width(), img.height(), chart_limits());
  paint_chart(img, chart_);
  // The cursor sums are built again where the samples may have changed; a
  // zoom, scroll or scale change keeps those already built.
  if (full_diag) invalidate_stats(chart_);
  if (upd_scr_bar) upd_scroll_bar();
  restore_ptr();
  // The scale edits show the new state; the scaled value labels of the next
  // drawing take the decimals that fit the scale.
  sync_scale_edits();
  img_->update();
}

void chart_page::advance(int32_t old_last) {
  // The image moves with the view where it can; only what is new is painted.
  follow_chart(img_->image(), chart_, old_last, chart_limits());
  // Only the newest samples changed (a minute back, for late slots).
  invalidate_stats_from(chart_, old_last - 300);
  upd_scroll_bar();
  upd_cursors();
  img_->update();
}

void chart_page::fill_chan_grid() {
  fill_chan_grid_rows(grid_, chart_, common_setup.text_h);
  size_chan_grid_columns(grid_);
}

void chart_page::set_img_frame() { img_->set_frame(); }

void chart_page::grd_setup_liveMouseDown(const QPoint& pos) {
  const QPoint global = grid_->viewport()->mapToGlobal(pos);
  // Another part may take the cell (a cursor value offered as a calibration point).
  if (hook_ && hook_->take_grid_menu(chart_, grid_->rowAt(pos.y()), grid_->columnAt(pos.x()), global)) return;
  emit menu_wanted(global);
}
