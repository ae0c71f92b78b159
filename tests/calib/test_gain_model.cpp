// The gain model: raw decoding in single precision, the step tables, the
// nearest-step search, and the gain word of the edited product.
#include "calib/gain_model.h"

#include "core/common_data.h"
#include "texts/qstring_print.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

uint32_t raw_word(uint32_t m, uint32_t c, uint32_t d, bool coef_set_1 = false) {
  return m | (d << 12) | (c << 18) | (coef_set_1 ? RAW_COEF_SET_BIT : 0u);
}

class GainModel : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    sys_dec_sep = u'.';
    label_.clear();
    set_gain_label_sink([this](const QString& t) { label_ = t; });
  }
  void TearDown() override {
    set_gain_label_sink(nullptr);
    sys_dec_sep = u'.';
    reset_all_records();
  }
  // Device dev selected, sensor mode mode, editing product p.
  static void select_device(int dev, int32_t mode, int32_t p) {
    m_stat.dev_selected.store(dev);
    m_stat.dev_stat[dev].sensor_mode.store(mode);
    m_stat.dev_stat[dev].ed_prod_id.store(p);
  }
  static uint16_t dev_gain_word(int dev, int p) { return m_stat.dev_stat[dev].edit_prod.get(PROD_STRIDE * p + 1); }

  QString label_;
};

}  // namespace

// ---- raw decoding -----------------------------------------------------------------------

TEST(RawToValue, WorkedValues) {
  EXPECT_EQ(raw_to_value(raw_word(1023, 3, 55)), 1023);
  EXPECT_EQ(raw_to_value(raw_word(1023, 0, 0)), 2628794);
  EXPECT_EQ(raw_to_value(raw_word(1023, 0, 0, true)), 1328146);
  EXPECT_EQ(raw_to_value(raw_word(512, 2, 13)), 63963);
}

TEST(RawToValue, TiesGoToEvenAfterSinglePrecisionSteps) {
  // m * 1280 * 140.53 / 70 rounded step by step in single precision lands
  // exactly on .5 for these mantissas (in double precision it would not).
  EXPECT_EQ(raw_to_value(raw_word(47, 0, 0)), 120776);         // 120775.5
  EXPECT_EQ(raw_to_value(raw_word(115, 0, 0)), 295514);        // 295514.5
  EXPECT_EQ(raw_to_value(raw_word(413, 0, 0)), 1061282);       // 1061282.5 (double: ...82.56)
  EXPECT_EQ(raw_to_value(raw_word(462, 0, 0)), 1187198);       // 1187197.5 (double: ...97.44)
  EXPECT_EQ(raw_to_value(raw_word(137, 1, 10, true)), 17880);  // 17879.5
  EXPECT_EQ(raw_to_value(raw_word(391, 1, 30, true)), 19716);  // 19715.5
  EXPECT_EQ(raw_to_value(raw_word(766, 2, 30, true)), 9656);   // 9655.5
}

TEST(RawToValue, EmptyZeroAndOutOfRangeDivisors) {
  for (uint32_t high : {0u, 0x00100000u, 0xFFF00000u, 0x12300000u})
    EXPECT_EQ(raw_to_value(high | 0xFFFFFu), RAW_NO_VALUE) << std::hex << high;
  EXPECT_NE(raw_to_value(0xFFFFEu), RAW_NO_VALUE);
  for (uint32_t c = 0; c < 4; ++c)
    for (uint32_t d = 0; d < 64; ++d) EXPECT_EQ(raw_to_value(raw_word(0, c, d, d % 2)), 0);
  for (uint32_t d = 56; d < 64; ++d) {
    EXPECT_EQ(raw_to_value(raw_word(700, 1, d)), raw_to_value(raw_word(700, 1, 55)));
    EXPECT_EQ(raw_to_value(raw_word(700, 2, d, true)), raw_to_value(raw_word(700, 2, 55, true)));
  }
  // Bits 10, 11 and the status bits above the gain do not take part.
  EXPECT_EQ(raw_to_value(raw_word(321, 2, 7) | 0xC00u | 0xFB300000u), raw_to_value(raw_word(321, 2, 7)));
}

TEST_F(GainModel, CoefficientSetComesFromTheWordNotTheSensorMode) {
  const uint32_t w = raw_word(800, 1, 20);
  EXPECT_NE(raw_to_value(w), raw_to_value(w | RAW_COEF_SET_BIT));
  select_device(2, 0, 0);
  const int32_t a = raw_to_value(w);
  select_device(2, 1, 0);
  EXPECT_EQ(raw_to_value(w), a);
}

TEST(RawSaturated, ComparesOnlyTheMantissa) {
  EXPECT_TRUE(raw_saturated(raw_word(1020, 0, 0), RAW_SAT_LIMIT));
  EXPECT_FALSE(raw_saturated(raw_word(1019, 3, 55), RAW_SAT_LIMIT));
  EXPECT_TRUE(raw_saturated(raw_word(971, 0, 0), RAW_NEAR_LIMIT));
  EXPECT_FALSE(raw_saturated(0xFFF00000u | 970u, RAW_NEAR_LIMIT));
}

// ---- tables -------------------------------------------------------------------------------

TEST(GainTables, DivisorsStepsAndTellingRows) {
  EXPECT_EQ(gain_div[0], 70.0f);
  EXPECT_EQ(gain_div[23], 300.0f);
  EXPECT_EQ(gain_div[24], 320.0f);
  EXPECT_EQ(gain_div[38], 600.0f);
  EXPECT_EQ(gain_div[39], 640.0f);
  EXPECT_EQ(gain_div[55], 1280.0f);
  EXPECT_EQ(gain_step_cnt(0), 137);
  EXPECT_EQ(gain_step_cnt(1), 123);
  EXPECT_EQ(gain_step_cnt(-3), 123);
  struct row {
    int mode, step, c, d;
    float g;
  };
  for (const row r :
       {row{0, 0, 0, 0, 0.4981f}, row{0, 6, 0, 6, 0.9251f}, row{0, 7, 1, 0, 0.9962f}, row{0, 24, 1, 17, 3.4154f},
        row{0, 25, 2, 0, 3.5861f}, row{0, 65, 2, 40, 34.836f}, row{0, 80, 2, 55, 65.574f}, row{0, 81, 3, 0, 70.0f},
        row{0, 136, 3, 55, 1280.0f}, row{1, 0, 0, 0, 0.98592f}, row{1, 21, 0, 21, 3.9437f}, row{1, 22, 1, 0, 4.0385f},
        row{1, 42, 1, 20, 15.577f}, row{1, 43, 2, 0, 16.155f}, row{1, 51, 2, 8, 34.618f}, row{1, 66, 2, 23, 69.236f},
        row{1, 67, 3, 0, 70.0f}, row{1, 122, 3, 55, 1280.0f}}) {
    const t_gain_step s = gain_step_of(r.mode, r.step);
    EXPECT_EQ(s.c, r.c) << r.mode << "/" << r.step;
    EXPECT_EQ(s.d, r.d) << r.mode << "/" << r.step;
    EXPECT_NEAR(gain_factor(r.mode, r.step), r.g, r.g * 1e-4) << r.mode << "/" << r.step;
  }
  for (int mode : {0, 1})
    for (int i = 0; i + 1 < gain_step_cnt(mode); ++i)
      EXPECT_LT(gain_factor(mode, i), gain_factor(mode, i + 1)) << mode << "/" << i;
}

TEST(GainTables, StepsAboveTheEndAreClamped) {
  EXPECT_EQ(gain_factor(0, 500), gain_factor(0, 136));
  EXPECT_EQ(gain_factor(1, 500), gain_factor(1, 122));
  EXPECT_EQ(gain_word_of(0, 1000), gain_word_of(0, 136));
  EXPECT_EQ(gain_word_of(1, 122), (3 << 6) | 55);
  EXPECT_EQ(gain_factor(0, -5), gain_factor(0, 0));  // never indexes below the table
}

// ---- nearest step -------------------------------------------------------------------------

TEST(FindGainStep, ExamplesAndEnds) {
  int step = -1;
  EXPECT_TRUE(find_gain_step(0, 34.6f, step));
  EXPECT_EQ(step, 65);
  EXPECT_TRUE(find_gain_step(1, 34.6f, step));
  EXPECT_EQ(step, 51);
  for (int mode : {0, 1}) {
    const int last = gain_last_step(mode);
    EXPECT_FALSE(find_gain_step(mode, gain_factor(mode, 0), step));
    EXPECT_EQ(step, 0);
    EXPECT_FALSE(find_gain_step(mode, 0.01f, step));
    EXPECT_EQ(step, 0);
    EXPECT_TRUE(find_gain_step(mode, gain_factor(mode, last), step));
    EXPECT_EQ(step, last);
    EXPECT_FALSE(find_gain_step(mode, 1280.5f, step));
    EXPECT_EQ(step, last);
    EXPECT_FALSE(find_gain_step(mode, std::nanf(""), step));
    EXPECT_EQ(step, 0);
  }
}

TEST(FindGainStep, EveryStepFindsItselfAndItsNeighbourhood) {
  for (int mode : {0, 1}) {
    for (int i = 1; i < gain_step_cnt(mode); ++i) {
      const float g = gain_factor(mode, i);
      const float below = gain_factor(mode, i - 1);
      int step = -1;
      EXPECT_TRUE(find_gain_step(mode, g, step));
      EXPECT_EQ(step, i) << mode << "/" << i;
      // Just above the lower neighbour it is the lower one, just below g it is i.
      EXPECT_TRUE(find_gain_step(mode, std::nextafter(below, g), step));
      EXPECT_EQ(step, i - 1) << mode << "/" << i;
      EXPECT_TRUE(find_gain_step(mode, std::nextafter(g, below), step));
      EXPECT_EQ(step, i) << mode << "/" << i;
    }
  }
}

TEST(FindGainStep, ExactMidpointGivesTheLowerStep) {
  // 1240 and 1280 (steps 135 and 136, or 121 and 122): the midpoint 1260 is exact.
  int step = -1;
  EXPECT_TRUE(find_gain_step(0, 1260.0f, step));
  EXPECT_EQ(step, 135);
  EXPECT_TRUE(find_gain_step(1, 1260.0f, step));
  EXPECT_EQ(step, 121);
  EXPECT_TRUE(find_gain_step(0, 1260.01f, step));
  EXPECT_EQ(step, 136);
  EXPECT_TRUE(find_gain_step(0, 75.0f, step));  // 70 and 80 at steps 81, 82
  EXPECT_EQ(step, 81);
}

// ---- gain word of the edited product --------------------------------------------------------

TEST_F(GainModel, EveryStepRoundTripsThroughTheProductRegister) {
  for (int mode : {0, 1}) {
    select_device(3, mode, 7);
    int max_step = -1;
    for (int i = 0; i < gain_step_cnt(mode); ++i) {
      set_gain_idx(i);
      EXPECT_EQ(dev_gain_word(3, 7), get_gain_word(i));
      EXPECT_EQ(get_gain_idx(max_step), i) << mode << "/" << i;
      EXPECT_EQ(max_step, gain_last_step(mode));
      int found = -1;
      find_gain_idx(get_gain(i), found);
      EXPECT_EQ(found, i);
    }
  }
}

TEST_F(GainModel, WordBeyondTheStageGivesItsLastStep) {
  select_device(0, 1, 2);
  m_stat.dev_stat[0].edit_prod.set(PROD_STRIDE * 2 + 1, (0 << 6) | 30);
  int max_step = 0;
  EXPECT_EQ(get_gain_idx(max_step), 21);
  EXPECT_EQ(max_step, 122);
  set_gain_idx(21);
  EXPECT_EQ(dev_gain_word(0, 2), 21);
  // Stage 2 with divisor 40 under sensor mode 1 (stage 2 ends at 23).
  m_stat.dev_stat[0].edit_prod.set(PROD_STRIDE * 2 + 1, (2 << 6) | 40);
  EXPECT_EQ(get_gain_idx(max_step), 66);
  set_gain_idx(999);
  EXPECT_EQ(dev_gain_word(0, 2), (3 << 6) | 55);
  EXPECT_EQ(label_, "[ 1280.0 ]");
}

TEST_F(GainModel, OfflineSetAndMissingProducts) {
  // No device selected and no off-line set: no register, label only.
  m_stat.dev_selected.store(-1);
  EXPECT_EQ(get_gain_reg(), nullptr);
  int max_step = 77;
  EXPECT_EQ(get_gain_idx(max_step), 0);
  EXPECT_EQ(max_step, 77);
  set_gain_idx(0);
  EXPECT_EQ(label_, "[ 0.5 ]");
  // An off-line set edits m_stat's own images with m_stat's sensor mode.
  m_stat.off_line_vaild.store(true);
  m_stat.sensor_mode.store(1);
  m_stat.ed_prod_id.store(23);
  ASSERT_EQ(get_gain_reg(), &m_stat.edit_prod.r[PROD_STRIDE * 23 + 1]);
  set_gain_idx(51);
  EXPECT_EQ(m_stat.edit_prod.get(PROD_STRIDE * 23 + 1), (2 << 6) | 8);
  EXPECT_EQ(label_, "[ 34.6 ]");
  // Product numbers outside 0..23 and selections outside 0..7 have no register.
  m_stat.ed_prod_id.store(24);
  EXPECT_EQ(get_gain_reg(), nullptr);
  select_device(5, 0, -1);
  EXPECT_EQ(get_gain_reg(), nullptr);
  m_stat.dev_selected.store(8);
  EXPECT_EQ(get_gain_reg(), nullptr);
  EXPECT_EQ(get_sensor_mode(), 1);  // taken as no selection
}

TEST_F(GainModel, LabelUsesTheSystemSeparatorAndRefreshKeepsTheFlag) {
  sys_dec_sep = u',';
  select_device(1, 1, 0);
  show_gain(51);
  EXPECT_EQ(label_, "[ 34,6 ]");
  m_stat.dev_stat[1].edit_prod.set(1, (3 << 6) | 0);
  bool seen_updating = false;
  set_gain_label_sink([&](const QString& t) {
    label_ = t;
    seen_updating = ctrl_updating;
  });
  ctrl_updating = false;
  refresh_gain_display();
  EXPECT_TRUE(seen_updating);
  EXPECT_FALSE(ctrl_updating);
  EXPECT_EQ(label_, "[ 70,0 ]");
  ctrl_updating = true;
  refresh_gain_display();
  EXPECT_TRUE(ctrl_updating);
  ctrl_updating = false;
}

TEST_F(GainModel, DeviceOnLineOnlyWhenConnected) {
  m_stat.dev_selected.store(-1);
  srvc_diag.diag[0].panel_state.store(4);
  EXPECT_FALSE(dev_on_line());
  m_stat.dev_selected.store(0);
  for (int st = 0; st <= 5; ++st) {
    srvc_diag.diag[0].panel_state.store(st);
    EXPECT_EQ(dev_on_line(), st == 3 || st == 4) << st;
  }
  m_stat.dev_selected.store(9);
  EXPECT_FALSE(dev_on_line());
}
