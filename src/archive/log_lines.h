// Reading a log file line by line with a bounded line length, so that a
// huge or binary file picked by mistake is refused without being read
// whole. Shared by the live reload and the archive channel loader.
#pragma once

#include <QIODevice>

#include <cstdint>

enum log_read_t : int {
  LOG_LINE = 0,        // a non-empty line is in line()/len() (without CR LF)
  LOG_END = 1,         // the file ended
  LOG_TOO_LONG = 2,    // a line longer than any log line, or too many lines
  LOG_READ_ERROR = 3,  // reading failed
};

// The hexadecimal field at 0-based column col of width w, cut to what the
// line holds; false when nothing of it is there or it is not hexadecimal.
bool log_field(const char* line, int len, int col, int w, uint32_t& out);

class log_line_reader {
 public:
  static constexpr int64_t MAX_LINE = 64;  // longer lines are damaged; never read more

  // max_lines bounds the lines read, empty ones included (0: no bound).
  explicit log_line_reader(QIODevice& file, int64_t max_lines = 0) : file_(file), max_lines_(max_lines) {}
  log_read_t next();
  const char* line() const { return buf_; }
  int len() const { return len_; }

 private:
  QIODevice& file_;
  int64_t max_lines_;
  int64_t lines_ = 0;
  char buf_[MAX_LINE + 2] = {};
  int len_ = 0;
};
