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
  constexpr auto rlx = std::memory_order_relaxed;
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
  d.last_saved_idx.store(-1, std::memory_order_release);
  d.last_date.store(today, rlx);
}

void reset_all_records() {
  g_m_stat.rebuild();
  g_common_setup.rebuild();
  g_com_avail.rebuild();
  g_srvc_diag.rebuild();
}
