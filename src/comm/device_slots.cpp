#include "comm/device_slots.h"

#include "archive/log_file.h"
#include "core/common_data.h"
#include "core/mono_clock.h"

namespace {

// Hands work to the service through `slot` (set to the device index) and
// waits until the service has set it back to -1.
void wait_for_service(shared_t<int32_t>& slot, int d, const std::function<void()>& pump) {
  slot.store(d, std::memory_order_release);
  while (slot.load(std::memory_order_acquire) >= 0) {
    if (pump) pump();
    sleep_ms(1);
  }
}

}  // namespace

void remove_device_records(int r, int32_t today) {
  if (r < 0 || r >= MAX_DEVICES) return;
  if (m_stat.dev_stat[r].last_saved_idx.load() >= 0) write_log_or_keep(r);
  orphan_kept_logs(r);
  for (int k = r; k < MAX_DEVICES - 1; ++k) {
    copy_dev_conn(common_setup.dev_conn[k], common_setup.dev_conn[k + 1]);
    copy_dev_stat(m_stat.dev_stat[k], m_stat.dev_stat[k + 1]);
    srvc_diag.diag[k].panel_state.store(srvc_diag.diag[k + 1].panel_state.load());
    srvc_diag.diag[k].panel_detail.store(srvc_diag.diag[k + 1].panel_detail.load());
    move_kept_logs(k + 1, k);
  }
  auto& last = m_stat.dev_stat[MAX_DEVICES - 1];
  clear_dev_conn(common_setup.dev_conn[MAX_DEVICES - 1]);
  reset_acq_state(last, today);
  clear_smp_ring(last);
  last.ctl_req.store(0);
  srvc_diag.diag[MAX_DEVICES - 1].panel_state.store(0);
  srvc_diag.diag[MAX_DEVICES - 1].panel_detail.store(0);
}

void post_remove_device(int r, bool service_running, const std::function<void()>& pump) {
  if (r < 0 || r >= MAX_DEVICES) return;
  if (!service_running) {
    remove_device_records(r, static_cast<int32_t>(m_stat.dev_stat[r].last_date.load()));
    return;
  }
  wait_for_service(m_stat.remove_req, r, pump);
}

void apply_conn_edit(int d, const t_dev_conn& rec, bool reset, int32_t today) {
  if (d < 0 || d >= MAX_DEVICES) return;
  auto& s = m_stat.dev_stat[d];
  if (reset && s.last_saved_idx.load() >= 0) write_log_or_keep(d);
  copy_dev_conn(common_setup.dev_conn[d], rec);
  if (reset) reset_acq_state(s, today);
}

void post_conn_edit(int d, const t_dev_conn& rec, bool reset, bool service_running, const std::function<void()>& pump) {
  if (d < 0 || d >= MAX_DEVICES) return;
  if (!service_running) {
    apply_conn_edit(d, rec, reset, static_cast<int32_t>(m_stat.dev_stat[d].last_date.load()));
    return;
  }
  copy_dev_conn(m_stat.conn_edit, rec);
  m_stat.conn_edit_reset.store(reset);
  wait_for_service(m_stat.conn_edit_req, d, pump);
}
