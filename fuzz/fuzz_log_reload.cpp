// Fuzz target: a day's log file read back into a device's ring. The ring is
// not cleared between inputs (every slot a line names is simply stored).
#include "archive/live_reload.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  const int code = read_log_lines(in, static_cast<int>(size % MAX_DEVICES));
  if (code < LOAD_OK || code > LOAD_READ_FAILED) std::abort();
  return 0;
}
