// The control binding table: every configuration control of the main
// window, by its object name, tied to its register (or register group) of
// the active configuration, with its value kind, decimal places, entry
// limits, bit mask, the analog output mode in which the row applies and
// the rule that enables the control.
//
// A control finds its row by name: the rows are scanned in order and the
// first row with that name whose analog output condition is not excluded
// is used. The pairs of scr_cal_4ma, scr_cal_20ma and txt_aout_err rely on
// that order (current mode rows first).
#pragma once

#include "config/active_cfg.h"

#include <QStringView>

#include <array>
#include <cstdint>

// val_kind
enum bind_kind_t : int32_t {
  BIND_WORD = 0,         // one register, signed 16 bits with implied decimals
  BIND_FLOAT = 1,        // two registers, IEEE single, low-order word first
  BIND_INT32 = 2,        // two registers, signed 32 bits, low-order word first (buttons carry it too)
  BIND_TEXT = 3,         // one character per register
  BIND_PROD_SEL = 4,     // the edited product index itself
  BIND_ALARM_LIMIT = 7,  // a float enabled by its alarm matrix bits
};

// aout_cond
enum aout_cond_t : int32_t {
  AOUT_ANY = 0,
  AOUT_VOLTAGE_ONLY = 1,  // parameter register 0 not 0
  AOUT_CURRENT_ONLY = 2,  // parameter register 0 = 0
};

// ena_rule
enum ena_rule_t : int32_t {
  ENA_ALWAYS = 0,
  ENA_EXPERT = 1,
  ENA_SERVICE = 2,
  ENA_DEVICE = 3,
  ENA_DEV_EXPERT_SERVICE = 4,
  ENA_NEVER = 5,  // any value above 4 means never
};

// reg_block
enum reg_block_t : int32_t {
  BLOCK_PARAM = 0,
  BLOCK_PROD = 1,  // the edited product
};

struct t_ctrl_bind {
  const char* ctrl_name;
  int32_t val_kind;       // bind_kind_t
  int32_t no_tab_limits;  // 0 in every row; non-zero would drop the limit check
  int32_t dec_pl;         // decimals; text length; value of combo item 0; reversed scroll bar
  int32_t min_val;        // entry limits in register units; both 0: no limit check
  int32_t max_val;
  int32_t reg_idx;    // first register within its block
  int32_t bit_mask;   // bits owned by a check or combo box (0 = all); kind 7: alarm-limit selector
  int32_t aout_cond;  // aout_cond_t
  int32_t ena_rule;   // ena_rule_t
  int32_t reg_block;  // reg_block_t
};

inline constexpr int CTRL_BIND_ROWS = 102;
extern const std::array<t_ctrl_bind, CTRL_BIND_ROWS> ctrl_bind_tab;

// cond 1: true in current mode; cond 2: true in voltage mode; else false.
bool aout_cond_excludes(int32_t cond);

// The row of a control (first match by name whose condition is not
// excluded), or nullptr.
const t_ctrl_bind* find_bind_row(QStringView name);
// The first row of that name whatever its condition, or nullptr.
const t_ctrl_bind* first_bind_row(QStringView name);

// The register a row addresses in the active configuration, or none:
// off-line without a valid configuration, or a product row while the
// edited product index lies outside 0..23.
t_reg_addr bind_reg_addr(const t_ctrl_bind& row);

// Decimal places of a row: the edited product's register 23 for float and
// alarm-limit rows (clamped to 0..FLOAT_DEC_MAX, since the register comes
// from the device), dec_pl otherwise.
int bind_dec_places(const t_ctrl_bind& row);

// The enable rule: 0 always; 1 expert level; 2 service mode; 3 a device is
// selected; 4 a device is selected, expert level and service mode; else never.
bool ena_rule_ok(int32_t rule);

// True when an alarm-limit field is active: its MIN (selector bit value 1),
// MAX (2) or either (3) bit set in its matrix register (56 for selectors in
// bits 0-2, 57 for bits 4-6, 55 for bits 8-10). Selector 0: true.
bool alarm_limit_on(int32_t selector);
