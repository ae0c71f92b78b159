// The transmitters of one line as Modbus RTU slaves: a complete request
// frame in, the answer frame out. Function 3 (read holding registers) and
// function 16 (write multiple registers); exception answers for what a
// transmitter refuses. Pure apart from the transmitters' state: the time is
// passed in, so tests can drive it.
#pragma once

#include "transmitter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orvsim {

// CRC-16/MODBUS check of a frame whose last two bytes are the CRC.
bool frame_crc_ok(const uint8_t* frame, size_t len);
// Appends the CRC to a frame.
void append_crc(std::vector<uint8_t>& frame);

class unit_set {
 public:
  transmitter& add(const device_settings& s, int64_t now_ms);
  transmitter* find(int address);
  const std::vector<std::unique_ptr<transmitter>>& units() const { return units_; }

  // The answer to one request frame (address byte through CRC); empty when
  // no transmitter answers: another unit address, a broadcast, a bad CRC.
  std::vector<uint8_t> handle(const uint8_t* frame, size_t len, int64_t now_ms);

  // Called after a transmitter took a new configuration (1 written to 10005).
  std::function<void(transmitter&)> on_commit;
  // Called for every command register write a transmitter accepted, in order.
  std::function<void(const transmitter&, const command_write&)> on_command;
  // Called with a short note when a transmitter moved to another address.
  std::function<void(const std::string&)> on_note;

 private:
  std::vector<uint8_t> serve(transmitter& t, const uint8_t* f, size_t len, int64_t now_ms);
  void after_write(transmitter& t);
  std::vector<std::unique_ptr<transmitter>> units_;
};

}  // namespace orvsim
