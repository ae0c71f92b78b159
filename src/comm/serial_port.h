// One serial line over POSIX termios: raw mode, 8 data bits, 1 stop bit,
// no flow control, the five baud rates of the link and parity none/odd/even.
#pragma once

#include <termios.h>

#include <cstddef>
#include <string>

class serial_port {
 public:
  serial_port() = default;
  ~serial_port();
  serial_port(const serial_port&) = delete;
  serial_port& operator=(const serial_port&) = delete;

  // Opens the device without making it the controlling terminal and takes
  // an exclusive lock, so that two programs cannot share a line.
  bool open(const std::string& path);
  // Raw mode with the given baud index (0..4) and parity (0 none, 1 odd,
  // 2 even). Fails when the driver does not take the settings as asked.
  bool configure(int baud_idx, int parity);
  void close();
  bool is_open() const { return fd_ >= 0; }

  // Drops what is queued in both directions.
  bool purge();
  // Bytes received and waiting to be read; -1 on error.
  int rx_count();
  // Bytes still queued for sending; 0 when the driver cannot tell.
  int tx_queued();
  // Reads what has arrived, up to max bytes, without blocking; -1 on error.
  int read_available(unsigned char* buf, int max);
  // Writes the bytes; waits a little for the queue when it is full.
  // Returns false when not everything could be handed to the driver.
  bool write_all(const unsigned char* buf, int len);
  // Waits until bytes arrive or the time is up; true when bytes are waiting.
  // With a minimum set, "bytes" means at least that many.
  bool wait_readable(int timeout_ms);
  // The bytes wait_readable waits for (1..kMaxMinBytes; more are taken as
  // kMaxMinBytes): the rest of a frame is waited for in one wake instead of
  // one for every byte the driver passes on. Reads never wait, whatever the
  // minimum.
  void set_min_bytes(int n);
  // The terminal layer hands a read out in pieces of 64 bytes and goes on
  // to the next piece only while the minimum has been reached: a minimum
  // above 64 would cost a read call for every 64 bytes of a frame, one of
  // 64 or less lets one read take everything there.
  static constexpr int kMaxMinBytes = 64;
  int min_bytes() const { return settings_.c_cc[VMIN] > 0 ? settings_.c_cc[VMIN] : 1; }

  // The system errors that mean the device itself is gone: a USB adapter
  // unplugged, the other end of a pseudo-terminal closed (EIO, ENXIO, ENODEV).
  static bool is_loss_errno(int e);

  int fd() const { return fd_; }
  int last_errno() const { return last_errno_; }

  // The termios settings the port layer builds for a baud index and parity,
  // starting from the given settings. False for an index or code out of range.
  static bool build_termios(termios& t, int baud_idx, int parity);
  static speed_t baud_constant(int baud_idx);

 private:
  int fd_ = -1;
  int last_errno_ = 0;
  termios settings_{};  // as configured, with the minimum asked for last
  bool configured_ = false;
};
