// The binding table and the show side: row lookup with the analog output
// mode pairs, addresses, enable rules, alarm-limit fields and what every
// kind of control shows for a register image.
#include "cfg_fixture.h"
#include "config/bind_table.h"
#include "config/cfg_show.h"

#include <set>
#include <string>

namespace {

class BindTable : public CfgTest {
 protected:
  // Device tag "AB" followed by ten zero registers.
  static void put_text_param() {
    set_param(16, u'A');
    set_param(17, u'B');
    for (int r = 18; r < 28; ++r) set_param(r, 0);
  }
};

}  // namespace

TEST_F(BindTable, HasTheHundredAndTwoRowsInOrder) {
  ASSERT_EQ(ctrl_bind_tab.size(), 102u);
  EXPECT_STREQ(ctrl_bind_tab[0].ctrl_name, "txt_dev_tag");
  EXPECT_STREQ(ctrl_bind_tab[47].ctrl_name, "cmb_aout_mode");
  EXPECT_STREQ(ctrl_bind_tab[60].ctrl_name, "cmb_prod_select");
  EXPECT_STREQ(ctrl_bind_tab[101].ctrl_name, "cmd_cal_diag");
  std::multiset<std::string> names;
  for (const auto& row : ctrl_bind_tab) {
    EXPECT_EQ(row.no_tab_limits, 0) << row.ctrl_name;
    names.insert(row.ctrl_name);
    // Two-register values stay inside their product block.
    if (row.reg_block == BLOCK_PROD && (row.val_kind == BIND_FLOAT || row.val_kind == BIND_ALARM_LIMIT)) {
      EXPECT_LE(row.reg_idx + 1, PROD_STRIDE - 1) << row.ctrl_name;
    }
  }
  // Exactly three controls carry two rows, one per analog output mode.
  for (const char* pair : {"scr_cal_4ma", "scr_cal_20ma", "txt_aout_err"}) EXPECT_EQ(names.count(pair), 2u) << pair;
  EXPECT_EQ(names.size() - 3, std::set<std::string>(names.begin(), names.end()).size());
}

TEST_F(BindTable, ModePairsSwitchRegistersWithParameterZero) {
  set_param(1, 1111);
  set_param(5, 5555);
  set_param(2, 2222);
  set_param(6, 6666);
  set_param(53, 360);  // 3.60 mA
  set_param(54, 150);  // 1.50 V
  m_stat.acc_level.store(1);

  set_param(0, 0);  // current output
  EXPECT_EQ(find_bind_row(u"scr_cal_4ma")->reg_idx, 1);
  EXPECT_EQ(find_bind_row(u"scr_cal_20ma")->reg_idx, 2);
  EXPECT_EQ(find_bind_row(u"txt_aout_err")->reg_idx, 53);
  EXPECT_EQ(scroll_show(u"scr_cal_4ma", 0, 12800).position, 1111);
  EXPECT_EQ(scroll_show(u"scr_cal_20ma", 0, 12800).position, 2222);
  EXPECT_EQ(edit_show(u"txt_aout_err").text, "3.60");

  set_param(0, 1);  // voltage output (any value but 0)
  EXPECT_EQ(find_bind_row(u"scr_cal_4ma")->reg_idx, 5);
  EXPECT_EQ(find_bind_row(u"scr_cal_20ma")->reg_idx, 6);
  EXPECT_EQ(find_bind_row(u"txt_aout_err")->reg_idx, 54);
  EXPECT_EQ(scroll_show(u"scr_cal_4ma", 0, 12800).position, 5555);
  EXPECT_EQ(scroll_show(u"scr_cal_20ma", 0, 12800).position, 6666);
  EXPECT_EQ(edit_show(u"txt_aout_err").text, "1.50");

  set_param(0, 7);
  EXPECT_EQ(find_bind_row(u"txt_aout_err")->reg_idx, 54);
  // The first row of a name is found whatever the mode.
  EXPECT_EQ(first_bind_row(u"txt_aout_err")->reg_idx, 53);
  EXPECT_EQ(find_bind_row(u"no_such_control"), nullptr);
  EXPECT_EQ(find_bind_row(u"Txt_dev_tag"), nullptr);  // names are case-sensitive
}

TEST_F(BindTable, EnableRules) {
  struct level {
    int acc;
    bool service;
    int dev;
  };
  for (const level l : {level{0, false, -1}, level{1, false, -1}, level{1, true, -1}, level{0, false, 2},
                        level{1, false, 2}, level{1, true, 2}, level{0, true, 2}}) {
    m_stat.acc_level.store(l.acc);
    m_stat.service_ena.store(l.service);
    m_stat.dev_selected.store(l.dev);
    SCOPED_TRACE(testing::Message() << "acc " << l.acc << " service " << l.service << " dev " << l.dev);
    EXPECT_TRUE(ena_rule_ok(ENA_ALWAYS));
    EXPECT_EQ(ena_rule_ok(ENA_EXPERT), l.acc > 0);
    EXPECT_EQ(ena_rule_ok(ENA_SERVICE), l.service);
    EXPECT_EQ(ena_rule_ok(ENA_DEVICE), l.dev >= 0);
    EXPECT_EQ(ena_rule_ok(ENA_DEV_EXPERT_SERVICE), l.dev >= 0 && l.acc > 0 && l.service);
    EXPECT_FALSE(ena_rule_ok(ENA_NEVER));
    EXPECT_FALSE(ena_rule_ok(9));
  }
}

TEST_F(BindTable, SensorSaturationOfTheAnalogOutputIsDisabledAtEveryLevel) {
  set_param(55, 0x3F);
  for (int acc : {0, 1})
    for (bool service : {false, true})
      for (int dev : {-1, 0}) {
        m_stat.acc_level.store(acc);
        m_stat.service_ena.store(service);
        m_stat.dev_selected.store(dev);
        m_stat.dev_stat[0].param_read.store(true);
        m_stat.dev_stat[0].edit_param.set(55, 0x3F);
        const t_check_show s = check_show(u"chk_aout_s_sat");
        EXPECT_EQ(s.checked, true);
        EXPECT_EQ(s.enabled, false);
        EXPECT_EQ(check_show(u"chk_aout_s_err").enabled, acc > 0);
        EXPECT_EQ(check_show(u"chk_al1_s_sat").enabled, true);
      }
}

TEST_F(BindTable, AlarmLimitFieldsFollowTheirMatrixBits) {
  for (int p = 0; p < PRODUCTS; ++p) set_prod(p, 23, 1);
  set_prod_f32(0, 44, 10.5f);  // alarm 1 min
  set_prod_f32(0, 48, 90.5f);  // alarm 1 max
  set_prod_f32(0, 52, 1.0f);   // alarm 1 hysteresis

  struct out {
    int matrix;
    const char16_t* min;
    const char16_t* max;
    const char16_t* hyst;
  };
  for (const out o : {out{56, u"txt_al1_min", u"txt_al1_max", u"txt_al1_hyst"},
                      out{57, u"txt_al2_min", u"txt_al2_max", u"txt_al2_hyst"},
                      out{55, u"txt_al_auot_min", u"txt_al_auot_max", u"txt_al_auot_hyst"}}) {
    SCOPED_TRACE(o.matrix);
    set_param(55, 0);
    set_param(56, 0);
    set_param(57, 0);
    // Both clear: empty and disabled.
    for (const char16_t* n : {o.min, o.max, o.hyst}) {
      EXPECT_EQ(edit_show(n).text, QString());
      EXPECT_EQ(edit_show(n).enabled, false);
    }
    // The other bits of the matrix do not count.
    set_param(o.matrix, 0x3C);
    EXPECT_EQ(edit_show(o.hyst).enabled, false);
    // MIN: the MIN and hysteresis fields, not the MAX field.
    set_param(o.matrix, 0x3D);
    EXPECT_EQ(edit_show(o.min).enabled, true);
    EXPECT_EQ(edit_show(o.hyst).enabled, true);
    EXPECT_EQ(edit_show(o.max).enabled, false);
    EXPECT_EQ(edit_show(o.max).text, QString());
    // MAX only.
    set_param(o.matrix, 2);
    EXPECT_EQ(edit_show(o.min).enabled, false);
    EXPECT_EQ(edit_show(o.max).enabled, true);
    EXPECT_EQ(edit_show(o.hyst).enabled, true);
  }
  set_param(56, 3);
  EXPECT_EQ(edit_show(u"txt_al1_min").text, "10.5");
  EXPECT_EQ(edit_show(u"txt_al1_max").text, "90.5");
  EXPECT_EQ(edit_show(u"txt_al1_hyst").text, "1.0");
  EXPECT_TRUE(alarm_limit_on(0));
}

TEST_F(BindTable, CombosClampToTheirItemsAndSubtractTheirBase) {
  set_param(11, 9);  // baud index beyond the five items
  EXPECT_EQ(combo_show(u"cmb_baud", 5).index, 4);
  set_param(13, 17);  // Modbus address 17 is item 16
  EXPECT_EQ(combo_show(u"cmb_mod_addr", 248).index, 16);
  set_param(13, 0);  // address 0 would be item -1: item 0
  EXPECT_EQ(combo_show(u"cmb_mod_addr", 248).index, 0);
  set_prod(0, 0, 4);  // four calibration points: item 2
  EXPECT_EQ(combo_show(u"x_cmb_cal_pts", 4).index, 2);
  set_prod(0, 0, 65535);  // -1 as a word is still a large register value
  EXPECT_EQ(combo_show(u"x_cmb_cal_pts", 4).index, 3);
  m_stat.ed_prod_id.store(7);
  EXPECT_EQ(combo_show(u"cmb_prod_select", 24).index, 7);
  EXPECT_EQ(combo_show(u"cmb_prod_select", 24).enabled, true);
  EXPECT_EQ(combo_show(u"cmb_aout_val", 2).index, std::nullopt);  // not bound: untouched
  m_stat.acc_level.store(0);
  EXPECT_EQ(combo_show(u"cmb_aout_mode", 2).enabled, false);
  m_stat.acc_level.store(1);
  EXPECT_EQ(combo_show(u"cmb_aout_mode", 2).enabled, true);
}

TEST_F(BindTable, ProductIndexOutsideTheTableEmptiesProductControlsOnly) {
  put_text_param();
  set_prod(0, 0, 3);
  for (int bad : {-1, 24, 1000}) {
    m_stat.ed_prod_id.store(bad);
    EXPECT_EQ(edit_show(u"txt_prod_name").text, QString());
    EXPECT_EQ(edit_show(u"txt_prod_name").enabled, false);
    EXPECT_EQ(edit_show(u"txt_rng_end").enabled, false);
    EXPECT_EQ(combo_show(u"cmb_unit", 7).index, -1);
    EXPECT_EQ(combo_show(u"x_cmb_cal_pts", 4).enabled, false);
    EXPECT_EQ(edit_show(u"txt_dev_tag").text, "AB          ");
    EXPECT_EQ(edit_show(u"txt_dev_tag").enabled, true);
    EXPECT_FALSE(bind_reg_addr(*find_bind_row(u"txt_raw_1")));
  }
}

TEST_F(BindTable, WithoutAConfigurationEverythingIsEmptyAndDisabled) {
  put_text_param();
  m_stat.off_line_vaild.store(false);
  EXPECT_EQ(edit_show(u"txt_dev_tag").text, QString());
  EXPECT_EQ(edit_show(u"txt_dev_tag").enabled, false);
  EXPECT_EQ(edit_show(u"txt_not_bound").enabled, false);  // bound or not
  EXPECT_EQ(combo_show(u"cmb_baud", 5).index, -1);
  EXPECT_EQ(check_show(u"chk_rs_term").checked, false);
  EXPECT_EQ(check_show(u"chk_default_prod", true).checked, false);
  EXPECT_EQ(scroll_show(u"scr_cal_4ma", 0, 12800).enabled, false);
  EXPECT_EQ(button_show(u"cmd_cal_diag"), false);
  EXPECT_FALSE(bind_reg_addr(*find_bind_row(u"txt_dev_tag")));

  // A selected device counts once its configuration was read.
  m_stat.dev_selected.store(3);
  m_stat.dev_stat[3].edit_param.set(16, u'Z');
  EXPECT_EQ(edit_show(u"txt_dev_tag").enabled, false);
  m_stat.dev_stat[3].param_read.store(true);
  EXPECT_EQ(edit_show(u"txt_dev_tag").text, "Z           ");
  EXPECT_EQ(check_show(u"chk_default_prod", true).checked, true);
}

TEST_F(BindTable, ButtonsFollowTheirRules) {
  m_stat.acc_level.store(1);
  m_stat.service_ena.store(true);
  EXPECT_EQ(button_show(u"cmd_cal_diag"), true);
  EXPECT_EQ(button_show(u"cmd_calin_1"), false);   // needs a device
  EXPECT_EQ(button_show(u"cmd_calout_4"), false);  // needs a device
  EXPECT_EQ(button_show(u"cmd_unbound"), std::nullopt);
  m_stat.dev_selected.store(0);
  m_stat.dev_stat[0].param_read.store(true);
  EXPECT_EQ(button_show(u"cmd_calin_1"), true);
  EXPECT_EQ(button_show(u"cmd_calout_4"), true);
  m_stat.service_ena.store(false);
  EXPECT_EQ(button_show(u"cmd_calout_4"), false);
}
