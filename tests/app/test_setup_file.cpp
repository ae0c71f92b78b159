// The application setup file: field layout, round trips through real files
// in a temporary configuration folder, defaults of missing and damaged files,
// the number format, and texts that must not shift or break the file.
#include "app/setup_file.h"

#include "charts/draw_stat.h"
#include "core/common_data.h"
#include "core/reg_text.h"
#include "core/sys_number.h"
#include "core/work_dirs.h"
#include "settings/checked_file.h"
#include "support/test_env.h"
#include "texts/qstring_print.h"

#include <QFile>
#include <QObject>
#include <QVariant>

#include <cmath>

#include <gtest/gtest.h>

namespace {

QString serial_of(int dev) { return serial_regs_text(m_stat.dev_stat[dev].read_stat); }

// Status registers 66..77 as the device would have delivered them (0 after the text).
void set_serial(int dev, const QString& s) {
  for (int k = 0; k < SERIAL_CHARS; ++k)
    m_stat.dev_stat[dev].read_stat.set(SERIAL_FIRST_REG + k, k < s.size() ? s[k].unicode() : 0);
}

class SetupFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    reset_draw_stat();
    sys_dec_sep = u'.';
    cfg_dir = DEF_CFG_FOLDER;
    ASSERT_TRUE(make_work_dir(cfg_dir, CFG_LEAF));
  }
  void TearDown() override {
    sys_dec_sep = u'.';
    reset_all_records();
    reset_draw_stat();
  }

  QString cfg_path(const char* name) const { return work_path(cfg_dir + name); }

  // The fields of a setup text, 1-based as in the file description (entry 0 unused).
  static QStringList fields_of(const QString& text) {
    QStringList f = text.split(u'|');
    EXPECT_EQ(f.size(), SETUP_FIELD_CNT + 1) << "293 fields, each followed by |";
    EXPECT_TRUE(f.back().isEmpty());
    f.prepend(QString());
    return f;
  }

  static QString current_text(const t_setup_ui& ui) { return build_setup_text(common_setup, m_stat, draw_stat, ui); }

  temp_config_home home;
};

// Every persisted field gets a value of its own, so that a swapped or
// shifted field shows up in the comparison.
t_setup_ui fill_everything() {
  for (int c = 0; c < CHART_CNT; ++c) {
    t_draw_stat& ds = draw_stat[c];
    ds.grid_sel = 1 + c;
    ds.raw_invert = c == 0;
    ds.decimals = 3 + c;
    ds.def_h_min = 1.5f + c;
    ds.def_h_max = 250.5f + c;
    ds.def_t_min = -20.5f - c;
    ds.def_t_max = 80.0f + c;
    ds.def_r_min = 100.0f + c;
    ds.def_r_max = 1309440.0f - c;
    ds.def_grid_sel = 2 - c;
    ds.def_tscale_idx = 4 + c;
    ds.def_span = 3000 + c;
    ds.def_valid = true;
  }
  common_setup.decp_separator = ",";
  common_setup.field_separator = ";";
  for (int d = 0; d < MAX_DEVICES; ++d) {
    t_dev_conn& dc = common_setup.dev_conn[d];
    dc.active.store(d % 2 == 0, rlx);
    dc.log_active.store(d % 3 == 0, rlx);
    dc.addr.store(10 + d, rlx);
    dc.com_num.store(20 + d, rlx);
    dc.baud_idx.store(d % 5, rlx);
    dc.parity.store(d % 3, rlx);
    dc.tag.set(QString::fromLatin1("Dryer %1 \xC4\xF6").arg(d));  // Ä ö fit one byte
    dc.log_dir.set(QString("C:\\Data\\dev%1\\").arg(d));
    dc.use_usb.store(d == 1 || d == 6, rlx);
  }
  for (int k = 0; k < MAX_CHANNELS; ++k) {
    for (t_dsp_chan* ch : {&common_setup.dsp_chan_live[k], &common_setup.dsp_chan_arch[k]}) {
      const int base = ch == &common_setup.dsp_chan_live[k] ? 0 : 100;
      ch->active = k < 5;
      ch->displayed = k % 2 == 1;
      ch->sample_file = QString("/logs/ch%1_%2.orvlog").arg(base + k).arg(k);
      ch->tag = QString("Trace_%1").arg(base + k);
      ch->dev_idx = k;
      ch->meas_mode = 7 - k;
      ch->filt_pt = static_cast<uint16_t>(300 + base + k);
      ch->filt_med = 5 + k;
      ch->filt_screw = static_cast<uint16_t>(65535 - base - k);
      ch->line_thk = 1 + k % 3;
      ch->color = 0x00FF8000 + base + k;
    }
  }
  for (int d = 0; d < MAX_DEVICES; ++d) set_serial(d, QString("SN-%1-0042").arg(d));
  common_setup.lng_config.curr_lng = "Deutsch";
  common_setup.last_page = 5;
  t_setup_ui ui;
  ui.maximized = false;
  ui.top = 40;
  ui.left = -1200;  // on a monitor left of the primary one
  ui.width = 1024;
  ui.height = 700;
  ui.tunit_idx[0] = 1;
  ui.tunit_idx[1] = 0;
  return ui;
}

}  // namespace

// ---- layout ---------------------------------------------------------------------------

TEST_F(SetupFile, FieldsSitAtTheirNumbers) {
  const t_setup_ui ui = fill_everything();
  const QStringList f = fields_of(current_text(ui));
  EXPECT_EQ(f[1], "1");
  EXPECT_EQ(f[2], "2");
  EXPECT_EQ(f[3], "1");
  EXPECT_EQ(f[4], "0");
  EXPECT_EQ(f[5], "3");
  EXPECT_EQ(f[6], "4");
  EXPECT_EQ(f[7], ",");
  EXPECT_EQ(f[8], ";");
  for (int k = 9; k <= 15; ++k) EXPECT_EQ(f[k], "") << k;
  EXPECT_EQ(f[16], QString::number(2 + 64));  // devices 1 and 6 on USB
  // device 3: fields 17 + 3 * 8 ..
  EXPECT_EQ(f.mid(17 + 3 * 8, 8),
            (QStringList{"0", "1", "13", "23", "3", "0", QString::fromLatin1("Dryer 3 \xC4\xF6"), "C:\\Data\\dev3\\"}));
  // live channel 2: fields 81 + 2 * 11 ..
  EXPECT_EQ(f.mid(81 + 2 * 11, 11), (QStringList{"1", "0", "/logs/ch2_2.orvlog", "Trace_2", "2", "5", "302", "7",
                                                 "65533", "3", QString::number(0x00FF8002)}));
  // archive channel 7: fields 169 + 7 * 11 ..
  EXPECT_EQ(f.mid(169 + 7 * 11, 11), (QStringList{"0", "1", "/logs/ch107_7.orvlog", "Trace_107", "7", "0", "407", "12",
                                                  "65428", "2", QString::number(0x00FF8000 + 107)}));
  EXPECT_EQ(f[257], "SN-0-0042   ");
  EXPECT_EQ(f[264], "SN-7-0042   ");
  EXPECT_EQ(f[265], "Deutsch");
  EXPECT_EQ(f[266], "5");
  EXPECT_EQ(f[267], "1");
  EXPECT_EQ(f[268], "0");
  EXPECT_EQ(f.mid(269, 10),
            (QStringList{"1.5", "250.5", "-20.5", "80.0", "100.0", "1309440.0", "2", "4", "3000", "1"}));
  EXPECT_EQ(f.mid(279, 10),
            (QStringList{"2.5", "251.5", "-21.5", "81.0", "101.0", "1309439.0", "1", "5", "3001", "1"}));
  EXPECT_EQ(f.mid(289, 5), (QStringList{"0", "40", "-1200", "1024", "700"}));
}

TEST_F(SetupFile, FullSetupRoundTripsThroughTheFile) {
  const t_setup_ui ui = fill_everything();
  const QString written = current_text(ui);
  save_setup(ui);
  EXPECT_EQ(read_checked_file(cfg_path(SETUP_FILE_NAME)), written);

  reset_all_records();
  reset_draw_stat();
  const t_setup_ui back = load_setup();
  EXPECT_EQ(current_text(back), written);  // every field came back where it was

  EXPECT_TRUE(back.placement_stored);
  EXPECT_FALSE(back.maximized);
  EXPECT_EQ(back.left, -1200);
  EXPECT_EQ(back.height, 700);
  EXPECT_EQ(draw_stat[CHART_LIVE].temp_f, 1);
  EXPECT_EQ(draw_stat[CHART_ARCH].temp_f, 0);
  EXPECT_EQ(draw_stat[CHART_ARCH].def_r_max, 1309439.0f);
  EXPECT_TRUE(draw_stat[CHART_ARCH].def_valid);
  EXPECT_TRUE(common_setup.dev_conn[6].use_usb.load());
  EXPECT_FALSE(common_setup.dev_conn[5].use_usb.load());
  EXPECT_EQ(common_setup.dev_conn[2].tag.get(), QString::fromLatin1("Dryer 2 \xC4\xF6"));
  EXPECT_EQ(common_setup.dsp_chan_arch[4].filt_screw, 65535 - 104);
  EXPECT_EQ(serial_of(3), "SN-3-0042   ");
  EXPECT_FALSE(m_stat.service_ena.load());
}

TEST_F(SetupFile, FilesWithoutFaultyCharactersStayByteForByte) {
  const t_setup_ui ui = fill_everything();
  save_setup(ui);
  QFile f(cfg_path(SETUP_FILE_NAME));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray first = f.readAll();
  f.close();
  reset_all_records();
  reset_draw_stat();
  save_setup(load_setup());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), first);
  // One byte per character, the end mark and the checksum of exactly those bytes.
  EXPECT_EQ(first, checked_file_bytes(current_text(ui)));
}

// ---- defaults ----------------------------------------------------------------------------

namespace {

void expect_defaults(const t_setup_ui& ui) {
  for (const auto& ds : draw_stat) {
    EXPECT_EQ(ds.grid_sel, 0);
    EXPECT_FALSE(ds.raw_invert);
    EXPECT_EQ(ds.decimals, 1);
    EXPECT_FALSE(ds.def_valid);
    EXPECT_EQ(ds.temp_f, 0);
  }
  for (const auto& dc : common_setup.dev_conn) {
    EXPECT_FALSE(dc.active.load());
    EXPECT_EQ(dc.addr.load(), 0);
    EXPECT_EQ(dc.baud_idx.load(), 0);
    EXPECT_EQ(dc.tag.get(), "");
    EXPECT_FALSE(dc.use_usb.load());
  }
  for (const auto* arr : {common_setup.dsp_chan_live, common_setup.dsp_chan_arch})
    for (int k = 0; k < MAX_CHANNELS; ++k) {
      EXPECT_FALSE(arr[k].active);
      EXPECT_EQ(arr[k].dev_idx, -1);
      EXPECT_EQ(arr[k].meas_mode, -1);
      EXPECT_EQ(arr[k].line_thk, 1);
      EXPECT_EQ(arr[k].filt_pt, 0);
    }
  for (const auto& ds : m_stat.dev_stat)
    for (int k = 0; k < SERIAL_CHARS; ++k) EXPECT_EQ(ds.read_stat.get(SERIAL_FIRST_REG + k), u' ');
  EXPECT_EQ(common_setup.decp_separator, "");
  EXPECT_EQ(common_setup.lng_config.curr_lng, "");
  EXPECT_EQ(common_setup.last_page, 0);
  EXPECT_FALSE(ui.placement_stored);
  EXPECT_FALSE(ui.maximized);
  EXPECT_EQ(ui.tunit_idx[0], 0);
  EXPECT_EQ(ui.tunit_idx[1], 0);
}

}  // namespace

TEST_F(SetupFile, MissingFileGivesEveryDefault) {
  expect_defaults(load_setup());
  EXPECT_FALSE(m_stat.service_ena.load());
  EXPECT_EQ(m_stat.acc_level.load(), 0);
}

TEST_F(SetupFile, OneChangedByteRevertsEverythingToDefaults) {
  save_setup(fill_everything());
  QFile f(cfg_path(SETUP_FILE_NAME));
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  QByteArray b = f.readAll();
  b[20] = static_cast<char>(b[20] ^ 0x01);
  f.seek(0);
  f.write(b);
  f.close();
  reset_all_records();
  reset_draw_stat();
  expect_defaults(load_setup());
}

TEST_F(SetupFile, ShortAndLongTextsReadWithoutStopping) {
  t_setup_ui ui;
  // Only the first seven fields: the rest take their defaults.
  parse_setup_text("2|1|0|0|4|", common_setup, m_stat, draw_stat, ui);
  EXPECT_EQ(draw_stat[0].grid_sel, 2);
  EXPECT_EQ(draw_stat[1].grid_sel, 1);
  EXPECT_EQ(draw_stat[0].decimals, 4);
  EXPECT_EQ(draw_stat[1].decimals, 1);
  EXPECT_EQ(common_setup.dsp_chan_live[3].dev_idx, -1);
  EXPECT_FALSE(ui.placement_stored);
  // Surplus fields behind the 293rd are ignored.
  const QString full = current_text(fill_everything());
  parse_setup_text(full + "junk|more|", common_setup, m_stat, draw_stat, ui);
  EXPECT_EQ(current_text(ui), full);
  // A text without any "|" is one field.
  parse_setup_text("1", common_setup, m_stat, draw_stat, ui);
  EXPECT_EQ(draw_stat[0].grid_sel, 1);
  EXPECT_EQ(draw_stat[1].grid_sel, 0);
}

TEST_F(SetupFile, FieldsThatAreNotNumbersTakeTheirDefaultsOneByOne) {
  const t_setup_ui ui = fill_everything();
  QStringList f = fields_of(current_text(ui));
  f[5] = "x";           // decimals of chart 0
  f[17 + 2] = "";       // addr of device 0
  f[81 + 4] = "two";    // dev_idx of live channel 0
  f[81 + 6] = "70000";  // filt_pt does not fit 16 bits
  f[81 + 9] = "-";      // line_thk
  f[266] = "5.0";       // last_page
  f[267] = "7";         // no such temperature unit
  f[292] = "wide";      // placement width
  f.removeFirst();
  t_setup_ui back;
  parse_setup_text(f.join(u'|'), common_setup, m_stat, draw_stat, back);
  EXPECT_EQ(draw_stat[0].decimals, 1);
  EXPECT_EQ(draw_stat[1].decimals, 4);
  EXPECT_EQ(common_setup.dev_conn[0].addr.load(), 0);
  EXPECT_EQ(common_setup.dev_conn[0].com_num.load(), 20);
  EXPECT_EQ(common_setup.dsp_chan_live[0].dev_idx, -1);
  EXPECT_EQ(common_setup.dsp_chan_live[0].meas_mode, 7);
  EXPECT_EQ(common_setup.dsp_chan_live[0].filt_pt, 0);
  EXPECT_EQ(common_setup.dsp_chan_live[0].line_thk, 1);
  EXPECT_EQ(common_setup.last_page, 0);
  EXPECT_EQ(back.tunit_idx[0], 0);
  EXPECT_EQ(draw_stat[0].temp_f, 0);
  EXPECT_FALSE(back.placement_stored);
}

// ---- edge cases of single fields ---------------------------------------------------------

TEST_F(SetupFile, GridSelectionNoGridStartsAgainWithTheScaledGrid) {
  t_setup_ui ui;
  for (int g : {0, 1, 2, 3, -1, 99}) {
    draw_stat[0].grid_sel = g;
    const QString text = current_text(ui);
    draw_stat[0].grid_sel = 42;
    parse_setup_text(text, common_setup, m_stat, draw_stat, ui);
    EXPECT_EQ(draw_stat[0].grid_sel, (g == 1 || g == 2) ? g : 0) << g;
  }
}

TEST_F(SetupFile, DefaultScalesUseOneDecimalInTheSystemFormat) {
  t_setup_ui ui;
  for (QChar sep : {QChar(u'.'), QChar(u',')}) {
    sys_dec_sep = sep;
    draw_stat[1].def_h_max = 12.34f;
    draw_stat[1].def_t_min = -0.06f;
    draw_stat[1].def_valid = true;
    const QStringList f = fields_of(current_text(ui));
    EXPECT_EQ(f[280], QString("12") + sep + "3");
    EXPECT_EQ(f[281], QString("-0") + sep + "1");
    reset_draw_stat();
    QStringList g = f.mid(1, SETUP_FIELD_CNT);
    parse_setup_text(g.join(u'|') + u'|', common_setup, m_stat, draw_stat, ui);
    EXPECT_FLOAT_EQ(draw_stat[1].def_h_max, 12.3f);
    EXPECT_TRUE(draw_stat[1].def_valid);
  }
}

TEST_F(SetupFile, DefaultScalingIsInvalidWhenAnyValueFailsToConvert) {
  t_setup_ui ui;
  draw_stat[0].def_valid = true;
  draw_stat[0].def_h_max = 100.0f;
  const QString good = current_text(ui);
  const QStringList base = fields_of(good).mid(1, SETUP_FIELD_CNT);
  struct probe {
    int field;
    const char* text;
  };
  // Exponents, group separators, the other decimal separator, non-finite
  // values and values beyond single precision are all refused.
  for (const probe p : {probe{269, "1e3"}, probe{270, "1,000.0"}, probe{271, "nan"}, probe{272, "inf"},
                        probe{273, "1000000000000000000000000000000000000000000.0"}, probe{274, ""}, probe{275, "1.5"},
                        probe{276, "0x10"}, probe{277, " "}}) {
    QStringList f = base;
    f[p.field - 1] = p.text;
    reset_draw_stat();
    parse_setup_text(f.join(u'|') + u'|', common_setup, m_stat, draw_stat, ui);
    EXPECT_FALSE(draw_stat[0].def_valid) << p.field << " " << p.text;
  }
  // Under a "," locale a "." number is refused as well.
  sys_dec_sep = u',';
  reset_draw_stat();
  parse_setup_text(good, common_setup, m_stat, draw_stat, ui);
  EXPECT_FALSE(draw_stat[0].def_valid);
  // A non-finite scale in memory is written so that it reads back as no default.
  sys_dec_sep = u'.';
  draw_stat[0].def_valid = true;
  draw_stat[0].def_t_max = std::nanf("");
  const QString bad = current_text(ui);
  reset_draw_stat();
  parse_setup_text(bad, common_setup, m_stat, draw_stat, ui);
  EXPECT_FALSE(draw_stat[0].def_valid);
}

TEST_F(SetupFile, SerialNumbersAreTrimmedAndPaddedWithBlanks) {
  t_setup_ui ui;
  set_serial(0, "            ");  // 12 blanks
  set_serial(1, "");              // never read: registers of 0
  set_serial(2, "  AB12 ");
  const QStringList f = fields_of(current_text(ui));
  EXPECT_EQ(f[257], QString(12, u' '));
  EXPECT_EQ(f[258], QString(12, u' '));
  EXPECT_EQ(f[259], "  AB12      ");
  reset_all_records();
  QStringList g = f.mid(1, SETUP_FIELD_CNT);
  g[257 - 1 + 3] = "TOO-LONG-SERIAL-NUMBER";
  parse_setup_text(g.join(u'|') + u'|', common_setup, m_stat, draw_stat, ui);
  EXPECT_EQ(serial_of(0), QString(12, u' '));
  for (int k = 0; k < SERIAL_CHARS; ++k) EXPECT_EQ(m_stat.dev_stat[1].read_stat.get(SERIAL_FIRST_REG + k), 0x20);
  EXPECT_EQ(serial_of(2), "AB12        ");
  EXPECT_EQ(serial_of(3), "TOO-LONG-SER");
  EXPECT_EQ(m_stat.dev_stat[3].read_stat.get(SERIAL_FIRST_REG + 12), 0);  // register 78 untouched
}

TEST_F(SetupFile, SerialNumbersSurviveASaveAndALoad) {
  // Fields as a damaged or hand-edited file may hold them: the first twelve
  // characters are the registers' worth, whatever follows is cut off.
  const QString fields[] = {
      QString(" ABCDEFGHIJK") + QChar(1) + "Z",  // a control character right after the cut
      QString("\tSN-77") + QChar(2) + "     xyz",
      QString("ABCDEFGHIJKL") + QChar(3),
      "   ",
  };
  for (const QString& field : fields) {
    stat_image regs;
    store_serial_regs(regs, field);
    const QString once = serial_regs_text(regs);
    stat_image again;
    store_serial_regs(again, once);
    EXPECT_EQ(serial_regs_text(again), once) << qPrintable(field);
    EXPECT_EQ(trim_blanks(once), trim_blanks(field.left(SERIAL_CHARS))) << qPrintable(field);
  }
}

TEST_F(SetupFile, ADamagedFileIsKeptBesideBeforeItIsSavedOver) {
  save_setup(fill_everything());
  const QString path = cfg_path(SETUP_FILE_NAME);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray truncated = f.readAll().left(900);
  f.close();
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(truncated);
  f.close();
  // An older backup is replaced by the newest damaged file.
  QFile old(path + ".bad");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("older");
  old.close();

  reset_all_records();
  reset_draw_stat();
  init_log.clear();
  expect_defaults(load_setup());
  EXPECT_EQ(init_log, "Setup file " + path + " failed its check and was read as empty; kept as " + path + ".bad\r\n");
  save_setup(t_setup_ui{});
  QFile bad(path + ".bad");
  ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
  EXPECT_EQ(bad.readAll(), truncated);  // the records still readable in it are not lost
  EXPECT_FALSE(read_checked_file(path).isEmpty());

  // A valid file, an empty valid file and a missing file leave no trace.
  init_log.clear();
  load_setup();
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(checked_file_bytes(QString()));
  f.close();
  load_setup();
  ASSERT_TRUE(QFile::remove(path));
  load_setup();
  EXPECT_EQ(init_log, "");
  bad.close();
  ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
  EXPECT_EQ(bad.readAll(), truncated);
}

TEST_F(SetupFile, WindowPlacementNeedsAllFourNumbers) {
  t_setup_ui ui;
  ui.maximized = true;
  ui.top = 1;
  ui.left = 2;
  ui.width = 3;
  ui.height = 4;
  t_setup_ui back;
  parse_setup_text(current_text(ui), common_setup, m_stat, draw_stat, back);
  EXPECT_TRUE(back.placement_stored);
  EXPECT_TRUE(back.maximized);
  QStringList f = fields_of(current_text(ui)).mid(1, SETUP_FIELD_CNT);
  f[290 - 1] = "";
  parse_setup_text(f.join(u'|') + u'|', common_setup, m_stat, draw_stat, back);
  EXPECT_FALSE(back.placement_stored);
}

// ---- texts that would break the file ----------------------------------------------------

TEST_F(SetupFile, BarInStoredTextsNoLongerShiftsLaterFields) {
  t_setup_ui ui = fill_everything();
  common_setup.dev_conn[0].tag.set("Line|2");
  common_setup.dev_conn[4].log_dir.set("C:\\a|b\\");
  common_setup.dsp_chan_arch[1].sample_file = "x|y.orvlog";
  common_setup.field_separator = "|";
  common_setup.dsp_chan_live[0].tag = "Ch|1";
  set_serial(5,
             "A|B\x1A"
             "C");
  const QString text = current_text(ui);
  const QStringList f = fields_of(text);
  EXPECT_EQ(f[23], "Line~2");
  EXPECT_EQ(f[17 + 4 * 8 + 7], "C:\\a~b\\");
  EXPECT_EQ(f[169 + 11 + 2], "x~y.orvlog");
  EXPECT_EQ(f[8], "(bar)");  // the export separator keeps the user's choice
  EXPECT_EQ(f[84], "Ch~1");
  EXPECT_EQ(f[262], "A~B~C       ");
  save_setup(ui);
  reset_all_records();
  reset_draw_stat();
  const t_setup_ui back = load_setup();
  EXPECT_EQ(back.height, 700);
  EXPECT_EQ(common_setup.dev_conn[0].tag.get(), "Line~2");
  EXPECT_EQ(common_setup.dev_conn[0].log_dir.get(), "C:\\Data\\dev0\\");
  EXPECT_EQ(common_setup.dev_conn[1].addr.load(), 11);
  EXPECT_EQ(common_setup.lng_config.curr_lng, "Deutsch");
  EXPECT_EQ(draw_stat[1].def_span, 3001);
  EXPECT_EQ(common_setup.field_separator, "|");  // exports keep the separator the user typed
}

TEST_F(SetupFile, CharactersAboveByteRangeNoLongerResetTheSetup) {
  t_setup_ui ui = fill_everything();
  common_setup.dev_conn[3].log_dir.set(QString::fromUtf8("/home/\xC5\x81ukasz/Orv_Data"));  // Ł
  common_setup.dev_conn[2].tag.set(
      QString::fromUtf8("Tr\xC3\xBC"
                        "ckner \xE2\x82\xAC"));  // ü stays, € does not
  set_serial(1, QString::fromUtf8("\xD0\x96"
                                  "12"));  // Ж from the device
  common_setup.lng_config.curr_lng = QString::fromUtf8("\xD0\xA0\xD1\x83\xD1\x81");
  save_setup(ui);
  reset_all_records();
  reset_draw_stat();
  const t_setup_ui back = load_setup();
  ASSERT_TRUE(back.placement_stored) << "the file was read, not reset";
  EXPECT_EQ(common_setup.dev_conn[3].log_dir.get(), "/home/~ukasz/Orv_Data");
  EXPECT_EQ(common_setup.dev_conn[2].tag.get(), QString::fromUtf8("Tr\xC3\xBC"
                                                                  "ckner ~"));
  EXPECT_EQ(serial_of(1), "~12         ");
  EXPECT_EQ(common_setup.lng_config.curr_lng, "~~~");
  EXPECT_EQ(common_setup.dev_conn[7].com_num.load(), 27);
}

TEST(StorableText, RefusesBarEndMarkAndWideCharacters) {
  EXPECT_TRUE(storable_text(""));
  EXPECT_TRUE(storable_text(QString::fromLatin1("C:\\Tarvik\\Orv_Data\\ \xC4\xD6\xDC\xE4\xF6\xFC\xFF\t")));
  EXPECT_FALSE(storable_text("a|b"));
  EXPECT_FALSE(storable_text(QString("a") + QChar(0x1A)));
  EXPECT_FALSE(storable_text(QString(QChar(0x100))));
  EXPECT_FALSE(storable_text(QString::fromUtf8("/home/\xC5\x81ukasz")));
  EXPECT_EQ(storable_form(QString::fromUtf8("a|\xE2\x82\xAC\xC3\xA4")), QString::fromUtf8("a~~\xC3\xA4"));
}

// ---- numbers ---------------------------------------------------------------------------

TEST(SysNumber, FormatsAndParsesWithTheSavedSeparator) {
  sys_dec_sep = u',';
  EXPECT_EQ(fmt_sys_fixed(1, 12.34f), "12,3");
  EXPECT_EQ(fmt_sys_fixed(1, 1234567.0), "1234567,0");  // no group separator
  EXPECT_EQ(fmt_sys_fixed(0, 2.5), "3");                // halves round away from zero
  EXPECT_EQ(fmt_sys_fixed(2, -0.004), "-0,00");
  float v = 0;
  EXPECT_TRUE(parse_sys_float(" -12,5 ", v));
  EXPECT_FLOAT_EQ(v, -12.5f);
  EXPECT_TRUE(parse_sys_float("7", v));
  EXPECT_FLOAT_EQ(v, 7.0f);
  v = 99;
  for (const char* bad : {"12.5", "1,2,3", "1e3", "", "-", ",", "inf", "NAN", "1 000", "3,4e-2"})
    EXPECT_FALSE(parse_sys_float(bad, v)) << bad;
  EXPECT_EQ(v, 99);
  sys_dec_sep = u'.';
  EXPECT_TRUE(parse_sys_float("0.25", v));
  EXPECT_FLOAT_EQ(v, 0.25f);
  EXPECT_FALSE(parse_sys_float("1" + QString(50, u'0'), v));  // beyond single precision
}

// ---- service marker and remembered folder -----------------------------------------------

TEST_F(SetupFile, ServiceMarkerTurnsServiceModeOn) {
  EXPECT_FALSE(write_cfg_file(SRVC_FILE_NAME, ""));
  load_setup();
  EXPECT_FALSE(m_stat.service_ena.load());
  EXPECT_EQ(m_stat.acc_level.load(), 0);
  EXPECT_FALSE(write_cfg_file(SRVC_FILE_NAME, "1"));
  load_setup();
  EXPECT_TRUE(m_stat.service_ena.load());
  EXPECT_EQ(m_stat.acc_level.load(), 1);
  // A damaged marker reads as empty.
  QFile f(cfg_path(SRVC_FILE_NAME));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(
      "1\x1A"
      "0");
  f.close();
  load_setup();
  EXPECT_FALSE(m_stat.service_ena.load());
}

TEST_F(SetupFile, RemembersTheFolderOfAChosenFile) {
  EXPECT_EQ(read_last_path(), "");
  EXPECT_TRUE(remember_last_path("/home/tech/sets/line2.orvcfg"));
  EXPECT_EQ(read_last_path(), "/home/tech/sets/");
  EXPECT_TRUE(remember_last_path("C:\\Sets\\a.orvcfg"));
  EXPECT_EQ(read_last_path(), "C:\\Sets\\");
  // A folder the file cannot hold is not remembered; the old one stays.
  EXPECT_FALSE(remember_last_path(QString::fromUtf8("/home/\xC5\x81ukasz/a.orvcfg")));
  EXPECT_FALSE(remember_last_path("/x|y/a.orvcfg"));
  EXPECT_EQ(read_last_path(), "C:\\Sets\\");
  EXPECT_EQ(folder_of_file("plain.orvcfg"), "");
}

// ---- range checks for the numbers the file gives ------------------------------------------

TEST_F(SetupFile, RangeChecksForRecordsReadFromTheFile) {
  t_setup_ui ui;
  parse_setup_text("", common_setup, m_stat, draw_stat, ui);
  // The defaults of an empty file: no port, channels without a source.
  EXPECT_FALSE(dev_conn_in_range(common_setup.dev_conn[0]));
  EXPECT_FALSE(chan_source_in_range(common_setup.dsp_chan_live[0], true));
  EXPECT_FALSE(chan_source_in_range(common_setup.dsp_chan_arch[0], false));
  t_dev_conn& dc = common_setup.dev_conn[0];
  dc.com_num.store(COM_PORTS);
  dc.addr.store(247);
  dc.baud_idx.store(4);
  dc.parity.store(2);
  EXPECT_TRUE(dev_conn_in_range(dc));
  dc.addr.store(248);
  EXPECT_FALSE(dev_conn_in_range(dc));
  dc.addr.store(0);
  dc.baud_idx.store(5);
  EXPECT_FALSE(dev_conn_in_range(dc));
  t_dsp_chan ch;
  ch.meas_mode = 7;
  ch.dev_idx = -1;
  EXPECT_TRUE(chan_source_in_range(ch, false));  // archive channels have no device
  EXPECT_FALSE(chan_source_in_range(ch, true));
  ch.dev_idx = 7;
  EXPECT_TRUE(chan_source_in_range(ch, true));
  ch.meas_mode = 8;
  EXPECT_FALSE(chan_source_in_range(ch, false));

  EXPECT_EQ(valid_decimals(-1), 1);
  EXPECT_EQ(valid_decimals(5), 5);
  EXPECT_EQ(valid_decimals(1000000), 1);
  EXPECT_EQ(valid_grid_sel(3), 3);
  EXPECT_EQ(valid_grid_sel(4), 0);
  EXPECT_EQ(valid_tscale_idx(11), 11);
  EXPECT_EQ(valid_tscale_idx(12), 0);
  t_draw_stat& ds = draw_stat[0];
  ds.def_valid = true;
  ds.def_h_max = 100.0f;
  ds.def_span = 500;
  EXPECT_TRUE(def_scaling_usable(ds));
  ds.def_tscale_idx = 12;
  EXPECT_FALSE(def_scaling_usable(ds));
  ds.def_tscale_idx = 0;
  ds.def_r_max = INFINITY;
  EXPECT_FALSE(def_scaling_usable(ds));
  ds.def_r_max = 10.0f;
  ds.def_h_min = 200.0f;
  EXPECT_FALSE(def_scaling_usable(ds));
}
