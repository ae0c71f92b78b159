#include "core/crc16.h"

#include <array>

namespace {

// The two lookup tables of the table-driven CRC-16/MODBUS (reflected
// polynomial 0xA001): the "high" table gives the new first CRC byte, the
// "low" table the new second byte. They are the standard tables, generated.
struct crc_tables {
  std::array<uint8_t, 256> hi{};
  std::array<uint8_t, 256> lo{};
  constexpr crc_tables() {
    for (int i = 0; i < 256; ++i) {
      uint16_t r = static_cast<uint16_t>(i);
      for (int k = 0; k < 8; ++k)
        r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0xA001) : static_cast<uint16_t>(r >> 1);
      hi[i] = static_cast<uint8_t>(r & 0xFF);
      lo[i] = static_cast<uint8_t>(r >> 8);
    }
  }
};
constexpr crc_tables kCrc;
static_assert(kCrc.hi[1] == 0xC1 && kCrc.lo[1] == 0xC0 && kCrc.hi[255] == 0x40 && kCrc.lo[255] == 0x40);

}  // namespace

void calc_crc(const uint8_t* buf, int len, uint8_t& first, uint8_t& second) {
  uint8_t a = 0xFF, b = 0xFF;
  for (int k = 0; k < len; ++k) {
    const uint8_t i = a ^ buf[k];
    a = b ^ kCrc.hi[i];
    b = kCrc.lo[i];
  }
  first = a;
  second = b;
}
