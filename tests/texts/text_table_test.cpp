// The built-in text table and the lookups that read the current texts.

#include "texts/text_table.h"
#include "qstring_print.h"

#include <gtest/gtest.h>

#include <map>

namespace {

QString name_of(int r) { return QStringView(def_text_tab[r].txt_name).toString(); }
QString def_of(int r) { return QStringView(def_text_tab[r].def_text).toString(); }

class TextTable : public ::testing::Test {
 protected:
  void SetUp() override {
    init_texts();
    set_aout_mode_query(nullptr);
  }
  void TearDown() override {
    init_texts();
    set_aout_mode_query(nullptr);
  }
};

bool g_voltage = false;
bool query_voltage() { return g_voltage; }

}  // namespace

// ---- the table itself ------------------------------------------------------------

TEST(DefTextTab, RowCountsPerKindAndEmptyTexts) {
  std::map<int32_t, int> per_kind;
  int empty = 0;
  for (const t_text_row& row : def_text_tab) {
    ASSERT_NE(row.txt_name, nullptr);
    ASSERT_NE(row.def_text, nullptr);
    ++per_kind[row.txt_kind];
    if (QStringView(row.def_text).isEmpty()) ++empty;
    EXPECT_EQ(row.txt_res1, 0);
    EXPECT_EQ(row.txt_res2, 0);
  }
  // The link statistics took 21 reserve rows (20 captions, one form caption),
  // the commissioning report one (its menu item).
  const std::map<int32_t, int> expected{{0, 277},  {6, 114}, {10, 10}, {11, 1}, {12, 151},
                                        {16, 134}, {17, 3},  {18, 3},  {19, 1}, {20, 1}};
  EXPECT_EQ(per_kind, expected);
  EXPECT_EQ(def_text_tab.size(), 695u);
  EXPECT_EQ(empty, 196);
}

TEST(DefTextTab, MessageRowsAreNumberedInOrder) {
  for (int n = 0; n < TXT_MSG_CNT; ++n) {
    const int r = 571 + n;
    EXPECT_EQ(def_text_tab[r].txt_kind, TXT_KIND_MESSAGE) << r;
    EXPECT_EQ(def_text_tab[r].txt_key, n) << r;
    EXPECT_EQ(name_of(r), QStringLiteral("mesage_text_%1").arg(n, 2, 10, QLatin1Char('0')));
  }
}

TEST(DefTextTab, SpotChecksAcrossTheTable) {
  struct spot {
    int row;
    const char* name;
    int32_t kind;
    int32_t key;
    QString text;
  };
  const spot spots[] = {
      {0, "application_name", 11, 0, "OrvConfig 2.0"},
      {1, "app_data_path", 19, 0, "Tarvik\\Orv_Data"},
      {2, "app_cfg_path", 20, 0, "Tarvik\\Orv_Cfg"},
      {14, "lbl_dev_desc", 0, 1, "Channel description"},
      {63, "spare", 0, 0, ""},
      {72, "lbl_mod_addr", 16, 0, "Specify Transmitter Modbus Address "},
      {91, "cmb_din1_fun", 0, 0, "none|Freeze measurement|Product select"},
      {190, "lbl_aout_err_u", 17, 0, "mA"},
      {278, "lbl_cal_pts", 16, 0, QString::fromUtf8("Number of calibration points (2\u20265)")},
      {319, "lbl_autogain_advice", 0, 0, "Vor Autogain unbedingt maximalen Durchfluss sicherstellen"},
      {342, "grd_setup_live", 0, 0,
       "Description|Line|Signal source|Measurement|Median|Pt1|Screw|Cursor 1|Cursor 2|Avg. C1-C2|Total C1-C2"},
      {354, "cmd_reset_scale_1", 16, 0,
       "Sets the scaling of Y- and X-axis to default values defined in menu \"Scale Setup\""},
      {401, "menm_exit", 0, 0, "E&xit"},
      {494, "txt_r_max", 16, 5, "Enter raw value  max scale value"},
      {518, "cmb_meas_mode", 0, 2, "Scaled value|Raw value|Temperature|Din 1|Din 2|Din 3|Din 4|Saturation Value"},
      {571, "mesage_text_00", 6, 0,
       "Configuration changed. Press [Yes] for write configuration into connected device or [No] for continue "
       "without save."},
      {621, "mesage_text_50", 6, 50, "Quit program?"},
      {681, "mesage_text_110", 6, 110, "Connected. Sensor temperature off limits"},
      {694, "reserve", 12, 0, ""},
  };
  for (const spot& s : spots) {
    SCOPED_TRACE(s.row);
    EXPECT_EQ(name_of(s.row), QString::fromLatin1(s.name));
    EXPECT_EQ(def_text_tab[s.row].txt_kind, s.kind);
    EXPECT_EQ(def_text_tab[s.row].txt_key, s.key);
    EXPECT_EQ(def_of(s.row), s.text);
  }
  // The product list has 24 entries.
  EXPECT_EQ(split_items(def_of(226)).size(), 24);
  EXPECT_EQ(split_items(def_of(226)).last(), QStringLiteral("Product 24"));
}

// ---- lookups ---------------------------------------------------------------------

TEST_F(TextTable, MsgTextByNumber) {
  EXPECT_EQ(msg_text(50), QStringLiteral("Quit program?"));
  EXPECT_EQ(msg_text(81), QStringLiteral("Language package invalid or damaged."));
  EXPECT_EQ(msg_text(3), QStringLiteral("Entered data is to long. Maximum length: "));
  EXPECT_EQ(msg_text(12), QString());  // a message row without text
  EXPECT_EQ(msg_text(-1), QStringLiteral("text index unknown..."));
  EXPECT_EQ(msg_text(114), QStringLiteral("text index unknown..."));
}

TEST_F(TextTable, MsgTextTurnsBarsIntoLines) {
  const int r = find_text_row(u"mesage_text_50", TXT_KIND_MESSAGE, 50);
  ASSERT_EQ(r, 621);
  cur_texts[r] = QStringLiteral("a|b");
  EXPECT_EQ(msg_text(50), QStringLiteral("a\r\nb"));
  cur_texts[r] = QStringLiteral("a|b|c|d");  // three bars add one empty line
  EXPECT_EQ(msg_text(50), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
  cur_texts[r] = QStringLiteral("||||||");
  EXPECT_EQ(msg_text(50), QString(QStringLiteral("\r\n").repeated(8)));
}

TEST_F(TextTable, CtrlTextCaptionsHintsAndForms) {
  EXPECT_EQ(ctrl_text(u"cmd_ok", TXT_REQ_CAPTION, FORM_DEV_SETUP), QStringLiteral("OK"));
  EXPECT_EQ(ctrl_text(u"cmd_ok", TXT_REQ_HINT, FORM_DEV_SETUP), QStringLiteral("Save settings and close"));
  EXPECT_EQ(ctrl_text(u"cmd_ok", TXT_REQ_HINT, FORM_SCALE_SETUP), QStringLiteral("Save and redraw"));
  EXPECT_EQ(ctrl_text(u"cmd_abort", TXT_REQ_CAPTION, FORM_DLG_BOX), QStringLiteral("No"));
  // Caption only, no hint row.
  EXPECT_EQ(ctrl_text(u"cmd_ok", TXT_REQ_HINT, FORM_EXP_SETUP), QString());
  // A control named for another form only.
  EXPECT_EQ(ctrl_text(u"lbl_dev_desc", TXT_REQ_CAPTION, FORM_MAIN), QString());
  // Names are case-sensitive.
  EXPECT_EQ(ctrl_text(u"CMD_OK", TXT_REQ_CAPTION, FORM_DEV_SETUP), QString());
  // Message rows answer a message request with their text as it is.
  EXPECT_EQ(ctrl_text(u"mesage_text_50", TXT_REQ_MESSAGE, 50), QStringLiteral("Quit program?"));
  EXPECT_EQ(ctrl_text(u"mesage_text_50", TXT_REQ_CAPTION, 50), QString());
  // Rows of other kinds answer whatever is asked.
  EXPECT_EQ(ctrl_text(u"application_name", TXT_REQ_HINT, 0), QStringLiteral("OrvConfig 2.0"));
}

TEST_F(TextTable, CtrlTextHintBreaksLinesAndReadsCurrentTexts) {
  const int r = find_text_row(u"cmb_baud", TXT_KIND_HINT, FORM_MAIN);
  ASSERT_GE(r, 0);
  cur_texts[r] = QStringLiteral("first|second");
  EXPECT_EQ(ctrl_text(u"cmb_baud", TXT_REQ_HINT, FORM_MAIN), QStringLiteral("first\r\nsecond"));
  const int c = find_text_row(u"cmb_med_filt", TXT_KIND_CAPTION, FORM_MAIN);
  ASSERT_GE(c, 0);
  // Captions keep their bars (they are item lists).
  EXPECT_EQ(ctrl_text(u"cmb_med_filt", TXT_REQ_CAPTION, FORM_MAIN), QStringLiteral("Off|3|5|7|9|11"));
}

TEST_F(TextTable, ModeDependentCaptions) {
  set_aout_mode_query(&query_voltage);
  g_voltage = false;
  EXPECT_EQ(ctrl_text(u"lbl_cal_4ma", TXT_REQ_CAPTION, 0), QStringLiteral("Calibration 4mA"));
  EXPECT_EQ(ctrl_text(u"lbl_cal_20ma", TXT_REQ_CAPTION, 0), QStringLiteral("Calibration 20mA"));
  EXPECT_EQ(ctrl_text(u"lbl_aout_err_u", TXT_REQ_CAPTION, 0), QStringLiteral("mA"));
  // In current mode the mode caption also answers the hint request.
  EXPECT_EQ(ctrl_text(u"lbl_cal_4ma", TXT_REQ_HINT, 0), QStringLiteral("Calibration 4mA"));
  g_voltage = true;
  EXPECT_EQ(ctrl_text(u"lbl_cal_4ma", TXT_REQ_CAPTION, 0), QStringLiteral("Calibration 2V"));
  EXPECT_EQ(ctrl_text(u"lbl_cal_20ma", TXT_REQ_CAPTION, 0), QStringLiteral("Calibration 10V"));
  EXPECT_EQ(ctrl_text(u"lbl_aout_err_u", TXT_REQ_HINT, 0), QStringLiteral("V"));
  EXPECT_EQ(ctrl_text(u"lbl_cal_4ma", TXT_REQ_HINT, 0),
            QStringLiteral("Electrical calibration of Analog Output (lower value)"));
  // The explicit overload ignores the query.
  EXPECT_EQ(ctrl_text(u"lbl_cal_4ma", TXT_REQ_CAPTION, 0, false), QStringLiteral("Calibration 4mA"));
  set_aout_mode_query(nullptr);
  EXPECT_FALSE(aout_voltage_mode());
  EXPECT_EQ(ctrl_text(u"lbl_aout_err_u", TXT_REQ_CAPTION, 0), QStringLiteral("mA"));
}

TEST_F(TextTable, FormTextAndTitle) {
  EXPECT_EQ(form_text(FORM_MAIN), QStringLiteral("OrvConfig Main display"));
  EXPECT_EQ(form_text(FORM_MANUAL_GAIN), QStringLiteral("Manual gain setup"));
  EXPECT_EQ(form_text(FORM_DLG_BOX), std::nullopt);
  EXPECT_EQ(form_text(42), std::nullopt);
  EXPECT_EQ(app_title(), QStringLiteral("OrvConfig 2.0 4.0"));
  EXPECT_EQ(data_folder_text(), QStringLiteral("Tarvik\\Orv_Data"));
  EXPECT_EQ(cfg_folder_text(), QStringLiteral("Tarvik\\Orv_Cfg"));
  cur_texts[0] = QStringLiteral("Konfig");
  cur_texts[3] = QString();
  EXPECT_EQ(app_title(), QStringLiteral("Konfig 4.0"));
  EXPECT_EQ(form_text(FORM_MAIN), QString());  // the row exists, its text is empty
  init_texts();
  EXPECT_EQ(app_title(), QStringLiteral("OrvConfig 2.0 4.0"));
}

TEST_F(TextTable, ItemListsAndGridTitles) {
  EXPECT_EQ(split_items(u"a||b"), (QStringList{"a", "", "b"}));
  EXPECT_TRUE(split_items(u"").isEmpty());
  EXPECT_EQ(grid_titles(u"A|B", 4), (QStringList{"A", "B", "", ""}));
  EXPECT_EQ(grid_titles(u"A|B|C", 2), (QStringList{"A", "B"}));
  EXPECT_EQ(grid_titles(ctrl_text(u"grd_setup_arch", TXT_REQ_CAPTION, 0), 11).at(2), QStringLiteral("Source file"));

  EXPECT_EQ(combo_items(u"cmb_unit", 0), (QStringList{"kg/h", "kg/min", "kg/s", "t/h", "lb/h", "lb/min", "%"}));
  EXPECT_EQ(combo_items(u"cmb_aout_mode", 0), (QStringList{"Current output 4..20mA", "Voltage output 0..10V"}));
  EXPECT_EQ(combo_items(u"cmb_baud", 0), std::nullopt);  // hint only: items stay
  EXPECT_EQ(combo_items(u"cmb_sel_grid", FORM_SCALE_SETUP)->size(), 4);
  // The unit list is fixed even when a pack changed texts.
  for (QString& t : cur_texts) t = QStringLiteral("x");
  EXPECT_EQ(combo_items(u"cmb_unit", 0)->first(), QStringLiteral("kg/h"));
}
