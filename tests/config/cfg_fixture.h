// A clean set of records for the configuration tests: the off-line
// configuration valid, product 1 edited, a point as decimal separator and
// the default texts.
#pragma once

#include "config/active_cfg.h"
#include "config/reg_codec.h"
#include "core/common_data.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"

#include <bit>
#include <cstdint>

#include <gtest/gtest.h>

class CfgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    init_texts();
    sys_dec_sep = u'.';
    m_stat.dev_selected.store(-1);
    m_stat.off_line_vaild.store(true);
    m_stat.ed_prod_id.store(0);
  }
  void TearDown() override {
    sys_dec_sep = u'.';
    reset_all_records();
  }

  // Registers of the active (off-line) configuration.
  static uint16_t param(int r) { return m_stat.edit_param.get(r); }
  static void set_param(int r, uint16_t v) { m_stat.edit_param.set(r, v); }
  static uint16_t prod(int p, int r) { return m_stat.edit_prod.get(p * PROD_STRIDE + r); }
  static void set_prod(int p, int r, uint16_t v) { m_stat.edit_prod.set(p * PROD_STRIDE + r, v); }
  static void set_prod_f32(int p, int r, float v) {
    const auto bits = std::bit_cast<uint32_t>(v);
    set_prod(p, r, static_cast<uint16_t>(bits & 0xFFFF));
    set_prod(p, r + 1, static_cast<uint16_t>(bits >> 16));
  }
  static float prod_f32(int p, int r) {
    return std::bit_cast<float>(static_cast<uint32_t>(prod(p, r)) | (static_cast<uint32_t>(prod(p, r + 1)) << 16));
  }
  static int32_t prod_i32(int p, int r) {
    return static_cast<int32_t>(static_cast<uint32_t>(prod(p, r)) | (static_cast<uint32_t>(prod(p, r + 1)) << 16));
  }
};
