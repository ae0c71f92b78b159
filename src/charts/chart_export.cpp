#include "charts/chart_export.h"

#include "charts/draw_stat.h"
#include "charts/dsp_chan.h"
#include "charts/sample_access.h"
#include "charts/trace_filter.h"
#include "core/common_data.h"
#include "core/sys_number.h"

#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int32_t kChunk = 4096;          // slots read per channel at a time
constexpr size_t kFlushUnits = 1u << 16;  // UTF-16 code units buffered before a write

// Text written as it is produced: UTF-16 LE with a byte order mark, or UTF-8.
class text_out {
 public:
  text_out(const QString& path, bool utf8) : file_(path), utf8_(utf8) { buf_.reserve(kFlushUnits + 1024); }

  bool open(QString* error) {
    if (file_.open(QIODevice::WriteOnly)) {
      if (!utf8_) buf_.push_back(u'\xFEFF');
      return true;
    }
    if (error) *error = file_.errorString();
    return false;
  }
  void put(char16_t c) { buf_.push_back(c); }
  void put(QStringView s) { buf_.append(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())); }
  void put_ascii(const char* p, const char* end) {
    for (; p < end; ++p) buf_.push_back(static_cast<char16_t>(*p));
  }
  void end_line() {
    buf_.push_back(u'\r');
    buf_.push_back(u'\n');
    if (buf_.size() >= kFlushUnits) flush();
  }
  bool finish(QString* error) {
    flush();
    if (file_.commit()) return true;
    if (error) *error = file_.errorString();
    return false;
  }

 private:
  void flush() {
    if (buf_.empty()) return;
    if (utf8_) {
      file_.write(QStringView(buf_.data(), static_cast<qsizetype>(buf_.size())).toUtf8());
    } else {
      if constexpr (std::endian::native == std::endian::big)
        for (char16_t& c : buf_) c = static_cast<char16_t>((c >> 8) | (c << 8));
      file_.write(reinterpret_cast<const char*>(buf_.data()), static_cast<qint64>(buf_.size() * 2));
    }
    buf_.clear();
  }

  QSaveFile file_;
  bool utf8_;
  std::u16string buf_;
};

// A number with `dec` decimals as the window's formatter writes it (ties
// rounded away from zero, no "-0"), with the point written as `point`.
void put_fixed(text_out& out, double v, int dec, QStringView point) {
  if (!std::isfinite(v)) {
    out.put(fmt_sys_fixed(dec, v));
    return;
  }
  dec = std::clamp(dec, 0, 17);
  if (v == 0) v = 0.0;
  char b[400];
  const char* end = nullptr;
  static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double x = dec <= 9 ? std::abs(v) * kPow10[dec] : 0.0;
  if (dec <= 9 && x < 9e15 && x - std::floor(x) == 0.5) {
    // An exact tie (the product is exact for such values): away from zero.
    char* p = b;
    if (v < 0) *p++ = '-';
    char digits[32];
    const auto r = std::to_chars(digits, digits + sizeof digits, static_cast<uint64_t>(std::floor(x)) + 1);
    std::string d(digits, r.ptr);
    if (static_cast<int>(d.size()) <= dec) d.insert(0, static_cast<size_t>(dec + 1) - d.size(), '0');
    const size_t int_len = d.size() - static_cast<size_t>(dec);
    p = std::copy(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(int_len), p);
    if (dec > 0) {
      *p++ = '.';
      p = std::copy(d.begin() + static_cast<std::ptrdiff_t>(int_len), d.end(), p);
    }
    end = p;
  } else {
    end = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, dec).ptr;
  }
  const char* dot = std::find(static_cast<const char*>(b), end, '.');
  out.put_ascii(b, dot);
  if (dot == end) return;
  out.put(point);
  out.put_ascii(dot + 1, end);
}

void put_value(text_out& out, int32_t mode, int32_t decimals, float v, QStringView point) {
  switch (mode) {
    case MEAS_SCALED: put_fixed(out, v, decimals, point); break;
    case MEAS_RAW:
    case MEAS_SAT: put_fixed(out, v, 0, point); break;
    case MEAS_TEMP: put_fixed(out, v, 1, point); break;
    case MEAS_DIN1:
    case MEAS_DIN2:
    case MEAS_DIN3:
    case MEAS_DIN4: out.put(v != 0 ? u"ON" : u"OFF"); break;
    default: break;
  }
}

void put_2(text_out& out, int v) {
  out.put(static_cast<char16_t>(u'0' + v / 10));
  out.put(static_cast<char16_t>(u'0' + v % 10));
}

void put_time(text_out& out, int32_t slot, const t_csv_format& fmt, QChar time_sep) {
  const int32_t s = (slot / 5) % 86400;
  const int frac = slot % 5;
  if (fmt.rfc4180) {
    if (fmt.date.isValid()) {
      out.put(fmt.date.toString(Qt::ISODate));
      out.put(u'T');
    }
    put_2(out, s / 3600);
    out.put(u':');
    put_2(out, s / 60 % 60);
    out.put(u':');
    put_2(out, s % 60);
    out.put(u'.');
    put_2(out, frac * 20);
    out.put(u'0');
    return;
  }
  put_2(out, s / 3600);
  out.put(time_sep.unicode());
  put_2(out, s / 60 % 60);
  out.put(time_sep.unicode());
  put_2(out, s % 60);
  out.put(fmt.dec);
  put_2(out, frac * 20);
}

void put_quoted(text_out& out, const QString& text) {
  out.put(u'"');
  QString t = text;
  t.replace(QStringLiteral("\""), QStringLiteral("\"\""));
  out.put(t);
  out.put(u'"');
}

}  // namespace

t_csv_format export_format(const QString& decp, const QString& fsep) {
  t_csv_format f;
  const QChar sys_dec = sys_dec_sep.isNull() ? QChar(u'.') : sys_dec_sep;
  const QChar sys_list = sys_list_sep.isNull() ? QChar(u',') : sys_list_sep;
  f.dec = decp.isEmpty() || decp == "(default)" ? QString(sys_dec) : decp;
  if (fsep.isEmpty() || fsep == "(default)")
    f.field = QString(sys_list);
  else if (fsep == "(TAB)")
    f.field = QStringLiteral("\t");
  else if (fsep == "(space)")
    f.field = QStringLiteral(" ");
  else
    f.field = fsep;
  return f;
}

QString csv_time_text(int32_t slot, const QString& dec) {
  const int32_t s = slot / 5;
  const int frac = slot % 5;
  return fmt_time_label(s) + dec + (frac == 0 ? QStringLiteral("00") : QString::number(frac * 20));
}

bool write_chart_csv(int chart, int32_t first, int32_t last, const t_csv_format& fmt, const QString& path,
                     QString* error, int64_t* lines) {
  const t_draw_stat& ds = draw_stat[chart];
  const t_dsp_chan* ch = chart_chans(chart);
  if (chart == CHART_LIVE) finish_refilter();  // filtered values only, never a half-built series
  text_out out(path, fmt.rfc4180);
  int64_t count = 0;
  if (!out.open(error)) return false;

  int rows[MAX_CHANNELS];
  int n = 0;
  for (int r = 0; r < MAX_CHANNELS; ++r)
    if (ds.chan_active[r]) rows[n++] = r;

  // Header: "Time", then each channel's description and unit.
  auto header_field = [&](const QString& text, bool last_col) {
    if (fmt.rfc4180) {
      put_quoted(out, text);
      if (!last_col) out.put(fmt.field);
    } else {
      out.put(text);
      out.put(fmt.field);
    }
  };
  header_field(QStringLiteral("Time"), n == 0);
  for (int k = 0; k < n; ++k) {
    const QString unit = unit_text(chart, rows[k]).trimmed();
    header_field(ch[rows[k]].tag + (unit.isEmpty() ? QString() : " [" + unit + "]"), k == n - 1);
  }
  out.end_line();

  // Data: the slots of the window that exist; a slot without any value gives no line.
  const QChar time_sep = sys_time_sep.isNull() ? QChar(u':') : sys_time_sep;
  first = std::max(first, 0);
  last = std::min(last, SLOTS_PER_DAY - 1);
  std::vector<float> vals(static_cast<size_t>(MAX_CHANNELS) * kChunk);
  std::vector<char> ok(static_cast<size_t>(MAX_CHANNELS) * kChunk);
  for (int32_t s0 = first; s0 <= last; s0 += kChunk) {
    const int32_t cnt = std::min(kChunk, last - s0 + 1);
    for (int k = 0; k < n; ++k) {
      const int r = rows[k];
      const t_sample_src src = sample_src(chart, r, ds.chan_dev[r], ds.chan_meas[r]);
      float* v = &vals[static_cast<size_t>(k) * kChunk];
      char* o = &ok[static_cast<size_t>(k) * kChunk];
      visit_getter(src, [&](auto get) {
        for (int32_t j = 0; j < cnt; ++j) o[j] = get(s0 + j, v[j]) ? 1 : 0;
      });
    }
    for (int32_t j = 0; j < cnt; ++j) {
      bool any = false;
      for (int k = 0; k < n && !any; ++k) any = ok[static_cast<size_t>(k) * kChunk + j];
      if (!any) continue;
      put_time(out, s0 + j, fmt, time_sep);
      out.put(fmt.field);
      for (int k = 0; k < n; ++k) {
        const size_t at = static_cast<size_t>(k) * kChunk + j;
        if (ok[at]) put_value(out, ds.chan_meas[rows[k]], ds.decimals, vals[at], fmt.dec);
        if (!fmt.rfc4180 || k < n - 1) out.put(fmt.field);
      }
      out.end_line();
      ++count;
    }
  }
  if (lines) *lines = count;
  return out.finish(error);
}
