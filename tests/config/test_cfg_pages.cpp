// The configuration pages as widgets, offscreen: every bound control is
// there under its name, fills from the register images without writing
// back, and stores what is typed, picked or ticked when it is left; keys,
// Escape and Enter; the products page and the input matrix; the layout at
// the smallest window and with 150 % text.
#include "config/bind_table.h"
#include "config/products.h"
#include "config/reg_codec.h"
#include "core/common_data.h"
#include "support/window_access.h"
#include "texts/apply_texts.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include <bit>
#include <memory>

#include <gtest/gtest.h>

namespace {

uint16_t p_reg(int r) { return m_stat.edit_param.get(r); }
void set_p(int r, uint16_t v) { m_stat.edit_param.set(r, v); }
uint16_t q_reg(int p, int r) { return m_stat.edit_prod.get(p * PROD_STRIDE + r); }
void set_q(int p, int r, uint16_t v) { m_stat.edit_prod.set(p * PROD_STRIDE + r, v); }
void set_qf(int p, int r, float v) {
  const auto b = std::bit_cast<uint32_t>(v);
  set_q(p, r, static_cast<uint16_t>(b & 0xFFFF));
  set_q(p, r + 1, static_cast<uint16_t>(b >> 16));
}
void put_name(int p, const QString& name) {
  for (int k = 0; k < 12; ++k) set_q(p, 24 + k, k < name.size() ? name[k].unicode() : u' ');
}

// An off-line configuration with something in every field.
void seed_offline() {
  m_stat.dev_selected.store(-1);
  m_stat.off_line_vaild.store(true);
  m_stat.ed_prod_id.store(0);
  m_stat.acc_level.store(1);
  for (int k = 0; k < 6; ++k) set_p(16 + k, QString("TANK 7")[k].unicode());
  set_p(10, 1);   // default product 2
  set_p(11, 4);   // 115200
  set_p(13, 12);  // address 12
  set_p(56, 3);   // alarm 1: MIN and MAX
  set_p(60, 25);  // 2.5 s
  for (int p = 0; p < PRODUCTS; ++p) {
    put_name(p, QString("PRODUCT %1").arg(p + 1));
    set_q(p, 0, 2);
    set_q(p, 22, 3);  // t/h
    set_q(p, 23, 2);
    set_qf(p, 42, 40.0f);
  }
}

class CfgPages : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    init_texts();
    sys_dec_sep = u'.';
    ctrl_updating = false;
    msg_script::begin();
    seed_offline();
    form_ = std::make_unique<TMainForm>();
    apply_main_texts(form_.get(), common_setup.lng_config);
    form_->pages().fill_cfg_lists();
    form_->resize(1280, 800);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    form_->pages().show_cfg_pages();
  }
  void TearDown() override {
    form_.reset();
    msg_script::end();
    reset_all_records();
  }
  template <typename T>
  T* w(const char* name) {
    auto* x = form_->findChild<T*>(name);
    EXPECT_NE(x, nullptr) << name;
    return x;
  }
  void show_page(QWidget* page) { ::show_page(*form_, page); }
  // A click on the box itself (the rest of a wide check box does not toggle it).
  static void tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }
  // Types text into an edit (after clearing it) and leaves it for another control.
  void type_and_leave(QLineEdit* e, const QString& text, QWidget* next) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
    next->setFocus();
    QApplication::processEvents();
  }

  std::unique_ptr<TMainForm> form_;
};

}  // namespace

TEST_F(CfgPages, EveryRowOfTheTableHasItsOneControl) {
  for (const auto& row : ctrl_bind_tab) {
    const auto found = form_->findChildren<QWidget*>(QString::fromLatin1(row.ctrl_name));
    EXPECT_EQ(found.size(), 1) << row.ctrl_name;
  }
  for (const auto& row : prod_sw_vis())
    EXPECT_EQ(form_->findChildren<QWidget*>(row.name).size(), 1) << row.name.toStdString();
  for (const auto& row : cal_pts_vis())
    EXPECT_EQ(form_->findChildren<QWidget*>(row.name).size(), 1) << row.name.toStdString();
}

TEST_F(CfgPages, FillingShowsTheImagesAndWritesNothingBack) {
  static param_image before_p;
  static prod_image before_q;
  before_p.assign(m_stat.edit_param);
  before_q.assign(m_stat.edit_prod);
  EXPECT_EQ(w<QLineEdit>("txt_dev_tag")->text(), "TANK 7      ");
  EXPECT_EQ(w<QComboBox>("cmb_baud")->currentText(), "115200");
  EXPECT_EQ(w<QComboBox>("cmb_mod_addr")->currentText(), "12");
  EXPECT_EQ(w<QComboBox>("cmb_curr_prod")->currentText(), "PRODUCT 2   ");
  EXPECT_EQ(w<QLineEdit>("txt_al1_del")->text(), "2.5");
  EXPECT_EQ(w<QLineEdit>("txt_rng_end")->text(), "40.00");
  EXPECT_EQ(w<QLabel>("x_lbl_rng_end_u")->text(), "t/h");
  EXPECT_EQ(w<QComboBox>("cmb_prod_select")->currentText(), "Product 1 [PRODUCT 1   ]");
  EXPECT_EQ(w<QComboBox>("cmb_prod_select")->itemText(1), "Product 2 [PRODUCT 2   ] (default)");
  EXPECT_FALSE(w<QCheckBox>("chk_default_prod")->isChecked());
  EXPECT_EQ(w<QGroupBox>("x_grp_product")->title(), " Product 1 ");
  EXPECT_EQ(w<QLabel>("x_lbl_prod_crc")->text(), prod_crc_text());
  EXPECT_TRUE(m_stat.edit_param.equals(before_p));
  EXPECT_TRUE(m_stat.edit_prod.equals(before_q));
  // Filling again, and with other products, leaves the images as they are.
  form_->pages().show_cfg_pages();
  w<QComboBox>("cmb_prod_select")->setCurrentIndex(5);
  EXPECT_EQ(m_stat.ed_prod_id.load(), 5);
  EXPECT_TRUE(m_stat.edit_param.equals(before_p));
  EXPECT_TRUE(m_stat.edit_prod.equals(before_q));
  EXPECT_FALSE(ctrl_updating);
}

TEST_F(CfgPages, TypingAndLeavingStoresEscapeRestoresEnterStoresAtOnce) {
  show_page(outputs_page(*form_));
  auto* del = w<QLineEdit>("txt_al1_del");
  auto* del2 = w<QLineEdit>("txt_al2_del");
  type_and_leave(del, "12.34", del2);
  EXPECT_EQ(p_reg(60), 123);
  EXPECT_EQ(del->text(), "12.3");
  EXPECT_TRUE(msg_script::shown().isEmpty());

  // Typing alone changes nothing; Escape shows the stored value again.
  del->setFocus();
  del->selectAll();
  QTest::keyClicks(del, "99");
  EXPECT_EQ(p_reg(60), 123);
  QTest::keyClick(del, Qt::Key_Escape);
  EXPECT_EQ(del->text(), "12.3");
  EXPECT_EQ(p_reg(60), 123);

  // Enter stores at once and keeps the focus.
  del->selectAll();
  QTest::keyClicks(del, "7");
  QTest::keyClick(del, Qt::Key_Return);
  EXPECT_EQ(p_reg(60), 70);
  EXPECT_EQ(del->text(), "7.0");
  EXPECT_TRUE(del->hasFocus());

  // Leaving without typing stores the same value again.
  del2->setFocus();
  EXPECT_EQ(p_reg(60), 70);
}

TEST_F(CfgPages, SeparatorsAndBarsAreSwallowed) {
  show_page(outputs_page(*form_));
  auto* del = w<QLineEdit>("txt_al1_del");
  del->setFocus();
  del->selectAll();
  QTest::keyClicks(del, "1.2.3x|-");
  EXPECT_EQ(del->text(), "1.23-");

  show_page(base_page(*form_));
  auto* tag = w<QLineEdit>("txt_dev_tag");
  tag->setFocus();
  tag->selectAll();
  QTest::keyClicks(tag, "A|B|C");
  EXPECT_EQ(tag->text(), "ABC");
  // Pasted text keeps its "|" until it is stored.
  tag->setText("X|Y");
  w<QComboBox>("cmb_temp_mode")->setFocus();
  EXPECT_EQ(tag->text(), "XY          ");
  EXPECT_EQ(p_reg(16), uint16_t{'X'});
  EXPECT_EQ(p_reg(17), uint16_t{'Y'});
}

TEST_F(CfgPages, ARefusedValueKeepsTheRegisterAndTheFocus) {
  show_page(outputs_page(*form_));
  auto* del = w<QLineEdit>("txt_al1_del");
  auto* del2 = w<QLineEdit>("txt_al2_del");
  type_and_leave(del, "100.1", del2);
  EXPECT_EQ(p_reg(60), 25);
  EXPECT_EQ(del->text(), "2.5");
  EXPECT_TRUE(del->hasFocus());
  EXPECT_EQ(msg_script::shown(), QStringList{"error: " + msg_text(5) + "0.0 .. 100.0"});

  // The alarm value has no limits in the table but must fit its register.
  auto* err = w<QLineEdit>("txt_aout_err");
  type_and_leave(err, "1000", del2);
  EXPECT_EQ(p_reg(53), 0);
  EXPECT_TRUE(err->hasFocus());
  type_and_leave(err, "-1", del2);
  EXPECT_EQ(p_reg(53), 65436);
  EXPECT_EQ(err->text(), "-1.00");
}

TEST_F(CfgPages, CombosAndChecksStoreTheirRegisters) {
  show_page(base_page(*form_));
  auto* term = w<QCheckBox>("chk_rs_term");
  set_p(14, 0xA5A4);
  tick(term);
  EXPECT_EQ(p_reg(14), 0xA5A5);
  w<QComboBox>("cmb_parity")->setCurrentIndex(2);
  EXPECT_EQ(p_reg(12), 2);
  w<QComboBox>("cmb_mod_addr")->setCurrentIndex(246);
  EXPECT_EQ(p_reg(13), 247);

  show_page(products_page(*form_));
  auto* unit = w<QComboBox>("cmb_unit");
  unit->setCurrentIndex(6);
  EXPECT_EQ(q_reg(0, 22), 6);
  EXPECT_EQ(w<QLabel>("x_lbl_cal_1_u")->text(), "%");
  EXPECT_EQ(w<QLabel>("x_lbl_al_aout_u3")->text(), "%");

  auto* pts = w<QComboBox>("x_cmb_cal_pts");
  pts->setCurrentIndex(3);
  EXPECT_EQ(q_reg(0, 0), 5);
  EXPECT_TRUE(w<QLineEdit>("txt_raw_5")->isVisible());
  pts->setCurrentIndex(1);
  EXPECT_EQ(q_reg(0, 0), 3);
  EXPECT_TRUE(w<QLineEdit>("txt_cal_3")->isVisible());
  EXPECT_FALSE(w<QLineEdit>("txt_cal_4")->isVisible());
  EXPECT_FALSE(w<QPushButton>("cmd_calin_4")->isVisible());

  auto* decp = w<QComboBox>("x_cmb_decp");
  decp->setCurrentIndex(0);
  EXPECT_EQ(q_reg(0, 23), 0);
  EXPECT_EQ(w<QLineEdit>("txt_rng_end")->text(), "40");
  EXPECT_EQ(w<QLabel>("x_lbl_prod_crc")->text(), prod_crc_text());
}

TEST_F(CfgPages, AProductsDecimalPlacesRuleTheBoxTheValuesTheEntriesAndTheRange) {
  show_page(products_page(*form_));
  auto* decp = w<QComboBox>("x_cmb_decp");
  auto* end = w<QLineEdit>("txt_rng_end");
  auto* beg = w<QLineEdit>("txt_rng_beg");
  EXPECT_EQ(decp->count(), 5);

  // Three places, as a transmitter may hold them: the box names them, and a
  // value typed shows as the next refresh shows it.
  set_q(0, 23, 3);
  form_->pages().show_cfg_pages();
  EXPECT_EQ(decp->currentText(), "00.000");
  EXPECT_EQ(end->text(), "40.000");
  type_and_leave(end, "12.3456", beg);
  EXPECT_EQ(end->text(), "12.346");
  form_->pages().show_cfg_pages();
  EXPECT_EQ(end->text(), "12.346");
  // The range names the limit that holds: 999.999 is taken, 1000 is not.
  type_and_leave(end, "1000", beg);
  EXPECT_EQ(msg_script::shown(), QStringList{"error: " + msg_text(5) + "0.000 .. 999.999"});
  type_and_leave(end, "999.999", beg);
  EXPECT_EQ(end->text(), "999.999");
  EXPECT_EQ(msg_script::shown().size(), 1);
  EXPECT_EQ(q_reg(0, 23), 3);

  // Four picked in the box.
  decp->setCurrentIndex(4);
  EXPECT_EQ(q_reg(0, 23), 4);
  EXPECT_EQ(beg->text(), "0.0000");

  // A count beyond the table shows as four and is kept through entries.
  set_q(0, 23, 9);
  form_->pages().show_cfg_pages();
  EXPECT_EQ(decp->currentText(), "00.0000");
  type_and_leave(end, "12.34567", beg);
  EXPECT_EQ(end->text(), "12.3457");
  EXPECT_EQ(q_reg(0, 23), 9);
}

TEST_F(CfgPages, AlarmMatrixEnablesTheLimitFields) {
  show_page(outputs_page(*form_));
  auto* min = w<QLineEdit>("txt_al2_min");
  auto* hyst = w<QLineEdit>("txt_al2_hyst");
  auto* max = w<QLineEdit>("txt_al2_max");
  EXPECT_FALSE(min->isEnabled());
  tick(w<QCheckBox>("chk_al2_min"));
  EXPECT_EQ(p_reg(57), 1);
  EXPECT_TRUE(min->isEnabled());
  EXPECT_TRUE(hyst->isEnabled());
  EXPECT_FALSE(max->isEnabled());
  EXPECT_TRUE(max->text().isEmpty());
}

TEST_F(CfgPages, AnalogOutputModeSwitchesCaptionsAndRegisters) {
  show_page(outputs_page(*form_));
  set_p(53, 360);
  set_p(54, 150);
  form_->pages().show_cfg_pages();
  EXPECT_EQ(w<QLabel>("lbl_cal_4ma")->text(), "Calibration 4mA");
  EXPECT_EQ(w<QLabel>("lbl_aout_err_u")->text(), "mA");
  EXPECT_EQ(w<QLineEdit>("txt_aout_err")->text(), "3.60");
  w<QComboBox>("cmb_aout_mode")->setCurrentIndex(1);
  EXPECT_EQ(p_reg(0), 1);
  EXPECT_EQ(w<QLabel>("lbl_cal_4ma")->text(), "Calibration 2V");
  EXPECT_EQ(w<QLabel>("lbl_cal_20ma")->text(), "Calibration 10V");
  EXPECT_EQ(w<QLabel>("lbl_aout_err_u")->text(), "V");
  EXPECT_EQ(w<QLineEdit>("txt_aout_err")->text(), "1.50");
}

TEST_F(CfgPages, ProductSelectionAndTheDefaultProduct) {
  show_page(products_page(*form_));
  auto* sel = w<QComboBox>("cmb_prod_select");
  auto* def = w<QCheckBox>("chk_default_prod");
  sel->setCurrentIndex(1);  // the default product
  EXPECT_EQ(m_stat.ed_prod_id.load(), 1);
  EXPECT_TRUE(def->isChecked());
  EXPECT_EQ(w<QLineEdit>("txt_prod_name")->text(), "PRODUCT 2   ");
  sel->setCurrentIndex(4);
  EXPECT_FALSE(def->isChecked());
  EXPECT_EQ(w<QGroupBox>("x_grp_product")->title(), " Product 5 ");
  tick(def);
  EXPECT_TRUE(def->isChecked());
  EXPECT_EQ(p_reg(10), 4);
  EXPECT_EQ(sel->itemText(4), "Product 5 [PRODUCT 5   ] (default)");
  EXPECT_EQ(sel->itemText(1), "Product 2 [PRODUCT 2   ]");
  EXPECT_EQ(w<QComboBox>("cmb_curr_prod")->currentIndex(), 4);
  tick(def);  // a click never unticks it
  EXPECT_TRUE(def->isChecked());

  // Renaming the product rebuilds the lists.
  type_and_leave(w<QLineEdit>("txt_prod_name"), "BARLEY", w<QLineEdit>("txt_rng_beg"));
  EXPECT_EQ(sel->itemText(4), "Product 5 [BARLEY      ] (default)");
  EXPECT_EQ(w<QComboBox>("cmb_prod3_sel")->itemText(4), "BARLEY      ");
  EXPECT_EQ(sel->currentIndex(), 4);
}

TEST_F(CfgPages, InputMatrixFollowsTheProductSelectInputs) {
  show_page(inputs_page(*form_));
  auto* grp = w<QGroupBox>("grp_prod_switch");
  EXPECT_FALSE(grp->isVisible());
  w<QComboBox>("cmb_din2_fun")->setCurrentIndex(2);
  w<QComboBox>("cmb_din4_fun")->setCurrentIndex(2);
  EXPECT_EQ(p_reg(33), 2);
  EXPECT_EQ(p_reg(35), 2);
  EXPECT_TRUE(grp->isVisible());
  EXPECT_EQ(w<QLabel>("x_lbl_sw_din1")->text(), "Din-2");
  EXPECT_EQ(w<QLabel>("x_lbl_sw_din2")->text(), "Din-4");
  EXPECT_FALSE(w<QLabel>("x_lbl_sw_din3")->isVisible());
  EXPECT_TRUE(w<QLabel>("x_lbl_sw2_3")->isVisible());
  EXPECT_FALSE(w<QLabel>("x_lbl_sw2_4")->isVisible());
  EXPECT_TRUE(w<QComboBox>("cmb_prod3_sel")->isVisible());
  EXPECT_FALSE(w<QComboBox>("cmb_prod4_sel")->isVisible());
  EXPECT_EQ(w<QLabel>("x_lbl_def_prod")->text(), "Default product: PRODUCT 2");
  w<QComboBox>("cmb_prod3_sel")->setCurrentIndex(7);
  EXPECT_EQ(p_reg(38), 7);
}

TEST_F(CfgPages, ClosingTheWindowWhileTypingStoresNothing) {
  show_page(outputs_page(*form_));
  auto* del = w<QLineEdit>("txt_al1_del");
  del->setFocus();
  del->selectAll();
  QTest::keyClicks(del, "50");
  form_.reset();
  EXPECT_EQ(p_reg(60), 25);
}

TEST_F(CfgPages, TabWalksThePageInReadingOrder) {
  show_page(base_page(*form_));
  w<QLineEdit>("txt_dev_tag")->setFocus();
  QStringList order{QApplication::focusWidget()->objectName()};
  for (int k = 0; k < 7; ++k) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  // The serial number is disabled outside service mode and is passed over.
  EXPECT_EQ(order, QStringList({"txt_dev_tag", "cmb_curr_prod", "cmb_temp_mode", "cmb_baud", "cmb_parity",
                                "cmb_mod_addr", "chk_rs_term", order.last()}));
  EXPECT_EQ(p_reg(16), uint16_t{'T'});  // leaving the tag stored it unchanged
}

TEST_F(CfgPages, WithoutAConfigurationThePagesAreEmptyAndDisabled) {
  m_stat.off_line_vaild.store(false);
  form_->pages().show_cfg_pages();
  EXPECT_TRUE(w<QLineEdit>("txt_dev_tag")->text().isEmpty());
  EXPECT_FALSE(w<QLineEdit>("txt_dev_tag")->isEnabled());
  EXPECT_EQ(w<QComboBox>("cmb_curr_prod")->count(), 0);
  EXPECT_EQ(w<QComboBox>("cmb_baud")->currentIndex(), -1);
  EXPECT_FALSE(w<QPushButton>("cmd_cal_diag")->isEnabled());
  EXPECT_FALSE(w<QGroupBox>("grp_prod_switch")->isVisibleTo(inputs_page(*form_)));
}

namespace {

// The visible controls of a page keep at least their size hints, lie inside
// their group and do not overlap one another.
void expect_layout_holds(QWidget* page) {
  const auto groups = page->findChildren<QGroupBox*>();
  for (QGroupBox* g : groups) {
    if (!g->isVisibleTo(page) || g->height() == 0) continue;
    SCOPED_TRACE(g->objectName().toStdString());
    QList<QWidget*> ctrls;
    for (QObject* o : g->children())
      if (auto* c = qobject_cast<QWidget*>(o); c && c->isVisibleTo(g) && !c->objectName().isEmpty()) ctrls << c;
    for (QWidget* c : ctrls) {
      EXPECT_TRUE(g->rect().contains(c->geometry())) << c->objectName().toStdString();
      if (auto* l = qobject_cast<QLabel*>(c); l && !l->wordWrap() && !l->text().isEmpty()) {
        EXPECT_GE(l->width(), l->sizeHint().width()) << c->objectName().toStdString();
      }
      if (qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c)) {
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << c->objectName().toStdString();
      }
      if (auto* b = qobject_cast<QPushButton*>(c)) {
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 8) << c->objectName().toStdString();
      }
    }
    for (int a = 0; a < ctrls.size(); ++a)
      for (int b = a + 1; b < ctrls.size(); ++b)
        EXPECT_FALSE(ctrls[a]->geometry().intersects(ctrls[b]->geometry()))
            << ctrls[a]->objectName().toStdString() << " / " << ctrls[b]->objectName().toStdString();
  }
}

void check_pages_at(TMainForm& f, QSize size) {
  f.resize(size);
  for (QWidget* page : {base_page(f), inputs_page(f), outputs_page(f), products_page(f)}) {
    show_page(f, page);
    QApplication::processEvents();
    SCOPED_TRACE(page->objectName().toStdString());
    expect_layout_holds(page);
  }
}

}  // namespace

TEST_F(CfgPages, LayoutHoldsAtTheSmallestWindowAndWithLargerText) {
  // Every control shown: all four product-select inputs, five points.
  for (int i = 0; i < 4; ++i) set_p(32 + i, 2);
  set_q(0, 0, 5);
  m_stat.service_ena.store(true);
  form_->pages().show_cfg_pages();
  check_pages_at(*form_, form_->minimumSize());
  check_pages_at(*form_, QSize(1280, 800));

  // The program's font, and the same at 150 %, on windows made with it.
  const QFont old = QApplication::font();
  QFont::insertSubstitution("Arial", "Liberation Sans");
  for (int points : {10, 15}) {
    SCOPED_TRACE(points);
    QApplication::setFont(QFont("Arial", points));
    TMainForm f;
    apply_main_texts(&f, common_setup.lng_config);
    f.pages().fill_cfg_lists();
    f.show();
    f.pages().show_cfg_pages();
    check_pages_at(f, f.minimumSize());
  }
  QApplication::setFont(old);
}
