// Run-time records shared by the user-interface thread and the communication
// service thread, their enumerations and the program's global instances.
//
// Every field that one thread writes while the other reads it is a
// std::atomic of the field's own width. Data fields use relaxed order; the
// request handshake (parameters before data_req, results and req_stat before
// data_req) and last_saved_idx use release/acquire. The two text fields of a
// device connection (tag, log_dir) are guarded by one small mutex held only
// while they are copied or assigned.
#pragma once

#include "core/mem_order.h"

#include <QString>

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <mutex>

// ---- sizes ----------------------------------------------------------------
inline constexpr int MAX_DEVICES = 8;
inline constexpr int MAX_CHANNELS = 8;
inline constexpr int SLOTS_PER_DAY = 432000;         // one slot every 200 ms
inline constexpr int RING_SIZE = SLOTS_PER_DAY + 1;  // one spare entry
inline constexpr int STAT_REGS = 82;                 // registers 0..80 (+1 spare)
inline constexpr int PARAM_REGS = 85;                // registers 3000..3083 (+1 spare)
inline constexpr int PROD_REGS = 1729;               // registers 4000..5727 (+1 spare)
inline constexpr int PRODUCTS = 24;
inline constexpr int PROD_STRIDE = 72;    // registers per product
inline constexpr int CAL_RAW_SIZE = 365;  // capture ring, index 364 never written
inline constexpr int COM_PORTS = 50;
inline constexpr int LNG_SLOTS = 6;

inline constexpr uint32_t RAW_EMPTY = 0x000FFFFFu;  // raw word of an empty slot
inline constexpr uint32_t CAL_EMPTY = 0xFFC00000u;  // NaN pattern of an empty slot
inline constexpr uint16_t DEVICE_TYPE_ORV = 212;
inline constexpr int BAUD_IDX_MAX = 4;     // 9600 .. 115200
inline constexpr int PARITY_MAX = 2;       // none, odd, even
inline constexpr int UNIT_ADDR_MAX = 247;  // addr index: unit address 1..248

// ---- enumerations (one byte each) -------------------------------------------
enum device_stat_t : uint8_t {
  DEVSTAT_IDLE = 0,
  DEVSTAT_OK = 1,
  DEVSTAT_COMERR = 2,
  DEVSTAT_TOUT = 3,
  DEVSTAT_WAIT = 4,
  DEVSTAT_BADDEV = 5,
};

enum dev_req_stat_t : uint8_t {
  REQS_IDLE = 0,
  REQS_READY = 1,
  REQS_ERROR = 2,
};

enum dev_request_t : uint8_t {
  REQR_IDLE = 0,
  REQR_STAT = 1,
  REQR_PARAM_RD = 2,
  REQR_PARAM_WR = 3,
  REQR_COMM_LIST = 4,
  REQR_PWM_ENA = 5,
  REQR_PWM_SET = 6,
  REQR_PWM_ENA_2 = 7,
  REQR_GAIN_SET = 8,
};

// ---- small atomic building blocks --------------------------------------------
template <typename T>
using shared_t = std::atomic<T>;

// A 32-bit float kept as its bit pattern, so that the empty marker
// 0xFFC00000 survives every load and store exactly.
class atomic_f32 {
 public:
  float load(std::memory_order o = std::memory_order_relaxed) const { return std::bit_cast<float>(bits_.load(o)); }
  void store(float v, std::memory_order o = std::memory_order_relaxed) { bits_.store(std::bit_cast<uint32_t>(v), o); }
  uint32_t load_bits(std::memory_order o = std::memory_order_relaxed) const { return bits_.load(o); }
  void store_bits(uint32_t b, std::memory_order o = std::memory_order_relaxed) { bits_.store(b, o); }

 private:
  std::atomic<uint32_t> bits_{0};
};

// A 64-bit float (a date in days) kept as its bit pattern.
class atomic_f64 {
 public:
  double load(std::memory_order o = std::memory_order_relaxed) const { return std::bit_cast<double>(bits_.load(o)); }
  void store(double v, std::memory_order o = std::memory_order_relaxed) { bits_.store(std::bit_cast<uint64_t>(v), o); }

 private:
  std::atomic<uint64_t> bits_{0};
};

// The pending request: its kind (what the rest of the program calls
// data_req) together with a serial number the poster increments, in one
// atomic word. The service clears it only if it still holds the request it
// carried out, so a request posted meanwhile is never wiped.
class request_slot {
 public:
  dev_request_t load(std::memory_order o = std::memory_order_acquire) const {
    return static_cast<dev_request_t>(word_.load(o) & 0xFF);
  }
  uint32_t word(std::memory_order o = std::memory_order_acquire) const { return word_.load(o); }
  static dev_request_t kind_of(uint32_t w) { return static_cast<dev_request_t>(w & 0xFF); }
  static uint32_t serial_of(uint32_t w) { return w >> 8; }
  // Posts a request (the parameters were written before); returns its serial.
  uint32_t post(dev_request_t kind) {
    uint32_t w = word_.load(std::memory_order_relaxed);
    uint32_t next;
    do {
      next = (((w >> 8) + 1) << 8) | kind;
    } while (!word_.compare_exchange_weak(w, next, std::memory_order_release, std::memory_order_relaxed));
    return next >> 8;
  }
  // The service finished the request it took as `taken`: the slot becomes
  // `next` (idle or a follow-up of the same serial) unless it changed.
  bool finish(uint32_t taken, dev_request_t next) {
    return word_.compare_exchange_strong(taken, (taken & ~0xFFu) | next, std::memory_order_acq_rel,
                                         std::memory_order_acquire);
  }
  // Start-up only: sets the kind without a new serial.
  void store(dev_request_t kind) {
    const uint32_t w = word_.load(std::memory_order_relaxed);
    word_.store((w & ~0xFFu) | kind, std::memory_order_release);
  }

 private:
  std::atomic<uint32_t> word_{0};
};

// Per-device work the user interface asks the service to do at that
// device's next turn, so that a poll in progress never sees half of it.
enum dev_ctl_t : uint32_t {
  CTL_RESET_ACQ = 1u << 0,      // flush the log, then reset_acq_state
  CTL_RESET_CAPTURE = 1u << 1,  // capture counters back to 0
  CTL_CLEAR_STATUS = 1u << 2,   // status_read = false
  CTL_RESET_LINK = 1u << 3,     // link counters back to 0
};

// A register image as on the wire: 16-bit words, each stored atomically.
template <int N>
struct reg_image {
  std::array<std::atomic<uint16_t>, N> r{};

  static constexpr int size() { return N; }
  uint16_t get(int i) const { return r[i].load(std::memory_order_relaxed); }
  void set(int i, uint16_t v) { r[i].store(v, std::memory_order_relaxed); }
  // Copies count words from src into the image from index first on.
  void copy_in(int first, const uint16_t* src, int count) {
    for (int k = 0; k < count; ++k) set(first + k, src[k]);
  }
  // Copies count words of the image from index first on into dst.
  void copy_out(int first, uint16_t* dst, int count) const {
    for (int k = 0; k < count; ++k) dst[k] = get(first + k);
  }
  template <int M>
  void assign(const reg_image<M>& o) {
    static_assert(M == N);
    for (int k = 0; k < N; ++k) set(k, o.get(k));
  }
  template <int M>
  bool equals(const reg_image<M>& o) const {
    static_assert(M == N);
    for (int k = 0; k < N; ++k)
      if (get(k) != o.get(k)) return false;
    return true;
  }
  void clear() {
    for (auto& w : r) w.store(0, std::memory_order_relaxed);
  }
};

using stat_image = reg_image<STAT_REGS>;
using param_image = reg_image<PARAM_REGS>;
using prod_image = reg_image<PROD_REGS>;

// The one mutex of the program: held only while a device connection's text
// fields are copied or assigned.
std::mutex& dev_conn_text_mutex();

// A text field that both threads may read; copies are cheap (shared data).
class guarded_text {
 public:
  QString get() const {
    std::lock_guard<std::mutex> lock(dev_conn_text_mutex());
    return value_;
  }
  void set(const QString& v) {
    std::lock_guard<std::mutex> lock(dev_conn_text_mutex());
    value_ = v;
  }

 private:
  QString value_;
};

// ---- persisted records ------------------------------------------------------
// Connection settings of one device; written by the UI, read by the service
// at every poll of that device.
struct t_dev_conn {
  shared_t<bool> active{false};
  shared_t<bool> log_active{false};
  shared_t<int32_t> addr{0};      // unit address on the wire is addr + 1
  shared_t<int32_t> com_num{0};   // 1 = COM1
  shared_t<int32_t> baud_idx{0};  // 0..4
  shared_t<int32_t> parity{0};    // 0 none, 1 odd, 2 even
  guarded_text tag;
  guarded_text log_dir;
  shared_t<bool> use_usb{false};
};

// One chart trace (UI thread only).
struct t_dsp_chan {
  bool active = false;
  bool displayed = false;
  QString sample_file;
  QString tag;
  int32_t dev_idx = 0;
  int32_t meas_mode = 0;
  int32_t filt_med = 0;
  uint16_t filt_pt = 0;
  uint16_t filt_screw = 0;
  int32_t line_thk = 0;
  int32_t color = 0;
};

// Language packs found at start (UI thread only).
struct t_lng_config {
  int32_t lng_cnt = 0;
  QString lng_name[LNG_SLOTS];
  QString lng_file[LNG_SLOTS];
  QString curr_lng;
};

struct t_common_setup {
  t_dev_conn dev_conn[MAX_DEVICES];
  int32_t pixel_div_x = 0;
  int32_t pixel_div_y = 0;
  int32_t text_h = 0;
  t_dsp_chan dsp_chan_live[MAX_CHANNELS];
  t_dsp_chan dsp_chan_arch[MAX_CHANNELS];
  QString decp_separator;
  QString field_separator;
  t_lng_config lng_config;
  int32_t last_page = 0;
  int32_t pos_x = 0;
  int32_t pos_y = 0;
  int32_t f_height = 0;
  int32_t f_width = 0;
};

// ---- run-time records -------------------------------------------------------
// How well a device's line works: requests and their results, response
// times, port losses and the samples stored. Written by the service only
// (comm/link_stats.h), with relaxed single stores, at every exchange with
// the device; the user interface reads the fields one by one. Fixed size:
// nothing is allocated and nothing is locked while the service records.
inline constexpr int LINK_WINDOW = 100;  // requests and answers the window figures cover

struct t_link_stat {
  // Since start (or the last reset).
  shared_t<uint32_t> requests{0};      // requests sent to the device
  shared_t<uint32_t> good{0};          // complete answers with a correct CRC
  shared_t<uint32_t> timeouts{0};      // no answer that could be taken (result 2)
  shared_t<uint32_t> crc_errors{0};    // complete answers with a wrong CRC (result 3)
  shared_t<int64_t> last_good_ms{-1};  // when the newest good answer came (ms on the line clock); -1 none
  shared_t<uint32_t> reopens{0};       // the port was opened again after it was lost
  shared_t<uint32_t> stored{0};        // samples stored into the rings
  shared_t<uint32_t> empty{0};         // slots left empty between stored samples
  // The results of the last LINK_WINDOW requests (0, 2 or 3), a ring, and
  // how many of them were good, time-outs and CRC errors.
  std::array<shared_t<uint8_t>, LINK_WINDOW> result{};
  shared_t<int32_t> result_count{0};  // entries in use, 0..LINK_WINDOW
  shared_t<int32_t> result_next{0};   // entry written next
  shared_t<int32_t> win_good{0};
  shared_t<int32_t> win_timeouts{0};
  shared_t<int32_t> win_crc{0};
  // The response times of the last LINK_WINDOW good answers (microseconds
  // the exchange took from sending the request to the answer's last byte), a
  // ring; their mean
  // and the worst of them.
  std::array<shared_t<uint32_t>, LINK_WINDOW> resp_us{};
  shared_t<int32_t> resp_count{0};
  shared_t<int32_t> resp_next{0};
  shared_t<uint32_t> resp_mean_us{0};
  shared_t<uint32_t> resp_worst_us{0};
  // The port vanished under an exchange; the next successful open is
  // counted as a reopen. Not a counter: a reset keeps it.
  shared_t<bool> port_lost{false};
};

// Newest decoded sample of a device (service writes, UI reads).
struct t_last_dev_data {
  atomic_f32 cal_val;
  shared_t<uint32_t> raw{0};
  shared_t<int32_t> temp{0};
  shared_t<uint16_t> status{0};
  shared_t<uint16_t> status_2{0};
};

struct t_dev_stat {
  shared_t<bool> param_read{false};
  shared_t<uint16_t> err_counter{0};
  shared_t<device_stat_t> device_stat{DEVSTAT_IDLE};
  shared_t<int32_t> ed_prod_id{0};
  shared_t<int32_t> sensor_mode{0};
  stat_image read_stat;
  param_image read_param;
  prod_image read_prod;
  param_image edit_param;
  prod_image edit_prod;
  shared_t<int32_t> last_arch_idx{0};
  shared_t<int32_t> last_smp_orv{0};
  shared_t<int32_t> last_saved_idx{0};  // release by the service, acquire by readers
  shared_t<int32_t> last_written_idx{0};
  // Written by the service: 0 while the log file can be written, else the
  // system's error number of the last failed write (the samples stay pending).
  shared_t<int32_t> log_error{0};
  std::array<shared_t<uint32_t>, RING_SIZE> smp_raw{};
  std::array<atomic_f32, RING_SIZE> smp_cal{};
  std::array<shared_t<uint16_t>, RING_SIZE> smp_temp{};
  atomic_f64 last_date;  // days since 1899-12-30, date part only
  shared_t<bool> smp_cleared{false};
  shared_t<bool> unit_cleared{false};
  shared_t<int32_t> unit_idx{0};
  shared_t<int32_t> cal_smp_cnt{0};
  shared_t<uint32_t> cal_smp_sum{0};
  shared_t<uint32_t> cal_smp_min{0};
  shared_t<uint32_t> cal_smp_max{0};
  shared_t<uint32_t> cal_smp_avg{0};
  shared_t<int32_t> last_calib_smp{0};
  shared_t<bool> calib_req{false};
  std::array<shared_t<uint32_t>, CAL_RAW_SIZE> cal_raw_smp{};
  shared_t<bool> status_read{false};
  t_last_dev_data last_dev_data;
  shared_t<uint32_t> ctl_req{0};  // dev_ctl_t bits posted by the user interface
  t_link_stat link;               // line health (service)
};

// One archive chart channel (UI thread only).
struct t_arch_stat {
  QString load_file;
  int32_t meas_idx = 0;
  std::array<float, RING_SIZE> smp_tab{};
  int32_t unit_idx = 0;
};

struct t_m_stat {
  shared_t<int32_t> dev_selected{0};
  t_dev_stat dev_stat[MAX_DEVICES];
  param_image read_param;
  prod_image read_prod;
  param_image edit_param;
  prod_image edit_prod;
  shared_t<int32_t> sensor_mode{0};
  shared_t<bool> off_line_vaild{false};
  shared_t<int32_t> ed_prod_id{0};
  shared_t<int32_t> current_srvc{0};
  request_slot data_req;
  shared_t<uint16_t> PWM_req{0};
  shared_t<uint16_t> PWM_dis_mode{0};
  shared_t<uint16_t> gain_req{0};
  shared_t<int32_t> rqd_device{0};
  shared_t<dev_req_stat_t> req_stat{REQS_IDLE};
  shared_t<uint32_t> req_done{0};  // serial of the newest request carried out
  // Progress of the request being carried out, for a progress bar: its
  // serial (low 24 bits) << 8 | the frames transferred so far (service).
  shared_t<uint32_t> req_frames{0};
  shared_t<int32_t> acc_level{0};
  shared_t<bool> reset_live{false};
  t_arch_stat arch_stat[MAX_CHANNELS];
  param_image tmp_param;
  prod_image tmp_prod;
  shared_t<int32_t> play_enable{0};
  shared_t<bool> service_ena{false};
  // Device slot to be removed, -1 when none: the service moves the records
  // of the slots behind it down one place between two polls, then sets -1.
  shared_t<int32_t> remove_req{-1};
  // A connection record edited in the device dialog, for slot conn_edit_req
  // (-1 when none): the service flushes that device's log under its old
  // name, takes the new record and, with conn_edit_reset, starts the device
  // afresh, all between two polls; then it sets -1.
  t_dev_conn conn_edit;
  shared_t<bool> conn_edit_reset{false};
  shared_t<int32_t> conn_edit_req{-1};
};

// Panel state of one device, written only by the service.
struct dev_diag {
  shared_t<int32_t> panel_state{0};   // 0 none, 1 acquisition off, 2 comm error, 3 device error, 4 running
  shared_t<int32_t> panel_detail{0};  // 0..5, selects the panel hint
};

struct t_srvc_diag {
  dev_diag diag[MAX_DEVICES];
};

// ---- global instances -------------------------------------------------------
class TModbSerial;
class com_service;

extern t_m_stat& m_stat;
extern t_common_setup& common_setup;
extern std::array<shared_t<bool>, COM_PORTS>& com_avail_tab;
extern t_srvc_diag& srvc_diag;
extern TModbSerial* modb_serial;
extern com_service* srvc_thread;

extern QString init_log;
extern QString cfg_dir;    // relative to the application-data folder, starts with "\"
extern QString data_dir;   // likewise
extern QString start_dir;  // current directory at start-up
extern QChar sys_dec_sep;
extern QChar sys_list_sep;
extern QChar sys_time_sep;
extern bool ctrl_updating;
extern double ref_date;  // 1980-01-01 00:00 in days since 1899-12-30

// ---- helpers on the records ---------------------------------------------------
// Empties a device's rings: raw 0x000FFFFF, value NaN 0xFFC00000; unit_cleared.
// The temperatures stay as they are.
void clear_smp_ring(t_dev_stat& d);

// Resets a device's acquisition bookkeeping (see t_dev_stat); today is the
// date the rings then belong to.
void reset_acq_state(t_dev_stat& d, double today);

// Link counters back to 0 (port_lost stays as it is).
void clear_link_stat(t_link_stat& l);
// Copies a device's link counters.
void copy_link_stat(t_link_stat& dst, const t_link_stat& src);

// Copies every field of a device's run-time record (rings included).
void copy_dev_stat(t_dev_stat& dst, const t_dev_stat& src);
// Copies a connection record.
void copy_dev_conn(t_dev_conn& dst, const t_dev_conn& src);
// A connection names a unit address index (0..247), a port (1..COM_PORTS), a
// baud rate index (0..4) and a parity (0..2) that exist. The numbers are kept
// as the setup file gives them; a record out of range is never opened.
bool conn_in_range(int32_t addr, int32_t com_num, int32_t baud_idx, int32_t parity);
bool dev_conn_in_range(const t_dev_conn& dc);
void clear_dev_conn(t_dev_conn& c);

// Zero-fills every global record again (tests use it between cases).
void reset_all_records();
