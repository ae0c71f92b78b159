#include "core/common_data.h"

#include <new>

namespace {

// The records live in static storage for the whole run; reset_all_records
// rebuilds them in place so that references handed out stay valid.
template <typename T>
struct static_record {
  alignas(T) unsigned char storage[sizeof(T)];
  T* obj;
  static_record() : obj(new (storage) T()) {}
  void rebuild() {
    obj->~T();
    obj = new (storage) T();
  }
};

static_record<t_m_stat> g_m_stat;
static_record<t_common_setup> g_common_setup;
static_record<std::array<shared_t<bool>, COM_PORTS>> g_com_avail;
static_record<t_srvc_diag> g_srvc_diag;

}  // namespace

t_m_stat& m_stat = *g_m_stat.obj;
t_common_setup& common_setup = *g_common_setup.obj;
std::array<shared_t<bool>, COM_PORTS>& com_avail_tab = *g_com_avail.obj;
t_srvc_diag& srvc_diag = *g_srvc_diag.obj;
TModbSerial* modb_serial = nullptr;
com_service* srvc_thread = nullptr;

QString init_log;
QString cfg_dir;
QString data_dir;
QString start_dir;
QChar sys_dec_sep = u'.';
QChar sys_list_sep = u',';
QChar sys_time_sep = u':';
bool ctrl_updating = false;
double ref_date = 29221.0;  // 1980-01-01 as days since 1899-12-30

std::mutex& dev_conn_text_mutex() {
  static std::mutex m;
  return m;
}

void clear_smp_ring(t_dev_stat& d) {
  for (auto& w : d.smp_raw) w.store(RAW_EMPTY, std::memory_order_relaxed);
  for (auto& v : d.smp_cal) v.store_bits(CAL_EMPTY);
  d.unit_cleared.store(true, std::memory_order_relaxed);
}

void reset_acq_state(t_dev_stat& d, double today) {
  d.device_stat.store(DEVSTAT_IDLE, rlx);
  d.param_read.store(false, rlx);
  d.err_counter.store(0, rlx);
  d.cal_smp_cnt.store(0, rlx);
  d.cal_smp_sum.store(0, rlx);
  d.last_calib_smp.store(0, rlx);
  d.calib_req.store(false, rlx);
  d.ed_prod_id.store(0, rlx);
  d.last_arch_idx.store(-1, rlx);
  d.last_smp_orv.store(-1, rlx);
  d.last_written_idx.store(-1, rlx);
  d.log_error.store(0, rlx);
  d.last_saved_idx.store(-1, std::memory_order_release);
  d.last_date.store(today, rlx);
}

namespace {

template <typename A, typename B>
void copy_atomic(A& a, const B& b) {
  a.store(b.load(rlx), rlx);
}

// The counters of a link record, for clearing and copying them alike.
constexpr shared_t<uint32_t> t_link_stat::*kLinkCounters[] = {
    &t_link_stat::requests,   &t_link_stat::good,         &t_link_stat::timeouts,
    &t_link_stat::crc_errors, &t_link_stat::reopens,      &t_link_stat::stored,
    &t_link_stat::empty,      &t_link_stat::resp_mean_us, &t_link_stat::resp_worst_us,
};
constexpr shared_t<int32_t> t_link_stat::*kLinkWindow[] = {
    &t_link_stat::result_count, &t_link_stat::result_next, &t_link_stat::win_good,  &t_link_stat::win_timeouts,
    &t_link_stat::win_crc,      &t_link_stat::resp_count,  &t_link_stat::resp_next,
};

}  // namespace

void clear_link_stat(t_link_stat& l) {
  for (auto c : kLinkCounters) (l.*c).store(0, rlx);
  for (auto c : kLinkWindow) (l.*c).store(0, rlx);
  l.last_good_ms.store(-1, rlx);
  for (auto& r : l.result) r.store(0, rlx);
  for (auto& t : l.resp_us) t.store(0, rlx);
}

void copy_link_stat(t_link_stat& dst, const t_link_stat& src) {
  for (auto c : kLinkCounters) copy_atomic(dst.*c, src.*c);
  for (auto c : kLinkWindow) copy_atomic(dst.*c, src.*c);
  copy_atomic(dst.last_good_ms, src.last_good_ms);
  copy_atomic(dst.port_lost, src.port_lost);
  for (int k = 0; k < LINK_WINDOW; ++k) {
    copy_atomic(dst.result[k], src.result[k]);
    copy_atomic(dst.resp_us[k], src.resp_us[k]);
  }
}

void copy_dev_stat(t_dev_stat& dst, const t_dev_stat& src) {
  auto cp = [](auto& a, const auto& b) { a.store(b.load(rlx), rlx); };
  cp(dst.param_read, src.param_read);
  cp(dst.err_counter, src.err_counter);
  cp(dst.device_stat, src.device_stat);
  cp(dst.ed_prod_id, src.ed_prod_id);
  cp(dst.sensor_mode, src.sensor_mode);
  dst.read_stat.assign(src.read_stat);
  dst.read_param.assign(src.read_param);
  dst.read_prod.assign(src.read_prod);
  dst.edit_param.assign(src.edit_param);
  dst.edit_prod.assign(src.edit_prod);
  cp(dst.last_arch_idx, src.last_arch_idx);
  cp(dst.last_smp_orv, src.last_smp_orv);
  cp(dst.last_written_idx, src.last_written_idx);
  cp(dst.log_error, src.log_error);
  for (int k = 0; k < RING_SIZE; ++k) {
    cp(dst.smp_raw[k], src.smp_raw[k]);
    dst.smp_cal[k].store_bits(src.smp_cal[k].load_bits());
    cp(dst.smp_temp[k], src.smp_temp[k]);
  }
  dst.last_date.store(src.last_date.load());
  cp(dst.smp_cleared, src.smp_cleared);
  cp(dst.unit_cleared, src.unit_cleared);
  cp(dst.unit_idx, src.unit_idx);
  cp(dst.cal_smp_cnt, src.cal_smp_cnt);
  cp(dst.cal_smp_sum, src.cal_smp_sum);
  cp(dst.cal_smp_min, src.cal_smp_min);
  cp(dst.cal_smp_max, src.cal_smp_max);
  cp(dst.cal_smp_avg, src.cal_smp_avg);
  cp(dst.last_calib_smp, src.last_calib_smp);
  cp(dst.calib_req, src.calib_req);
  for (int k = 0; k < CAL_RAW_SIZE; ++k) cp(dst.cal_raw_smp[k], src.cal_raw_smp[k]);
  cp(dst.status_read, src.status_read);
  dst.last_dev_data.cal_val.store_bits(src.last_dev_data.cal_val.load_bits());
  cp(dst.last_dev_data.raw, src.last_dev_data.raw);
  cp(dst.last_dev_data.temp, src.last_dev_data.temp);
  cp(dst.last_dev_data.status, src.last_dev_data.status);
  cp(dst.last_dev_data.status_2, src.last_dev_data.status_2);
  cp(dst.ctl_req, src.ctl_req);
  copy_link_stat(dst.link, src.link);
  dst.last_saved_idx.store(src.last_saved_idx.load(rlx), std::memory_order_release);
}

void copy_dev_conn(t_dev_conn& dst, const t_dev_conn& src) {
  dst.active.store(src.active.load(rlx), rlx);
  dst.log_active.store(src.log_active.load(rlx), rlx);
  dst.addr.store(src.addr.load(rlx), rlx);
  dst.com_num.store(src.com_num.load(rlx), rlx);
  dst.baud_idx.store(src.baud_idx.load(rlx), rlx);
  dst.parity.store(src.parity.load(rlx), rlx);
  dst.tag.set(src.tag.get());
  dst.log_dir.set(src.log_dir.get());
  dst.use_usb.store(src.use_usb.load(rlx), rlx);
}

bool conn_in_range(int32_t addr, int32_t com_num, int32_t baud_idx, int32_t parity) {
  return addr >= 0 && addr <= UNIT_ADDR_MAX && com_num >= 1 && com_num <= COM_PORTS && baud_idx >= 0 &&
         baud_idx <= BAUD_IDX_MAX && parity >= 0 && parity <= PARITY_MAX;
}

bool dev_conn_in_range(const t_dev_conn& dc) {
  return conn_in_range(dc.addr.load(rlx), dc.com_num.load(rlx), dc.baud_idx.load(rlx), dc.parity.load(rlx));
}

void clear_dev_conn(t_dev_conn& c) {
  c.active.store(false, rlx);
  c.log_active.store(false, rlx);
  c.addr.store(0, rlx);
  c.com_num.store(0, rlx);
  c.baud_idx.store(0, rlx);
  c.parity.store(0, rlx);
  c.tag.set({});
  c.log_dir.set({});
  c.use_usb.store(false, rlx);
}

void reset_all_records() {
  g_m_stat.rebuild();
  g_common_setup.rebuild();
  g_com_avail.rebuild();
  g_srvc_diag.rebuild();
}
