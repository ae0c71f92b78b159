#include "charts/draw_setup.h"

#include "charts/chart_render.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "core/named_object.h"
#include "core/sys_number.h"
#include "core/work_dirs.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"
#include "ui/screen_fit.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString draw_dlg_text(const char16_t* name, int request = TXT_REQ_CAPTION) {
  return ctrl_text(name, request, FORM_DRAW_SETUP);
}

// Checks a number typed into an edit: `decimals` decimals, min..max in
// units of the last decimal. Bad entries are reported and leave out as it was.
void enter_fixed(QLineEdit* edit, int decimals, int32_t min, int32_t max, uint16_t& out) {
  float v = 0;
  const double scale = std::pow(10.0, decimals);
  if (!parse_sys_float(edit->text(), v)) {
    show_error(msg_text(6));
  } else {
    const double units = std::nearbyint(v * scale);
    if (units < min || units > max)
      show_error(msg_text(5) + " " + fmt_sys_fixed(decimals, min / scale) + " .. " +
                 fmt_sys_fixed(decimals, max / scale));
    else
      out = static_cast<uint16_t>(units);
  }
  edit->setText(fmt_sys_fixed(decimals, out / scale));
}

}  // namespace

Tdraw_setup::Tdraw_setup(QWidget* parent) : QDialog(parent) {
  setObjectName("TDRAW_SETUP");
  setWindowModality(Qt::WindowModal);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(8);
  int row = 0;
  auto add_row = [&](QLabel* label, QWidget* field, QWidget* extra = nullptr) {
    grid->addWidget(label, row, 0);
    if (extra) {
      auto* box = new QHBoxLayout;
      box->setSpacing(6);
      box->addWidget(field, 1);
      box->addWidget(extra);
      grid->addLayout(box, row, 1);
    } else {
      grid->addWidget(field, row, 1);
    }
    ++row;
  };
  lbl_chan_tag = named(new QLabel(this), "lbl_chan_tag");
  txt_chan_desc = named(new QLineEdit(this), "txt_chan_desc");
  txt_chan_desc->setMinimumWidth(320);
  add_row(lbl_chan_tag, txt_chan_desc);
  lbl_src_file = named(new QLabel(this), "lbl_src_file");
  txt_src_file = named(new QLineEdit(this), "txt_src_file");
  cmd_dir_select = named(new QToolButton(this), "cmd_dir_select");
  cmd_dir_select->setText("...");
  add_row(lbl_src_file, txt_src_file, cmd_dir_select);
  // The device combo takes the place of the file edit (setup_form).
  lbl_src_chan = named(new QLabel(this), "lbl_src_chan");
  cmb_src_chan = named(new QComboBox(this), "cmb_src_chan");
  grid->addWidget(lbl_src_chan, row - 1, 0);
  grid->addWidget(cmb_src_chan, row - 1, 1);
  lbl_meas_mode = named(new QLabel(this), "lbl_meas_mode");
  cmb_meas_mode = named(new QComboBox(this), "cmb_meas_mode");
  add_row(lbl_meas_mode, cmb_meas_mode);
  lbl_median = named(new QLabel(this), "lbl_median");
  cmb_med_depth = named(new QComboBox(this), "cmb_med_depth");
  add_row(lbl_median, cmb_med_depth);
  lbl_pt1 = named(new QLabel(this), "lbl_pt1");
  txt_pt1 = named(new QLineEdit(this), "txt_pt1");
  add_row(lbl_pt1, txt_pt1, new QLabel("s", this));
  lbl_screw = named(new QLabel(this), "lbl_screw");
  txt_screw = named(new QLineEdit(this), "txt_screw");
  add_row(lbl_screw, txt_screw, new QLabel("s", this));
  lbl_line_col = named(new QLabel(this), "lbl_line_col");
  shp_color = named(new QFrame(this), "shp_color");
  shp_color->setFixedSize(64, 20);
  shp_color->setFrameShape(QFrame::Box);
  shp_color->setCursor(Qt::PointingHandCursor);
  shp_color->installEventFilter(this);
  auto* color_row = new QHBoxLayout;
  color_row->addWidget(shp_color);
  color_row->addStretch(1);
  grid->addWidget(lbl_line_col, row, 0);
  grid->addLayout(color_row, row++, 1);
  lbl_line_thk = named(new QLabel(this), "lbl_line_thk");
  cmb_line_thk = named(new QComboBox(this), "cmb_line_thk");
  cmb_line_thk->addItems({"1", "2", "3"});
  add_row(lbl_line_thk, cmb_line_thk);
  chk_display = named(new QCheckBox(this), "chk_display");
  grid->addWidget(chk_display, row++, 1);

  cmd_ok = named(new QPushButton(this), "cmd_ok");
  cmd_cancel = named(new QPushButton(this), "cmd_cancel");
  cmd_ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmd_ok);
  buttons->addWidget(cmd_cancel);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(16, 16, 16, 12);
  outer->addLayout(grid);
  outer->addSpacing(8);
  outer->addLayout(buttons);

  connect(cmd_ok, &QPushButton::clicked, this, &Tdraw_setup::cmd_okClick);
  connect(cmd_cancel, &QPushButton::clicked, this, &Tdraw_setup::cmd_cancelClick);
  connect(cmb_meas_mode, &QComboBox::currentIndexChanged, this, &Tdraw_setup::cmb_meas_modeChange);
  connect(txt_pt1, &QLineEdit::editingFinished, this, &Tdraw_setup::txt_pt1Exit);
  connect(txt_screw, &QLineEdit::editingFinished, this, &Tdraw_setup::txt_screwExit);
  connect(cmd_dir_select, &QToolButton::clicked, this, &Tdraw_setup::cmd_dir_selectClick);
  set_captions();
}

void Tdraw_setup::set_captions() {
  if (const auto caption = form_text(FORM_DRAW_SETUP)) setWindowTitle(*caption);
  lbl_chan_tag->setText(draw_dlg_text(u"lbl_chan_tag"));
  lbl_src_file->setText(draw_dlg_text(u"lbl_src_file"));
  lbl_src_chan->setText(draw_dlg_text(u"lbl_src_chan"));
  lbl_meas_mode->setText(draw_dlg_text(u"lbl_meas_mode"));
  lbl_median->setText(draw_dlg_text(u"lbl_median"));
  lbl_pt1->setText(draw_dlg_text(u"lbl_pt1"));
  lbl_screw->setText(draw_dlg_text(u"lbl_screw"));
  lbl_line_col->setText(draw_dlg_text(u"lbl_line_col"));
  lbl_line_thk->setText(draw_dlg_text(u"lbl_line_thk"));
  chk_display->setText(draw_dlg_text(u"chk_display"));
  cmd_ok->setText(draw_dlg_text(u"cmd_ok"));
  cmd_ok->setToolTip(draw_dlg_text(u"cmd_ok", TXT_REQ_HINT));
  cmd_cancel->setText(draw_dlg_text(u"cmd_cancel"));
  cmd_cancel->setToolTip(draw_dlg_text(u"cmd_cancel", TXT_REQ_HINT));
  const QSignalBlocker block(cmb_meas_mode);
  cmb_meas_mode->clear();
  cmb_meas_mode->addItems(split_items(draw_dlg_text(u"cmb_meas_mode")));
  cmb_med_depth->clear();
  cmb_med_depth->addItems(split_items(draw_dlg_text(u"cmb_med_depth")));
}

void Tdraw_setup::setup_form(int form_mode) {
  chan_mode = form_mode;
  const bool live = form_mode == CHART_LIVE;
  if (live) {
    cmb_src_chan->clear();
    for (int i = 0; i < MAX_DEVICES && common_setup.dev_conn[i].active.load(); ++i)
      cmb_src_chan->addItem(common_setup.dev_conn[i].tag.get());
  }
  cmb_src_chan->setVisible(live);
  lbl_src_chan->setVisible(live);
  txt_src_file->setVisible(!live);
  cmd_dir_select->setVisible(!live);
  lbl_src_file->setVisible(!live);
}

void Tdraw_setup::restore_form() {
  const QSignalBlocker block(cmb_meas_mode);
  txt_chan_desc->setText(dsp_chan.tag);
  txt_src_file->setText(dsp_chan.sample_file);
  txt_src_file->setToolTip(dsp_chan.sample_file);
  auto select = [](QComboBox* c, int i) { c->setCurrentIndex(i >= 0 && i < c->count() ? i : -1); };
  select(cmb_src_chan, dsp_chan.dev_idx);
  select(cmb_med_depth, dsp_chan.filt_med);
  select(cmb_meas_mode, dsp_chan.meas_mode);
  select(cmb_line_thk, dsp_chan.line_thk);
  txt_pt1->setText(fmt_sys_fixed(1, dsp_chan.filt_pt / 10.0));
  txt_screw->setText(QString::number(dsp_chan.filt_screw));
  color_ = dsp_chan.color;
  show_color();
  chk_display->setChecked(dsp_chan.displayed);
  set_ctrl_ena();
}

void Tdraw_setup::set_ctrl_ena() {
  const bool raw = cmb_meas_mode->currentIndex() == MEAS_RAW;
  for (QWidget* w : std::initializer_list<QWidget*>{lbl_median, cmb_med_depth, lbl_pt1, txt_pt1, lbl_screw, txt_screw})
    w->setEnabled(raw);
}

void Tdraw_setup::cmb_meas_modeChange() { set_ctrl_ena(); }

void Tdraw_setup::txt_pt1Exit() { enter_fixed(txt_pt1, 1, 0, FILT_PT_MAX, dsp_chan.filt_pt); }

void Tdraw_setup::txt_screwExit() { enter_fixed(txt_screw, 0, 0, FILT_SCREW_MAX, dsp_chan.filt_screw); }

void Tdraw_setup::show_color() {
  shp_color->setStyleSheet(
      QString("QFrame#shp_color { background: %1; border: 1px solid palette(dark); }").arg(chart_color(color_).name()));
}

void Tdraw_setup::Shp_col_hMouseDown() {
  int32_t c = color_;
  bool ok = false;
  if (pick_color) {
    ok = pick_color(c);
  } else {
    const QColor chosen = QColorDialog::getColor(chart_color(color_), this);
    ok = chosen.isValid();
    if (ok) c = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
  }
  if (!ok) return;
  color_ = c;
  show_color();
}

void Tdraw_setup::cmd_dir_selectClick() {
  QString folder = QFileInfo(txt_src_file->text()).path();
  if (txt_src_file->text().isEmpty()) folder = work_path(data_dir);
  QString path;
  if (pick_file) {
    path = pick_file(folder);
  } else {
    const QString filter = msg_text(32) + " (*.orvlog);;" + msg_text(33) + " (*)";
    path = QFileDialog::getOpenFileName(this, msg_text(31), folder, filter);
  }
  if (path.isEmpty()) return;
  txt_src_file->setText(path);
  txt_src_file->setToolTip(path);
}

bool Tdraw_setup::chan_changed() const { return ::chan_changed(dsp_chan, chart_chans(chan_mode)[chan_id]); }

void Tdraw_setup::cmd_okClick() {
  // Pending typing in the filter edits is taken first.
  if (txt_pt1->isEnabled()) txt_pt1Exit();
  if (txt_screw->isEnabled()) txt_screwExit();
  const bool live = chan_mode == CHART_LIVE;
  if (txt_chan_desc->text().trimmed().isEmpty()) return show_error(msg_text(34));
  if (!live) {
    if (txt_src_file->text().isEmpty()) return show_error(msg_text(36));
    if (!QFileInfo(txt_src_file->text()).isFile()) return show_error(msg_text(37));
  } else if (cmb_src_chan->currentIndex() < 0) {
    return show_error(msg_text(35));
  }
  if (cmb_meas_mode->currentIndex() < 0) return show_error(msg_text(38));

  dsp_chan.active = true;
  dsp_chan.sample_file = live ? QString() : txt_src_file->text();
  dsp_chan.tag = txt_chan_desc->text();
  dsp_chan.dev_idx = live ? cmb_src_chan->currentIndex() : -1;
  dsp_chan.meas_mode = cmb_meas_mode->currentIndex();
  dsp_chan.filt_med = std::max(cmb_med_depth->currentIndex(), 0);
  dsp_chan.line_thk = std::max(cmb_line_thk->currentIndex(), 0);
  dsp_chan.color = color_;
  dsp_chan.displayed = chk_display->isChecked();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool changed = chan_changed();
  chart_chans(chan_mode)[chan_id] = dsp_chan;
  if (on_stored) on_stored(chan_mode, chan_id, changed);
  QApplication::restoreOverrideCursor();
  accept();
}

void Tdraw_setup::cmd_cancelClick() { reject(); }

bool Tdraw_setup::eventFilter(QObject* watched, QEvent* event) {
  if (watched == shp_color && event->type() == QEvent::MouseButtonPress) {
    Shp_col_hMouseDown();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void Tdraw_setup::paintEvent(QPaintEvent* event) {
  fit_to_monitor(this);
  QDialog::paintEvent(event);
}
