// The communication service thread: the only thread that talks to the
// transmitters and the only writer of the rings and the log files. It
// polls one device slot per loop pass and carries out the requests that
// the user interface posts between two polls. When its terminate flag is
// set it flushes every active device's log and, as its very last action,
// sets the owner's thr_terminated flag.
#pragma once

#include "comm/reg_map.h"
#include "core/common_data.h"
#include "core/day_clock.h"

#include <atomic>
#include <cstdint>
#include <thread>

class TModbSerial;

inline constexpr const char* SERVICE_THREAD_NAME = "orv-service";

inline constexpr int MAX_READ_FRAME = 125;   // registers per read frame
inline constexpr int MAX_WRITE_FRAME = 123;  // registers per write frame

// One block of registers a request transfers, in frames of at most
// MAX_READ_FRAME (reads) or MAX_WRITE_FRAME (writes) registers.
struct t_xfer_block {
  int first;
  int count;
  bool write;
};

// The frames a request of this kind transfers when it succeeds.
int request_frame_count(dev_request_t kind);
// The registers of frame k (0-based) of a request: false when there is none.
bool request_frame_regs(dev_request_t kind, int k, int& first, int& count);

class com_service {
 public:
  // link: the Modbus link the service owns while it runs (modb_serial when
  // null); clock: where slots and dates come from (the wall clock when null).
  explicit com_service(std::atomic<bool>& thr_terminated, TModbSerial* link = nullptr,
                       const day_clock* clock = nullptr);
  virtual ~com_service();
  com_service(const com_service&) = delete;
  com_service& operator=(const com_service&) = delete;

  void start();
  // Asks the thread to end after its current step.
  void terminate() { terminated_.store(true, std::memory_order_release); }
  bool terminate_requested() const { return terminated_.load(std::memory_order_acquire); }
  bool started() const { return worker_.joinable(); }
  // Waits for the thread to end (after thr_terminated was seen).
  void wait_for();

  // Processor time the service thread has used so far, in seconds (0 when it
  // does not run).
  double cpu_seconds() const;

  // One loop pass: a pending request, or else the poll of the next device.
  // Public so that tests can drive the service step by step without a thread.
  void service_step();
  // What the thread does when its loop ends: flush the logs of the active devices.
  void shutdown_step();

 private:
  void execute();
  void poll_device(int d);
  void apply_ctl(int d);
  void update_panel_state(int d);
  void store_samples(int d);
  void start_day(int d, int slot, int32_t date);
  void store_sample(int d, int slot, int k);
  void capture(int d);
  void carry_out_request();
  bool setup_for(int d);
  bool read_regs_chunked(int d, int slave, int start, uint16_t* buf, int count);
  bool write_regs_chunked(int d, int slave, int start, const uint16_t* buf, int count);
  // One exchange with device d, timed and counted in its link record.
  int read_regs(int d, int slave, int start, uint16_t* buf, int count);
  int write_regs(int d, int slave, int start, const uint16_t* buf, int count);
  int counted(int d, int result, int64_t start_us);
  // After an exchange with device d: true when the port vanished under it.
  // Every device on that port then waits for it to be opened again; d shows
  // no connection.
  bool port_gone(int d);
  // The port of device d is open: a reopen after a loss is counted.
  void port_open(int d);
  void frame_done();

  uint32_t raw_of(int k) const;
  uint32_t cal_bits_of(int k) const;

  std::atomic<bool>& thr_terminated_;
  TModbSerial& link_;
  const day_clock& clock_;
  std::atomic<bool> terminated_{false};
  std::thread worker_;

  uint16_t samples_regs[SAMPLE_REG_COUNT] = {};
  uint16_t xfer_[PROD_REG_COUNT] = {};  // one transfer of a request
  uint32_t frames_word_ = 0;            // what req_frames holds for the request in progress
};
