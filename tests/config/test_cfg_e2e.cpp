// The configuration pages against a simulated transmitter: selecting it
// reads its configuration, and every control of the binding table shows
// the value the transmitter holds in its register (the whole table, both
// analog output modes). With ORV_SHOTS_DIR set, the demo's first device is
// selected and each page is saved there as a picture.
#include "config/bind_table.h"
#include "core/common_data.h"
#include "sim_line.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"
#include "ui/demo_mode.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include <cmath>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

// A configuration with a value of its own in every bound register.
void distinct_config(orvsim::config_image& c) {
  auto& p = c.param;
  p[0] = 0;
  p[1] = 1234;
  p[2] = 11000;
  p[5] = 2222;
  p[6] = 10100;
  p[10] = 3;
  p[11] = 2;
  p[12] = 1;
  p[14] = 1;
  orvsim::put_text(&p[16], 12, "E2E TAG 1");
  for (int i = 0; i < 4; ++i) {
    p[28 + i] = static_cast<uint16_t>(i % 2);
    p[32 + i] = static_cast<uint16_t>((i * 2 + 1) % 3);  // 1, 0, 2, 1
  }
  for (int m = 1; m <= 15; ++m) p[35 + m] = static_cast<uint16_t>((m * 5) % 24);
  p[53] = 412;   // 4.12 mA
  p[54] = 975;   // 9.75 V
  p[55] = 0x15;  // analog output: MIN, temperature MIN, sensor fault
  p[56] = 0x05;  // relay 1: MIN, temperature MIN
  p[57] = 0x2A;  // digital out: MAX, temperature MAX, saturation
  p[58] = 1;
  p[59] = 0;
  p[60] = 37;
  p[61] = 999;
  p[66] = 1;
  orvsim::put_text(&p[72], 12, "SER-E2E-0042");
  c.prod_reg(0, 0) = 4;
  const float cal[5] = {0.0f, 12.5f, 250.75f, 1000.25f, 1500.0f};
  const int32_t raw[5] = {0, 25000, 500000, 1000000, 1309440};
  for (int j = 0; j < 5; ++j) {
    c.set_prod_float(0, 2 + 2 * j, cal[j]);
    c.set_prod_int32(0, 12 + 2 * j, raw[j]);
  }
  c.prod_reg(0, 22) = 4;
  c.prod_reg(0, 23) = 2;
  orvsim::put_text(&c.prod_reg(0, 24), 12, "E2E PRODUCT");
  c.prod_reg(0, 36) = 3;
  c.prod_reg(0, 37) = 55;
  c.prod_reg(0, 38) = 7;
  for (int r = 40; r <= 62; r += 2) c.set_prod_float(0, r, 100.0f + static_cast<float>(r) * 3.25f);
}

uint16_t reg_of(const orvsim::config_image& c, const t_ctrl_bind& row) {
  return row.reg_block == BLOCK_PARAM ? c.param[static_cast<size_t>(row.reg_idx)] : c.prod_reg(0, row.reg_idx);
}

QString fixed(double v, int dec) { return QString::asprintf("%.*f", dec, v); }

// What a control of a row must show for the transmitter's configuration c.
void expect_row_shown(TMainForm& f, const orvsim::config_image& c, const t_ctrl_bind& row) {
  const QString name = QString::fromLatin1(row.ctrl_name);
  SCOPED_TRACE(row.ctrl_name);
  const uint16_t v = reg_of(c, row);
  const int dec23 = c.prod_reg(0, 23);
  if (auto* e = f.findChild<QLineEdit*>(name)) {
    switch (row.val_kind) {
      case BIND_WORD:
        EXPECT_EQ(e->text(), fixed(static_cast<int16_t>(v) / std::pow(10.0, row.dec_pl), row.dec_pl));
        break;
      case BIND_FLOAT: EXPECT_EQ(e->text(), fixed(c.prod_float(0, row.reg_idx), dec23)); break;
      case BIND_INT32: EXPECT_EQ(e->text(), QString::number(c.prod_int32(0, row.reg_idx))); break;
      case BIND_TEXT: {
        const uint16_t* regs = row.reg_block == BLOCK_PARAM ? &c.param[static_cast<size_t>(row.reg_idx)]
                                                            : &c.prod[static_cast<size_t>(row.reg_idx)];
        EXPECT_EQ(e->text(), QString::fromStdString(orvsim::get_text(regs, row.dec_pl)));
        break;
      }
      case BIND_ALARM_LIMIT: {
        const int sel = row.bit_mask;
        const int matrix = sel & 0x7 ? c.param[56] : sel & 0x70 ? c.param[57] : c.param[55];
        const int s = sel & 0x7 ? sel : sel & 0x70 ? sel >> 4 : sel >> 8;
        const bool on = (s & 3 & matrix) != 0;
        EXPECT_EQ(e->text(), on ? fixed(c.prod_float(0, row.reg_idx), dec23) : QString());
        EXPECT_EQ(e->isEnabled(), on);
        return;
      }
      default: FAIL() << "an edit on a row of kind " << row.val_kind;
    }
    EXPECT_EQ(e->isEnabled(), row.ena_rule != ENA_SERVICE);  // expert level, no service mode
  } else if (auto* b = f.findChild<QComboBox*>(name)) {
    int want = row.val_kind == BIND_PROD_SEL ? 0 : v - row.dec_pl;
    want = std::clamp(want, 0, b->count() - 1);
    EXPECT_EQ(b->currentIndex(), want);
    EXPECT_GT(b->count(), 0);
  } else if (auto* k = f.findChild<QCheckBox*>(name)) {
    EXPECT_EQ(k->isChecked(), (v & row.bit_mask) != 0);
    EXPECT_EQ(k->isEnabled(), row.ena_rule <= ENA_EXPERT);
  } else if (auto* s = f.findChild<QScrollBar*>(name)) {
    EXPECT_EQ(s->value(), std::min<int>(v, s->maximum()));
    EXPECT_FALSE(s->isEnabled());  // needs service mode
  } else if (auto* p = f.findChild<QPushButton*>(name)) {
    EXPECT_EQ(p->isEnabled(), row.ena_rule == ENA_ALWAYS || row.ena_rule == ENA_DEVICE);
  } else {
    ADD_FAILURE() << "no control " << row.ctrl_name;
  }
}

}  // namespace

TEST(CfgPagesEndToEnd, EveryBoundControlShowsTheTransmittersRegister) {
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  orvsim::line_options o;
  o.line_clock = &line_clock.time;
  o.com = 1;
  orvsim::sim_line line(o);
  orvsim::config_image cfg;
  line.steer(1, [&](orvsim::transmitter& t) {
    cfg = t.active_config();
    distinct_config(cfg);
    t.load_config(cfg);
    cfg = t.active_config();
  });
  seed_demo_setup();
  msg_script::begin();

  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.transfer().set_access_level(true);
  form.show();
  form.select_device(0);
  ASSERT_EQ(m_stat.dev_selected.load(), 0);
  EXPECT_EQ(msg_script::shown(), QStringList{"info: " + msg_text(9)});

  // A few anchors written out, then the whole table.
  EXPECT_EQ(form.findChild<QLineEdit*>("txt_dev_tag")->text(), "E2E TAG 1   ");
  EXPECT_EQ(form.findChild<QLineEdit*>("txt_al2_del")->text(), "99.9");
  EXPECT_EQ(form.findChild<QLineEdit*>("txt_cal_3")->text(), "250.75");
  EXPECT_EQ(form.findChild<QLineEdit*>("txt_raw_5")->text(), "1309440");
  EXPECT_EQ(form.findChild<QComboBox*>("cmb_unit")->currentText(), "lb/h");
  EXPECT_EQ(form.findChild<QLineEdit*>("txt_al1_max")->text(), QString());
  std::set<const t_ctrl_bind*> seen;
  for (const auto& row : ctrl_bind_tab) {
    if (aout_cond_excludes(row.aout_cond)) continue;
    expect_row_shown(form, cfg, row);
    seen.insert(&row);
  }
  // The other analog output mode, chosen on the page, brings the rows of the pairs.
  show_page(form, outputs_page(form));
  form.findChild<QComboBox*>("cmb_aout_mode")->setCurrentIndex(1);
  cfg.param[0] = 1;
  for (const auto& row : ctrl_bind_tab) {
    if (aout_cond_excludes(row.aout_cond)) continue;
    expect_row_shown(form, cfg, row);
    seen.insert(&row);
  }
  EXPECT_EQ(form.findChild<QLineEdit*>("txt_aout_err")->text(), "9.75");
  EXPECT_EQ(seen.size(), ctrl_bind_tab.size());

  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  msg_script::end();
}

// Pictures of the four pages for the documentation: the demo's three
// transmitters, the first one selected, expert level; on the inputs page
// the user has made inputs 1 and 3 product-select inputs.
TEST(CfgPagesEndToEnd, Screenshots) {
  const QString dir = qEnvironmentVariable("ORV_SHOTS_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "set ORV_SHOTS_DIR to write the pictures";
  temp_config_home home;
  reset_all_records();
  test_line_clock line_clock;
  std::vector<std::unique_ptr<orvsim::sim_line>> lines;
  for (int k = 0; k < 3; ++k) {
    orvsim::line_options o;
    o.line_clock = &line_clock.time;
    o.com = k + 1;
    o.devices.resize(1);
    o.devices[0].serial = QString("ORVDEMO%1").arg(k + 1, 5, 10, QChar(u'0')).toStdString();
    o.devices[0].counter = 3000;
    lines.push_back(std::make_unique<orvsim::sim_line>(o));
  }
  seed_demo_setup();
  msg_script::begin();
  // The program's own font.
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QApplication::setFont(QFont("Arial", 10));
  TMainForm form;
  ASSERT_TRUE(form.FormCreate());
  form.transfer().set_access_level(true);
  form.resize(1280, 800);
  form.show();
  ASSERT_TRUE(wait_until([&] { return device_status_image(form, 0, 0)->isVisible(); }, 8000));
  form.select_device(0);
  ASSERT_EQ(m_stat.dev_selected.load(), 0);
  ASSERT_TRUE(wait_until([&] { return live_group(form)->isVisible(); }, 8000));
  show_page(form, inputs_page(form));
  form.findChild<QComboBox*>("cmb_din1_fun")->setCurrentIndex(2);
  form.findChild<QComboBox*>("cmb_din3_fun")->setCurrentIndex(2);
  QDir().mkpath(dir);
  const std::pair<QWidget*, const char*> pages[4] = {{base_page(form), "config-transmitter-settings"},
                                                     {inputs_page(form), "config-digital-inputs"},
                                                     {outputs_page(form), "config-outputs"},
                                                     {products_page(form), "config-products"}};
  for (QSize size : {QSize(1280, 800), form.minimumSize()}) {
    form.resize(size);
    for (const auto& [page, file] : pages) {
      show_page(form, page);
      wait_until([] { return false; }, 200);  // repainted
      const QString suffix = size == QSize(1280, 800) ? "" : "-min";
      EXPECT_TRUE(form.grab().save(dir + "/" + file + suffix + ".png"));
    }
  }
  msg_script::push_answer(true);
  EXPECT_TRUE(form.close());
  msg_script::end();
}
