#include "config/bind_table.h"

#include "config/reg_codec.h"

#include <algorithm>

// Fields: name, val_kind, no_tab_limits, dec_pl, min_val, max_val, reg_idx,
// bit_mask, aout_cond, ena_rule, reg_block.
const std::array<t_ctrl_bind, CTRL_BIND_ROWS> ctrl_bind_tab = {{
    /*   1 */ {"txt_dev_tag", 3, 0, 12, 0, 0, 16, 0, 0, 0, 0},
    /*   2 */ {"cmb_curr_prod", 0, 0, 0, 0, 0, 10, 0, 0, 0, 0},
    /*   3 */ {"cmb_temp_mode", 0, 0, 0, 0, 0, 66, 0, 0, 0, 0},
    /*   4 */ {"cmb_baud", 0, 0, 0, 0, 0, 11, 0, 0, 0, 0},
    /*   5 */ {"cmb_parity", 0, 0, 0, 0, 0, 12, 0, 0, 0, 0},
    /*   6 */ {"cmb_mod_addr", 0, 0, 1, 0, 0, 13, 0, 0, 0, 0},
    /*   7 */ {"chk_rs_term", 0, 0, 0, 0, 0, 14, 1, 0, 0, 0},
    /*   8 */ {"txt_dev_sernum", 3, 0, 12, 0, 0, 72, 0, 0, 2, 0},
    /*   9 */ {"cmb_din1_fun", 0, 0, 0, 0, 0, 32, 0, 0, 0, 0},
    /*  10 */ {"cmb_din1_dir", 0, 0, 0, 0, 0, 28, 0, 0, 0, 0},
    /*  11 */ {"cmb_din2_fun", 0, 0, 0, 0, 0, 33, 0, 0, 0, 0},
    /*  12 */ {"cmb_din2_dir", 0, 0, 0, 0, 0, 29, 0, 0, 0, 0},
    /*  13 */ {"cmb_din3_fun", 0, 0, 0, 0, 0, 34, 0, 0, 0, 0},
    /*  14 */ {"cmb_din3_dir", 0, 0, 0, 0, 0, 30, 0, 0, 0, 0},
    /*  15 */ {"cmb_din4_fun", 0, 0, 0, 0, 0, 35, 0, 0, 0, 0},
    /*  16 */ {"cmb_din4_dir", 0, 0, 0, 0, 0, 31, 0, 0, 0, 0},
    /*  17 */ {"cmb_prod1_sel", 0, 0, 0, 0, 0, 36, 0, 0, 0, 0},
    /*  18 */ {"cmb_prod2_sel", 0, 0, 0, 0, 0, 37, 0, 0, 0, 0},
    /*  19 */ {"cmb_prod3_sel", 0, 0, 0, 0, 0, 38, 0, 0, 0, 0},
    /*  20 */ {"cmb_prod4_sel", 0, 0, 0, 0, 0, 39, 0, 0, 0, 0},
    /*  21 */ {"cmb_prod5_sel", 0, 0, 0, 0, 0, 40, 0, 0, 0, 0},
    /*  22 */ {"cmb_prod6_sel", 0, 0, 0, 0, 0, 41, 0, 0, 0, 0},
    /*  23 */ {"cmb_prod7_sel", 0, 0, 0, 0, 0, 42, 0, 0, 0, 0},
    /*  24 */ {"cmb_prod8_sel", 0, 0, 0, 0, 0, 43, 0, 0, 0, 0},
    /*  25 */ {"cmb_prod9_sel", 0, 0, 0, 0, 0, 44, 0, 0, 0, 0},
    /*  26 */ {"cmb_prod10_sel", 0, 0, 0, 0, 0, 45, 0, 0, 0, 0},
    /*  27 */ {"cmb_prod11_sel", 0, 0, 0, 0, 0, 46, 0, 0, 0, 0},
    /*  28 */ {"cmb_prod12_sel", 0, 0, 0, 0, 0, 47, 0, 0, 0, 0},
    /*  29 */ {"cmb_prod13_sel", 0, 0, 0, 0, 0, 48, 0, 0, 0, 0},
    /*  30 */ {"cmb_prod14_sel", 0, 0, 0, 0, 0, 49, 0, 0, 0, 0},
    /*  31 */ {"cmb_prod15_sel", 0, 0, 0, 0, 0, 50, 0, 0, 0, 0},
    /*  32 */ {"cmb_al1_mode", 0, 0, 0, 0, 0, 58, 0, 0, 0, 0},
    /*  33 */ {"txt_al1_del", 0, 0, 1, 0, 1000, 60, 0, 0, 0, 0},
    /*  34 */ {"chk_al1_min", 0, 0, 0, 0, 0, 56, 1, 0, 0, 0},
    /*  35 */ {"chk_al1_max", 0, 0, 0, 0, 0, 56, 2, 0, 0, 0},
    /*  36 */ {"chk_al1_t_min", 0, 0, 0, 0, 0, 56, 4, 0, 0, 0},
    /*  37 */ {"chk_al1_t_max", 0, 0, 0, 0, 0, 56, 8, 0, 0, 0},
    /*  38 */ {"chk_al1_s_err", 0, 0, 0, 0, 0, 56, 16, 0, 0, 0},
    /*  39 */ {"chk_al1_s_sat", 0, 0, 0, 0, 0, 56, 32, 0, 0, 0},
    /*  40 */ {"cmb_al2_mode", 0, 0, 0, 0, 0, 59, 0, 0, 0, 0},
    /*  41 */ {"txt_al2_del", 0, 0, 1, 0, 1000, 61, 0, 0, 0, 0},
    /*  42 */ {"chk_al2_min", 0, 0, 0, 0, 0, 57, 1, 0, 0, 0},
    /*  43 */ {"chk_al2_max", 0, 0, 0, 0, 0, 57, 2, 0, 0, 0},
    /*  44 */ {"chk_al2_t_min", 0, 0, 0, 0, 0, 57, 4, 0, 0, 0},
    /*  45 */ {"chk_al2_t_max", 0, 0, 0, 0, 0, 57, 8, 0, 0, 0},
    /*  46 */ {"chk_al2_s_err", 0, 0, 0, 0, 0, 57, 16, 0, 0, 0},
    /*  47 */ {"chk_al2_s_sat", 0, 0, 0, 0, 0, 57, 32, 0, 0, 0},
    /*  48 */ {"cmb_aout_mode", 0, 0, 0, 0, 0, 0, 0, 0, 1, 0},
    /*  49 */ {"scr_cal_4ma", 0, 0, 0, 0, 0, 1, 0, 2, 4, 0},
    /*  50 */ {"scr_cal_20ma", 0, 0, 0, 0, 0, 2, 0, 2, 4, 0},
    /*  51 */ {"scr_cal_4ma", 0, 0, 0, 0, 0, 5, 0, 1, 4, 0},
    /*  52 */ {"scr_cal_20ma", 0, 0, 0, 0, 0, 6, 0, 1, 4, 0},
    /*  53 */ {"txt_aout_err", 0, 0, 2, 0, 0, 53, 0, 2, 1, 0},
    /*  54 */ {"txt_aout_err", 0, 0, 2, 0, 0, 54, 0, 1, 1, 0},
    /*  55 */ {"chk_aout_min", 0, 0, 0, 0, 0, 55, 1, 0, 1, 0},
    /*  56 */ {"chk_aout_max", 0, 0, 0, 0, 0, 55, 2, 0, 1, 0},
    /*  57 */ {"chk_aout_t_min", 0, 0, 0, 0, 0, 55, 4, 0, 1, 0},
    /*  58 */ {"chk_aout_t_max", 0, 0, 0, 0, 0, 55, 8, 0, 1, 0},
    /*  59 */ {"chk_aout_s_err", 0, 0, 0, 0, 0, 55, 16, 0, 1, 0},
    /*  60 */ {"chk_aout_s_sat", 0, 0, 0, 0, 0, 55, 32, 0, 5, 0},
    /*  61 */ {"cmb_prod_select", 4, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    /*  62 */ {"txt_prod_name", 3, 0, 12, 0, 0, 24, 0, 0, 0, 1},
    /*  63 */ {"cmb_unit", 0, 0, 0, 0, 0, 22, 0, 0, 0, 1},
    /*  64 */ {"x_cmb_decp", 0, 0, 0, 0, 0, 23, 0, 0, 0, 1},
    /*  65 */ {"txt_rng_beg", 1, 0, 0, 0, 0, 40, 0, 0, 0, 1},
    /*  66 */ {"txt_rng_end", 1, 0, 0, 0, 0, 42, 0, 0, 0, 1},
    /*  67 */ {"txt_low_flow", 1, 0, 0, 0, 0, 62, 0, 0, 0, 1},
    /*  68 */ {"cmb_med_filt", 0, 0, 0, 0, 0, 36, 0, 0, 0, 1},
    /*  69 */ {"txt_pt_filt", 0, 0, 1, 0, 1000, 37, 0, 0, 0, 1},
    /*  70 */ {"txt_scr_filt", 0, 0, 0, 0, 10, 38, 0, 0, 0, 1},
    /*  71 */ {"txt_al1_min", 7, 0, 0, 0, 0, 44, 1, 0, 0, 1},
    /*  72 */ {"txt_al1_max", 7, 0, 0, 0, 0, 48, 2, 0, 0, 1},
    /*  73 */ {"txt_al1_hyst", 7, 0, 0, 0, 0, 52, 3, 0, 0, 1},
    /*  74 */ {"txt_al2_min", 7, 0, 0, 0, 0, 46, 16, 0, 0, 1},
    /*  75 */ {"txt_al2_max", 7, 0, 0, 0, 0, 50, 32, 0, 0, 1},
    /*  76 */ {"txt_al2_hyst", 7, 0, 0, 0, 0, 54, 48, 0, 0, 1},
    /*  77 */ {"txt_al_auot_min", 7, 0, 0, 0, 0, 56, 256, 0, 0, 1},
    /*  78 */ {"txt_al_auot_max", 7, 0, 0, 0, 0, 58, 512, 0, 0, 1},
    /*  79 */ {"txt_al_auot_hyst", 7, 0, 0, 0, 0, 60, 768, 0, 0, 1},
    /*  80 */ {"x_cmb_cal_pts", 0, 0, 2, 0, 0, 0, 0, 0, 0, 1},
    /*  81 */ {"txt_cal_1", 1, 0, 0, 0, 0, 2, 0, 0, 0, 1},
    /*  82 */ {"txt_raw_1", 2, 0, 0, 0, 1309440, 12, 0, 0, 0, 1},
    /*  83 */ {"txt_cal_2", 1, 0, 0, 0, 0, 4, 0, 0, 0, 1},
    /*  84 */ {"txt_raw_2", 2, 0, 0, 0, 1309440, 14, 0, 0, 0, 1},
    /*  85 */ {"txt_cal_3", 1, 0, 0, 0, 0, 6, 0, 0, 0, 1},
    /*  86 */ {"txt_raw_3", 2, 0, 0, 0, 1309440, 16, 0, 0, 0, 1},
    /*  87 */ {"txt_cal_4", 1, 0, 0, 0, 0, 8, 0, 0, 0, 1},
    /*  88 */ {"txt_raw_4", 2, 0, 0, 0, 1309440, 18, 0, 0, 0, 1},
    /*  89 */ {"txt_cal_5", 1, 0, 0, 0, 0, 10, 0, 0, 0, 1},
    /*  90 */ {"txt_raw_5", 2, 0, 0, 0, 1309440, 20, 0, 0, 0, 1},
    /*  91 */ {"cmd_amp_inc", 2, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    /*  92 */ {"cmd_amp_dec", 2, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    /*  93 */ {"cmd_calout_4", 2, 0, 0, 0, 0, 0, 0, 0, 4, 1},
    /*  94 */ {"cmd_calout_20", 2, 0, 0, 0, 0, 0, 0, 0, 4, 1},
    /*  95 */ {"cmd_calin_1", 2, 0, 0, 0, 0, 0, 0, 0, 3, 1},
    /*  96 */ {"cmd_calin_2", 2, 0, 0, 0, 0, 0, 0, 0, 3, 1},
    /*  97 */ {"cmd_calin_3", 2, 0, 0, 0, 0, 0, 0, 0, 3, 1},
    /*  98 */ {"cmd_calin_4", 2, 0, 0, 0, 0, 0, 0, 0, 3, 1},
    /*  99 */ {"cmd_calin_5", 2, 0, 0, 0, 0, 0, 0, 0, 3, 1},
    /* 100 */ {"cmd_autogain", 2, 0, 0, 0, 0, 0, 0, 0, 3, 1},
    /* 101 */ {"cmd_manual_gain", 2, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    /* 102 */ {"cmd_cal_diag", 2, 0, 0, 0, 0, 0, 0, 0, 0, 1},
}};

bool aout_cond_excludes(int32_t cond) {
  const bool voltage = cfg_aout_voltage();
  if (cond == AOUT_VOLTAGE_ONLY) return !voltage;
  if (cond == AOUT_CURRENT_ONLY) return voltage;
  return false;
}

const t_ctrl_bind* find_bind_row(QStringView name) {
  if (name.isEmpty()) return nullptr;
  for (const auto& row : ctrl_bind_tab)
    if (name == QLatin1StringView(row.ctrl_name) && !aout_cond_excludes(row.aout_cond)) return &row;
  return nullptr;
}

const t_ctrl_bind* first_bind_row(QStringView name) {
  if (name.isEmpty()) return nullptr;
  for (const auto& row : ctrl_bind_tab)
    if (name == QLatin1StringView(row.ctrl_name)) return &row;
  return nullptr;
}

t_reg_addr bind_reg_addr(const t_ctrl_bind& row) {
  if (!cfg_addressable()) return {};
  if (row.val_kind == BIND_PROD_SEL) return t_reg_addr::prod_index(active_prod_id());
  if (row.reg_block == BLOCK_PARAM) return t_reg_addr::in(active_param(), row.reg_idx);
  return edited_prod_reg(row.reg_idx);
}

int bind_dec_places(const t_ctrl_bind& row) {
  if (row.val_kind != BIND_FLOAT && row.val_kind != BIND_ALARM_LIMIT) return row.dec_pl;
  return prod_dec_places(edited_prod_reg(PROD_REG_DECIMALS).get());
}

bool ena_rule_ok(int32_t rule) {
  const bool expert = m_stat.acc_level.load(rlx) > 0;
  const bool service = m_stat.service_ena.load(rlx);
  const bool device = selected_device() >= 0;
  switch (rule) {
    case ENA_ALWAYS: return true;
    case ENA_EXPERT: return expert;
    case ENA_SERVICE: return service;
    case ENA_DEVICE: return device;
    case ENA_DEV_EXPERT_SERVICE: return device && expert && service;
    default: return false;
  }
}

bool alarm_limit_on(int32_t selector) {
  int32_t s = 0;
  int reg = 0;
  if (selector & 0x7) {
    s = selector;
    reg = 56;
  } else if (selector & 0x70) {
    s = selector >> 4;
    reg = 57;
  } else if (selector & 0x700) {
    s = selector >> 8;
    reg = 55;
  } else {
    return true;
  }
  return (s & 3 & active_param().get(reg)) != 0;
}
