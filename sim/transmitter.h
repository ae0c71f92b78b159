// One simulated Orv transmitter: its registers, its sample clock and the
// measurement it produces. Not thread-safe; the line that owns it serialises
// requests and steering.
#pragma once

#include "config_image.h"
#include "register_map.h"
#include "signal_process.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace orvsim {

// What the command line (or a test) sets for one transmitter. Changes made
// while the transmitter runs take effect from its next sample.
struct device_settings {
  int address = 1;             // unit address 1..247
  std::string serial;          // device serial number, 12 characters; empty: derived from the address
  uint64_t sensor_serial = 0;  // 48 bits; 0: derived from the address
  int firmware = 105;          // hundredths (1.05)
  int sensor_mode = 0;         // status register 32; not 0 selects the second gain coefficient set
  process_settings process;    // the flow
  std::optional<double> raw;   // pins the gain-independent signal (raw value)
  std::optional<int> reading;  // pins the 10-bit reading whatever the gain
  double temp = 23.5;          // sensor temperature, degC
  bool temp_drift = true;      // small wandering of the temperature
  double temp_lo = -20.0;      // sensor temperature limits, degC
  double temp_hi = 70.0;
  int din = 0;                 // digital inputs as wired, bit 0 = input 1
  bool sensor_error = false;   // every sample with a sensor error
  double sensor_errors = 0.0;  // share of samples with a sensor error
  bool system_error = false;
  double system_errors = 0.0;
  int alarms = 0;           // relays forced on: bit 0 relay 1, bit 1 relay 2
  uint16_t error_code = 0;  // bits added to the error code word
  uint32_t counter = 0;     // samples produced before the start
  double clock_ppm = 0.0;   // the transmitter clock's deviation
  uint64_t seed = 0;        // 0: derived from the address
};

// One write to a command register (10004..10007) that the transmitter accepted.
struct command_write {
  int reg = 0;
  uint16_t value = 0;
  bool operator==(const command_write&) const = default;
};

// The command log keeps this many of the newest writes.
inline constexpr size_t COMMAND_LOG_MAX = 10000;

struct sample {
  uint32_t raw = RAW_NO_SAMPLE;
  uint32_t value_bits = VALUE_NO_SAMPLE;
  float value() const;
};

class transmitter {
 public:
  transmitter(const device_settings& s, int64_t now_ms);

  int address() const { return address_; }
  void set_address(int a) { address_ = a; }
  device_settings& settings() { return s_; }
  const device_settings& settings() const { return s_; }

  // Produces the samples due by now (one per 200 ms of the transmitter's clock).
  void advance(int64_t now_ms);

  // Register access as on the line: 0, or the Modbus exception code.
  uint8_t read(int start, int count, uint16_t* out, int64_t now_ms);
  uint8_t write(int start, int count, const uint16_t* in, int64_t now_ms);

  // Inspection and steering.
  uint64_t produced() const { return produced_; }
  uint16_t counter() const { return static_cast<uint16_t>(produced_); }
  const sample& newest() const { return history_.front(); }
  const std::deque<sample>& history() const { return history_; }  // newest first
  const config_image& active_config() const { return active_; }
  const config_image& written_config() const { return written_; }
  // Replaces the configuration in force (and the written image), as from a state file.
  void load_config(const config_image& c);
  // True once after each configuration commit (1 written to 10005).
  bool take_commit();
  int active_product() const;
  uint16_t gain_in_force() const;
  uint16_t gain_override() const { return gain_override_; }
  // Every accepted command register write in order, oldest first (the newest
  // COMMAND_LOG_MAX of them), and how many there were in all.
  const std::deque<command_write>& command_log() const { return command_log_; }
  uint64_t command_count() const { return command_count_; }
  void clear_command_log() { command_log_.clear(); }
  bool aout_forced() const { return (aout_mode_ & AOUT_FORCE) != 0; }
  uint16_t aout_drive() const { return aout_drive_in_use_; }
  uint16_t aout_feedback() const { return aout_feedback_; }
  int16_t temperature() const { return temp_tenths_; }
  uint16_t status_word() const { return status_word_; }
  uint16_t error_word() const { return error_word_; }
  void status_block(uint16_t* out) const;
  void sample_block(uint16_t* out) const;

 private:
  void produce_sample();
  int logical_inputs() const;
  bool relay_state(int relay, double value, bool sensor_err, uint32_t reading);
  void update_aout(double value, bool alarm);
  void commit();

  device_settings s_;
  int address_;
  signal_process process_;
  config_image active_;
  config_image written_;
  bool committed_ = false;
  int64_t start_ms_;
  double phase_ms_;
  uint64_t produced_;
  std::deque<sample> history_;
  int16_t temp_tenths_ = 0;
  double temp_wander_ = 0.0;
  uint16_t status_word_ = 0;
  uint16_t error_word_ = 0;
  uint16_t gain_override_ = 0;
  uint16_t aout_drive_req_ = 0;
  uint16_t aout_mode_ = 0;
  uint16_t aout_drive_in_use_ = 0;
  uint16_t aout_feedback_ = 0;
  std::deque<command_write> command_log_;
  uint64_t command_count_ = 0;
  // Measurement chain state.
  std::deque<double> median_window_;
  std::optional<double> pt1_;
  sample last_good_;
  // Alarm state per relay (0, 1) and for the analog output (2).
  struct alarm_state {
    bool min_on = false, max_on = false, on = false;
    int pending = 0;
  };
  std::array<alarm_state, 3> alarm_{};
  double last_value_ = 0.0;
};

}  // namespace orvsim
