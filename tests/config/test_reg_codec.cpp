// Register value encodings and the number formatters.
#include "cfg_fixture.h"
#include "config/bind_table.h"
#include "config/cfg_show.h"

#include <limits>

namespace {

class RegCodec : public CfgTest {};

}  // namespace

TEST_F(RegCodec, ScaledIntegers) {
  EXPECT_EQ(fmt_scaled(1234, 1), "123.4");
  EXPECT_EQ(fmt_scaled(5, 2), "0.05");
  EXPECT_EQ(fmt_scaled(-7, 1), "-0.7");
  EXPECT_EQ(fmt_scaled(0, 2), "0.00");
  EXPECT_EQ(fmt_scaled(-100, 2), "-1.00");
  EXPECT_EQ(fmt_scaled(42, 0), "42");
  EXPECT_EQ(fmt_scaled(-42, -1), "-42");
  // The whole int32 range, INT32_MIN included, and beyond.
  EXPECT_EQ(fmt_scaled(std::numeric_limits<int32_t>::min(), 0), "-2147483648");
  EXPECT_EQ(fmt_scaled(std::numeric_limits<int32_t>::min(), 2), "-21474836.48");
  EXPECT_EQ(fmt_scaled(std::numeric_limits<int64_t>::min(), 0), "-9223372036854775808");
  sys_dec_sep = u',';
  EXPECT_EQ(fmt_scaled(1234, 1), "123,4");
  EXPECT_EQ(dec_fmt(2), "%1.2f");
  EXPECT_EQ(dec_fmt(0), "%1.0f");
}

TEST_F(RegCodec, WordsShowSignedWithTheirDecimals) {
  // txt_al1_del (1 decimal) and txt_aout_err (2 decimals) both on 65535.
  set_param(60, 65535);
  EXPECT_EQ(edit_show(u"txt_al1_del").text, "-0.1");
  set_param(53, 65535);
  EXPECT_EQ(edit_show(u"txt_aout_err").text, "-0.01");
  set_prod(0, 38, 65535);  // screw filter, no decimals
  EXPECT_EQ(edit_show(u"txt_scr_filt").text, "-1");
  EXPECT_EQ(fmt_scaled(static_cast<int16_t>(uint16_t{65535}), 0), "-1");
  EXPECT_EQ(fmt_scaled(static_cast<int16_t>(uint16_t{65535}), 2), "-0.01");
}

TEST_F(RegCodec, TextsReadZeroAsBlankAndArePaddedOnWriting) {
  set_param(16, u'A');
  set_param(17, u'B');
  EXPECT_EQ(edit_show(u"txt_dev_tag").text, "AB          ");
  const t_reg_addr a = t_reg_addr::in(m_stat.edit_param, 72);
  text_to_regs(a, 12, QString::fromUtf16(u"Zürich-Ost 12 extra"));
  EXPECT_EQ(regs_to_text(a, 12), QString::fromUtf16(u"Zürich-Ost 1"));
  EXPECT_EQ(param(73), uint16_t{u'ü'});
  text_to_regs(a, 12, "x");
  EXPECT_EQ(param(72), uint16_t{u'x'});
  for (int r = 73; r < 84; ++r) EXPECT_EQ(param(r), uint16_t{u' '});
  EXPECT_EQ(param(84), 0);  // nothing beyond the field
  // Near the end of the image only what exists is read.
  EXPECT_EQ(regs_to_text(t_reg_addr::in(m_stat.edit_param, 83), 12).size(), 2);
}

TEST_F(RegCodec, FloatsAndInt32LowWordFirst) {
  set_prod(0, 23, 2);
  set_prod(0, 42, 0x0000);
  set_prod(0, 43, 0x3F80);
  EXPECT_EQ(edit_show(u"txt_rng_end").text, "1.00");
  set_prod(0, 23, 0);
  EXPECT_EQ(edit_show(u"txt_rng_end").text, "1");
  sys_dec_sep = u',';
  set_prod(0, 23, 1);
  EXPECT_EQ(edit_show(u"txt_rng_end").text, "1,0");

  const t_reg_addr a = t_reg_addr::in(m_stat.edit_prod, 12);
  put_i32(a, -2);
  EXPECT_EQ(prod(0, 12), 0xFFFE);
  EXPECT_EQ(prod(0, 13), 0xFFFF);
  EXPECT_EQ(get_i32(a), -2);
  put_i32(a, 1309440);
  EXPECT_EQ(prod(0, 12), 1309440 & 0xFFFF);
  EXPECT_EQ(prod(0, 13), 1309440 >> 16);
  EXPECT_EQ(edit_show(u"txt_raw_1").text, "1309440");
  put_f32(a, -2.5f);
  EXPECT_EQ(get_f32(a), -2.5f);
}

TEST_F(RegCodec, DecimalPlacesFromTheDeviceAreClampedToTheTable) {
  set_prod_f32(0, 40, 12.345678f);
  for (uint16_t dec : {uint16_t{5}, uint16_t{99}, uint16_t{65535}}) {
    set_prod(0, 23, dec);
    EXPECT_EQ(bind_dec_places(*find_bind_row(u"txt_rng_beg")), FLOAT_DEC_MAX);
    EXPECT_EQ(edit_show(u"txt_rng_beg").text, "12.3457");
  }
  EXPECT_EQ(prod_dec_places(3), 3);
  // Word rows keep their own decimals.
  EXPECT_EQ(bind_dec_places(*find_bind_row(u"txt_pt_filt")), 1);
}

TEST_F(RegCodec, BitFields) {
  EXPECT_EQ(bit_field(0xABCD, 0), 0xABCD);
  EXPECT_EQ(bit_field(0x0030, 0x0030), 3);
  EXPECT_EQ(bit_field(0x0020, 0x0030), 2);
  EXPECT_EQ(bit_field(0xFFFF, 0x0001), 1);
  EXPECT_EQ(bit_field(0x8000, 0x8000), 1);
  EXPECT_EQ(bit_field(0x0F00, 0x0300), 3);
}

TEST_F(RegCodec, ProductIndexAddress) {
  m_stat.ed_prod_id.store(5);
  const t_reg_addr a = bind_reg_addr(*find_bind_row(u"cmb_prod_select"));
  ASSERT_TRUE(a);
  EXPECT_TRUE(a.is_prod_index());
  EXPECT_EQ(a.value(), 5);
  a.set(9);
  EXPECT_EQ(m_stat.ed_prod_id.load(), 9);
  EXPECT_EQ(regs_to_text(a, 12), QString());
}
