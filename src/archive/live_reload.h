// Reading today's log files back into the devices' rings at start-up.
#pragma once

#include "core/common_data.h"

#include <QString>

class QIODevice;

#include <array>

// Load codes of the log file readers.
enum log_load_code_t : int {
  LOAD_OK = 0,
  LOAD_BAD_LENGTH = 1,   // a non-empty line is not exactly 25 characters
  LOAD_BAD_SLOT = 2,     // columns 1-5 are not hexadecimal
  LOAD_BAD_VALUE = 3,    // the value field (temperature for the live reload) is not hexadecimal
  LOAD_BAD_RAW = 4,      // columns 9-16 are not hexadecimal
  LOAD_BAD_CAL = 5,      // columns 17-24 are not hexadecimal
  LOAD_BAD_INDEX = 6,    // a slot above 432000
  LOAD_READ_FAILED = 7,  // the file could not be read
};

// The most lines a day file can hold: one per slot of a 25-hour day (the
// clock set back by an hour writes that hour again). A longer file is
// damaged; the readers stop there with LOAD_BAD_LENGTH instead of reading on.
inline constexpr int LOG_MAX_LINES = SLOTS_PER_DAY + 3600 * 1000 / 200;

// Parses a field of hexadecimal digits (either case, 1..8 digits); false
// when it is empty or holds anything else.
bool parse_hex_field(const char* p, int len, uint32_t& out);

// Reads a log file into the ring of device d in large blocks, with a bounded
// line length and line count (the lines cut as log_line_reader cuts them).
// Stops after the first line that gives a non-zero code and returns it; on a
// read failure the system's message goes to *error.
int reload_log_file(const QString& path, int device, QString* error = nullptr);

// The line loop of reload_log_file on an open device, into the ring of
// device d as it is (not cleared first).
int read_log_lines(QIODevice& in, int device, QString* error = nullptr);

// What the start-up reload found for one device: LOAD_OK also when the
// device is not active or has no file today; the system's message with
// LOAD_READ_FAILED.
struct t_reload_result {
  int code = LOAD_OK;
  QString error;
};

// Start-up, before the service runs: resets every device and restores
// today's samples of the active ones from their log files; a damaged or
// unreadable file leaves the ring empty. The user interface reports the
// files that could not be read.
std::array<t_reload_result, MAX_DEVICES> reload_live_logs();
