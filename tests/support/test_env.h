// Shared helpers of the tests: a temporary application-data folder, a
// pseudo-terminal pair with a COM port entry, and a libmodbus RTU server.
#pragma once

#include "core/mono_clock.h"

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// True when something (a file, a link, a folder) exists at path p; links are not followed.
bool path_exists(const std::string& p);

// Waits up to ms milliseconds for cond, letting pending events run
// meanwhile; cond's last answer.
bool wait_until(const std::function<bool()>& cond, int ms);

// The line clock of a test (see set_line_clock), installed for the object's
// lifetime: simulated lines given it as their line_clock keep the time of
// their exchanges on it, so the program's links wait for every answer
// however late a loaded machine delivers it, and time out exactly where a
// line keeps silent. Declare it before the lines and the window it serves.
struct test_line_clock {
  test_line_clock() { set_line_clock(&time); }
  ~test_line_clock() { set_line_clock(nullptr); }
  test_line_clock(const test_line_clock&) = delete;
  test_line_clock& operator=(const test_line_clock&) = delete;
  manual_tick_clock time;
};

// Points XDG_CONFIG_HOME at a fresh temporary folder for its lifetime.
class temp_config_home {
 public:
  temp_config_home();
  ~temp_config_home();
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QByteArray old_;
  bool had_old_ = false;
};

// A pseudo-terminal pair in raw mode; the program side opens slave_path().
class pty_pair {
 public:
  pty_pair();
  ~pty_pair();
  int master() const { return master_; }
  // The slave end this object holds: the line's receive queue can be seen through it.
  int slave() const { return slave_; }
  const std::string& slave_path() const { return slave_path_; }
  // Makes the slave reachable as COM port n (entry in the ports folder).
  void link_as_com(int n);
  // Closes the slave end this object holds (the program may keep its own).
  void close_slave();
  void close_master();
  // Reads what the master has received within the given time.
  std::vector<uint8_t> read_master(int wait_ms, size_t max = 4096);
  // Reads one whole Modbus RTU request (read or write frame, its length
  // known from its function code) as soon as it is there; empty when none
  // has begun within wait_ms. A frame that has begun is never cut.
  std::vector<uint8_t> read_request(int wait_ms);
  void write_master(const std::vector<uint8_t>& bytes);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
  std::string link_;
};

// A libmodbus RTU server (slave) answering on the master end of a pty.
class modbus_peer {
 public:
  modbus_peer(int fd, int slave_id, int registers = 12000);
  ~modbus_peer();
  // The peer keeps the test's time on this clock from now on: every answer
  // takes answer_us of it; a dropped request, one for another unit and one
  // it cannot read leave the line silent for kSilenceMs of it (longer than
  // any answer limit). A link on the same clock so waits as long as an
  // answer really takes, and times out only where nobody answers.
  void keep_time_on(manual_tick_clock* clock, int64_t answer_us = 2000) {
    answer_us_ = answer_us;
    clock_ = clock;
  }
  static constexpr int64_t kSilenceMs = 10000;
  void set_register(int addr, uint16_t v);
  uint16_t get_register(int addr) const;
  int requests() const { return requests_.load(); }
  // The next n requests are received but not answered.
  void drop_next(int n) { drop_ = n; }
  // Writes to registers from..from+count-1 seen so far, in order.
  std::vector<std::pair<int, int>> writes() const;
  void clear_writes();

 private:
  void run();
  int fd_;
  void* ctx_ = nullptr;
  void* map_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::atomic<int> drop_{0};
  std::atomic<manual_tick_clock*> clock_{nullptr};
  std::atomic<int64_t> answer_us_{0};
  std::vector<std::pair<int, int>> writes_;
  mutable std::mutex map_mutex_;
  std::thread worker_;
};
