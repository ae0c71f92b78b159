// Fuzz target: the checked text file reader (end mark, checksum) and the
// field reader that every settings file goes through.
#include "settings/checked_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QString text = parse_checked_bytes(bytes);
  if (!text.isEmpty()) {
    // What the reader accepts, the writer writes back with the same text
    // bytes and a checksum the reader accepts again.
    const QByteArray again = checked_file_bytes(text);
    if (again.left(text.size() + 1) != bytes.left(text.size() + 1)) std::abort();
    if (parse_checked_bytes(again) != text) std::abort();
  }
  while (!text.isEmpty()) next_field(text);
  return 0;
}
