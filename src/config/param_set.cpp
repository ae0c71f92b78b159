#include "config/param_set.h"

#include "config/active_cfg.h"
#include "config/cfg_transfer.h"
#include "settings/checked_file.h"

#include <QFile>

namespace {

// A decimal integer with an optional sign and surrounding blanks; the low
// 16 bits of its value. False when the field is anything else.
bool register_field(QStringView field, uint16_t& value) {
  field = field.trimmed();
  qsizetype p = 0;
  const bool negative = p < field.size() && field[p] == u'-';
  if (p < field.size() && (field[p] == u'-' || field[p] == u'+')) ++p;
  if (p == field.size()) return false;
  uint64_t v = 0;
  for (; p < field.size(); ++p) {
    const char16_t c = field[p].unicode();
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
    if (v > 0xFFFFFFFFull) return false;  // far beyond any register value
  }
  value = static_cast<uint16_t>(negative ? 0u - v : v);
  return true;
}

// The next "|"-terminated field of text from pos on (the last one runs to
// the end); pos moves behind its "|". False when nothing is left.
bool take_field(const QString& text, qsizetype& pos, QStringView& field) {
  if (pos > text.size()) return false;
  qsizetype bar = text.indexOf(u'|', pos);
  if (bar < 0) bar = text.size();
  field = QStringView(text).mid(pos, bar - pos);
  pos = bar + 1;
  return true;
}

}  // namespace

QString param_set_text(const t_param_set& set) {
  QString s;
  s.reserve(PARAM_SET_FIELDS * 6 + 40);
  s += QLatin1StringView(PARAM_SET_TITLE);
  s += u'|';
  s += QLatin1StringView(PARAM_SET_FORMAT);
  s += u'|';
  s += QString::number(set.sensor_mode);
  s += u'|';
  for (uint16_t v : set.param) {
    s += QString::number(v);
    s += u'|';
  }
  for (uint16_t v : set.prod) {
    s += QString::number(v);
    s += u'|';
  }
  return s;
}

bool parse_param_set_fields(const QString& content, t_param_set& set) {
  qsizetype pos = 0;
  QStringView f;
  if (!take_field(content, pos, f) || f != QLatin1StringView(PARAM_SET_TITLE)) return false;
  if (!take_field(content, pos, f) || f != QLatin1StringView(PARAM_SET_FORMAT)) return false;
  t_param_set out;
  if (take_field(content, pos, f)) {
    bool ok = false;
    out.sensor_mode = f.trimmed().toInt(&ok);
    if (!ok) out.sensor_mode = 0;
  }
  for (auto& v : out.param)
    if (!take_field(content, pos, f) || !register_field(f, v)) return false;
  for (auto& v : out.prod)
    if (!take_field(content, pos, f) || !register_field(f, v)) return false;
  set = out;
  return true;
}

pset_read_t read_param_set_file(const QString& path, QString& content) {
  content.clear();
  QFile f(path);
  if (!f.exists()) return PSET_READ_NONE;
  if (!f.open(QIODevice::ReadOnly)) {
    report_io_error(path + ": " + f.errorString());
    return PSET_READ_IO_ERROR;
  }
  // Never more than the limit and one byte is read, whatever the file is.
  const QByteArray bytes = f.read(PARAM_SET_MAX_BYTES + 1);
  if (f.error() != QFileDevice::NoError) {
    report_io_error(path + ": " + f.errorString());
    return PSET_READ_IO_ERROR;
  }
  if (bytes.size() > PARAM_SET_MAX_BYTES) return PSET_READ_TOO_BIG;
  content = parse_checked_bytes(bytes);
  return content.isEmpty() ? PSET_READ_NONE : PSET_READ_OK;
}

bool write_param_set_file(const QString& path, const QString& content) { return !write_checked_file(path, content); }

t_param_set edit_param_set(int d) {
  const t_cfg_images im = cfg_images(d);
  t_param_set set;
  set.sensor_mode = im.sensor_mode.load(rlx);
  im.edit_param.copy_out(0, set.param.data(), PARAM_REGS);
  im.edit_prod.copy_out(0, set.prod.data(), PROD_REGS);
  return set;
}

t_param_set read_param_set(int d) {
  const t_cfg_images im = cfg_images(d);
  t_param_set set = edit_param_set(d);
  im.read_param.copy_out(0, set.param.data(), PARAM_XFER_REGS);
  im.read_prod.copy_out(0, set.prod.data(), PROD_XFER_REGS);
  return set;
}

QString param_set_text() { return param_set_text(edit_param_set(selected_device())); }

pset_load_t parse_param_set(const QString& content) {
  t_param_set set;
  if (!parse_param_set_fields(content, set)) return PSET_INVALID;
  const int d = selected_device();
  const t_cfg_images im = cfg_images(d);
  if (d >= 0) {
    auto& s = m_stat.dev_stat[d];
    if (set.sensor_mode != s.sensor_mode.load(rlx)) return PSET_MODE_MISMATCH;
    s.param_read.store(true, rlx);
  } else {
    m_stat.off_line_vaild.store(true, rlx);
    m_stat.ed_prod_id.store(0, rlx);
    m_stat.sensor_mode.store(set.sensor_mode, rlx);
  }
  im.read_param.copy_in(0, set.param.data(), PARAM_REGS);
  im.edit_param.copy_in(0, set.param.data(), PARAM_REGS);
  im.read_prod.copy_in(0, set.prod.data(), PROD_REGS);
  im.edit_prod.copy_in(0, set.prod.data(), PROD_REGS);
  return PSET_LOADED;
}

void param_set_saved() {
  if (selected_device() >= 0) return;
  m_stat.read_param.assign(m_stat.edit_param);
  m_stat.read_prod.assign(m_stat.edit_prod);
}
