#include "charts/chan_grid.h"

#include "charts/chart_render.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "texts/text_table.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>

namespace {

// Paints the line sample of column 1: a line across the cell's middle in
// the channel's colour, line_thk + 1 pixels wide; hidden channels show none.
class line_sample_delegate : public QStyledItemDelegate {
 public:
  line_sample_delegate(int chart, QObject* parent) : QStyledItemDelegate(parent), chart_(chart) {}
  void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    QStyledItemDelegate::paint(p, opt, idx);
    const int row = idx.row();
    if (idx.column() != 1 || row < 0 || row >= MAX_CHANNELS) return;
    const t_dsp_chan& ch = chart_chans(chart_)[row];
    if (!ch.active || !ch.displayed) return;
    const QRect r = opt.rect;
    const int y = r.top() + r.height() / 2;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(QPen(chart_color(ch.color), std::clamp(ch.line_thk, 0, 2) + 1, Qt::SolidLine, Qt::FlatCap));
    p->drawLine(r.left() + 3, y, r.right() - 3, y);
    p->restore();
  }

 private:
  int chart_;
};

// Keeps the column widths in step with the grid's width.
class grid_sizer : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) size_chan_grid_columns(static_cast<QTableWidget*>(watched));
    return false;
  }
};

}  // namespace

QTableWidget* make_chan_grid(int chart, QWidget* parent) {
  auto* g = new QTableWidget(0, GRID_COLS, parent);
  g->setObjectName(chart == CHART_LIVE ? "grd_setup_live" : "grd_setup_arch");
  g->setProperty("Tag", chart);
  g->setHorizontalHeaderLabels(grid_titles(
      ctrl_text(chart == CHART_LIVE ? u"grd_setup_live" : u"grd_setup_arch", TXT_REQ_CAPTION, FORM_MAIN), GRID_COLS));
  g->verticalHeader()->hide();
  g->setSelectionBehavior(QAbstractItemView::SelectRows);
  g->setSelectionMode(QAbstractItemView::SingleSelection);
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  g->horizontalHeader()->setHighlightSections(false);
  g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  g->setWordWrap(false);
  g->setContextMenuPolicy(Qt::CustomContextMenu);
  g->setItemDelegateForColumn(1, new line_sample_delegate(chart, g));
  g->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  g->installEventFilter(new grid_sizer(g));
  return g;
}

void fill_chan_grid_rows(QTableWidget* g, int chart, int text_h) {
  const int n = active_chan_cnt(chart);
  const t_dsp_chan* ch = chart_chans(chart);
  const int row_h = std::max(text_h + text_h / 5, g->fontMetrics().height() + 6);
  g->setRowCount(n);
  g->verticalHeader()->setDefaultSectionSize(row_h);
  for (int i = 0; i < n; ++i) {
    const t_dsp_chan& c = ch[i];
    QString source;
    if (chart == CHART_LIVE) {
      if (c.dev_idx >= 0 && c.dev_idx < MAX_DEVICES) source = common_setup.dev_conn[c.dev_idx].tag.get();
    } else {
      source = c.sample_file.section(u'/', -1).section(u'\\', -1);
    }
    const bool raw = c.meas_mode == MEAS_RAW;
    const QString cells[GRID_COLS] = {c.tag,
                                      QString(),
                                      source,
                                      meas_mode_text(c.meas_mode),
                                      raw ? filter_text(c.filt_med, 0) : QString(),
                                      raw ? filter_text(c.filt_pt, 1) : QString(),
                                      raw ? filter_text(c.filt_screw, 2) : QString(),
                                      QString(),
                                      QString(),
                                      QString(),
                                      QString()};
    for (int col = 0; col < GRID_COLS; ++col) {
      // Columns 7..10 belong to the cursor statistics; only 7..9 are emptied here.
      if (col == 10 && g->item(i, col)) continue;
      auto* item = g->item(i, col);
      if (!item) {
        item = new QTableWidgetItem;
        g->setItem(i, col, item);
      }
      item->setText(cells[col]);
      if (col == 0) item->setToolTip(chart == CHART_ARCH ? c.sample_file : QString());
    }
  }
  g->clearSelection();
  g->setCurrentCell(-1, -1);
  // Header row, the channel rows and one row's room below them.
  int rows_h = row_h;
  for (int i = 0; i < n; ++i) {
    g->setRowHeight(i, row_h);
    rows_h += row_h;
  }
  const int header_h = std::max(g->horizontalHeader()->sizeHint().height(), g->horizontalHeader()->height());
  g->setFixedHeight(header_h + rows_h + 2 * g->frameWidth() + 2);
  g->viewport()->update();
}

void size_chan_grid_columns(QTableWidget* g) {
  const int w = g->viewport()->width();
  int used = 0;
  for (int i = 1; i < GRID_COLS; ++i) {
    const int cw = (w - 5) * grid_col_pct[i] / 100;
    g->setColumnWidth(i, cw);
    used += cw;
  }
  g->setColumnWidth(0, std::max(w - used, 20));
}
