#include "rtu_framer.h"

#include "modbus_slave.h"

namespace orvsim {

size_t request_length(const std::vector<uint8_t>& b) {
  if (b.size() < 2) return 0;
  if (b[1] == 3) return 8;
  if (b[1] == 16) return b.size() < 7 ? 0 : static_cast<size_t>(9 + b[6]);
  return 0;
}

void rtu_framer::push(const uint8_t* bytes, size_t n, int64_t now_us) {
  if (n == 0) return;
  if (!buf_.empty() && now_us - last_us_ > gap_us_) {
    dropped_ += buf_.size();
    buf_.clear();
  }
  if (buf_.empty()) first_us_ = now_us;
  buf_.insert(buf_.end(), bytes, bytes + n);
  last_us_ = now_us;
  if (buf_.size() > 512) {  // longer than any frame: line noise
    dropped_ += buf_.size();
    buf_.clear();
  }
}

std::optional<std::vector<uint8_t>> rtu_framer::take(int64_t now_us, int64_t* first_us) {
  if (buf_.empty()) return std::nullopt;
  const size_t len = request_length(buf_);
  if (len > 0 && buf_.size() >= len && frame_crc_ok(buf_.data(), len)) {
    std::vector<uint8_t> f(buf_.begin(), buf_.begin() + static_cast<long>(len));
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<long>(len));
    if (first_us) *first_us = first_us_;
    return f;
  }
  if (now_us - last_us_ <= gap_us_) return std::nullopt;
  // Silence: what is held is one frame, whole or not.
  std::vector<uint8_t> f;
  f.swap(buf_);
  if (f.size() >= 4 && frame_crc_ok(f.data(), f.size())) {
    if (first_us) *first_us = first_us_;
    return f;
  }
  dropped_ += f.size();
  return std::nullopt;
}

}  // namespace orvsim
