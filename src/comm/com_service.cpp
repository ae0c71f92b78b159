#include "comm/com_service.h"

#include "archive/log_file.h"
#include "comm/device_slots.h"
#include "comm/link_stats.h"
#include "comm/modb_serial.h"
#include "core/mono_clock.h"

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t RAW_SYSTEM_ERROR = 1u << 21;
constexpr uint32_t RAW_SENSOR_ERROR = 1u << 20;
constexpr uint16_t STATUS_TEMP_LIMIT = 1u << 12;

// Samples the device produced since `last`, from its 16-bit counter.
int new_sample_count(int now, int last) { return (now - last) & 0xFFFF; }

int unit_of(uint16_t status) { return (status >> 6) & 0xF; }

// What each request transfers, in order.
struct xfer_plan {
  t_xfer_block blocks[3];
  int count;
};

xfer_plan plan_of(dev_request_t kind) {
  switch (kind) {
    case REQR_STAT:
    case REQR_PWM_ENA: return {{{0, STATUS_REG_COUNT, false}}, 1};
    case REQR_PARAM_RD:
      return {{{0, STATUS_REG_COUNT, false},
               {PARAM_REG_FIRST, PARAM_REG_COUNT, false},
               {PROD_REG_FIRST, PROD_REG_COUNT, false}},
              3};
    case REQR_PARAM_WR:
      return {
          {{PARAM_REG_FIRST, PARAM_REG_COUNT, true}, {PROD_REG_FIRST, PROD_REG_COUNT, true}, {REG_CFG_END, 1, true}},
          3};
    case REQR_PWM_SET: return {{{REG_AOUT_VALUE, 2, true}}, 1};
    case REQR_PWM_ENA_2: return {{{REG_AOUT_MODE, 1, true}}, 1};
    case REQR_GAIN_SET: return {{{REG_GAIN, 1, true}}, 1};
    default: return {{}, 0};
  }
}

int frames_of(const t_xfer_block& b) {
  const int per = b.write ? MAX_WRITE_FRAME : MAX_READ_FRAME;
  return (b.count + per - 1) / per;
}

}  // namespace

int request_frame_count(dev_request_t kind) {
  const xfer_plan p = plan_of(kind);
  int n = 0;
  for (int b = 0; b < p.count; ++b) n += frames_of(p.blocks[b]);
  return n;
}

bool request_frame_regs(dev_request_t kind, int k, int& first, int& count) {
  const xfer_plan p = plan_of(kind);
  for (int b = 0; b < p.count && k >= 0; ++b) {
    const t_xfer_block& blk = p.blocks[b];
    const int n = frames_of(blk);
    if (k < n) {
      const int per = blk.write ? MAX_WRITE_FRAME : MAX_READ_FRAME;
      first = blk.first + k * per;
      count = std::min(per, blk.count - k * per);
      return true;
    }
    k -= n;
  }
  return false;
}

com_service::com_service(std::atomic<bool>& thr_terminated, TModbSerial* link, const day_clock* clock)
    : thr_terminated_(thr_terminated), link_(link ? *link : *modb_serial), clock_(clock ? *clock : wall_clock()) {}

com_service::~com_service() {
  terminate();
  wait_for();
}

void com_service::start() {
  if (worker_.joinable()) return;
  terminated_.store(false, rlx);
  thr_terminated_.store(false, rlx);
  worker_ = std::thread([this] { execute(); });
}

void com_service::wait_for() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

double com_service::cpu_seconds() const {
  if (!worker_.joinable()) return 0.0;
  clockid_t id;
  timespec ts{};
  if (pthread_getcpuclockid(const_cast<std::thread&>(worker_).native_handle(), &id) != 0 || clock_gettime(id, &ts) != 0)
    return 0.0;
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void com_service::execute() {
  // Named for the system's thread lists (and the allocation count of the benchmark).
  pthread_setname_np(pthread_self(), SERVICE_THREAD_NAME);
  while (!terminate_requested()) {
    service_step();
    sleep_ms(1);
  }
  shutdown_step();
  thr_terminated_.store(true, std::memory_order_release);
}

void com_service::shutdown_step() {
  for (int d = 0; d < MAX_DEVICES; ++d)
    if (common_setup.dev_conn[d].active.load(rlx)) write_log(d);
}

// ---- loop pass ----------------------------------------------------------------

void com_service::service_step() {
  if (const int r = m_stat.remove_req.load(std::memory_order_acquire); r >= 0) {
    remove_device_records(r, clock_.now().date);
    m_stat.remove_req.store(-1, std::memory_order_release);
    return;
  }
  if (const int e = m_stat.conn_edit_req.load(std::memory_order_acquire); e >= 0) {
    apply_conn_edit(e, m_stat.conn_edit, m_stat.conn_edit_reset.load(rlx), clock_.now().date);
    m_stat.conn_edit_req.store(-1, std::memory_order_release);
    return;
  }
  int d = m_stat.current_srvc.load(rlx);
  if (d > MAX_DEVICES - 1 || d < 0) d = 0;
  if (m_stat.data_req.load() != REQR_IDLE) {
    m_stat.current_srvc.store(d, rlx);
    carry_out_request();
    return;
  }
  poll_device(d);
  update_panel_state(d);
  m_stat.current_srvc.store(d + 1, rlx);
}

bool com_service::setup_for(int d) {
  const auto& c = common_setup.dev_conn[d];
  const int com = c.com_num.load(rlx), baud = c.baud_idx.load(rlx), parity = c.parity.load(rlx);
  // A connection record that names no port, rate, parity or unit address
  // is a communication error, never an index out of range.
  if (!conn_in_range(c.addr.load(rlx), com, baud, parity)) return false;
  return link_.setup_port(com, baud, parity);
}

void com_service::apply_ctl(int d) {
  auto& s = m_stat.dev_stat[d];
  const uint32_t bits = s.ctl_req.exchange(0, std::memory_order_acquire);
  if (!bits) return;
  if (bits & CTL_RESET_ACQ) {
    if (s.last_saved_idx.load(rlx) >= 0) write_log_or_keep(d);
    reset_acq_state(s, clock_.now().date);
  }
  if (bits & CTL_RESET_CAPTURE) {
    s.cal_smp_cnt.store(0, rlx);
    s.cal_smp_sum.store(0, rlx);
    s.cal_smp_avg.store(0, rlx);
    s.last_calib_smp.store(0, rlx);
  }
  if (bits & CTL_CLEAR_STATUS) s.status_read.store(false, rlx);
  if (bits & CTL_RESET_LINK) clear_link_stat(s.link);
}

// ---- exchanges --------------------------------------------------------------

int com_service::counted(int d, int result, int64_t start_us) {
  // Response times are measured on the line clock, as the answer limits are.
  const int64_t end_us = line_clock().now_us();
  const int64_t took = std::clamp<int64_t>(end_us - start_us, 0, INT32_MAX);
  link_record(m_stat.dev_stat[d].link, result, static_cast<uint32_t>(took), end_us / 1000);
  return result;
}

int com_service::read_regs(int d, int slave, int start, uint16_t* buf, int count) {
  const int64_t t0 = line_clock().now_us();
  return counted(d, link_.get_mod_regs(slave, start, buf, count), t0);
}

int com_service::write_regs(int d, int slave, int start, const uint16_t* buf, int count) {
  const int64_t t0 = line_clock().now_us();
  return counted(d, link_.set_mod_regs(slave, start, buf, count), t0);
}

bool com_service::port_gone(int d) {
  if (!link_.take_port_lost()) return false;
  const int com = common_setup.dev_conn[d].com_num.load(rlx);
  for (int k = 0; k < MAX_DEVICES; ++k)
    if (k == d || common_setup.dev_conn[k].com_num.load(rlx) == com) m_stat.dev_stat[k].link.port_lost.store(true, rlx);
  auto& s = m_stat.dev_stat[d];
  s.err_counter.store(0, rlx);
  s.device_stat.store(DEVSTAT_COMERR, rlx);
  return true;
}

void com_service::port_open(int d) {
  auto& l = m_stat.dev_stat[d].link;
  if (!l.port_lost.load(rlx)) return;
  l.port_lost.store(false, rlx);
  l.reopens.store(l.reopens.load(rlx) + 1, rlx);
}

// ---- polling ----------------------------------------------------------------

void com_service::poll_device(int d) {
  const auto& c = common_setup.dev_conn[d];
  auto& s = m_stat.dev_stat[d];
  apply_ctl(d);
  const bool active = c.active.load(rlx);
  if (!active || (!c.log_active.load(rlx) && !s.calib_req.load(rlx))) {
    if (active) write_log(d);
    s.device_stat.store(DEVSTAT_IDLE, rlx);
    return;
  }
  if (!setup_for(d)) {
    s.device_stat.store(DEVSTAT_COMERR, rlx);
    return;
  }
  port_open(d);
  const int slave = c.addr.load(rlx) + 1;
  const device_stat_t st = s.device_stat.load(rlx);
  if (st != DEVSTAT_OK && st != DEVSTAT_WAIT) {
    uint16_t stat[STATUS_REG_COUNT];
    const bool ok = read_regs(d, slave, 0, stat, STATUS_REG_COUNT) == 0;
    if (port_gone(d)) return;
    if (ok) s.read_stat.copy_in(0, stat, STATUS_REG_COUNT);
    s.device_stat.store(DEVSTAT_TOUT, rlx);
    if (!ok || stat[0] != DEVICE_TYPE_ORV) return;
  }
  const bool read = read_regs(d, slave, SAMPLE_REG_FIRST, samples_regs, SAMPLE_REG_COUNT) == 0;
  if (port_gone(d)) return;
  if (read) {
    s.err_counter.store(0, rlx);
    s.device_stat.store(DEVSTAT_OK, rlx);
    store_samples(d);
  } else if (s.err_counter.load(rlx) == 0) {
    s.err_counter.store(1, rlx);
    s.device_stat.store(DEVSTAT_WAIT, rlx);
  } else {
    s.device_stat.store(DEVSTAT_TOUT, rlx);
  }
}

void com_service::update_panel_state(int d) {
  const auto& c = common_setup.dev_conn[d];
  const auto& s = m_stat.dev_stat[d];
  auto& diag = srvc_diag.diag[d];
  const device_stat_t st = s.device_stat.load(rlx);
  if (!c.active.load(rlx)) {
    // A slot not in use shows nothing.
    diag.panel_state.store(0, rlx);
    diag.panel_detail.store(0, rlx);
    return;
  }
  if (st == DEVSTAT_WAIT) return;
  int state = 4, detail = 2;
  if (!c.log_active.load(rlx)) {
    state = 1;
    detail = 0;
  } else if (st == DEVSTAT_COMERR || st == DEVSTAT_TOUT) {
    state = 2;
    detail = 1;
  } else {
    const uint32_t raw = raw_of(0);
    const uint16_t status = samples_regs[122];
    if (raw & RAW_SYSTEM_ERROR) {
      state = 3;
      detail = 3;
    } else if (raw & RAW_SENSOR_ERROR) {
      state = 3;
      detail = 4;
    } else if (status & STATUS_TEMP_LIMIT) {
      state = 3;
      detail = 5;
    }
  }
  diag.panel_state.store(state, rlx);
  diag.panel_detail.store(detail, rlx);
}

uint32_t com_service::raw_of(int k) const {
  return static_cast<uint32_t>(samples_regs[2 + 4 * k]) | (static_cast<uint32_t>(samples_regs[3 + 4 * k]) << 16);
}

uint32_t com_service::cal_bits_of(int k) const {
  return static_cast<uint32_t>(samples_regs[4 + 4 * k]) | (static_cast<uint32_t>(samples_regs[5 + 4 * k]) << 16);
}

// ---- samples ----------------------------------------------------------------

void com_service::store_samples(int d) {
  const auto& c = common_setup.dev_conn[d];
  auto& s = m_stat.dev_stat[d];
  auto& last = s.last_dev_data;
  last.raw.store(raw_of(0), rlx);
  last.cal_val.store_bits(cal_bits_of(0));
  last.temp.store(static_cast<int16_t>(samples_regs[1]), rlx);
  last.status.store(samples_regs[122], rlx);
  last.status_2.store(samples_regs[123], rlx);

  if (c.log_active.load(rlx)) {
    // Date and slot from one reading of the wall clock.
    const day_time now = clock_.now();
    int i = now.slot();
    const int counter = samples_regs[0];
    const int saved = s.last_saved_idx.load(rlx);
    if (saved < 0) {
      start_day(d, i, now.date);
    } else if (now.date != static_cast<int32_t>(s.last_date.load())) {
      write_log_or_keep(d);  // the old day's slots go to the old day's file
      // The old day's slots after its newest sample stay empty, and so do
      // the new day's first slots the block does not reach.
      link_add_empty(s.link, SLOTS_PER_DAY - 1 - saved + std::max(0, i + 1 - SAMPLES_PER_BLOCK));
      start_day(d, i, now.date);
    } else {
      int gap = i - saved;
      if (gap > SAMPLES_PER_BLOCK) {
        link_add_empty(s.link, gap - SAMPLES_PER_BLOCK);
        write_log_or_keep(d);
        for (int k = 0; k < SAMPLES_PER_BLOCK; ++k) store_sample(d, i - k, k);
        s.last_written_idx.store(i - SAMPLES_PER_BLOCK, rlx);
        s.last_smp_orv.store(counter, rlx);
        s.last_saved_idx.store(i, std::memory_order_release);
      } else {
        const int n = new_sample_count(counter, s.last_smp_orv.load(rlx));
        int first = 0;
        if (gap == n) {
          s.last_smp_orv.store(counter, rlx);
        } else if (gap < n) {
          if (n - gap < 3 && n < SAMPLES_PER_BLOCK) {
            // The device is a little ahead of the PC clock: leave its newest
            // samples for the next poll.
            s.last_smp_orv.store((counter - (n - gap)) & 0xFFFF, rlx);
            first = n - gap;
          } else {
            s.last_smp_orv.store(counter, rlx);
          }
        } else {
          s.last_smp_orv.store(counter, rlx);
          if (gap - n < 3) {
            i -= gap - n;
            gap = n;
          }
        }
        for (int j = 0; j < gap; ++j) store_sample(d, i - j, first + j);
        s.last_saved_idx.store(i, std::memory_order_release);
        if (i - s.last_written_idx.load(rlx) > 100) write_log(d);
      }
    }
  }
  capture(d);
}

void com_service::start_day(int d, int slot, int32_t date) {
  auto& s = m_stat.dev_stat[d];
  // The rings hold the day of last_date: the day before, or a file read
  // back at start-up, of this day or of an earlier one.
  const bool new_day = date != static_cast<int32_t>(s.last_date.load());
  // The newest slot of today's file when start-up read it back; -1 when
  // the ring does not hold a reloaded file of this day.
  int in_file = -1;
  if (s.smp_cleared.load(rlx) && !new_day) {
    in_file = s.last_arch_idx.load(rlx);
  } else {
    clear_smp_ring(s);
  }
  s.smp_cleared.store(false, rlx);
  int k = 0;
  for (; k < SAMPLES_PER_BLOCK; ++k) {
    store_sample(d, slot - k, k);
    if (slot - k <= 0) {
      ++k;
      break;
    }
  }
  // After a quick restart the newest samples overlap what the file already
  // holds: only the slots after its newest one are written, so the file
  // gets no slot twice and none out of order.
  s.last_written_idx.store(std::clamp(std::max(slot - k, in_file), -1, slot), rlx);
  s.last_smp_orv.store(samples_regs[0], rlx);
  s.last_date.store(date, rlx);
  s.last_saved_idx.store(slot, std::memory_order_release);
  // Only now that the rings belong to the new day: the window that sees
  // the flag rebuilds the live chart from them, never from the old day.
  if (new_day) m_stat.reset_live.store(true, std::memory_order_release);
}

void com_service::store_sample(int d, int slot, int k) {
  if (slot < 0 || slot >= SLOTS_PER_DAY || k < 0 || k >= SAMPLES_PER_BLOCK) return;
  auto& s = m_stat.dev_stat[d];
  s.smp_raw[slot].store(raw_of(k), rlx);
  s.smp_cal[slot].store_bits(cal_bits_of(k));
  s.smp_temp[slot].store(samples_regs[1], rlx);
  link_add_stored(s.link, 1);
  const int u = unit_of(samples_regs[122]);
  if (s.unit_cleared.load(rlx)) {
    s.unit_cleared.store(false, rlx);
    s.unit_idx.store(u, rlx);
  } else if (u != s.unit_idx.load(rlx)) {
    s.unit_idx.store(-1, rlx);
  }
}

void com_service::capture(int d) {
  auto& s = m_stat.dev_stat[d];
  if (!s.calib_req.load(rlx)) {
    s.cal_smp_cnt.store(0, rlx);
    s.cal_smp_avg.store(0, rlx);
    return;
  }
  const int counter = samples_regs[0];
  int cnt = s.cal_smp_cnt.load(rlx);
  uint32_t sum = s.cal_smp_sum.load(rlx), lo = s.cal_smp_min.load(rlx), hi = s.cal_smp_max.load(rlx);
  if (cnt <= 0) {
    const uint32_t v = raw_of(0) & 0x3FF;
    cnt = 1;
    sum = lo = hi = v;
    s.cal_raw_smp[0].store(v, rlx);
  } else {
    const int m = std::min(new_sample_count(counter, s.last_calib_smp.load(rlx)), SAMPLES_PER_BLOCK);
    for (int j = 0; j < m; ++j) {
      const uint32_t v = raw_of(j) & 0x3FF;
      sum += v;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      s.cal_raw_smp[cnt % (CAL_RAW_SIZE - 1)].store(v, rlx);
      ++cnt;
    }
  }
  s.cal_smp_sum.store(sum, rlx);
  s.cal_smp_min.store(lo, rlx);
  s.cal_smp_max.store(hi, rlx);
  s.last_calib_smp.store(counter, rlx);
  s.cal_smp_avg.store(sum / static_cast<uint32_t>(cnt), rlx);
  s.cal_smp_cnt.store(cnt, rlx);
}

// ---- requests ---------------------------------------------------------------

// Each frame is tried twice, every attempt counted for the device; a port
// that vanished ends the transfer at once.
bool com_service::read_regs_chunked(int d, int slave, int start, uint16_t* buf, int count) {
  for (int done = 0; done < count;) {
    if (done > 0 && terminate_requested()) return false;
    const int n = std::min(MAX_READ_FRAME, count - done);
    bool ok = false;
    for (int a = 0; a < 2 && !ok; ++a) {
      ok = read_regs(d, slave, start + done, buf + done, n) == 0;
      if (port_gone(d)) return false;
    }
    if (!ok) return false;
    frame_done();
    done += n;
  }
  return true;
}

bool com_service::write_regs_chunked(int d, int slave, int start, const uint16_t* buf, int count) {
  for (int done = 0; done < count;) {
    if (done > 0 && terminate_requested()) return false;
    const int n = std::min(MAX_WRITE_FRAME, count - done);
    bool ok = false;
    for (int a = 0; a < 2 && !ok; ++a) {
      ok = write_regs(d, slave, start + done, buf + done, n) == 0;
      if (port_gone(d)) return false;
    }
    if (!ok) return false;
    frame_done();
    done += n;
  }
  return true;
}

void com_service::frame_done() {
  if ((frames_word_ & 0xFF) < 0xFF) ++frames_word_;
  m_stat.req_frames.store(frames_word_, rlx);
}

void com_service::carry_out_request() {
  const uint32_t taken = m_stat.data_req.word();
  const dev_request_t kind = request_slot::kind_of(taken);
  const int r = m_stat.rqd_device.load(rlx);
  const bool device_ok = r >= 0 && r < MAX_DEVICES;
  dev_request_t next = REQR_IDLE;
  bool ok = false;
  bool known = true;

  auto port_ok = [&] {
    if (!device_ok || !setup_for(r)) return false;
    port_open(r);
    return true;
  };
  const int slave = device_ok ? common_setup.dev_conn[r].addr.load(rlx) + 1 : 0;
  // Work posted for the device before this request comes first: a status
  // clear must not undo the status block the request reads.
  if (device_ok) apply_ctl(r);
  frames_word_ = request_slot::serial_of(taken) << 8;
  m_stat.req_frames.store(frames_word_, rlx);

  switch (kind) {
    case REQR_STAT:
      ok = port_ok() && read_regs_chunked(r, slave, 0, xfer_, STATUS_REG_COUNT);
      if (ok) m_stat.dev_stat[r].read_stat.copy_in(0, xfer_, STATUS_REG_COUNT);
      break;
    case REQR_PARAM_RD: {
      auto& s = m_stat.dev_stat[r < 0 || r >= MAX_DEVICES ? 0 : r];
      ok = port_ok() && read_regs_chunked(r, slave, 0, xfer_, STATUS_REG_COUNT);
      if (ok) s.read_stat.copy_in(0, xfer_, STATUS_REG_COUNT);
      ok = ok && read_regs_chunked(r, slave, PARAM_REG_FIRST, xfer_, PARAM_REG_COUNT);
      if (ok) s.read_param.copy_in(0, xfer_, PARAM_REG_COUNT);
      ok = ok && read_regs_chunked(r, slave, PROD_REG_FIRST, xfer_, PROD_REG_COUNT);
      if (ok) s.read_prod.copy_in(0, xfer_, PROD_REG_COUNT);
      break;
    }
    case REQR_PARAM_WR: {
      ok = port_ok();
      if (ok) {
        const auto& s = m_stat.dev_stat[r];
        s.edit_param.copy_out(0, xfer_, PARAM_REG_COUNT);
        ok = write_regs_chunked(r, slave, PARAM_REG_FIRST, xfer_, PARAM_REG_COUNT);
        if (ok) {
          s.edit_prod.copy_out(0, xfer_, PROD_REG_COUNT);
          ok = write_regs_chunked(r, slave, PROD_REG_FIRST, xfer_, PROD_REG_COUNT);
        }
        const uint16_t one = 1;
        ok = ok && write_regs_chunked(r, slave, REG_CFG_END, &one, 1);
      }
      break;
    }
    case REQR_COMM_LIST: {
      bool table[COM_PORTS];
      link_.fill_com_table(table, COM_PORTS);
      for (int p = 0; p < COM_PORTS; ++p) com_avail_tab[p].store(table[p], rlx);
      ok = true;
      break;
    }
    case REQR_PWM_ENA:
      ok = port_ok() && read_regs_chunked(r, slave, 0, xfer_, STATUS_REG_COUNT);
      if (ok) {
        m_stat.dev_stat[r].read_stat.copy_in(0, xfer_, STATUS_REG_COUNT);
        m_stat.dev_stat[r].status_read.store(true, rlx);
      }
      next = REQR_PWM_ENA_2;  // the release follows in any case
      break;
    case REQR_PWM_SET: {
      const uint16_t regs[2] = {m_stat.PWM_req.load(rlx), static_cast<uint16_t>(m_stat.PWM_dis_mode.load(rlx) | 1)};
      ok = port_ok() && write_regs_chunked(r, slave, REG_AOUT_VALUE, regs, 2);
      if (device_ok) m_stat.dev_stat[r].status_read.store(false, rlx);
      break;
    }
    case REQR_PWM_ENA_2: {
      const uint16_t zero = 0;
      ok = port_ok() && write_regs_chunked(r, slave, REG_AOUT_MODE, &zero, 1);
      break;
    }
    case REQR_GAIN_SET: {
      const uint16_t gain = m_stat.gain_req.load(rlx);
      ok = port_ok() && write_regs_chunked(r, slave, REG_GAIN, &gain, 1);
      if (device_ok) m_stat.dev_stat[r].status_read.store(false, rlx);
      break;
    }
    default: known = false; break;
  }
  if (known) m_stat.req_stat.store(ok ? REQS_READY : REQS_ERROR, rlx);
  if (next == REQR_IDLE) m_stat.req_done.store(request_slot::serial_of(taken), std::memory_order_release);
  // Cleared only if it still holds this request: one posted meanwhile is
  // carried out at the next pass.
  m_stat.data_req.finish(taken, next);
}
