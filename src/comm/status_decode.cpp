#include "comm/status_decode.h"

#include "archive/log_file.h"
#include "core/mono_clock.h"
#include "core/raw_value.h"
#include "core/reg_text.h"
#include "core/sys_number.h"
#include "texts/text_table.h"

#include <QStringList>

namespace {

QString hex2(unsigned v) { return QStringLiteral("%1").arg(v & 0xFFu, 2, 16, QChar(u'0')).toUpper(); }

const QString& dashes() {
  static const QString d = QStringLiteral("---");
  return d;
}

}  // namespace

const char* panel_image_suffix(panel_image_t image) {
  switch (image) {
    case PANEL_IMG_DISABLE: return "disable";
    case PANEL_IMG_DISCON: return "discon";
    case PANEL_IMG_ERR: return "err";
    case PANEL_IMG_OK: return "ok";
    case PANEL_IMG_NONE: break;
  }
  return "";
}

panel_view panel_view_of(int32_t panel_state, int32_t panel_detail) {
  panel_view v;
  if (panel_state < PANEL_IMG_DISABLE || panel_state > PANEL_IMG_OK) return v;
  v.image = static_cast<panel_image_t>(panel_state);
  v.hint = msg_text(MSG_PANEL_HINT + panel_detail);
  return v;
}

QString scaled_text(int64_t value, int dec) {
  const bool negative = value < 0;
  // The magnitude as unsigned, so that the most negative value survives.
  const uint64_t mag = negative ? 0u - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  QString digits = QString::number(mag);
  if (dec > 0) {
    if (digits.size() < dec + 1) digits = QString(dec + 1 - digits.size(), u'0') + digits;
    digits.insert(digits.size() - dec, sys_dec_char());
  }
  return negative ? u'-' + digits : digits;
}

QString temp_text(int32_t temp_tenths_c, uint16_t status) {
  int64_t t = temp_tenths_c;
  if (status_fahrenheit(status)) return scaled_text(t * 18 / 10 + 320, 1) + QStringLiteral(" \u00B0F");
  return scaled_text(t, 1) + QStringLiteral(" \u00B0C");
}

QString firmware_text(uint16_t v) {
  const unsigned minor = v % 100u;
  return QString::number(v / 100u) + (minor < 10 ? QStringLiteral(".0") : QStringLiteral(".")) + QString::number(minor);
}

QString serial_text(uint16_t w0, uint16_t w1, uint16_t w2) {
  const uint64_t n = uint64_t{w0} | (uint64_t{w1} << 16) | (uint64_t{w2} << 32);
  return QString::number(n);
}

QString err_code_text(uint16_t status_2) { return hex2(status_2) + u'/' + hex2(status_2 >> 8u); }

std::optional<QString> product_name(const prod_image& prod, int p) {
  if (p < 0 || p >= PRODUCTS) return std::nullopt;
  const int first = PROD_STRIDE * p + PROD_NAME_FIRST;
  if (first + PROD_NAME_REGS > prod_image::size()) return std::nullopt;
  return regs_to_text(prod, first, PROD_NAME_REGS);
}

QString meas_text(float cal_val, uint16_t status) {
  QString s = fmt_sys_fixed(status_decimals(status), cal_val);
  const QStringList units = unit_items();
  const int unit = status_unit(status);
  if (unit < units.size()) s += u' ' + units[unit];
  return s;
}

QString alarm_text(uint32_t raw, int alarm) {
  const uint32_t bit = alarm == 2 ? (1u << 25) : (1u << 24);
  return (raw & bit) ? QStringLiteral("On") : QStringLiteral("Off");
}

QString device_status_text(uint32_t raw) {
  if (raw & (1u << 21)) return msg_text(MSG_SYSTEM_ERROR);
  if (raw & (1u << 20)) return msg_text(MSG_SENSOR_ERROR);
  return msg_text(MSG_CONNECTED);
}

QString resp_time_text(uint32_t us) {
  if (us < 9950) return scaled_text((us + 50) / 100, 1) + QStringLiteral(" ms");
  return QString::number((us + 500) / 1000) + QStringLiteral(" ms");
}

QString link_line(const t_link_view& v) {
  if (v.win_requests <= 0) return dashes();
  const QString sep = QStringLiteral(" \u00B7 ");
  QString s = QString::number(100 * v.win_good / v.win_requests) + QStringLiteral(" %");
  if (v.resp_count > 0) s += sep + resp_time_text(v.mean_us);
  if (v.win_crc > 0)
    s += sep + QString::number(v.win_crc) + u' ' + text_or_default(u"link_crc_word", TXT_KIND_CAPTION, FORM_MAIN);
  if (v.win_timeouts > 0)
    s += sep + QString::number(v.win_timeouts) + u' ' +
         text_or_default(v.win_timeouts == 1 ? u"link_tout_one" : u"link_tout_word", TXT_KIND_CAPTION, FORM_MAIN);
  return s;
}

status_view compute_status_view(int red_dsp_tout) {
  status_view v;
  v.red_dsp_tout = red_dsp_tout;

  // A slot not in use shows no image, whatever state the service left for it.
  for (int d = 0; d < MAX_DEVICES; ++d) {
    const auto& diag = srvc_diag.diag[d];
    if (!common_setup.dev_conn[d].active.load(rlx)) continue;
    v.panels[d] = panel_view_of(diag.panel_state.load(rlx), diag.panel_detail.load(rlx));
    // While the device's log cannot be written, its hint says so.
    if (const int err = m_stat.dev_stat[d].log_error.load(rlx); err != 0 && !v.panels[d].hint.isEmpty())
      v.panels[d].hint += u'\n' + log_failure_text(common_setup.dev_conn[d].log_dir.get(), err);
  }
  v.link_caption = text_or_default(u"x_lbl_curr_link", TXT_KIND_CAPTION, FORM_MAIN);
  const int64_t now = line_clock().now_ms();
  for (int d = 0; d < MAX_DEVICES; ++d) {
    if (v.panels[d].hint.isEmpty()) continue;
    const t_link_view lv = link_view(m_stat.dev_stat[d].link, now);
    if (lv.win_requests > 0) v.panels[d].hint += u'\n' + v.link_caption + QStringLiteral(": ") + link_line(lv);
  }

  // A selection outside 0..7 counts as none.
  const int sel = m_stat.dev_selected.load(rlx);
  if (sel < 0 || sel >= MAX_DEVICES) return v;
  v.selected = true;

  const t_dev_stat& s = m_stat.dev_stat[sel];
  v.serial = serial_text(s.read_stat.get(78), s.read_stat.get(79), s.read_stat.get(80));
  v.serial_visible = v.serial != u"0";
  v.group_caption = common_setup.dev_conn[sel].tag.get();

  v.link = link_line(link_view(s.link, now));
  const device_stat_t st = s.device_stat.load(rlx);
  v.live = st == DEVSTAT_OK || st == DEVSTAT_WAIT;
  if (!v.live) {
    v.meas = v.raw = v.temp = v.al1 = v.al2 = v.err_code = v.firmware = dashes();
    v.stat = msg_text(MSG_NOT_CONNECTED);
    return v;
  }

  const t_last_dev_data& ld = s.last_dev_data;
  const uint16_t status = ld.status.load(rlx);
  const uint32_t raw = ld.raw.load(rlx);

  v.product = product_name(s.read_prod, status_product(status));
  if (raw_saturated(raw, RAW_SAT_LIMIT)) {
    v.meas.clear();
    v.raw = msg_text(MSG_SATURATION);
    v.red_dsp_tout = RED_DSP_TICKS;
  } else {
    v.meas = meas_text(ld.cal_val.load(), status);
    v.raw = QString::number(raw_to_value(raw));
    if (raw_saturated(raw, RAW_NEAR_LIMIT)) v.red_dsp_tout = RED_DSP_TICKS;
  }
  v.red = v.red_dsp_tout > 0;
  v.temp = temp_text(ld.temp.load(rlx), status);
  v.al1 = alarm_text(raw, 1);
  v.al2 = alarm_text(raw, 2);
  v.stat = device_status_text(raw);
  v.err_code = err_code_text(ld.status_2.load(rlx));
  v.firmware = firmware_text(s.read_stat.get(1));
  return v;
}
