// Splits the byte stream of a line into RTU request frames. A frame ends
// when a complete request with a correct CRC has arrived (function 3: 8
// bytes; function 16: 9 + byte count) or when the line has been silent for
// the frame gap; bytes left after a silence that form no valid frame are
// dropped, as a transmitter does.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace orvsim {

class rtu_framer {
 public:
  explicit rtu_framer(int64_t gap_us = 4000) : gap_us_(gap_us) {}
  void set_gap_us(int64_t g) { gap_us_ = g; }

  // Bytes that arrived at the given time (microseconds).
  void push(const uint8_t* bytes, size_t n, int64_t now_us);
  // The next request frame that is complete by now, if any; sets the time its
  // first byte arrived.
  std::optional<std::vector<uint8_t>> take(int64_t now_us, int64_t* first_us = nullptr);
  // When the frame gap of the bytes held ends (to wake up for it); -1 if none.
  int64_t gap_end_us() const { return buf_.empty() ? -1 : last_us_ + gap_us_; }
  size_t dropped_bytes() const { return dropped_; }
  void clear() { buf_.clear(); }

 private:
  std::vector<uint8_t> buf_;
  int64_t gap_us_;
  int64_t first_us_ = 0;
  int64_t last_us_ = 0;
  size_t dropped_ = 0;
};

// The length of the request frame at the start of the bytes (0 while it
// cannot be told yet or the function is not one with a known length).
size_t request_length(const std::vector<uint8_t>& b);

}  // namespace orvsim
