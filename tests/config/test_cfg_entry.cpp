// Entering values: key filter, scaled parsing, limits with their messages,
// and the three store routines on the active configuration.
#include "cfg_fixture.h"
#include "config/bind_table.h"
#include "config/cfg_entry.h"

#include <cmath>

namespace {

class CfgEntry : public CfgTest {
 protected:
  static QString range_msg(const QString& range) { return msg_text(5) + range; }
};

}  // namespace

TEST_F(CfgEntry, KeyFilter) {
  // Control keys always pass.
  EXPECT_TRUE(filter_key(QChar(8), KEY_NUMERIC, true, u"1.5"));
  EXPECT_TRUE(filter_key(QChar(13), KEY_TEXT, false, u""));
  // Text: everything but "|".
  EXPECT_FALSE(filter_key(u'|', KEY_TEXT, false, u"abc"));
  EXPECT_TRUE(filter_key(u'a', KEY_TEXT, false, u"abc"));
  EXPECT_TRUE(filter_key(u'.', KEY_TEXT, false, u"a.c"));
  // Numbers: digits, "-" and one separator.
  for (QChar c : QString("0123456789-")) EXPECT_TRUE(filter_key(c, KEY_NUMERIC, true, u"12.5")) << int(c.unicode());
  EXPECT_TRUE(filter_key(u'.', KEY_NUMERIC, true, u"12"));
  EXPECT_FALSE(filter_key(u'.', KEY_NUMERIC, true, u"1.2"));
  EXPECT_FALSE(filter_key(u'.', KEY_NUMERIC, false, u"12"));
  for (QChar c : QString("a,e+| ")) EXPECT_FALSE(filter_key(c, KEY_NUMERIC, true, u"12")) << int(c.unicode());
  EXPECT_FALSE(filter_key(QChar(0x0663), KEY_NUMERIC, true, u""));  // an Arabic-Indic digit
  sys_dec_sep = u',';
  EXPECT_TRUE(filter_key(u',', KEY_NUMERIC, true, u"12"));
  EXPECT_FALSE(filter_key(u',', KEY_NUMERIC, true, u"1,2"));
  EXPECT_FALSE(filter_key(u'.', KEY_NUMERIC, true, u"12"));
}

TEST_F(CfgEntry, ParseScaledCutsAndFills) {
  auto v = [](const char16_t* t, int dec) {
    const t_scaled r = parse_scaled(t, dec);
    return r.ok ? QString::number(r.value) : QString("bad");
  };
  EXPECT_EQ(v(u"1.5", 2), "150");
  EXPECT_EQ(v(u"1.239", 2), "123");
  EXPECT_EQ(v(u"-0.5", 2), "-50");
  EXPECT_EQ(v(u"", 2), "0");
  EXPECT_EQ(v(u"", 0), "bad");
  EXPECT_EQ(v(u"3.9", 0), "3");
  EXPECT_EQ(v(u"-3.9", 0), "-3");
  EXPECT_EQ(v(u" 12 ", 1), "120");
  EXPECT_EQ(v(u"12", 1), "120");
  EXPECT_EQ(v(u"1.2.3", 2), "bad");
  EXPECT_EQ(v(u"1a", 0), "bad");
  EXPECT_EQ(v(u"-", 0), "bad");
  EXPECT_EQ(v(u"--1", 0), "bad");
  EXPECT_EQ(v(u"99999999999999999999", 0), "bad");  // does not fit 64 bits
  sys_dec_sep = u',';
  EXPECT_EQ(v(u"1,5", 2), "150");
  EXPECT_EQ(v(u"1.5", 2), "bad");
}

TEST_F(CfgEntry, WordWithLimitsCutsExtraDigitsAndRefusesOutOfRange) {
  // txt_al1_del: 1 decimal place, 0..1000.
  t_entry_result r = store_edit_entry(u"txt_al1_del", "12.34");
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(param(60), 123);
  EXPECT_EQ(r.shown, "12.3");
  EXPECT_TRUE(r.error.isEmpty());

  r = store_edit_entry(u"txt_al1_del", "100.1");
  EXPECT_TRUE(r.refused);
  EXPECT_FALSE(r.stored);
  EXPECT_EQ(r.error, range_msg("0.0 .. 100.0"));
  EXPECT_EQ(param(60), 123);
  EXPECT_EQ(r.shown, "12.3");

  EXPECT_TRUE(store_edit_entry(u"txt_al1_del", "100").stored);
  EXPECT_EQ(param(60), 1000);
  r = store_edit_entry(u"txt_al1_del", "-0.1");
  EXPECT_TRUE(r.refused);
  r = store_edit_entry(u"txt_al1_del", "abc");
  EXPECT_EQ(r.error, msg_text(6));
  EXPECT_EQ(param(60), 1000);
  EXPECT_EQ(r.shown, "100.0");

  // txt_scr_filt: no decimals, 0..10; the fraction is dropped.
  r = store_edit_entry(u"txt_scr_filt", "3.9");
  EXPECT_EQ(prod(0, 38), 3);
  EXPECT_EQ(r.shown, "3");
  r = store_edit_entry(u"txt_scr_filt", "");
  EXPECT_EQ(r.error, msg_text(6));

  sys_dec_sep = u',';
  r = store_edit_entry(u"txt_al2_del", "100,1");
  EXPECT_EQ(r.error, range_msg("0,0 .. 100,0"));
}

TEST_F(CfgEntry, WordWithoutLimitsMustFitSixteenSignedBits) {
  // txt_aout_err: 2 decimals, no limits in the table.
  t_entry_result r = store_edit_entry(u"txt_aout_err", "-1");
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(param(53), 65436);
  EXPECT_EQ(r.shown, "-1.00");
  EXPECT_TRUE(store_edit_entry(u"txt_aout_err", "327.67").stored);
  EXPECT_EQ(param(53), 32767);
  EXPECT_TRUE(store_edit_entry(u"txt_aout_err", "-327.68").stored);
  EXPECT_EQ(param(53), 32768);

  // 1000.00 would be stored as its low 16 bits and show as -310.72.
  r = store_edit_entry(u"txt_aout_err", "1000.00");
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.error, range_msg("-327.68 .. 327.67"));
  EXPECT_EQ(param(53), 32768);
  EXPECT_EQ(r.shown, "-327.68");
  EXPECT_TRUE(store_edit_entry(u"txt_aout_err", "-327.69").refused);

  // In voltage mode the same control writes register 54.
  set_param(0, 1);
  EXPECT_TRUE(store_edit_entry(u"txt_aout_err", "2.5").stored);
  EXPECT_EQ(param(54), 250);
  EXPECT_EQ(param(53), 32768);
}

TEST_F(CfgEntry, Int32RawValues) {
  t_entry_result r = store_edit_entry(u"txt_raw_2", "1309440");
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(prod_i32(0, 14), 1309440);
  r = store_edit_entry(u"txt_raw_2", "1309441");
  EXPECT_EQ(r.error, range_msg("0 .. 1309440"));
  EXPECT_EQ(prod_i32(0, 14), 1309440);
  r = store_edit_entry(u"txt_raw_2", "-5");
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.shown, "1309440");
  // Without limits an int32 must fit 32 signed bits.
  const t_reg_addr a = t_reg_addr::in(m_stat.edit_prod, 64);
  EXPECT_TRUE(enter_int32("-2147483648", a, 0, 0, 0).stored);
  EXPECT_EQ(enter_int32("-2147483648", a, 0, 0, 0).shown, "-2147483648");
  EXPECT_TRUE(enter_int32("2147483648", a, 0, 0, 0).refused);
}

TEST_F(CfgEntry, FloatsUseTheProductsDecimalPlaces) {
  set_prod(0, 23, 2);
  t_entry_result r = store_edit_entry(u"txt_rng_end", "9999.99");
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(prod_f32(0, 42), 9999.99f);
  EXPECT_EQ(r.shown, "9999.99");
  r = store_edit_entry(u"txt_rng_end", "10000");
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.error, range_msg("0.00 .. 9999.99"));
  EXPECT_EQ(prod_f32(0, 42), 9999.99f);
  r = store_edit_entry(u"txt_rng_end", "-1");
  EXPECT_EQ(r.error, range_msg("0.00 .. 9999.99"));

  set_prod(0, 23, 0);
  r = store_edit_entry(u"txt_rng_end", "999999");
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(r.shown, "999999");
  r = store_edit_entry(u"txt_rng_end", "1000000");
  EXPECT_EQ(r.error, range_msg("0 .. 999999"));
  r = store_edit_entry(u"txt_low_flow", "12.7");
  EXPECT_EQ(r.shown, "13");

  // Three and four places: shown and checked as the field shows the value,
  // the range naming the limit that is kept.
  set_prod(0, 23, 4);
  r = store_edit_entry(u"txt_cal_3", "12.3456");
  EXPECT_EQ(r.shown, "12.3456");
  EXPECT_EQ(prod_f32(0, 6), 12.3456f);
  set_prod(0, 23, 3);
  r = store_edit_entry(u"txt_rng_end", "1000");
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.error, range_msg("0.000 .. 999.999"));
  EXPECT_EQ(r.shown, "999999.000");
}

TEST_F(CfgEntry, NotANumberAndInfinityAreRefused) {
  set_prod(0, 23, 1);
  store_edit_entry(u"txt_rng_beg", "5");
  for (const char* bad : {"nan", "NaN", "inf", "-inf", "INF", "1e3", "1e39", "", "-", "1.2.3"}) {
    const t_entry_result r = store_edit_entry(u"txt_rng_beg", bad);
    EXPECT_TRUE(r.refused) << bad;
    EXPECT_EQ(r.error, msg_text(6)) << bad;
    EXPECT_EQ(prod_f32(0, 40), 5.0f) << bad;
    EXPECT_EQ(r.shown, "5.0") << bad;
  }
  // Even a caller's own limits never let a non-number through.
  const t_reg_addr a = t_reg_addr::in(m_stat.edit_prod, 40);
  EXPECT_TRUE(enter_float("nan", a, 1, 0.0f, 0.0f, true).refused);
}

TEST_F(CfgEntry, FloatClampStoresTheMaximum) {
  const t_reg_addr a = t_reg_addr::in(m_stat.edit_prod, 40);
  t_entry_result r = enter_float("150", a, 1, 0.0f, 100.0f, true);
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(r.error, range_msg("0.0 .. 100.0"));
  EXPECT_EQ(get_f32(a), 100.0f);
  r = enter_float("-5", a, 1, 0.0f, 100.0f, true);
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(get_f32(a), 100.0f);
  r = enter_float("-5", a, 1, 0.0f, 0.0f, false);  // no limits
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(r.shown, "-5.0");
}

TEST_F(CfgEntry, TextsAreTrimmedCutAndPadded) {
  t_entry_result r = store_edit_entry(u"txt_prod_name", "WHEAT FLOUR 550");  // 15 characters
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(r.error, "Entered data is to long. Maximum length: 12 characters. Entry truncated.");
  EXPECT_EQ(r.shown, "WHEAT FLOUR ");
  EXPECT_EQ(prod(0, 24), uint16_t{u'W'});
  EXPECT_EQ(prod(0, 35), uint16_t{u' '});
  EXPECT_EQ(prod(0, 36), 0);  // the next register is untouched

  r = store_edit_entry(u"txt_prod_name", "  RYE\t");
  EXPECT_TRUE(r.error.isEmpty());
  EXPECT_EQ(r.shown, "RYE         ");

  // Pasted text may carry "|", the field separator of every file.
  r = store_edit_entry(u"txt_dev_tag", "TANK|3|A");
  EXPECT_EQ(r.shown, "TANK3A      ");
  for (int k = 16; k < 28; ++k) EXPECT_NE(param(k), uint16_t{'|'});
  r = store_edit_entry(u"txt_dev_tag", "|||");
  EXPECT_EQ(r.shown, QString(12, u' '));

  // The edited product decides where the name goes.
  m_stat.ed_prod_id.store(23);
  store_edit_entry(u"txt_prod_name", "LAST");
  EXPECT_EQ(prod(23, 24), uint16_t{u'L'});
  EXPECT_EQ(prod(0, 24), uint16_t{u'R'});
}

TEST_F(CfgEntry, EntriesWithoutRowOrRegisterAreIgnored) {
  EXPECT_FALSE(store_edit_entry(u"txt_unknown", "5").handled);
  EXPECT_FALSE(store_edit_entry(u"cmb_prod_select", "5").handled);
  m_stat.ed_prod_id.store(24);
  EXPECT_FALSE(store_edit_entry(u"txt_prod_name", "X").handled);
  EXPECT_FALSE(store_combo_entry(u"cmb_unit", 2));
  m_stat.off_line_vaild.store(false);
  m_stat.ed_prod_id.store(0);
  EXPECT_FALSE(store_edit_entry(u"txt_dev_tag", "X").handled);
  EXPECT_FALSE(store_check_entry(u"chk_rs_term", true));
  EXPECT_EQ(param(16), 0);
}

TEST_F(CfgEntry, CombosStoreTheirItemPlusBase) {
  EXPECT_TRUE(store_combo_entry(u"x_cmb_cal_pts", 3));
  EXPECT_EQ(prod(0, 0), 5);
  EXPECT_TRUE(store_combo_entry(u"cmb_mod_addr", 246));
  EXPECT_EQ(param(13), 247);
  EXPECT_TRUE(store_combo_entry(u"cmb_unit", 6));
  EXPECT_EQ(prod(0, 22), 6);
  EXPECT_FALSE(store_combo_entry(u"cmb_unit", -1));  // no selection stores nothing
  EXPECT_EQ(prod(0, 22), 6);
  EXPECT_TRUE(store_combo_entry(u"cmb_prod_select", 4));
  EXPECT_EQ(m_stat.ed_prod_id.load(), 4);
}

TEST_F(CfgEntry, ChecksTouchOnlyTheirBits) {
  set_param(14, 0xA5A4);
  EXPECT_TRUE(store_check_entry(u"chk_rs_term", true));
  EXPECT_EQ(param(14), 0xA5A5);
  EXPECT_TRUE(store_check_entry(u"chk_rs_term", false));
  EXPECT_EQ(param(14), 0xA5A4);

  set_param(56, 0x0F);
  store_check_entry(u"chk_al1_s_err", true);
  store_check_entry(u"chk_al1_min", false);
  EXPECT_EQ(param(56), 0x1E);
  EXPECT_EQ(param(57), 0);
}
