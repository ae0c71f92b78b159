// Decoding of what the communication service leaves in the run-time records
// into the texts of the live status display: the panel image and hint of
// every device, and the live values of the selected device. It only reads
// the records. No widgets here; ui/status_panel.h shows the result.
#pragma once

#include "comm/link_stats.h"
#include "core/common_data.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

inline constexpr int RED_DSP_TICKS = 30;    // timer ticks a warning keeps the values red
inline constexpr int MSG_PANEL_HINT = 105;  // hint of a panel image: 105 + panel_detail
inline constexpr int MSG_CONNECTED = 18;
inline constexpr int MSG_NOT_CONNECTED = 19;
inline constexpr int MSG_SATURATION = 39;
inline constexpr int MSG_SENSOR_ERROR = 42;
inline constexpr int MSG_SYSTEM_ERROR = 43;
inline constexpr int PROD_NAME_REGS = 12;   // registers of a product name
inline constexpr int PROD_NAME_FIRST = 24;  // offset of the name in a product block

// ---- panel images ------------------------------------------------------------
enum panel_image_t : int {
  PANEL_IMG_NONE = 0,
  PANEL_IMG_DISABLE = 1,
  PANEL_IMG_DISCON = 2,
  PANEL_IMG_ERR = 3,
  PANEL_IMG_OK = 4,
};

// Name suffix of an image ("disable", "discon", "err", "ok"); empty for none.
const char* panel_image_suffix(panel_image_t image);

struct panel_view {
  panel_image_t image = PANEL_IMG_NONE;
  QString hint;  // the hint of the shown image; empty when none is shown
};

// The image and hint of a panel state 1..4; any other state shows none.
panel_view panel_view_of(int32_t panel_state, int32_t panel_detail);

// ---- status word (register 2122) ----------------------------------------------------
inline int status_product(uint16_t status) { return status & 0x1F; }
inline bool status_fahrenheit(uint16_t status) { return (status & (1u << 5)) != 0; }
inline int status_unit(uint16_t status) { return (status >> 6) & 0x0F; }
inline int status_decimals(uint16_t status) { return (status >> 10) & 0x03; }

// ---- single texts (pure) ------------------------------------------------------------
// Digits of |value|, with sys_dec_sep before the last dec digits (padded with
// leading zeros to at least dec + 1 digits) and "-" in front when negative.
QString scaled_text(int64_t value, int dec);

// Temperature in tenths of °C shown in the unit of the status word, one
// decimal: -5 gives "-0.5 °C"; 250 with bit 5 gives "77.0 °F".
QString temp_text(int32_t temp_tenths_c, uint16_t status);

// Firmware version in hundredths: 105 gives "1.05", 7 gives "0.07".
QString firmware_text(uint16_t v);

// The 48-bit sensor serial number w0 + w1·2^16 + w2·2^32 in decimal.
QString serial_text(uint16_t w0, uint16_t w1, uint16_t w2);

// Low byte "/" high byte, two upper-case hexadecimal digits each: 0xA005 gives "05/A0".
QString err_code_text(uint16_t status_2);

// The 12-character name of product p of a product image (a 0 register is a
// blank); std::nullopt when p names no product of the image (indexes 24..31
// of the status word have no block).
std::optional<QString> product_name(const prod_image& prod, int p);

// Measured value with the decimals of the status word (system decimal
// separator) and, when the unit index names an item of the unit list, " " and the unit.
QString meas_text(float cal_val, uint16_t status);

// "On" / "Off" of alarm relay 1 (raw bit 24) or 2 (raw bit 25).
QString alarm_text(uint32_t raw, int alarm);

// "System error" (raw bit 21), else "Sensor error" (bit 20), else "Connected".
QString device_status_text(uint32_t raw);

// ---- link health --------------------------------------------------------------------
// A response time: one decimal below 10 ms ("0.4 ms", "9.9 ms"), whole
// milliseconds from there on ("14 ms"), with the system decimal separator.
QString resp_time_text(uint32_t us);

// The status line of a device's link: the share of good answers among the
// last LINK_WINDOW requests (rounded down, so "100 %" means no failure),
// the mean response time of the last LINK_WINDOW answers and, when there are
// any among those requests, the CRC errors and the time-outs:
// "98 % · 14 ms · 3 CRC" or "90 % · 0.4 ms · 2 CRC · 8 time-outs" ("1 time-out").
// "---" before the first request.
QString link_line(const t_link_view& v);

// ---- the whole display ------------------------------------------------------------------
struct status_view {
  std::array<panel_view, MAX_DEVICES> panels;

  bool selected = false;  // a device 0..7 is selected; otherwise nothing below applies
  QString group_caption;  // tag of the selected device
  QString serial;
  bool serial_visible = false;

  bool live = false;               // device state OK or WAIT: the values below are the device's
  std::optional<QString> product;  // set the product label to this (only when it differs)
  QString meas, raw, temp, al1, al2, stat, err_code, firmware;
  bool red = false;      // colour of the measured and raw values (only when live)
  QString link_caption;  // "Link"
  QString link;          // link_line of the selected device (also when not live)

  int red_dsp_tout = 0;  // the countdown after this display
};

// Computes the display from m_stat, srvc_diag and common_setup, changing none
// of them. The hint of a device's panel image ends with its link line once
// the device was asked anything. Devices that are not in use show no panel image (the service marks
// them as panel state 0 at their next turn). red_dsp_tout is the countdown
// before the display; the view carries its new value (30 after saturation or
// a warning).
status_view compute_status_view(int red_dsp_tout);
