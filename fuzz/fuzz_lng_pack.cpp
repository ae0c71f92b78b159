// Fuzz target: the language pack reader (size, UTF-16 decoding, lines,
// checksum) on the bytes of a pack file.
#include "texts/lng_pack.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static t_text_set texts;
  QString log;
  parse_lng_pack(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), texts, log);
  return 0;
}
