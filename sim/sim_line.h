// One serial line with simulated transmitters on it: a pseudo-terminal the
// line creates itself (the program opens its other end) or a real serial
// device, served on a thread of its own. Optionally reachable as COM n
// through an entry in the program's ports folder, with faults and line
// timing on demand. This is what the orvsim program runs, and what tests run
// in their own process:
//
//   orvsim::line_options o;
//   o.com = 3;
//   o.devices = {orvsim::device_settings{}};  // one transmitter at address 1
//   orvsim::sim_line line(o);                 // COM3 answers from here on
//   line.steer(1, [](orvsim::transmitter& t) { t.settings().reading = 1023; });
#pragma once

#include "core/mono_clock.h"
#include "line_faults.h"
#include "modbus_slave.h"
#include "transmitter.h"

#include "comm/serial_port.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvsim {

// How long a request without an answer keeps the line silent on a line
// clock: longer than any answer limit of the program.
inline constexpr int64_t SILENCE_MS = 10000;

struct line_options {
  std::string device;        // serial device to serve; empty: a new pseudo-terminal
  int com = 0;               // 1..50: make the line COM n of the program; 0: no entry
  std::string ports_dir;     // folder of the COM entries; empty: the program's own
  int baud = 0;              // 0: on a pseudo-terminal the rate the program set, on a device 115200
  int parity = 0;            // 0 none, 1 odd, 2 even (serial devices only)
  bool line_timing = false;  // answers take the time their bytes need at the baud rate
  fault_settings faults;
  int outage_every_s = 0;                // the line disappears every so many seconds ...
  int outage_for_s = 0;                  // ... for so many seconds
  std::vector<device_settings> devices;  // empty: one transmitter at address 1
  std::string state_file;                // configurations kept across restarts
  const tick_clock* clock = nullptr;     // the transmitters' time base; null: steady
  // Where the line keeps the time of its exchanges for a link on the same
  // clock (tests): an answer moves it by its lateness and the line's turn-
  // round before it goes out; a request that gets no answer (or only an
  // exception answer) moves it by SILENCE_MS. Such a link waits as long as
  // every answer really takes and times out exactly where the line keeps
  // silent. Null: none.
  manual_tick_clock* line_clock = nullptr;
  bool log_requests = false;
  std::function<void(const std::string& path)> on_path;  // the line is there (again)
  std::function<void(const std::string& note)> on_note;  // notes for a log
};

struct line_stats {
  uint64_t requests = 0;  // frames taken off the line
  uint64_t answers = 0;   // answers sent (exceptions included)
  uint64_t exceptions = 0;
  uint64_t faults = 0;   // answers dropped, spoilt, delayed or noised on purpose
  uint64_t ignored = 0;  // requests that came while an answer was still going out
};

class sim_line {
 public:
  // Opens the line, makes the COM entry and starts serving. Throws
  // std::runtime_error when the line or the entry cannot be made.
  explicit sim_line(line_options o);
  // Stops serving, removes the COM entry, saves the state file.
  ~sim_line();
  sim_line(const sim_line&) = delete;
  sim_line& operator=(const sim_line&) = delete;

  // The path the program opens: the pseudo-terminal's other end, or the device.
  std::string path() const;
  int com() const { return o_.com; }
  std::string com_entry() const { return entry_; }

  // Runs fn on the transmitter at the address, under the line's lock; false
  // when there is none. Changes take effect from the transmitter's next sample.
  bool steer(int address, const std::function<void(transmitter&)>& fn);
  void steer_all(const std::function<void(transmitter&)>& fn);
  // A copy of the command register writes the transmitter at the address
  // accepted, oldest first; empty when there is none.
  std::vector<command_write> command_log(int address) const;
  void set_faults(const fault_settings& f);
  void set_line_timing(bool on);

  // The line disappears (the pseudo-terminal is closed; the COM entry stays and
  // leads nowhere) and comes back (a new pseudo-terminal, the entry pointing to
  // it). Both return when done. Not for serial devices.
  void go_down();
  void come_back();
  bool is_up() const;

  line_stats stats() const;
  // True while an answer is still to go out (a late one, say).
  bool sending() const;
  // Writes the state file now (also done after every configuration commit).
  bool save_state();

 private:
  void open_line();
  void close_line();
  // Removes the COM entry while it still leads to this line.
  void unlink_entry();
  void link_entry();
  void run();
  void send_due(int64_t now_us);
  // A request gets no answer: the line clock (if any) passes the silence.
  void keep_silent();
  int line_baud() const;
  int64_t char_us() const;
  void note(const std::string& s);
  bool save_state_locked();

  line_options o_;
  const tick_clock* clock_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  unit_set units_;
  std::vector<int> start_addresses_;
  fault_plan faults_;
  line_stats stats_;
  std::string path_;
  std::string entry_;
  int fd_ = -1;
  int wake_fd_ = -1;
  bool is_pty_ = true;
  std::unique_ptr<serial_port> port_;  // a served serial device
  enum class line_cmd_t { NONE, DOWN, UP };
  line_cmd_t cmd_ = line_cmd_t::NONE;
  int cmd_serial_ = 0;
  int cmd_done_ = 0;
  std::string cmd_error_;
  std::atomic<bool> stop_{false};
  struct pending_answer {
    std::vector<uint8_t> bytes;
    int64_t start_us = 0;
    int64_t char_us = 0;
    size_t sent = 0;
  };
  std::vector<pending_answer> out_;
  std::thread thread_;
};

}  // namespace orvsim
