#include "ctl_status.h"

#include "comm/status_decode.h"
#include "config/cfg_transfer.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "core/raw_value.h"
#include "core/reg_text.h"
#include "texts/text_table.h"

#include <QJsonValue>
#include <QStringList>

#include <cmath>

namespace {

constexpr uint32_t RAW_SENSOR_ERROR = 1u << 20;
constexpr uint32_t RAW_SYSTEM_ERROR = 1u << 21;
constexpr uint32_t RAW_ALARM_1 = 1u << 24;
constexpr uint32_t RAW_ALARM_2 = 1u << 25;

// A caption of the status display without its trailing colon.
QString caption(const char16_t* name) {
  QString c = trim_blanks(ctrl_text(name, TXT_REQ_CAPTION, FORM_MAIN));
  if (c.endsWith(u':')) c.chop(1);
  return c;
}

QJsonValue optional_text(const std::optional<QString>& s) { return s ? QJsonValue(*s) : QJsonValue(); }

}  // namespace

t_ctl_status ctl_status_of(int d) {
  const int selected = m_stat.dev_selected.load(rlx);
  m_stat.dev_selected.store(d, rlx);
  const status_view sv = compute_status_view(0);
  m_stat.dev_selected.store(selected, rlx);

  const t_dev_stat& s = m_stat.dev_stat[d];
  const t_last_dev_data& ld = s.last_dev_data;
  t_ctl_status v;
  v.serial = trim_blanks(device_serial_of(d));
  v.sensor_serial = sv.serial;
  v.firmware = sv.firmware;
  v.sensor_mode = s.read_stat.get(STAT_SENSOR_MODE);
  v.status_word = ld.status.load(rlx);
  v.error_word = ld.status_2.load(rlx);
  v.product = status_product(v.status_word) + 1;
  // Product names are known only with a configuration read.
  if (s.param_read.load(rlx) && sv.product) v.product_name = trim_blanks(*sv.product);
  v.meas = sv.meas;
  v.raw = sv.raw;
  v.temp = sv.temp;
  v.al1 = sv.al1;
  v.al2 = sv.al2;
  v.stat = sv.stat;
  v.err_code = sv.err_code;

  const uint32_t raw = ld.raw.load(rlx);
  v.saturated = raw_saturated(raw, RAW_SAT_LIMIT);
  v.decimals = status_decimals(v.status_word);
  const QStringList units = unit_items();
  if (status_unit(v.status_word) < units.size()) v.unit = units[status_unit(v.status_word)];
  const float cal = ld.cal_val.load();
  if (!v.saturated && std::isfinite(cal))
    v.value = std::round(static_cast<double>(cal) * std::pow(10.0, v.decimals)) / std::pow(10.0, v.decimals);
  if (!v.saturated) v.raw_value = raw_to_value(raw);
  v.temp_c = ld.temp.load(rlx) / 10.0;
  v.fahrenheit = status_fahrenheit(v.status_word);
  v.alarm1 = (raw & RAW_ALARM_1) != 0;
  v.alarm2 = (raw & RAW_ALARM_2) != 0;
  v.sensor_error = (raw & RAW_SENSOR_ERROR) != 0;
  v.system_error = (raw & RAW_SYSTEM_ERROR) != 0;
  v.link = link_view(m_stat.dev_stat[d].link, line_clock().now_ms());
  return v;
}

QString ctl_status_text(const t_ctl_status& v) {
  const std::pair<QString, QString> rows[] = {
      {caption(u"lbl_dev_sernum"), v.serial},
      {caption(u"lbl_sens_serial"), v.sensor_serial},
      {caption(u"lbl_firmware"), v.firmware},
      {QStringLiteral("Sensor mode"), QString::number(v.sensor_mode)},
      {caption(u"lbl_stat_prod"),
       QString::number(v.product) + (v.product_name ? " (" + *v.product_name + ")" : QString())},
      {caption(u"lbl_curr_meas"), v.meas},
      {caption(u"lbl_curr_raw"), v.raw},
      {caption(u"lbl_curr_temp"), v.temp},
      {caption(u"lbl_curr_al1"), v.al1},
      {caption(u"lbl_curr_al2"), v.al2},
      {caption(u"lbl_curr_stat"), v.stat},
      {caption(u"lbl_err_code"), v.err_code},
      {text_or_default(u"x_lbl_curr_link", TXT_KIND_CAPTION, FORM_MAIN),
       link_line(v.link) + QStringLiteral(" (%1 requests, worst %2)")
                               .arg(v.link.requests)
                               .arg(v.link.resp_count > 0 ? resp_time_text(v.link.worst_us) : QStringLiteral("---"))},
  };
  qsizetype width = 0;
  for (const auto& r : rows) width = std::max(width, r.first.size());
  QString out;
  for (const auto& r : rows) out += "  " + (r.first + u':').leftJustified(width + 2) + r.second + u'\n';
  return out;
}

QJsonObject ctl_status_json(const t_ctl_status& v) {
  QJsonObject j;
  j.insert("serial", v.serial);
  j.insert("sensor_serial", v.sensor_serial);
  j.insert("firmware", v.firmware);
  j.insert("sensor_mode", v.sensor_mode);
  j.insert("product", v.product);
  j.insert("product_name", optional_text(v.product_name));
  j.insert("value", v.value ? QJsonValue(*v.value) : QJsonValue());
  j.insert("value_text", v.meas);
  j.insert("unit", v.unit);
  j.insert("decimals", v.decimals);
  j.insert("raw", v.raw_value ? QJsonValue(*v.raw_value) : QJsonValue());
  j.insert("raw_text", v.raw);
  j.insert("saturated", v.saturated);
  j.insert("temperature_c", v.temp_c);
  j.insert("temperature_text", v.temp);
  j.insert("alarm1", v.alarm1);
  j.insert("alarm2", v.alarm2);
  j.insert("sensor_error", v.sensor_error);
  j.insert("system_error", v.system_error);
  j.insert("status_text", v.stat);
  j.insert("status_word", v.status_word);
  j.insert("error_code", v.err_code);
  QJsonObject link;
  link.insert("requests", static_cast<qint64>(v.link.requests));
  link.insert("good", static_cast<qint64>(v.link.good));
  link.insert("timeouts", static_cast<qint64>(v.link.timeouts));
  link.insert("crc_errors", static_cast<qint64>(v.link.crc_errors));
  link.insert("mean_ms", v.link.resp_count > 0 ? QJsonValue(v.link.mean_us / 1000.0) : QJsonValue());
  link.insert("worst_ms", v.link.resp_count > 0 ? QJsonValue(v.link.worst_us / 1000.0) : QJsonValue());
  link.insert("text", link_line(v.link));
  j.insert("link", link);
  return j;
}
