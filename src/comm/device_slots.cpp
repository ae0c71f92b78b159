#include "comm/device_slots.h"

#include "archive/log_file.h"
#include "core/common_data.h"
#include "core/mono_clock.h"

namespace {

// The value of a work slot while its poster fills in what goes with it.
constexpr int32_t kSlotClaimed = -2;

void pause(const std::function<void()>& pump) {
  if (pump) pump();
  sleep_ms(1);
}

// Takes the work slot for this poster: waits until no other work of its
// kind is pending, then marks it claimed. Two posters never share a slot,
// so neither work is lost or carried out twice.
void claim_slot(shared_t<int32_t>& slot, const std::function<void()>& pump) {
  for (;;) {
    int32_t idle = -1;
    if (slot.compare_exchange_strong(idle, kSlotClaimed, acq, rlx)) return;
    pause(pump);
  }
}

// Hands the claimed slot to the service (set to the device index) and waits
// until the service has set it back to -1.
void hand_over(shared_t<int32_t>& slot, int d, const std::function<void()>& pump) {
  slot.store(d, rls);
  while (slot.load(acq) != -1) pause(pump);
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
  clear_link_stat(last.link);
  last.link.port_lost.store(false);
  srvc_diag.diag[MAX_DEVICES - 1].panel_state.store(0);
  srvc_diag.diag[MAX_DEVICES - 1].panel_detail.store(0);
}

void post_remove_device(int r, bool service_running, const std::function<void()>& pump) {
  if (r < 0 || r >= MAX_DEVICES) return;
  if (!service_running) {
    remove_device_records(r, static_cast<int32_t>(m_stat.dev_stat[r].last_date.load()));
    return;
  }
  claim_slot(m_stat.remove_req, pump);
  hand_over(m_stat.remove_req, r, pump);
}

void apply_conn_edit(int d, const t_dev_conn& rec, bool reset, int32_t today) {
  if (d < 0 || d >= MAX_DEVICES) return;
  auto& s = m_stat.dev_stat[d];
  if (reset && s.last_saved_idx.load() >= 0) write_log_or_keep(d);
  copy_dev_conn(common_setup.dev_conn[d], rec);
  if (reset) {
    reset_acq_state(s, today);
    clear_link_stat(s.link);  // another line: its health starts afresh
  }
}

void post_conn_edit(int d, const t_dev_conn& rec, bool reset, bool service_running, const std::function<void()>& pump) {
  if (d < 0 || d >= MAX_DEVICES) return;
  if (!service_running) {
    apply_conn_edit(d, rec, reset, static_cast<int32_t>(m_stat.dev_stat[d].last_date.load()));
    return;
  }
  claim_slot(m_stat.conn_edit_req, pump);
  copy_dev_conn(m_stat.conn_edit, rec);
  m_stat.conn_edit_reset.store(reset, rlx);
  hand_over(m_stat.conn_edit_req, d, pump);
}
