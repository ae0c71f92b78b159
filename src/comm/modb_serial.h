// Modbus RTU master on one serial line: Read Holding Registers (3) and
// Write Multiple Registers (16) with their CRC (core/crc16.h), and the port
// handling around them. Only the communication service issues requests.
//
// Result codes of get_mod_regs / set_mod_regs:
//   0  response complete and CRC correct
//   2  port not open, start register negative, request not sent, time-out,
//      or a complete response that does not answer the request (another
//      function code, a wrong byte count, a write echo of another start or
//      count): such a frame counts as no answer
//   3  a complete response arrived but its CRC is wrong
#pragma once

#include "comm/serial_port.h"

#include <cstdint>

class TModbSerial {
 public:
  TModbSerial();
  ~TModbSerial();  // does not close the port; close_com does
  TModbSerial(const TModbSerial&) = delete;
  TModbSerial& operator=(const TModbSerial&) = delete;

  bool Open_Com(int port_num, int baud_index, int parity_code);
  bool setup_port(int port_num, int baud_index, int parity_code);
  int get_mod_regs(int slave, int start, uint16_t* buf, int count);
  int set_mod_regs(int slave, int start, const uint16_t* buf, int count);
  bool get_mod_regs_rep(int slave, int start, uint16_t* buf, int count, bool retry);
  bool set_mod_regs_rep(int slave, int start, const uint16_t* buf, int count);
  void fill_com_table(bool* table, int n);
  void close_com();
  static int get_baud_value(int index);

  int max_baud_index() const { return 4; }
  bool is_open() const { return port_.is_open(); }
  int baud_index() const { return baud_idx; }
  int parity_mode() const { return parity_idx; }

  // Diagnosis: the last system error code (errno) and the last send failure
  // (1 transmit queue did not drain, 2 the write failed).
  uint32_t last_error() const { return last_err; }
  int send_error() const { return send_err_code; }
  // Requests before which the transmit queue was asked for room (it is not
  // after an answered request).
  int64_t queue_checks() const { return queue_checks_; }
  int port_number() const { return com_idx; }

  // True once after an exchange found the port gone (its device reported
  // EIO, ENXIO or ENODEV: a USB adapter unplugged, a pseudo-terminal whose
  // other end closed). The link has closed the port then; the next
  // setup_port opens it afresh. Reading the flag clears it.
  bool take_port_lost() {
    const bool l = port_lost_;
    port_lost_ = false;
    return l;
  }

  // Extra milliseconds every response wait allows on top of the limits: 0
  // in the window; orvctl --slack sets it for converters and gateways that
  // delay the answers.
  void set_answer_slack_ms(int ms) { answer_slack_ms = ms; }

  // Character time in microseconds used for the time-outs, by baud index.
  static int char_time_us(int baud_index);
  // Overall and gap limits in milliseconds of a response wait.
  static int overall_limit_ms(int baud_index, int expected, int sent);
  static int gap_limit_ms(int baud_index, int sent);

  // Builds the request frames (without sending); returns the frame length.
  static int build_read_frame(uint8_t* out, int slave, int start, int count);
  static int build_write_frame(uint8_t* out, int slave, int start, const uint16_t* buf, int count);

  // The receiver's frame assembly, one byte at a time: bytes before the
  // first one equal to the slave address are dropped, the others go to
  // frame[kept++]. True when the byte was kept.
  static bool take_byte(uint8_t* frame, int& kept, uint8_t b, int slave);
  // Judges a complete response of expected + 2 bytes (CRC included) against
  // the request it should answer: 3 for a wrong CRC, 2 when it is no answer
  // to that request, 0 when it is.
  static int judge_answer(const uint8_t* request, const uint8_t* frame, int expected);

 private:
  void clear_port();
  // Notes a failed port call: a lost device closes the port. True when it was lost.
  bool note_port_error(int err);
  bool send_frame(int len);
  // Waits for the answer; its limits count from start_ms (on the line
  // clock), taken before the request went out.
  int wait_response(int slave, int expected, int sent, int64_t start_ms);
  // Reads what has come into rec_buf; ready: the line reported bytes.
  int read_input(bool ready);
  int rx_count();
  int tx_free();
  uint16_t frame_word(int k) const;

  uint8_t mod_read[1025];
  uint8_t send_buf[1025];
  uint8_t rec_buf[1026];
  serial_port port_;
  uint32_t last_err = 0;
  int32_t com_idx = 0;
  int32_t baud_idx = 0;
  int32_t parity_idx = 0;
  int32_t send_err_code = 0;
  int32_t answer_slack_ms = 0;
  bool port_lost_ = false;
  bool answered_ = false;  // the last request on the open port had its answer
  int64_t queue_checks_ = 0;
};
