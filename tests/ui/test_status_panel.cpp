// The live status display on real widgets (offscreen): the group and the
// serial controls built by the status panel, fake device panel images, and
// the once-a-second update as the main window timer runs it.
#include "ui/status_panel.h"

#include "comm/status_decode.h"
#include "core/common_data.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <memory>

#include <gtest/gtest.h>

namespace {

const char* const k_images[] = {"ok", "discon", "err", "disable"};

uint32_t raw_at_unity(uint32_t m) { return m | (55u << 12) | (3u << 18); }

class StatusPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    init_texts();
    sys_dec_sep = u'.';
    window = std::make_unique<QWidget>();
    auto* col = new QVBoxLayout(window.get());
    for (int d = 1; d <= MAX_DEVICES; ++d) {
      auto* panel = new QWidget(window.get());
      panel->setObjectName(QString("pnl_dev_%1").arg(d));
      for (const char* img : k_images) {
        auto* l = new QLabel(panel);
        l->setObjectName(QString("img_dev%1_%2").arg(d).arg(img));
        l->setFixedSize(24, 24);
        l->hide();
      }
      col->addWidget(panel);
    }
    group = build_current_group(window.get());
    col->addWidget(group);
    serial = build_sens_serial(window.get());
    col->addWidget(serial.label);
    col->addWidget(serial.edit);
    window->show();
  }
  void TearDown() override {
    window.reset();
    reset_all_records();
  }

  QLabel* label(const char* name) const { return window->findChild<QLabel*>(name); }
  QString text(const char* name) const { return label(name) ? label(name)->text() : QString("<missing>"); }
  bool red(const char* name) const { return label(name)->palette().color(QPalette::WindowText) == QColor(Qt::red); }
  QWidget* image(int d, const char* kind) const {
    return window->findChild<QWidget*>(QString("img_dev%1_%2").arg(d + 1).arg(kind));
  }
  // The images of device d that are visible.
  QStringList visible_images(int d) const {
    QStringList out;
    for (const char* img : k_images)
      if (image(d, img)->isVisible()) out << img;
    return out;
  }
  // One timer tick of the main window: count down, then show.
  void tick() {
    if (red_dsp_tout > 0) --red_dsp_tout;
    update_status_display(window.get(), red_dsp_tout);
  }
  static t_dev_stat& connect_device(int d) {
    common_setup.dev_conn[d].active = true;
    common_setup.dev_conn[d].tag.set("Silo " + QString::number(d + 1));
    m_stat.dev_selected = d;
    auto& s = m_stat.dev_stat[d];
    s.device_stat = DEVSTAT_OK;
    s.last_dev_data.raw = raw_at_unity(500) | (1u << 24);
    s.last_dev_data.cal_val.store(3.5f);
    s.last_dev_data.temp = -5;
    s.last_dev_data.status = static_cast<uint16_t>(1 | (0 << 6) | (1 << 10));
    s.last_dev_data.status_2 = 0xA005;
    s.read_stat.set(1, 110);
    s.read_prod.set(PROD_STRIDE + 24, u'O');
    s.read_prod.set(PROD_STRIDE + 25, u'a');
    s.read_prod.set(PROD_STRIDE + 26, u't');
    s.read_prod.set(PROD_STRIDE + 27, u's');
    return s;
  }

  std::unique_ptr<QWidget> window;
  QGroupBox* group = nullptr;
  sens_serial_controls serial;
  int red_dsp_tout = 0;
};

}  // namespace

TEST_F(StatusPanel, GroupHoldsEveryLabelWithItsCaption) {
  EXPECT_EQ(group->objectName(), "x_grp_current");
  const char* const rows[][3] = {
      {"lbl_curr_meas", "Meas.:", "x_lbl_curr_meas_val"},      {"lbl_curr_raw", "Raw:", "x_lbl_curr_raw_val"},
      {"lbl_curr_temp", "Temperature", "x_lbl_curr_temp_val"}, {"lbl_curr_al1", "Alarm 1", "x_lbl_curr_al1_val"},
      {"lbl_curr_al2", "Alarm 2", "x_lbl_curr_al2_val"},       {"lbl_curr_stat", "Current status", "x_lbl_curr_stat"},
      {"lbl_stat_prod", "Product", "x_lbl_stat_prod"},         {"lbl_err_code", "Error code", "x_lbl_err_code"},
      {"lbl_firmware", "Firmware version", "x_lbl_firmware"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(text(r[0]), r[1]);
    EXPECT_EQ(label(r[2]) ? label(r[2])->parentWidget() : nullptr, group) << r[2];
  }
  EXPECT_EQ(serial.label->objectName(), "lbl_sens_serial");
  EXPECT_EQ(serial.label->text(), "Sensor number");
  EXPECT_EQ(serial.edit->objectName(), "txt_sens_serial");
  EXPECT_TRUE(serial.edit->isReadOnly());
  EXPECT_FALSE(group->isVisible());  // nothing shown before the first update
}

TEST_F(StatusPanel, ExactlyOneImagePerPanelWithItsHint) {
  for (int d : {0, 1, 2, 3}) common_setup.dev_conn[d].active = true;
  srvc_diag.diag[0].panel_state = 4;
  srvc_diag.diag[0].panel_detail = 2;
  srvc_diag.diag[1].panel_state = 3;
  srvc_diag.diag[1].panel_detail = 4;
  srvc_diag.diag[2].panel_state = 2;
  srvc_diag.diag[2].panel_detail = 1;
  srvc_diag.diag[3].panel_state = 1;
  srvc_diag.diag[6].panel_state = 4;  // left behind for a slot not in use
  m_stat.dev_selected = -1;
  update_status_display(window.get(), red_dsp_tout);

  EXPECT_EQ(visible_images(0), QStringList{"ok"});
  EXPECT_EQ(image(0, "ok")->toolTip(), "Connected");
  EXPECT_EQ(visible_images(1), QStringList{"err"});
  EXPECT_EQ(image(1, "err")->toolTip(), "Connected. Sensor error");
  EXPECT_EQ(visible_images(2), QStringList{"discon"});
  EXPECT_EQ(image(2, "discon")->toolTip(), "No connection. Check hardware and COM-Port settings");
  EXPECT_EQ(visible_images(3), QStringList{"disable"});
  EXPECT_EQ(image(3, "disable")->toolTip(), "Acquisistion deactivated");
  EXPECT_TRUE(visible_images(6).isEmpty());
  EXPECT_EQ(srvc_diag.diag[6].panel_state.load(), 4);  // the display writes nothing

  // The device goes from running to no state: no image, the ok hint cleared.
  srvc_diag.diag[0].panel_state = 0;
  update_status_display(window.get(), red_dsp_tout);
  EXPECT_TRUE(visible_images(0).isEmpty());
  EXPECT_TRUE(image(0, "ok")->toolTip().isEmpty());

  // Missing images are skipped.
  delete image(4, "ok");
  common_setup.dev_conn[4].active = true;
  srvc_diag.diag[4].panel_state = 4;
  update_status_display(window.get(), red_dsp_tout);
  for (const char* img : {"discon", "err", "disable"}) EXPECT_FALSE(image(4, img)->isVisible()) << img;
}

TEST_F(StatusPanel, NoSelectionHidesGroupAndSerial) {
  auto& s = connect_device(0);
  s.read_stat.set(78, 4711);
  update_status_display(window.get(), red_dsp_tout);
  EXPECT_TRUE(group->isVisible());
  EXPECT_TRUE(serial.edit->isVisible());
  EXPECT_TRUE(serial.label->isVisible());

  m_stat.dev_selected = -1;
  update_status_display(window.get(), red_dsp_tout);
  EXPECT_FALSE(group->isVisible());
  EXPECT_FALSE(serial.edit->isVisible());
  EXPECT_FALSE(serial.label->isVisible());
}

TEST_F(StatusPanel, LiveValuesOfTheSelectedDevice) {
  auto& s = connect_device(1);
  s.read_stat.set(78, 0);
  s.read_stat.set(79, 0);
  s.read_stat.set(80, 2);
  update_status_display(window.get(), red_dsp_tout);

  EXPECT_TRUE(group->isVisible());
  EXPECT_EQ(group->title(), "Silo 2");
  EXPECT_EQ(text("x_lbl_curr_meas_val"), "3.5 kg/h");
  EXPECT_EQ(text("x_lbl_curr_raw_val"), "500");
  EXPECT_EQ(text("x_lbl_curr_temp_val"), "-0.5 \u00B0C");
  EXPECT_EQ(text("x_lbl_curr_al1_val"), "On");
  EXPECT_EQ(text("x_lbl_curr_al2_val"), "Off");
  EXPECT_EQ(text("x_lbl_curr_stat"), "Connected");
  EXPECT_EQ(text("x_lbl_stat_prod"), "Oats        ");
  EXPECT_EQ(text("x_lbl_err_code"), "05/A0");
  EXPECT_EQ(text("x_lbl_firmware"), "1.10");
  EXPECT_EQ(serial.edit->text(), "8589934592");
  EXPECT_TRUE(serial.edit->isVisible());
  EXPECT_FALSE(red("x_lbl_curr_meas_val"));
  EXPECT_FALSE(red("x_lbl_curr_raw_val"));

  // Serial 0, 0, 0 hides the serial controls.
  s.read_stat.set(80, 0);
  update_status_display(window.get(), red_dsp_tout);
  EXPECT_FALSE(serial.edit->isVisible());
  EXPECT_FALSE(serial.label->isVisible());
  EXPECT_TRUE(group->isVisible());
}

TEST_F(StatusPanel, WarningKeepsValuesRedForThirtyTicks) {
  auto& s = connect_device(0);
  s.last_dev_data.raw = raw_at_unity(1019);
  tick();
  EXPECT_EQ(red_dsp_tout, 30);
  EXPECT_TRUE(red("x_lbl_curr_meas_val"));
  EXPECT_TRUE(red("x_lbl_curr_raw_val"));
  EXPECT_EQ(text("x_lbl_curr_raw_val"), "1019");

  s.last_dev_data.raw = raw_at_unity(970);
  for (int k = 1; k < 30; ++k) {
    tick();
    ASSERT_TRUE(red("x_lbl_curr_raw_val")) << "tick " << k;
  }
  tick();
  EXPECT_EQ(red_dsp_tout, 0);
  EXPECT_FALSE(red("x_lbl_curr_meas_val"));
  EXPECT_FALSE(red("x_lbl_curr_raw_val"));
  EXPECT_EQ(text("x_lbl_curr_raw_val"), "970");
}

TEST_F(StatusPanel, ClickOnAValueLabelEndsTheHighlight) {
  connect_value_clicks(window.get(), [this] { red_dsp_tout = 0; });
  auto& s = connect_device(0);
  for (const char* name : {"lbl_curr_meas", "x_lbl_curr_meas_val", "lbl_curr_raw", "x_lbl_curr_raw_val"}) {
    s.last_dev_data.raw = raw_at_unity(1019);
    tick();
    ASSERT_EQ(red_dsp_tout, 30);
    s.last_dev_data.raw = raw_at_unity(900);
    QLabel* l = label(name);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), l->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(l, &press);
    EXPECT_EQ(red_dsp_tout, 0) << name;
    tick();
    EXPECT_FALSE(red("x_lbl_curr_raw_val")) << name;
  }
  // Other labels do not end it.
  s.last_dev_data.raw = raw_at_unity(1019);
  tick();
  QLabel* other = label("x_lbl_curr_temp_val");
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), other->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(other, &press);
  EXPECT_EQ(red_dsp_tout, 30);
}

TEST_F(StatusPanel, LostConnectionShowsDashesAndKeepsProductAndSerial) {
  auto& s = connect_device(0);
  s.read_stat.set(78, 99);
  update_status_display(window.get(), red_dsp_tout);
  ASSERT_EQ(text("x_lbl_stat_prod"), "Oats        ");

  s.device_stat = DEVSTAT_TOUT;
  update_status_display(window.get(), red_dsp_tout);
  for (const char* v : {"x_lbl_curr_meas_val", "x_lbl_curr_raw_val", "x_lbl_curr_temp_val", "x_lbl_curr_al1_val",
                        "x_lbl_curr_al2_val", "x_lbl_err_code", "x_lbl_firmware"})
    EXPECT_EQ(text(v), "---") << v;
  EXPECT_EQ(text("x_lbl_curr_stat"), "Not connected");
  EXPECT_EQ(text("x_lbl_stat_prod"), "Oats        ");
  EXPECT_EQ(serial.edit->text(), "99");

  // One missed read (WAIT) still shows the values.
  s.device_stat = DEVSTAT_WAIT;
  update_status_display(window.get(), red_dsp_tout);
  EXPECT_EQ(text("x_lbl_curr_meas_val"), "3.5 kg/h");
  EXPECT_EQ(text("x_lbl_curr_stat"), "Connected");
}

TEST_F(StatusPanel, ProductIndexWithoutRecordKeepsTheLabel) {
  auto& s = connect_device(0);
  update_status_display(window.get(), red_dsp_tout);
  ASSERT_EQ(text("x_lbl_stat_prod"), "Oats        ");
  for (int p = 24; p < 32; ++p) {
    s.last_dev_data.status = static_cast<uint16_t>(p | (1 << 10));
    update_status_display(window.get(), red_dsp_tout);
    EXPECT_EQ(text("x_lbl_stat_prod"), "Oats        ") << p;
    EXPECT_EQ(text("x_lbl_curr_meas_val"), "3.5 kg/h");
  }
}
