#include "modbus_slave.h"

#include "core/crc16.h"

#include <algorithm>
#include <string>

namespace orvsim {
namespace {

std::vector<uint8_t> exception_answer(uint8_t address, uint8_t function, uint8_t code) {
  std::vector<uint8_t> a{address, static_cast<uint8_t>(function | 0x80), code};
  append_crc(a);
  return a;
}

int word_at(const uint8_t* p) { return (p[0] << 8) | p[1]; }

}  // namespace

bool frame_crc_ok(const uint8_t* frame, size_t len) {
  if (len < 4) return false;
  uint8_t a = 0, b = 0;
  calc_crc(frame, static_cast<int>(len - 2), a, b);
  return frame[len - 2] == a && frame[len - 1] == b;
}

void append_crc(std::vector<uint8_t>& frame) {
  uint8_t a = 0, b = 0;
  calc_crc(frame.data(), static_cast<int>(frame.size()), a, b);
  frame.push_back(a);
  frame.push_back(b);
}

transmitter& unit_set::add(const device_settings& s, int64_t now_ms) {
  units_.push_back(std::make_unique<transmitter>(s, now_ms));
  return *units_.back();
}

transmitter* unit_set::find(int address) {
  for (auto& u : units_)
    if (u->address() == address) return u.get();
  return nullptr;
}

std::vector<uint8_t> unit_set::handle(const uint8_t* frame, size_t len, int64_t now_ms) {
  if (len < 4 || !frame_crc_ok(frame, len)) return {};
  const int address = frame[0];
  if (address == 0) {
    // A broadcast write is carried out by every transmitter and answered by none.
    if (frame[1] == 16)
      for (auto& u : units_) serve(*u, frame, len, now_ms);
    return {};
  }
  transmitter* t = find(address);
  if (!t) return {};
  return serve(*t, frame, len, now_ms);
}

std::vector<uint8_t> unit_set::serve(transmitter& t, const uint8_t* f, size_t len, int64_t now_ms) {
  const uint8_t address = f[0];
  const uint8_t function = f[1];
  if (function == 3) {
    if (len != 8) return exception_answer(address, function, EX_ILLEGAL_VALUE);
    const int start = word_at(f + 2), count = word_at(f + 4);
    uint16_t regs[MAX_READ_REGS];
    if (count < 1 || count > MAX_READ_REGS) return exception_answer(address, function, EX_ILLEGAL_VALUE);
    const uint8_t ex = t.read(start, count, regs, now_ms);
    if (ex) return exception_answer(address, function, ex);
    std::vector<uint8_t> a{address, 3, static_cast<uint8_t>(2 * count)};
    for (int k = 0; k < count; ++k) {
      a.push_back(static_cast<uint8_t>(regs[k] >> 8));
      a.push_back(static_cast<uint8_t>(regs[k]));
    }
    append_crc(a);
    return a;
  }
  if (function == 16) {
    if (len < 11) return exception_answer(address, function, EX_ILLEGAL_VALUE);
    const int start = word_at(f + 2), count = word_at(f + 4), bytes = f[6];
    if (count < 1 || count > MAX_WRITE_REGS || bytes != 2 * count || len != static_cast<size_t>(9 + bytes))
      return exception_answer(address, function, EX_ILLEGAL_VALUE);
    uint16_t regs[MAX_WRITE_REGS];
    for (int k = 0; k < count; ++k) regs[k] = static_cast<uint16_t>(word_at(f + 7 + 2 * k));
    const uint64_t commands_before = t.command_count();
    const uint8_t ex = t.write(start, count, regs, now_ms);
    if (ex) return exception_answer(address, function, ex);
    if (on_command) {
      const auto& log = t.command_log();
      const size_t added = static_cast<size_t>(std::min<uint64_t>(t.command_count() - commands_before, log.size()));
      for (size_t k = log.size() - added; k < log.size(); ++k) on_command(t, log[k]);
    }
    after_write(t);
    std::vector<uint8_t> a(f, f + 6);
    append_crc(a);
    return a;
  }
  return exception_answer(address, function, EX_ILLEGAL_FUNCTION);
}

void unit_set::after_write(transmitter& t) {
  if (!t.take_commit()) return;
  // A new unit address in the configuration moves the transmitter, unless the
  // address is out of range or another transmitter on the line has it; then
  // the transmitter keeps its address and its parameter says so.
  const int wanted = t.active_config().param[P_ADDRESS];
  if (wanted != t.address()) {
    const bool ok = wanted >= 1 && wanted <= 247 && !find(wanted);
    if (on_note)
      on_note("unit " + std::to_string(t.address()) + (ok ? " moves to address " : " refuses address ") +
              std::to_string(wanted));
    if (ok) {
      t.set_address(wanted);
    } else {
      config_image c = t.active_config();
      c.param[P_ADDRESS] = static_cast<uint16_t>(t.address());
      t.load_config(c);
    }
  }
  if (on_commit) on_commit(t);
}

}  // namespace orvsim
