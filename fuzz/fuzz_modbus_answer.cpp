// Fuzz target: the Modbus receiver judging what comes down the line against
// the request it sent. Input: slave address, kind (even: read, odd: write),
// register count, start (2 bytes), then the bytes of the line.
#include "comm/modb_serial.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const int slave = data[0];
  const bool read = (data[1] & 1) == 0;
  const int count = read ? 1 + data[2] % 125 : 1 + data[2] % 123;
  const int start = (data[3] << 8) | data[4];
  uint8_t request[300] = {};
  const uint16_t values[123] = {};
  if (read)
    TModbSerial::build_read_frame(request, slave, start, count);
  else
    TModbSerial::build_write_frame(request, slave, start, values, count);
  const int expected = read ? 3 + 2 * count : 6;

  uint8_t frame[1025] = {};
  int kept = 0;
  for (size_t k = 5; k < size; ++k) {
    TModbSerial::take_byte(frame, kept, data[k], slave);
    if (kept < expected + 2) continue;
    const int code = TModbSerial::judge_answer(request, frame, expected);
    if (code != 0 && code != 2 && code != 3) std::abort();
    if (code == 0) {
      // Only a true answer is taken: the address, the function and the byte
      // count (read) or the echo of start and count (write) match the request.
      if (frame[0] != request[0] || frame[1] != request[1]) std::abort();
      if (read && frame[2] != 2 * count) std::abort();
      if (!read && std::memcmp(frame + 2, request + 2, 4) != 0) std::abort();
    }
    kept = 0;  // the next bytes make the next answer
  }
  return 0;
}
