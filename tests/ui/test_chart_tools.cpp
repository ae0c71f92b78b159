// The chart tools in the main window, offscreen, on an off-line channel of
// a generated day file: cursor handles and their statistics, the zoom
// rectangle and buttons, the scroll bar, the scale edits, selectors and
// dialog, default scaling; the CSV export read back by Python's csv module
// for every separator choice, and the bitmap export.
#include "app/setup_file.h"
#include "charts/chart_cursor.h"
#include "charts/chart_view.h"
#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/exp_setup.h"
#include "charts/scale_setup.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/work_dirs.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The sample of slot s in the generated file: a flow in t/h with a gap of
// 30 slots at 10000, a temperature, digital input 1 on in odd minutes.
float flow_of(int s) { return static_cast<float>((s % 1000) / 8.0 + 10.0); }
int temp_of(int s) { return 200 + s % 100; }  // tenths of a degree
bool din_of(int s) { return (s / 300) % 2 == 1; }
bool gap_at(int s) { return s >= 10000 && s < 10030; }

QString write_day(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  QByteArray out;
  out.reserve(432000 * 27);
  char line[40];
  for (int s = 0; s < SLOTS_PER_DAY; ++s) {
    if (gap_at(s)) continue;
    const float v = flow_of(s);
    uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    const uint32_t raw = 0x000A8155u | (din_of(s) ? 0x10000000u : 0u);
    std::snprintf(line, sizeof line, "%05X%03X%08X%08X3\r\n", s, temp_of(s), raw, bits);
    out.append(line, 27);
  }
  f.write(out);
  return path;
}

QMouseEvent mouse(QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button = Qt::LeftButton) {
  return QMouseEvent(type, local, local, global, button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                     Qt::NoModifier);
}

// Reads a CSV file with Python's csv module: its rows as JSON.
QJsonArray python_rows(const QString& path, const QString& encoding, const QString& delimiter, int first_rows,
                       int& total) {
  const QString script = QStringLiteral(
      "import csv, json, sys\n"
      "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
      "    rows = list(csv.reader(f, delimiter=sys.argv[3]))\n"
      "print(json.dumps({'total': len(rows), 'rows': rows[:int(sys.argv[4])] + rows[-2:]}))\n");
  QProcess p;
  p.start("python3", {"-c", script, path, encoding, delimiter, QString::number(first_rows)});
  if (!p.waitForFinished(120000) || p.exitCode() != 0) {
    ADD_FAILURE() << p.readAllStandardError().constData();
    return {};
  }
  const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
  total = o["total"].toInt();
  return o["rows"].toArray();
}

QStringList row_of(const QJsonArray& rows, int k) {
  QStringList out;
  for (const auto& v : rows[k].toArray()) out << v.toString();
  return out;
}

class ChartTools : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    reset_draw_stat();
    reset_filt_rows();
    day = write_day(home.path() + "/Dryer_ORV1_20240307.orvlog");
    ASSERT_FALSE(day.isEmpty());
    QString cfg = cfg_folder_text();
    ASSERT_TRUE(make_work_dir(cfg, CFG_LEAF));
    cfg_dir = cfg;
    const int32_t modes[3] = {MEAS_SCALED, MEAS_DIN1, MEAS_TEMP};
    const char* tags[3] = {"Dryer flow", "Running", "Sensor temp"};
    for (int k = 0; k < 3; ++k) {
      t_dsp_chan& ch = common_setup.dsp_chan_arch[k];
      ch.active = ch.displayed = true;
      ch.tag = tags[k];
      ch.sample_file = day;
      ch.meas_mode = modes[k];
      ch.color = 0x00B05A1F;
      ch.line_thk = 0;
    }
    common_setup.last_page = 7;
    save_setup(t_setup_ui{});
    reset_all_records();
    msg_script::begin();
    form = std::make_unique<TMainForm>();
    ASSERT_TRUE(form->FormCreate());
    form->resize(1280, 800);
    form->show();
    ASSERT_TRUE(wait_until([&] { return chart_page_of(*form, CHART_ARCH).image().width() > 600; }, 10000));
    chart_page_of(*form, CHART_ARCH).create_draw(true, true);
  }
  void TearDown() override {
    set_file_dialog_runner({});
    if (form) {
      msg_script::push_answer(true);
      form->close();
      form.reset();
    }
    msg_script::end();
  }
  void pick_file(const QString& path) {
    set_file_dialog_runner([path](QFileDialog& d) {
      d.selectFile(path);
      return static_cast<int>(QDialog::Accepted);
    });
  }
  chart_controls ctl() { return chart_controls_of(*form, CHART_ARCH); }
  QString cell(int row, int col) {
    auto* item = chan_grid(*form, CHART_ARCH)->item(row, col);
    return item ? item->text() : QString();
  }

  temp_config_home home;
  QString day;
  std::unique_ptr<TMainForm> form;
};

TEST_F(ChartTools, CursorHandlesMeasureBetweenThemAndStopAtEachOther) {
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  ASSERT_EQ(ds.data_first, 0);
  ASSERT_EQ(ds.data_last, SLOTS_PER_DAY - 1);
  cursor_handle* right = ctl().img_ptr[0];
  cursor_handle* left = ctl().img_ptr[1];
  const int off = chart_page_of(*form, CHART_ARCH).handle_offset();
  // After a redraw the lines stand at the plot edges, the handles over them.
  EXPECT_EQ(ctl().bvl_ptr[0]->x(), ds.plot_right);
  EXPECT_EQ(ctl().bvl_ptr[1]->x(), ds.plot_left);
  EXPECT_EQ(right->x(), ds.plot_right - off);
  EXPECT_EQ(ds.cur_r_px, ds.plot_w);

  // The left handle dragged 200 pixels to the right.
  const QPoint g0(500, 300);
  auto down = mouse(QEvent::MouseButtonPress, {11, 12}, g0);
  chart_page_of(*form, CHART_ARCH).img_ptrMouseDown(1, &down);
  auto move = mouse(QEvent::MouseMove, {211, 12}, g0 + QPoint(200, 0));
  chart_page_of(*form, CHART_ARCH).img_ptrMouseMove(1, &move);
  chart_page_of(*form, CHART_ARCH).img_ptrMouseUp(1);
  EXPECT_EQ(ds.cur_l_px, 200);
  EXPECT_EQ(ctl().bvl_ptr[1]->x(), ds.plot_left + 200);
  EXPECT_EQ(left->x(), ds.plot_left + 200 - off);
  EXPECT_EQ(ds.cur_l_idx, cursor_idx(ds, 200));
  // The grid shows the statistics between the cursors as the texts define them.
  EXPECT_EQ(cell(0, 7), cursor_value_text(0, CHART_ARCH, 0, ds.cur_l_idx));
  EXPECT_TRUE(cell(0, 7).endsWith(" t/h")) << qPrintable(cell(0, 7));
  EXPECT_EQ(cell(0, 8), cursor_value_text(1, CHART_ARCH, 0, ds.cur_r_idx));
  EXPECT_EQ(cell(0, 9), avg_text(CHART_ARCH, 0, ds.cur_r_idx, ds.cur_l_idx));
  EXPECT_TRUE(cell(0, 10).endsWith(" t")) << qPrintable(cell(0, 10));
  EXPECT_TRUE(cell(1, 7) == "ON" || cell(1, 7) == "OFF");
  EXPECT_EQ(cell(1, 9), "");  // no average of a digital input
  EXPECT_TRUE(cell(2, 7).endsWith("°C"));
  EXPECT_EQ(ctl().tdiff->text(), dt_text(ds.cur_r_idx, ds.cur_l_idx));

  // The right handle dragged far past the left one stops half a handle right of it ...
  auto down2 = mouse(QEvent::MouseButtonPress, {11, 12}, g0);
  chart_page_of(*form, CHART_ARCH).img_ptrMouseDown(0, &down2);
  auto move2 = mouse(QEvent::MouseMove, {-2000, 12}, g0 - QPoint(2000, 0));
  chart_page_of(*form, CHART_ARCH).img_ptrMouseMove(0, &move2);
  EXPECT_EQ(right->x(), left->x() + cursor_handle::WIDTH / 2);
  // ... and snaps onto its line when released.
  chart_page_of(*form, CHART_ARCH).img_ptrMouseUp(0);
  EXPECT_EQ(right->x(), ctl().bvl_ptr[0]->x() - off);
  EXPECT_GE(ds.cur_r_px, ds.cur_l_px);

  // Both on one column: dt 0 s and the average of that column's middle sample.
  chart_page_of(*form, CHART_ARCH).reset_pointer();
  left->move(ds.plot_left + 300 - off, left->y());
  right->move(ds.plot_left + 300 - off, right->y());
  chart_page_of(*form, CHART_ARCH).upd_cursors();
  EXPECT_EQ(ctl().tdiff->text(), "dt: 0s");
  EXPECT_EQ(cell(0, 9), cell(0, 7));

  // A redraw returns the cursors to the plot edges.
  chart_page_of(*form, CHART_ARCH).create_draw(false, true);
  EXPECT_EQ(ds.cur_l_px, 0);
  EXPECT_EQ(ds.cur_r_px, ds.plot_w);
}

TEST_F(ChartTools, ZoomRectangleButtonsAndScrolling) {
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  chart_view* img = chart_image_view(*form, CHART_ARCH);
  const QPoint g(0, 0);
  // Smaller than 5 x 5 pixels: nothing changes.
  const int32_t first0 = ds.view_first, last0 = ds.view_last;
  auto press = mouse(QEvent::MouseButtonPress, {ds.plot_left + 100, ds.plot_top + 50}, g);
  chart_page_of(*form, CHART_ARCH).img_liveMouseDown(&press);
  EXPECT_TRUE(ctl().bvl_frame->isVisible());
  auto small = mouse(QEvent::MouseMove, {ds.plot_left + 103, ds.plot_top + 53}, g);
  chart_page_of(*form, CHART_ARCH).img_liveMouseMove(&small);
  auto release = mouse(QEvent::MouseButtonRelease, {ds.plot_left + 103, ds.plot_top + 53}, g);
  chart_page_of(*form, CHART_ARCH).img_liveMouseUp(&release);
  EXPECT_FALSE(ctl().bvl_frame->isVisible());
  EXPECT_EQ(ds.view_first, first0);
  EXPECT_EQ(ds.view_last, last0);
  EXPECT_FALSE(ctl().scr->isEnabled());  // the whole day is visible

  // A rectangle over 200 columns: the view shows their time range.
  const double spp = ds.smp_per_px;
  const int32_t want_last = static_cast<int32_t>(std::nearbyint(ds.view_last + (300 - ds.plot_w) * spp));
  chart_page_of(*form, CHART_ARCH).img_liveMouseDown(&press);
  auto drag = mouse(QEvent::MouseMove, {ds.plot_left + 300, ds.plot_top + 250}, g);
  chart_page_of(*form, CHART_ARCH).img_liveMouseMove(&drag);
  EXPECT_EQ(ctl().bvl_frame->width(), 200);
  EXPECT_EQ(ctl().bvl_frame->height(), 200);
  auto up = mouse(QEvent::MouseButtonRelease, {ds.plot_left + 300, ds.plot_top + 250}, g);
  chart_page_of(*form, CHART_ARCH).img_liveMouseUp(&up);
  EXPECT_EQ(ds.tscale_idx, 0);
  EXPECT_NEAR(ds.view_last, want_last, 1);
  EXPECT_NEAR(ds.view_last - ds.view_first, 201 * spp, 2 * spp);
  ASSERT_TRUE(ctl().scr->isEnabled());
  EXPECT_EQ(ctl().scr->value(),
            ctl().scr->maximum() - static_cast<int>(std::nearbyint((ds.data_last - ds.view_last) / ds.smp_per_px)));

  // Scrolling to the start keeps the span.
  const int32_t span = ds.view_last - ds.view_first;
  ctl().scr->setValue(0);
  EXPECT_NEAR(ds.view_first, 0, ds.smp_per_px);  // the automatic scale follows the new span
  EXPECT_NEAR(ds.view_last, span, ds.smp_per_px);

  // "+" and "-" step the time scale, "-" up to 5 h/div, where the plot
  // holds more than the day and "-" does nothing more.
  ctl().zin->click();
  EXPECT_GE(ds.tscale_idx, 1);
  const int32_t t = ds.tscale_idx;
  ctl().zout->click();
  EXPECT_EQ(ds.tscale_idx, t + 1);
  for (int k = 0; k < 12; ++k) ctl().zout->click();
  EXPECT_EQ(ds.tscale_idx, TDIV_CNT);
  EXPECT_EQ(ds.tdiv, 18000);
  // "Display all data": the whole day with the automatic scale.
  chart_control(*form).menm_dsp_allClick();
  EXPECT_EQ(ds.tscale_idx, 0);
  EXPECT_EQ(ds.view_first, 0);
  EXPECT_EQ(ds.view_last, SLOTS_PER_DAY - 1);
  EXPECT_FALSE(ctl().scr->isEnabled());
  img->update();
}

TEST_F(ChartTools, ScaleEditsSelectorsDefaultScalingAndTheScaleDialog) {
  t_draw_stat& ds = draw_stat[CHART_ARCH];
  // 2000000 into the upper raw edit: the range message, then 1309440.
  QLineEdit* rmax = ctl().txt_scale[5];
  EXPECT_EQ(rmax->objectName(), "txt_rmax_2");
  rmax->setText("2000000");
  chart_page_of(*form, CHART_ARCH).txt_tmax_1Exit(rmax);
  EXPECT_TRUE(msg_script::shown().last().startsWith("error: " + msg_text(5)));
  EXPECT_FLOAT_EQ(ds.r_max, 1309440.0f);
  EXPECT_EQ(rmax->text(), "1309440");
  // The upper scaled edit refuses it and keeps its value.
  QLineEdit* hmax = ctl().txt_scale[1];
  const QString before = hmax->text();
  hmax->setText("2000000");
  chart_page_of(*form, CHART_ARCH).txt_tmax_1Exit(hmax);
  EXPECT_EQ(hmax->text(), before);
  hmax->setText("90");
  chart_page_of(*form, CHART_ARCH).txt_tmax_1Exit(hmax);
  EXPECT_FLOAT_EQ(ds.h_max, 90.0f);

  // The grid selector.
  ctl().cmb_grid->setCurrentIndex(GRID_NONE);
  EXPECT_EQ(ds.grid_sel, GRID_NONE);

  // °F: the temperature scale refitted to the converted values, the button relabelled.
  const float t_max_c = ds.t_max;
  ctl().cmb_tunit->setCurrentIndex(1);
  EXPECT_EQ(ds.temp_f, 1);
  EXPECT_TRUE(ctl().cmd_scale[1]->text().endsWith(" °F")) << qPrintable(ctl().cmd_scale[1]->text());
  EXPECT_GT(ds.t_max, t_max_c + 20);
  EXPECT_TRUE(cell(2, 8).endsWith("°F"));

  // Autoscale of the scaled values over the visible window.
  ctl().cmd_scale[0]->click();
  EXPECT_FLOAT_EQ(ds.h_max, 10.0f + 999 / 8.0f + (999 / 8.0f) / 10.0f);

  // "Use default scaling" does nothing before a default exists; then brings it back.
  EXPECT_FALSE(chart_menu_action(*form, "menm_dsp_def")->isEnabled());
  const float h_max = ds.h_max;
  chart_control(*form).menp_dsp_set_defClick();
  EXPECT_TRUE(ds.def_valid);
  EXPECT_TRUE(chart_menu_action(*form, "menm_dsp_def")->isEnabled());
  hmax->setText("500");
  chart_page_of(*form, CHART_ARCH).txt_tmax_1Exit(hmax);
  EXPECT_FLOAT_EQ(ds.h_max, 500.0f);
  ctl().cmd_reset->click();
  EXPECT_FLOAT_EQ(ds.h_max, h_max);

  // The scale dialog: ordered pairs, grid, time scale and inverted raw axis.
  chart_control(*form).menm_dsp_scaleClick();
  Tscale_setup* dlg = chart_control(*form).scale_dialog();
  ASSERT_TRUE(dlg && dlg->isVisible());
  EXPECT_EQ(dlg->windowTitle(), "Scale setup");
  EXPECT_EQ(dlg->cmb_scale_time->count(), 12);
  EXPECT_EQ(dlg->x_lbl_unit_t1->text(), "°F");
  dlg->txt_h_min->setText("80");
  dlg->txt_h_maxExit(dlg->txt_h_min);
  dlg->txt_h_max->setText("20");
  dlg->txt_h_maxExit(dlg->txt_h_max);
  dlg->txt_r_max->setText("2000000");  // refused in the dialog
  dlg->txt_r_maxExit(dlg->txt_r_max);
  EXPECT_TRUE(msg_script::shown().last().startsWith("error: " + msg_text(5)));
  dlg->cmb_sel_grid->setCurrentIndex(GRID_RAW);
  dlg->cmb_scale_time->setCurrentIndex(3);
  dlg->chk_raw_invert->setChecked(true);
  dlg->cmd_okClick();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_FLOAT_EQ(ds.h_min, 20.0f);
  EXPECT_FLOAT_EQ(ds.h_max, 80.0f);
  EXPECT_EQ(ds.grid_sel, GRID_RAW);
  EXPECT_EQ(ds.tscale_idx, 3);
  EXPECT_EQ(ds.tdiv, 60);
  EXPECT_TRUE(ds.raw_invert);
  // The upper raw edit now shows the raw minimum.
  EXPECT_EQ(rmax->text(), QString::number(ds.r_min, 'f', 0));
}

// The CSV export of the visible window, read back by Python's csv module.
TEST_F(ChartTools, CsvExportReadsBackWithEverySeparator) {
  struct variant {
    QString decp, fsep, delimiter, point;
  };
  const variant variants[] = {
      {",", ";", ";", ","},
      {".", "(TAB)", "\t", "."},
      {",", "(space)", " ", ","},
      {".", "|", "|", "."},
      {"(default)", "(default)", ",", "."},  // the system's: "." and ","
  };
  sys_dec_sep = u'.';
  sys_list_sep = u',';
  const t_draw_stat& ds = draw_stat[CHART_ARCH];
  ASSERT_EQ(ds.view_first, 0);
  ASSERT_EQ(ds.view_last, SLOTS_PER_DAY - 1);
  int n = 0;
  for (const variant& v : variants) {
    SCOPED_TRACE(qPrintable(v.fsep));
    // The separators through the export setup dialog.
    chart_control(*form).menm_exp_setupClick();
    ASSERT_TRUE(chart_control(*form).export_dialog()->isVisible());
    chart_control(*form).export_dialog()->x_cmb_decp->setEditText(v.decp);
    chart_control(*form).export_dialog()->x_cmb_fsep->setEditText(v.fsep);
    chart_control(*form).export_dialog()->cmd_okClick();
    const QString path = home.path() + QString("/export%1.csv").arg(n++);
    pick_file(path);
    chart_control(*form).menm_exp_csvClick();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(12);
    EXPECT_EQ(head.left(2), QByteArray("\xFF\xFE", 2));  // UTF-16 LE byte order mark
    int total = 0;
    const QJsonArray rows = python_rows(path, "utf-16", v.delimiter, 3, total);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(total, 1 + SLOTS_PER_DAY - 30);  // the 30 slots of the gap give no line
    // (A blank as separator also splits the descriptions that hold blanks.)
    const QStringList header = {"Time", "Dryer flow [t/h]", "Running", "Sensor temp [°C]", ""};
    EXPECT_EQ(row_of(rows, 0), v.delimiter == " " ? header.join(" ").split(" ") : header);
    const int dec = ds.decimals;
    auto num = [&](double x, int d) { return QString::number(x, 'f', d).replace(".", v.point); };
    EXPECT_EQ(row_of(rows, 1), QStringList({"00:00:00" + v.point + "00", num(flow_of(0), dec), din_of(0) ? "ON" : "OFF",
                                            num(temp_of(0) / 10.0, 1), ""}));
    EXPECT_EQ(row_of(rows, 2)[0], "00:00:00" + v.point + "20");
    const QStringList last = row_of(rows, 4);
    EXPECT_EQ(last[0], "23:59:59" + v.point + "80");
    EXPECT_EQ(last[1], num(flow_of(431999), dec));
    EXPECT_EQ(last[2], din_of(431999) ? "ON" : "OFF");
  }
  // The "|" typed as separator survives the setup file.
  chart_control(*form).export_dialog()->x_cmb_fsep->setEditText("|");
  chart_control(*form).export_dialog()->cmd_okClick();
  save_setup(t_setup_ui{});
  common_setup.field_separator.clear();
  load_setup();
  EXPECT_EQ(common_setup.field_separator, "|");

  // Cancelling the export setup keeps the separators.
  chart_control(*form).menm_exp_setupClick();
  chart_control(*form).export_dialog()->x_cmb_fsep->setEditText(";");
  chart_control(*form).export_dialog()->cmd_cancelClick();
  EXPECT_EQ(common_setup.field_separator, "|");
}

TEST_F(ChartTools, BitmapExportAndAnEmptyChart) {
  const QString bmp = home.path() + "/chart.bmp";
  pick_file(bmp);
  chart_control(*form).menm_exp_bmpClick();
  QImageReader r(bmp);
  EXPECT_EQ(r.format(), "bmp");
  const QImage img = r.read();
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), chart_page_of(*form, CHART_ARCH).image().size());
  EXPECT_EQ(img.pixel(draw_stat[CHART_ARCH].plot_left + 5, 2),
            chart_page_of(*form, CHART_ARCH).image().pixel(draw_stat[CHART_ARCH].plot_left + 5, 2));

  // On another page the export commands do nothing.
  page_control(*form)->setCurrentIndex(0);
  pick_file(home.path() + "/other.csv");
  chart_control(*form).menm_exp_csvClick();
  EXPECT_FALSE(QFile::exists(home.path() + "/other.csv"));

  // A chart without data (view_first -1): only the header line.
  show_page(*form, window_page(*form, "tab_online"));
  ASSERT_EQ(draw_stat[CHART_LIVE].view_first, -1);
  const QString empty = home.path() + "/empty.csv";
  pick_file(empty);
  chart_control(*form).menm_exp_csvClick();
  QFile f(empty);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2),
            QString("Time%1\r\n").arg(sys_list_sep.isNull() ? QChar(u',') : sys_list_sep));
}

}  // namespace
