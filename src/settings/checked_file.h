// The checked text file: the text (one byte per character), the end mark
// 0x1A and a decimal checksum, so that a damaged or hand-edited file is
// recognised and read as empty.
#pragma once

#include <QString>

#include <functional>

inline constexpr int CHK_KEY = 0x2E4F;
inline constexpr char CHK_END_MARK = 0x1A;

// Where input/output errors of the settings files are shown (the program
// installs a plain message box; the default writes to standard error).
void set_io_error_reporter(std::function<void(const QString&)> reporter);
void report_io_error(const QString& message);

// Signed 32-bit wrapping sum of (byte XOR CHK_KEY) over the bytes the text
// is written as (the low 8 bits of each UTF-16 code).
int32_t checked_sum(const QString& text);

// The bytes a text is stored as: low byte of each character, 0x1A, checksum.
QByteArray checked_file_bytes(const QString& text);

// The text of the stored bytes; empty when there is no end mark, the
// checksum is not a plain decimal integer, or it does not match.
QString parse_checked_bytes(const QByteArray& bytes);

// Writes the file through a temporary file renamed over the old one.
// Returns true when the write FAILED (the error is reported).
bool write_checked_file(const QString& path, const QString& text);

// What read_checked_file found.
enum checked_state_t : int {
  CHK_MISSING = 0,  // no such file
  CHK_VALID = 1,    // the text passed its check
  CHK_DAMAGED = 2,  // the file exists but failed its check or could not be read
};

// The text of a valid file; empty when the file is missing or invalid.
QString read_checked_file(const QString& path, checked_state_t* state = nullptr);

// Removes the first "|"-terminated field from text and returns it; the
// whole text when there is no "|"; empty for an empty text.
QString next_field(QString& text);
