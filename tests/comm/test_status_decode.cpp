// Decoding of the live status: single texts and the whole view computed
// from the run-time records.
#include "comm/status_decode.h"

#include "core/common_data.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

constexpr uint16_t F_BIT = 1u << 5;

// Raw word with mantissa m at the gain whose factor is 1.
uint32_t raw_at_unity(uint32_t m) { return m | (55u << 12) | (3u << 18); }

uint16_t status_word(int product, bool fahrenheit, int unit, int decimals) {
  return static_cast<uint16_t>(product | (fahrenheit ? F_BIT : 0) | (unit << 6) | (decimals << 10));
}

class StatusDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    init_texts();
    sys_dec_sep = u'.';
  }
  void TearDown() override {
    sys_dec_sep = u'.';
    init_texts();
    reset_all_records();
  }

  // Device d in use and selected, connected, with a plain reading.
  static t_dev_stat& connect_device(int d, device_stat_t st = DEVSTAT_OK) {
    common_setup.dev_conn[d].active = true;
    common_setup.dev_conn[d].tag.set("Dryer " + QString::number(d + 1));
    m_stat.dev_selected = d;
    auto& s = m_stat.dev_stat[d];
    s.device_stat = st;
    s.last_dev_data.raw = raw_at_unity(500);
    s.last_dev_data.cal_val.store(12.345f);
    s.last_dev_data.temp = 215;
    s.last_dev_data.status = status_word(0, false, 1, 2);
    s.last_dev_data.status_2 = 0x0102;
    s.read_stat.set(1, 412);
    return s;
  }
};

}  // namespace

// ---- single texts --------------------------------------------------------------------

TEST_F(StatusDecode, TemperatureInCelsiusAndFahrenheit) {
  EXPECT_EQ(temp_text(-5, 0), "-0.5 \u00B0C");
  EXPECT_EQ(temp_text(215, 0), "21.5 \u00B0C");
  EXPECT_EQ(temp_text(0, 0), "0.0 \u00B0C");
  EXPECT_EQ(temp_text(-1234, 0), "-123.4 \u00B0C");
  EXPECT_EQ(temp_text(250, F_BIT), "77.0 \u00B0F");
  EXPECT_EQ(temp_text(-400, F_BIT), "-40.0 \u00B0F");
  // Integer arithmetic truncating toward zero: -7 * 18 / 10 is -12, not -13.
  EXPECT_EQ(temp_text(-7, F_BIT), "30.8 \u00B0F");
  EXPECT_EQ(temp_text(-200, F_BIT), "-4.0 \u00B0F");
  // Only bit 5 selects the unit.
  EXPECT_EQ(temp_text(250, static_cast<uint16_t>(~F_BIT)), "25.0 \u00B0C");
}

TEST_F(StatusDecode, NumbersFollowTheSystemDecimalSeparator) {
  sys_dec_sep = u',';
  EXPECT_EQ(temp_text(-5, 0), "-0,5 \u00B0C");
  EXPECT_EQ(meas_text(12.345f, status_word(0, false, 1, 2)), "12,35 kg/min");
  EXPECT_EQ(scaled_text(5, 2), "0,05");
  EXPECT_EQ(scaled_text(-7, 1), "-0,7");
  EXPECT_EQ(scaled_text(1234, 0), "1234");
  // The firmware version is not a number of the system's format.
  EXPECT_EQ(firmware_text(105), "1.05");
}

TEST_F(StatusDecode, FirmwareVersion) {
  EXPECT_EQ(firmware_text(105), "1.05");
  EXPECT_EQ(firmware_text(110), "1.10");
  EXPECT_EQ(firmware_text(7), "0.07");
  EXPECT_EQ(firmware_text(9), "0.09");
  EXPECT_EQ(firmware_text(0), "0.00");
  EXPECT_EQ(firmware_text(412), "4.12");
  EXPECT_EQ(firmware_text(65535), "655.35");
}

TEST_F(StatusDecode, SensorSerialUsesAll48Bits) {
  EXPECT_EQ(serial_text(0, 0, 0), "0");
  EXPECT_EQ(serial_text(1, 0, 0), "1");
  EXPECT_EQ(serial_text(0, 1, 0), "65536");
  EXPECT_EQ(serial_text(0, 0, 1), "4294967296");
  EXPECT_EQ(serial_text(0x5678, 0x1234, 0xABCD), "188897262065272");
  EXPECT_EQ(serial_text(0xFFFF, 0xFFFF, 0xFFFF), "281474976710655");
}

TEST_F(StatusDecode, ErrorCodeLowByteFirst) {
  EXPECT_EQ(err_code_text(0xA005), "05/A0");
  EXPECT_EQ(err_code_text(0x0102), "02/01");
  EXPECT_EQ(err_code_text(0), "00/00");
  EXPECT_EQ(err_code_text(0xFFFF), "FF/FF");
}

TEST_F(StatusDecode, MeasuredValueDecimalsAndUnit) {
  EXPECT_EQ(meas_text(12.345f, status_word(0, false, 0, 0)), "12 kg/h");
  EXPECT_EQ(meas_text(12.345f, status_word(0, false, 3, 1)), "12.3 t/h");
  EXPECT_EQ(meas_text(-0.5f, status_word(0, false, 6, 3)), "-0.500 %");
  // Unit indexes beyond the unit list show the value alone.
  EXPECT_EQ(meas_text(2.0f, status_word(0, false, 7, 1)), "2.0");
  EXPECT_EQ(meas_text(2.0f, status_word(0, false, 15, 1)), "2.0");
}

TEST_F(StatusDecode, AlarmAndDeviceStatusTexts) {
  EXPECT_EQ(alarm_text(1u << 24, 1), "On");
  EXPECT_EQ(alarm_text(1u << 24, 2), "Off");
  EXPECT_EQ(alarm_text(1u << 25, 2), "On");
  EXPECT_EQ(alarm_text(0, 1), "Off");
  EXPECT_EQ(device_status_text(0), "Connected");
  EXPECT_EQ(device_status_text(1u << 20), "Sensor error");
  EXPECT_EQ(device_status_text((1u << 20) | (1u << 21)), "System error");
}

TEST_F(StatusDecode, ProductNameNeverReadsPastTheImage) {
  prod_image prod;
  const char* name = "Wheat";
  for (int k = 0; name[k]; ++k) prod.set(PROD_STRIDE * 3 + 24 + k, static_cast<uint16_t>(name[k]));
  EXPECT_EQ(product_name(prod, 3), QString("Wheat       "));  // 0 registers give blanks
  prod.set(PROD_STRIDE * 23 + 24, u'\u00DF');
  prod.set(PROD_STRIDE * 23 + 35, u'Z');
  EXPECT_EQ(product_name(prod, 23), QString::fromUtf16(u"\u00DF          Z"));
  for (int p = 24; p < 32; ++p) EXPECT_FALSE(product_name(prod, p).has_value()) << p;
  EXPECT_FALSE(product_name(prod, -1).has_value());
}

TEST_F(StatusDecode, PanelImagesAndHints) {
  EXPECT_EQ(panel_view_of(1, 0).image, PANEL_IMG_DISABLE);
  EXPECT_EQ(panel_view_of(1, 0).hint, "Acquisistion deactivated");
  EXPECT_EQ(panel_view_of(2, 1).image, PANEL_IMG_DISCON);
  EXPECT_EQ(panel_view_of(2, 1).hint, "No connection. Check hardware and COM-Port settings");
  EXPECT_EQ(panel_view_of(3, 3).hint, "Connected. System error");
  EXPECT_EQ(panel_view_of(3, 4).hint, "Connected. Sensor error");
  EXPECT_EQ(panel_view_of(3, 5).hint, "Connected. Sensor temperature off limits");
  EXPECT_EQ(panel_view_of(4, 2).image, PANEL_IMG_OK);
  EXPECT_EQ(panel_view_of(4, 2).hint, "Connected");
  for (int st : {0, 5, -1}) {
    EXPECT_EQ(panel_view_of(st, 2).image, PANEL_IMG_NONE) << st;
    EXPECT_TRUE(panel_view_of(st, 2).hint.isEmpty()) << st;
  }
}

TEST_F(StatusDecode, APanelWhoseLogCannotBeWrittenSaysSoInItsHint) {
  auto& c = common_setup.dev_conn[3];
  c.active = true;
  c.log_dir.set("/plant/logs");
  srvc_diag.diag[3].panel_state = 4;
  srvc_diag.diag[3].panel_detail = 2;
  EXPECT_EQ(compute_status_view(0).panels[3].hint, "Connected");
  m_stat.dev_stat[3].log_error = ENOSPC;
  EXPECT_EQ(compute_status_view(0).panels[3].hint, "Connected\nLogging fails: /plant/logs: " + qt_error_string(ENOSPC));
  m_stat.dev_stat[3].log_error = 0;  // written again
  EXPECT_EQ(compute_status_view(0).panels[3].hint, "Connected");
}

// ---- the whole view ------------------------------------------------------------------

TEST_F(StatusDecode, SaturationWarningAndRunDown) {
  auto& s = connect_device(2);

  s.last_dev_data.raw = raw_at_unity(1020);
  status_view v = compute_status_view(0);
  EXPECT_TRUE(v.meas.isEmpty());
  EXPECT_EQ(v.raw, "Saturation");
  EXPECT_EQ(v.red_dsp_tout, RED_DSP_TICKS);
  EXPECT_TRUE(v.red);

  s.last_dev_data.raw = raw_at_unity(1019);
  v = compute_status_view(0);
  EXPECT_EQ(v.meas, "12.35 kg/min");
  EXPECT_EQ(v.raw, "1019");
  EXPECT_EQ(v.red_dsp_tout, RED_DSP_TICKS);
  EXPECT_TRUE(v.red);

  // Below the warning level the countdown is left to the caller: red while it runs.
  s.last_dev_data.raw = raw_at_unity(970);
  v = compute_status_view(5);
  EXPECT_EQ(v.raw, "970");
  EXPECT_EQ(v.red_dsp_tout, 5);
  EXPECT_TRUE(v.red);
  v = compute_status_view(0);
  EXPECT_EQ(v.red_dsp_tout, 0);
  EXPECT_FALSE(v.red);
}

TEST_F(StatusDecode, LiveValuesOfTheSelectedDevice) {
  auto& s = connect_device(1);
  s.last_dev_data.raw = raw_at_unity(500) | (1u << 25) | (1u << 20);
  s.last_dev_data.status = status_word(2, true, 4, 1);
  s.last_dev_data.status_2 = 0xA005;
  s.last_dev_data.temp = 250;
  s.read_stat.set(1, 105);
  s.read_stat.set(78, 0x5678);
  s.read_stat.set(79, 0x1234);
  s.read_stat.set(80, 0xABCD);
  s.read_prod.set(PROD_STRIDE * 2 + 24, u'R');
  s.read_prod.set(PROD_STRIDE * 2 + 25, u'y');

  const status_view v = compute_status_view(0);
  ASSERT_TRUE(v.selected);
  ASSERT_TRUE(v.live);
  EXPECT_EQ(v.group_caption, "Dryer 2");
  EXPECT_EQ(v.serial, "188897262065272");
  EXPECT_TRUE(v.serial_visible);
  ASSERT_TRUE(v.product.has_value());
  EXPECT_EQ(*v.product, "Ry          ");
  EXPECT_EQ(v.meas, "12.3 lb/h");
  EXPECT_EQ(v.raw, "500");
  EXPECT_EQ(v.temp, "77.0 \u00B0F");
  EXPECT_EQ(v.al1, "Off");
  EXPECT_EQ(v.al2, "On");
  EXPECT_EQ(v.stat, "Sensor error");
  EXPECT_EQ(v.err_code, "05/A0");
  EXPECT_EQ(v.firmware, "1.05");
  EXPECT_FALSE(v.red);
}

TEST_F(StatusDecode, WaitStillShowsValuesOtherStatesShowDashes) {
  auto& s = connect_device(4, DEVSTAT_WAIT);
  status_view v = compute_status_view(0);
  EXPECT_TRUE(v.live);
  EXPECT_EQ(v.meas, "12.35 kg/min");
  EXPECT_EQ(v.stat, "Connected");

  for (device_stat_t st : {DEVSTAT_IDLE, DEVSTAT_COMERR, DEVSTAT_TOUT, DEVSTAT_BADDEV}) {
    s.device_stat = st;
    s.last_dev_data.raw = raw_at_unity(1020);  // ignored: no valid data
    v = compute_status_view(0);
    EXPECT_FALSE(v.live);
    EXPECT_FALSE(v.product.has_value());
    for (const QString* t : {&v.meas, &v.raw, &v.temp, &v.al1, &v.al2, &v.err_code, &v.firmware})
      EXPECT_EQ(*t, "---") << int(st);
    EXPECT_EQ(v.stat, "Not connected");
    EXPECT_EQ(v.red_dsp_tout, 0);
    EXPECT_TRUE(v.selected);
  }
}

TEST_F(StatusDecode, DeviceNotInUseShowsNoImageAndNothingIsWritten) {
  // The service left states behind for slots 0 (in use) and 5 (not in use).
  common_setup.dev_conn[0].active = true;
  srvc_diag.diag[0].panel_state = 4;
  srvc_diag.diag[5].panel_state = 2;
  srvc_diag.diag[5].panel_detail = 1;
  m_stat.dev_selected = -1;
  const status_view v = compute_status_view(0);
  EXPECT_EQ(v.panels[0].image, PANEL_IMG_OK);
  EXPECT_EQ(v.panels[5].image, PANEL_IMG_NONE);
  EXPECT_EQ(v.panels[5].hint, "");
  // The display only reads: the records belong to the service.
  EXPECT_EQ(srvc_diag.diag[5].panel_state.load(), 2);
  EXPECT_EQ(srvc_diag.diag[0].panel_state.load(), 4);
  EXPECT_FALSE(v.selected);
}

TEST_F(StatusDecode, SelectionOutsideTheSlotsCountsAsNone) {
  for (int sel : {-1, 8, 1000}) {
    m_stat.dev_selected = sel;
    const status_view v = compute_status_view(7);
    EXPECT_FALSE(v.selected) << sel;
    EXPECT_EQ(v.red_dsp_tout, 7);
  }
}

TEST_F(StatusDecode, MessagesComeFromTheCurrentTexts) {
  auto& s = connect_device(0);
  s.last_dev_data.raw = raw_at_unity(1023);
  const int row = find_text_row(u"mesage_text_39", TXT_KIND_MESSAGE, 39);
  ASSERT_GE(row, 0);
  cur_texts[row] = "Sättigung";
  EXPECT_EQ(compute_status_view(0).raw, "Sättigung");
}
