// Products: name lists, the selector entries, the products CRC, the
// product assignment matrix and the calibration point rows.
#include "cfg_fixture.h"
#include "config/products.h"

namespace {

class Products : public CfgTest {
 protected:
  static void name_product(int p, const QString& name) {
    text_to_regs(prod_reg_addr(p, PROD_REG_NAME), PROD_NAME_CHARS, name);
  }
  // Product-select function on the given inputs (1..4), none on the others.
  static void select_inputs(std::initializer_list<int> inputs) {
    for (int i = 0; i < 4; ++i) set_param(32 + i, 0);
    for (int i : inputs) set_param(31 + i, 2);
  }
  static std::array<bool, 84> visible(int k) {
    std::array<bool, 84> v{};
    for (size_t i = 0; i < 84; ++i) v[i] = prod_sw_vis()[i].vis[static_cast<size_t>(k - 1)];
    return v;
  }
  static bool vis(const QString& name, int k) { return vis_flag(prod_sw_vis(), name, k - 1).value(); }
};

}  // namespace

TEST_F(Products, NamesAndSelectorEntries) {
  name_product(0, "WHEAT");
  name_product(2, "MIXTURE A");
  const QStringList names = prod_names();
  ASSERT_EQ(names.size(), 24);
  EXPECT_EQ(names[0], "WHEAT       ");
  EXPECT_EQ(names[1], QString(12, u' '));  // zero registers read as blanks

  const QString labels = find_text_row(u"cmb_prod_select", TXT_KIND_CAPTION, FORM_MAIN) >= 0
                             ? ctrl_text(u"cmb_prod_select", TXT_REQ_CAPTION, FORM_MAIN)
                             : QString();
  const QStringList items = prod_select_items(labels, true, 2).split(u'|');
  ASSERT_EQ(items.size(), 25);  // every entry ends with "|"
  EXPECT_EQ(items[0], "Product 1 [WHEAT       ]");
  EXPECT_EQ(items[2], "Product 3 [MIXTURE A   ] (default)");
  EXPECT_EQ(items[23], "Product 24 [            ]");
  EXPECT_TRUE(items[24].isEmpty());
  EXPECT_EQ(prod_select_items(labels, false, 2).split(u'|')[2], "Product 3 [MIXTURE A   ]");
  // A short label list (a language pack may have one) leaves empty labels.
  EXPECT_EQ(prod_select_items("A|B", false, 0).split(u'|')[3], " [            ]");

  EXPECT_EQ(prod_group_caption("Product 3 [MIXTURE A   ]"), " Product 3 ");
  EXPECT_EQ(prod_group_caption("Product 3"), " Product 3");

  // A device selected: its own images, whether read or not.
  m_stat.dev_selected.store(1);
  EXPECT_EQ(prod_names()[0], QString(12, u' '));
  m_stat.dev_selected.store(-1);
  m_stat.off_line_vaild.store(false);
  EXPECT_TRUE(prod_names().isEmpty());
}

TEST_F(Products, CrcCoversProductsOneToTwelve) {
  EXPECT_EQ(prod_crc_text(), "30BB");
  set_prod(23, 71, 0x1234);  // product 24
  m_stat.edit_prod.set(1728, 0xFFFF);
  EXPECT_EQ(prod_crc_text(), "30BB");
  set_prod(12, 0, 7);  // product 13
  EXPECT_EQ(prod_crc_text(), "30BB");
  set_prod(11, 71, 1);  // last register of product 12
  const QString changed = prod_crc_text();
  EXPECT_NE(changed, "30BB");
  EXPECT_EQ(changed.size(), 4);
  EXPECT_EQ(changed, changed.toUpper());
  set_prod(11, 71, 0);
  set_prod(0, 0, 0x0100);  // the high byte of the first register
  EXPECT_NE(prod_crc_text(), "30BB");
  EXPECT_NE(prod_crc_text(), changed);
}

TEST_F(Products, CrcIsTheModbusCrcWithTheFirstSentByteFirst) {
  // "123456789" in registers (low byte first) has the Modbus check 0x4B37:
  // sent as 37 4B, shown as 374B. The rest of the 1728 bytes are zeros, so
  // compare with a CRC computed here bit by bit.
  const char* s = "123456789\0";
  for (int k = 0; k < 5; ++k)
    m_stat.edit_prod.set(
        k, static_cast<uint16_t>(static_cast<uint8_t>(s[2 * k]) | (static_cast<uint8_t>(s[2 * k + 1]) << 8)));
  uint16_t crc = 0xFFFF;
  for (int i = 0; i < 1728; ++i) {
    const uint16_t w = m_stat.edit_prod.get(i / 2);
    crc ^= (i % 2 == 0) ? (w & 0xFF) : (w >> 8);
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  const int shown = ((crc & 0xFF) << 8) | (crc >> 8);
  EXPECT_EQ(prod_crc_text(), QString("%1").arg(shown, 4, 16, QChar(u'0')).toUpper());
}

TEST_F(Products, SwitchTablesFollowTheirRule) {
  ASSERT_EQ(prod_sw_vis().size(), 84u);
  ASSERT_EQ(cal_pts_vis().size(), 32u);
  EXPECT_EQ(prod_sw_vis()[0].name, "x_lbl_sw1_0");
  EXPECT_EQ(prod_sw_vis()[63].name, "x_lbl_sw4_15");
  EXPECT_EQ(prod_sw_vis()[83].name, "cmb_prod15_sel");
  // k = 4: everything visible.
  for (bool v : visible(4)) EXPECT_TRUE(v);
  EXPECT_TRUE(vis("x_lbl_def_prod", 1));
  EXPECT_TRUE(vis("x_lbl_sw1_1", 1));
  EXPECT_FALSE(vis("x_lbl_sw1_2", 1));
  EXPECT_FALSE(vis("x_lbl_sw2_0", 1));
  EXPECT_TRUE(vis("cmb_prod1_sel", 1));
  EXPECT_FALSE(vis("cmb_prod2_sel", 1));
  EXPECT_TRUE(vis("x_lbl_sw3_7", 3));
  EXPECT_FALSE(vis("x_lbl_sw3_8", 3));
  EXPECT_FALSE(vis("x_lbl_sw_din4", 3));
  EXPECT_EQ(vis_flag(prod_sw_vis(), u"cmb_curr_prod", 0), std::nullopt);
  EXPECT_EQ(din_cell_caption(1, 5), "ON");
  EXPECT_EQ(din_cell_caption(2, 5), "OFF");
  EXPECT_EQ(din_cell_caption(3, 5), "ON");
  EXPECT_EQ(din_cell_caption(4, 15), "ON");
  EXPECT_EQ(din_cell_caption(4, 7), "OFF");
}

TEST_F(Products, DigitalInputMatrix) {
  select_inputs({});
  t_din_matrix d = din_matrix();
  EXPECT_TRUE(d.addressable);
  EXPECT_EQ(d.k, 0);

  select_inputs({2, 4});
  set_param(32, 1);  // input 1 freezes: not a product-select input
  d = din_matrix();
  EXPECT_EQ(d.k, 2);
  EXPECT_EQ(d.input[0], 2);
  EXPECT_EQ(d.input[1], 4);
  EXPECT_EQ(d.input[2], 0);
  EXPECT_EQ(din_heading(d.input[0]), "Din-2");
  EXPECT_EQ(din_heading(d.input[1]), "Din-4");
  // Rows 0..3 with two columns; boxes for states 1..3.
  for (int m = 0; m < 16; ++m) {
    EXPECT_EQ(vis(QString("x_lbl_sw1_%1").arg(m), d.k), m < 4) << m;
    EXPECT_EQ(vis(QString("x_lbl_sw2_%1").arg(m), d.k), m < 4) << m;
    EXPECT_FALSE(vis(QString("x_lbl_sw3_%1").arg(m), d.k)) << m;
  }
  for (int m = 1; m <= 15; ++m) EXPECT_EQ(vis(QString("cmb_prod%1_sel").arg(m), d.k), m <= 3) << m;

  select_inputs({1, 2, 3, 4});
  EXPECT_EQ(din_matrix().k, 4);
  select_inputs({3});
  EXPECT_EQ(din_matrix().input[0], 3);

  m_stat.off_line_vaild.store(false);
  EXPECT_FALSE(din_matrix().addressable);
}

TEST_F(Products, CalibrationPointRows) {
  for (auto [reg, shown] : {std::pair{0, 2}, {1, 2}, {2, 2}, {3, 3}, {5, 5}, {9, 5}, {65535, 5}}) {
    set_prod(0, 0, static_cast<uint16_t>(reg));
    EXPECT_EQ(cal_points_shown(), shown) << reg;
  }
  m_stat.ed_prod_id.store(30);
  EXPECT_EQ(cal_points_shown(), 2);
  for (int n = 2; n <= 5; ++n) {
    EXPECT_TRUE(vis_flag(cal_pts_vis(), u"x_cmb_cal_pts", n - 2).value());
    EXPECT_TRUE(vis_flag(cal_pts_vis(), u"cmd_calin_2", n - 2).value());
    EXPECT_EQ(vis_flag(cal_pts_vis(), u"x_lbl_cal_3_u", n - 2).value(), n >= 3);
    EXPECT_EQ(vis_flag(cal_pts_vis(), u"txt_raw_5", n - 2).value(), n == 5);
  }
}
