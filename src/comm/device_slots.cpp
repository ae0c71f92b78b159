#include "comm/device_slots.h"

#include "archive/log_file.h"
#include "core/common_data.h"
#include "core/mono_clock.h"

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
  m_stat.remove_req.store(r, std::memory_order_release);
  while (m_stat.remove_req.load(std::memory_order_acquire) >= 0) {
    if (pump) pump();
    sleep_ms(1);
  }
}

void apply_conn_edit(int d, const t_dev_conn& rec, bool reset, int32_t today) {
  if (d < 0 || d >= MAX_DEVICES) return;
  auto& s = m_stat.dev_stat[d];
  if (reset && s.last_saved_idx.load() >= 0) write_log_or_keep(d);
  copy_dev_conn(common_setup.dev_conn[d], rec);
  if (reset) reset_acq_state(s, today);
}

void post_conn_edit(int d, const t_dev_conn& rec, bool reset, bool service_running,
                    const std::function<void()>& pump) {
  if (d < 0 || d >= MAX_DEVICES) return;
  if (!service_running) {
    apply_conn_edit(d, rec, reset, static_cast<int32_t>(m_stat.dev_stat[d].last_date.load()));
    return;
  }
  copy_dev_conn(m_stat.conn_edit, rec);
  m_stat.conn_edit_reset.store(reset);
  m_stat.conn_edit_req.store(d, std::memory_order_release);
  while (m_stat.conn_edit_req.load(std::memory_order_acquire) >= 0) {
    if (pump) pump();
    sleep_ms(1);
  }
}
