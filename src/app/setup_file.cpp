#include "app/setup_file.h"

#include "archive/file_names.h"
#include "core/reg_text.h"
#include "core/sys_number.h"
#include "core/work_dirs.h"
#include "settings/checked_file.h"

#include <QFile>
#include <QObject>
#include <QVariant>

namespace {

constexpr int kSpareFields = 7;  // fields 9..15
constexpr int kScaleDecimals = 1;
constexpr QChar kReplacement = u'~';

bool refused_char(QChar c) { return c == u'|' || c == QChar(CHK_END_MARK) || c.unicode() > 0xFF; }

// ---- writing ---------------------------------------------------------------------
class field_writer {
 public:
  void text(const QString& t) {
    out_ += t;
    out_ += u'|';
    ++count_;
  }
  void free_text(const QString& t) { text(storable_form(t)); }
  void number(int64_t v) { text(QString::number(v)); }
  void boolean(bool b) { text(b ? QStringLiteral("1") : QStringLiteral("0")); }
  void scale(float v) { text(fmt_sys_fixed(kScaleDecimals, v)); }
  QString result() const { return out_; }
  int count() const { return count_; }

 private:
  QString out_;
  int count_ = 0;
};

void write_channel(field_writer& w, const t_dsp_chan& ch) {
  w.boolean(ch.active);
  w.boolean(ch.displayed);
  w.free_text(ch.sample_file);
  w.text(clean_file_name(ch.tag));
  w.number(ch.dev_idx);
  w.number(ch.meas_mode);
  w.number(ch.filt_pt);
  w.number(ch.filt_med);
  w.number(ch.filt_screw);
  w.number(ch.line_thk);
  w.number(ch.color);
}

void write_def_scaling(field_writer& w, const t_draw_stat& ds) {
  w.scale(ds.def_h_min);
  w.scale(ds.def_h_max);
  w.scale(ds.def_t_min);
  w.scale(ds.def_t_max);
  w.scale(ds.def_r_min);
  w.scale(ds.def_r_max);
  w.number(ds.def_grid_sel);
  w.number(ds.def_tscale_idx);
  w.number(ds.def_span);
  w.boolean(ds.def_valid);
}

// ---- reading ---------------------------------------------------------------------
class field_reader {
 public:
  explicit field_reader(QString text) : rest_(std::move(text)) {}
  QString text() {
    ++count_;
    return next_field(rest_);
  }
  bool boolean() { return text() == u"1"; }
  bool number(int32_t& v) {
    bool ok = false;
    const int32_t n = text().toInt(&ok, 10);
    if (ok) v = n;
    return ok;
  }
  int32_t number_or(int32_t def) {
    int32_t v = def;
    number(v);
    return v;
  }
  uint16_t word_or(uint16_t def) {
    int32_t v = def;
    if (!number(v) || v < 0 || v > 0xFFFF) return def;
    return static_cast<uint16_t>(v);
  }
  bool scale(float& v) {
    v = 0.0f;
    return parse_sys_float(text(), v);
  }
  int count() const { return count_; }

 private:
  QString rest_;
  int count_ = 0;
};

void read_channel(field_reader& r, t_dsp_chan& ch) {
  ch.active = r.boolean();
  ch.displayed = r.boolean();
  ch.sample_file = r.text();
  ch.tag = r.text();
  ch.dev_idx = r.number_or(-1);
  ch.meas_mode = r.number_or(-1);
  ch.filt_pt = r.word_or(0);
  ch.filt_med = r.number_or(0);
  ch.filt_screw = r.word_or(0);
  ch.line_thk = r.number_or(1);
  ch.color = r.number_or(0);
}

void read_def_scaling(field_reader& r, t_draw_stat& ds) {
  bool ok = true;
  ok &= r.scale(ds.def_h_min);
  ok &= r.scale(ds.def_h_max);
  ok &= r.scale(ds.def_t_min);
  ok &= r.scale(ds.def_t_max);
  ok &= r.scale(ds.def_r_min);
  ok &= r.scale(ds.def_r_max);
  ds.def_grid_sel = 0;
  ds.def_tscale_idx = 0;
  ds.def_span = 0;
  ok &= r.number(ds.def_grid_sel);
  ok &= r.number(ds.def_tscale_idx);
  ok &= r.number(ds.def_span);
  const bool valid = r.boolean();
  ds.def_valid = valid && ok;
}

}  // namespace

bool storable_text(const QString& text) {
  for (QChar c : text)
    if (refused_char(c)) return false;
  return true;
}

QString separator_store_form(const QString& sep) {
  QString out = sep;
  out.replace(u'|', QLatin1StringView(SEP_BAR_TOKEN));
  return out;
}

QString separator_from_store(const QString& stored) {
  QString out = stored;
  out.replace(QLatin1StringView(SEP_BAR_TOKEN), QStringLiteral("|"));
  return out;
}

QString storable_form(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (refused_char(c)) c = kReplacement;
  return out;
}

bool chan_source_in_range(const t_dsp_chan& ch, bool live) {
  if (ch.meas_mode < 0 || ch.meas_mode > 7) return false;
  return !live || (ch.dev_idx >= 0 && ch.dev_idx < MAX_DEVICES);
}

QString read_cfg_file(const QString& name) { return read_checked_file(work_path(cfg_dir_or_default() + name)); }

bool write_cfg_file(const QString& name, const QString& text) {
  return write_checked_file(work_path(cfg_dir_or_default() + name), text);
}

QString serial_regs_text(const stat_image& regs) { return regs_to_text(regs, SERIAL_FIRST_REG, SERIAL_CHARS); }

void store_serial_regs(stat_image& regs, const QString& text) {
  // Cut to the registers first, then trim: a cut after the trim could leave
  // a trailing control character that the next load would trim away.
  const QString s = trim_blanks(text.left(SERIAL_CHARS));
  for (int k = 0; k < SERIAL_CHARS; ++k) regs.set(SERIAL_FIRST_REG + k, k < s.size() ? s[k].unicode() : uint16_t{u' '});
}

QString build_setup_text(const t_common_setup& setup, const t_m_stat& stat, const t_draw_stat (&charts)[CHART_CNT],
                         const t_setup_ui& ui) {
  field_writer w;
  for (const auto& ds : charts) w.text(ds.grid_sel == 1 ? "1" : ds.grid_sel == 2 ? "2" : "0");  // 1, 2
  for (const auto& ds : charts) w.boolean(ds.raw_invert);                                       // 3, 4
  for (const auto& ds : charts) w.number(ds.decimals);                                          // 5, 6
  w.free_text(separator_store_form(setup.decp_separator));                                      // 7
  w.free_text(separator_store_form(setup.field_separator));                                     // 8
  for (int k = 0; k < kSpareFields; ++k) w.text(QString());                                     // 9..15
  int usb_mask = 0;                                                                             // 16
  for (int d = 0; d < MAX_DEVICES; ++d)
    if (setup.dev_conn[d].use_usb.load(rlx)) usb_mask |= 1 << d;
  w.number(usb_mask);
  for (const auto& dc : setup.dev_conn) {  // 17..80
    w.boolean(dc.active.load(rlx));
    w.boolean(dc.log_active.load(rlx));
    w.number(dc.addr.load(rlx));
    w.number(dc.com_num.load(rlx));
    w.number(dc.baud_idx.load(rlx));
    w.number(dc.parity.load(rlx));
    w.free_text(dc.tag.get());
    w.free_text(dc.log_dir.get());
  }
  for (const auto& ch : setup.dsp_chan_live) write_channel(w, ch);                   // 81..168
  for (const auto& ch : setup.dsp_chan_arch) write_channel(w, ch);                   // 169..256
  for (const auto& ds : stat.dev_stat) w.free_text(serial_regs_text(ds.read_stat));  // 257..264
  w.free_text(setup.lng_config.curr_lng);                                            // 265
  w.number(setup.last_page);                                                         // 266
  for (int c = 0; c < CHART_CNT; ++c) w.number(ui.tunit_idx[c]);                     // 267, 268
  for (const auto& ds : charts) write_def_scaling(w, ds);                            // 269..288
  w.boolean(ui.maximized);                                                           // 289
  w.number(ui.top);                                                                  // 290..293
  w.number(ui.left);
  w.number(ui.width);
  w.number(ui.height);
  Q_ASSERT(w.count() == SETUP_FIELD_CNT);
  return w.result();
}

void parse_setup_text(QString text, t_common_setup& setup, t_m_stat& stat, t_draw_stat (&charts)[CHART_CNT],
                      t_setup_ui& ui) {
  field_reader r(std::move(text));
  for (auto& ds : charts) {  // 1, 2
    const int32_t g = r.number_or(0);
    ds.grid_sel = (g == 1 || g == 2) ? g : 0;
  }
  for (auto& ds : charts) ds.raw_invert = r.boolean();                    // 3, 4
  for (auto& ds : charts) ds.decimals = r.number_or(CHART_DEF_DECIMALS);  // 5, 6
  setup.decp_separator = separator_from_store(r.text());                  // 7
  setup.field_separator = separator_from_store(r.text());                 // 8
  for (int k = 0; k < kSpareFields; ++k) r.text();                        // 9..15
  const int32_t usb_mask = r.number_or(0);                                // 16
  for (int d = 0; d < MAX_DEVICES; ++d) setup.dev_conn[d].use_usb.store((usb_mask >> d) & 1, rlx);
  for (auto& dc : setup.dev_conn) {  // 17..80
    dc.active.store(r.boolean(), rlx);
    dc.log_active.store(r.boolean(), rlx);
    dc.addr.store(r.number_or(0), rlx);
    dc.com_num.store(r.number_or(0), rlx);
    dc.baud_idx.store(r.number_or(0), rlx);
    dc.parity.store(r.number_or(0), rlx);
    dc.tag.set(r.text());
    dc.log_dir.set(r.text());
  }
  for (auto& ch : setup.dsp_chan_live) read_channel(r, ch);                  // 81..168
  for (auto& ch : setup.dsp_chan_arch) read_channel(r, ch);                  // 169..256
  for (auto& ds : stat.dev_stat) store_serial_regs(ds.read_stat, r.text());  // 257..264
  setup.lng_config.curr_lng = r.text();                                      // 265
  setup.last_page = r.number_or(0);                                          // 266
  for (int c = 0; c < CHART_CNT; ++c) {                                      // 267, 268
    ui.tunit_idx[c] = valid_temp_unit(r.number_or(0));
    charts[c].temp_f = ui.tunit_idx[c];
  }
  for (auto& ds : charts) read_def_scaling(r, ds);  // 269..288
  ui.maximized = r.boolean();                       // 289
  int32_t place[4] = {0, 0, 0, 0};                  // 290..293
  bool all_numbers = true;
  for (int32_t& v : place) all_numbers &= r.number(v);
  ui.placement_stored = all_numbers;
  if (!all_numbers) ui.maximized = false;
  ui.top = place[0];
  ui.left = place[1];
  ui.width = place[2];
  ui.height = place[3];
  Q_ASSERT(r.count() == SETUP_FIELD_CNT);
}

bool read_service_marker() { return !read_cfg_file(SRVC_FILE_NAME).isEmpty(); }

QString service_marker_path() { return work_path(cfg_dir_or_default() + SRVC_FILE_NAME); }

void apply_service_mode(t_m_stat& stat, bool service_ena) {
  stat.service_ena.store(service_ena, rlx);
  stat.acc_level.store(service_ena ? 1 : 0, rlx);
}

QString keep_damaged_setup(const QString& path) {
  const QString bad = path + SETUP_BAD_SUFFIX;
  QFile::remove(bad);  // the newest damaged file wins
  QFile f(path);
  if (!f.rename(bad)) return "Setup file " + path + " failed its check and could not be kept (" + f.errorString() + ")";
  return "Setup file " + path + " failed its check and was read as empty; kept as " + bad;
}

t_setup_ui load_setup() {
  apply_service_mode(m_stat, read_service_marker());
  t_setup_ui ui;
  const QString path = work_path(cfg_dir + SETUP_FILE_NAME);
  checked_state_t state = CHK_MISSING;
  const QString text = read_checked_file(path, &state);
  // The damaged file is moved aside before anything is saved over it, so
  // that the records still readable in it are not lost.
  if (state == CHK_DAMAGED) init_log += keep_damaged_setup(path) + "\r\n";
  parse_setup_text(text, common_setup, m_stat, draw_stat, ui);
  return ui;
}

void save_setup(const t_setup_ui& ui) {
  write_cfg_file(SETUP_FILE_NAME, build_setup_text(common_setup, m_stat, draw_stat, ui));
}

QString read_last_path() { return read_cfg_file(LAST_PATH_FILE_NAME); }

QString folder_of_file(const QString& file_path) {
  const qsizetype cut = std::max(file_path.lastIndexOf(u'/'), file_path.lastIndexOf(u'\\'));
  return cut < 0 ? QString() : file_path.left(cut + 1);
}

bool remember_last_path(const QString& file_path) {
  const QString folder = folder_of_file(file_path);
  if (!storable_text(folder)) return false;
  return !write_cfg_file(LAST_PATH_FILE_NAME, folder);
}
