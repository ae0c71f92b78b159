#include "comm/modb_serial.h"

#include "comm/port_names.h"
#include "core/crc16.h"
#include "core/mono_clock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr int kCharTimeUs[5] = {1050, 530, 270, 180, 90};
constexpr int kBaud[5] = {9600, 19200, 38400, 57600, 115200};
constexpr int kQueueSize = 1024;
constexpr int kMaxRead = 125;
constexpr int kMaxWrite = 123;
constexpr int kMaxFrame = 9 + 2 * kMaxWrite;  // the longest request

// The time one character takes on the wire, in microseconds: start bit,
// 8 data bits, the parity bit if any, stop bit.
int64_t wire_char_us(int baud_index, int parity) {
  const int baud = TModbSerial::get_baud_value(baud_index);
  const int64_t bits = parity != 0 ? 11 : 10;
  return baud > 0 ? (bits * 1000000 + baud - 1) / baud : 1000;
}

}  // namespace

TModbSerial::TModbSerial() {
  std::memset(mod_read, 0, sizeof mod_read);
  std::memset(send_buf, 0, sizeof send_buf);
  std::memset(rec_buf, 0, sizeof rec_buf);
}

TModbSerial::~TModbSerial() = default;

int TModbSerial::get_baud_value(int index) { return index >= 0 && index <= 4 ? kBaud[index] : 0; }

int TModbSerial::char_time_us(int baud_index) {
  return baud_index >= 0 && baud_index <= 4 ? kCharTimeUs[baud_index] : kCharTimeUs[0];
}

int TModbSerial::overall_limit_ms(int baud_index, int expected, int sent) {
  return (char_time_us(baud_index) * (expected + sent) + 100000) / 1000;
}

int TModbSerial::gap_limit_ms(int baud_index, int sent) { return (char_time_us(baud_index) * sent + 100000) / 1000; }

bool TModbSerial::Open_Com(int port_num, int baud_index, int parity_code) {
  com_idx = port_num;
  baud_idx = baud_index;
  parity_idx = parity_code;
  answered_ = false;
  port_.close();
  const std::string path = com_port_path(port_num);
  if (path.empty()) {
    last_err = ENOENT;
    return false;
  }
  if (!port_.open(path)) {
    last_err = static_cast<uint32_t>(port_.last_errno());
    return false;
  }
  if (!port_.configure(baud_index, parity_code)) {
    // A port that could not be configured is closed again, so that the
    // next setup_port tries afresh instead of using a half-set line.
    last_err = static_cast<uint32_t>(port_.last_errno());
    port_.close();
    return false;
  }
  return true;
}

bool TModbSerial::setup_port(int port_num, int baud_index, int parity_code) {
  if (port_.is_open() && port_num == com_idx && baud_index == baud_idx && parity_code == parity_idx) return true;
  return Open_Com(port_num, baud_index, parity_code);
}

void TModbSerial::close_com() {
  answered_ = false;
  port_.close();
}

void TModbSerial::fill_com_table(bool* table, int n) {
  close_com();
  for (int p = 0; p < n; ++p) {
    const std::string path = com_port_path(p + 1);
    serial_port probe;
    table[p] = !path.empty() && probe.open(path);
    if (!table[p] && !path.empty()) last_err = static_cast<uint32_t>(probe.last_errno());
  }
}

int TModbSerial::build_read_frame(uint8_t* out, int slave, int start, int count) {
  out[0] = static_cast<uint8_t>(slave);
  out[1] = 3;
  out[2] = static_cast<uint8_t>(start >> 8);
  out[3] = static_cast<uint8_t>(start);
  out[4] = static_cast<uint8_t>(count >> 8);
  out[5] = static_cast<uint8_t>(count);
  calc_crc(out, 6, out[6], out[7]);
  return 8;
}

int TModbSerial::build_write_frame(uint8_t* out, int slave, int start, const uint16_t* buf, int count) {
  out[0] = static_cast<uint8_t>(slave);
  out[1] = 16;
  out[2] = static_cast<uint8_t>(start >> 8);
  out[3] = static_cast<uint8_t>(start);
  out[4] = static_cast<uint8_t>(count >> 8);
  out[5] = static_cast<uint8_t>(count);
  out[6] = static_cast<uint8_t>(2 * count);
  for (int k = 0; k < count; ++k) {
    out[7 + 2 * k] = static_cast<uint8_t>(buf[k] >> 8);
    out[8 + 2 * k] = static_cast<uint8_t>(buf[k]);
  }
  const int body = 7 + 2 * count;
  calc_crc(out, body, out[body], out[body + 1]);
  return body + 2;
}

int TModbSerial::get_mod_regs(int slave, int start, uint16_t* buf, int count) {
  // Counts outside the function's limit would overrun the frame buffers.
  if (!port_.is_open() || start < 0 || count < 1 || count > kMaxRead) return 2;
  clear_port();
  if (!port_.is_open()) return 2;
  const int len = build_read_frame(send_buf, slave, start, count);
  const int64_t sent_at = line_clock().now_ms();
  if (!send_frame(len)) return 2;
  const int res = wait_response(slave, 3 + 2 * count, len, sent_at);
  answered_ = res == 0;
  if (res == 0)
    for (int k = 0; k < count; ++k) buf[k] = frame_word(k);
  return res;
}

int TModbSerial::set_mod_regs(int slave, int start, const uint16_t* buf, int count) {
  if (!port_.is_open() || start < 0 || count < 1 || count > kMaxWrite) return 2;
  clear_port();
  if (!port_.is_open()) return 2;
  const int len = build_write_frame(send_buf, slave, start, buf, count);
  const int64_t sent_at = line_clock().now_ms();
  if (!send_frame(len)) return 2;
  const int res = wait_response(slave, 6, len, sent_at);
  answered_ = res == 0;
  return res;
}

bool TModbSerial::get_mod_regs_rep(int slave, int start, uint16_t* buf, int count, bool retry) {
  const int attempts = retry ? 2 : 1;
  for (int a = 0; a < attempts; ++a)
    if (get_mod_regs(slave, start, buf, count) == 0) return true;
  return false;
}

bool TModbSerial::set_mod_regs_rep(int slave, int start, const uint16_t* buf, int count) {
  for (int a = 0; a < 2; ++a)
    if (set_mod_regs(slave, start, buf, count) == 0) return true;
  return false;
}

void TModbSerial::clear_port() {
  // Every request starts with an empty receive buffer: bytes that came
  // earlier (the rest of a burst, a late answer) never answer this request.
  if (!port_.purge() && !note_port_error(port_.last_errno())) Open_Com(com_idx, baud_idx, parity_idx);
}

bool TModbSerial::note_port_error(int err) {
  last_err = static_cast<uint32_t>(err);
  if (!serial_port::is_loss_errno(err)) return false;
  // The device is gone: the port is closed, and the service opens it again
  // (when the device is back) at the next turn of a device on it.
  close_com();
  port_lost_ = true;
  return true;
}

int TModbSerial::tx_free() { return kQueueSize - port_.tx_queued(); }

int TModbSerial::rx_count() {
  const int n = port_.rx_count();
  if (n < 0) note_port_error(port_.last_errno());
  return n < 0 ? 0 : n;
}

bool TModbSerial::send_frame(int len) {
  // After an answered request the driver holds at most that request's bytes
  // (only this program writes to the port), which leaves room for any frame:
  // the queue is asked only when the last request had no answer.
  static_assert(kMaxFrame <= kQueueSize - kMaxFrame);
  const bool room = answered_;
  answered_ = false;
  if (!room) ++queue_checks_;
  int round = 0;
  for (; !room && round < 10; ++round) {
    if (tx_free() >= len) break;
    sleep_ms(1);
  }
  if (round == 10) {
    send_err_code = 1;
    return false;
  }
  if (!port_.write_all(send_buf, len)) {
    note_port_error(port_.last_errno());
    send_err_code = 2;
    return false;
  }
  return true;
}

int TModbSerial::read_input(bool ready) {
  // A line reported readable holds at least the bytes waited for; else only
  // what the driver counts as received is read, so that a line with nothing
  // to give is not read. A driver may hand the bytes out in pieces.
  const int waiting = std::min(kQueueSize, ready ? port_.min_bytes() : rx_count());
  int got = 0;
  while (got < waiting) {
    const int n = port_.read_available(rec_buf + got, kQueueSize - got);
    if (n < 0) note_port_error(port_.last_errno());
    if (n <= 0) break;
    got += n;
  }
  return got;
}

uint16_t TModbSerial::frame_word(int k) const {
  return static_cast<uint16_t>(mod_read[3 + 2 * k] * 256 + mod_read[4 + 2 * k]);
}

int TModbSerial::wait_response(int slave, int expected, int sent, int64_t start_ms) {
  const int64_t limit = overall_limit_ms(baud_idx, expected, sent) + answer_slack_ms;
  int64_t gap = gap_limit_ms(baud_idx, sent) + answer_slack_ms;
  // The limits count from before the request went out: an answer can never
  // come before its start, even where the clock moves with the other end.
  const int64_t start = start_ms;
  int64_t last_byte = start;
  int kept = 0;
  // The bytes are taken as they come, many at a time. Until a byte has come
  // the line is asked for the whole answer, or its first 64 bytes when it is
  // longer (then one read takes all that is there), which a line without a
  // pace gives in one wake; it is looked at each time an answer at the baud
  // rate could have begun (the request on the wire, the turn-round), so
  // that such an answer is taken up soon after its start.
  const int64_t char_us = wire_char_us(baud_idx, parity_idx);
  const int64_t look_ms = ((sent + 4) * char_us + 1999) / 1000;
  bool heard = false;    // a byte has come (of the answer or before it)
  bool look = false;     // a wait has ended: the line may hold bytes
  bool ready = false;    // ... and it reported that it does
  bool flowing = false;  // the last look found bytes, and the frame goes on
  for (;;) {
    const int64_t now = line_clock().now_ms();
    // A port that vanished meanwhile has nothing more to give.
    if (now > start + limit || now > last_byte + gap || !port_.is_open()) return 2;
    const int n = look ? read_input(ready) : 0;
    look = false;
    if (n > 0) {
      last_byte = line_clock().now_ms();
      gap = 100 + answer_slack_ms;
      heard = true;
      flowing = true;
      for (int k = 0; k < n; ++k) {
        take_byte(mod_read, kept, rec_buf[k], slave);
        if (kept == expected + 2) return judge_answer(send_buf, mod_read, expected);
      }
      continue;
    }
    // Nothing new: wait until bytes come or the nearer limit has passed
    // (one millisecond past it, as the limits are strict).
    const int64_t left_ms = std::min(start + limit, last_byte + gap) - now + 1;
    const int rest = expected + 2 - kept;
    look = true;
    if (flowing) {
      // The frame is under way: its rest takes its time on the wire. The
      // receiver sleeps that long, but at most a quarter of the gap limit,
      // so that a pause in the frame is seen in time. Near the overall limit
      // it watches the line instead, so that bytes in time are taken in time.
      flowing = false;
      ready = false;
      const int64_t us = std::min(rest * char_us, gap * 250);
      if (us < (left_ms - 1) * 1000) {
        std::this_thread::sleep_for(std::chrono::microseconds(us));
        continue;
      }
    }
    port_.set_min_bytes(heard ? 1 : rest);
    ready = port_.wait_readable(static_cast<int>(heard ? left_ms : std::min(left_ms, look_ms)));
  }
}

bool TModbSerial::take_byte(uint8_t* frame, int& kept, uint8_t b, int slave) {
  if (kept == 0 && b != static_cast<uint8_t>(slave)) return false;
  frame[kept++] = b;
  return true;
}

int TModbSerial::judge_answer(const uint8_t* request, const uint8_t* frame, int expected) {
  uint8_t c1 = 0, c2 = 0;
  calc_crc(frame, expected, c1, c2);
  if (frame[expected] != c1 || frame[expected + 1] != c2) return 3;
  // The address matched when the frame started. A read is answered by its
  // function code and a byte count of two per register; a write by the echo
  // of its function code, start and count.
  if (frame[1] != request[1]) return 2;
  if (request[1] == 3) return frame[2] == expected - 3 ? 0 : 2;
  return std::memcmp(frame + 2, request + 2, 4) == 0 ? 0 : 2;
}
