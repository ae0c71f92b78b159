// Reading today's log files back into the devices' rings at start-up.
#pragma once

#include <QString>

#include <functional>

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

// Parses a field of hexadecimal digits (either case, 1..8 digits); false
// when it is empty or holds anything else.
bool parse_hex_field(const char* p, int len, uint32_t& out);

// Reads a log file into the ring of device d, line by line with a bounded
// line length. Stops after the first line that gives a non-zero code and
// returns it; on a read failure the system's message goes to *error.
int reload_log_file(const QString& path, int device, QString* error = nullptr);

// Start-up, before the service runs: resets every device and restores
// today's samples of the active ones from their log files. A file that
// cannot be read is reported through show_error (text 11 and the system's
// message); a damaged one leaves the ring empty.
void reload_live_logs(const std::function<void(const QString&)>& show_error);
