#include "archive/log_lines.h"

#include "archive/live_reload.h"

#include <algorithm>

bool log_field(const char* line, int len, int col, int w, uint32_t& out) {
  if (col >= len) return false;
  return parse_hex_field(line + col, std::min(w, len - col), out);
}

log_read_t log_line_reader::next() {
  for (;;) {
    const qint64 got = file_.readLine(buf_, sizeof buf_);
    if (got < 0) return file_.atEnd() ? LOG_END : LOG_READ_ERROR;
    if (got == 0) {
      if (file_.atEnd()) return LOG_END;
      continue;
    }
    if (max_lines_ > 0 && ++lines_ > max_lines_) return LOG_TOO_LONG;
    int len = static_cast<int>(got);
    const bool complete = buf_[len - 1] == '\n';
    if (!complete && !file_.atEnd()) return LOG_TOO_LONG;
    while (len > 0 && (buf_[len - 1] == '\n' || buf_[len - 1] == '\r')) --len;
    if (len == 0) continue;  // empty lines are skipped
    len_ = len;
    return LOG_LINE;
  }
}
