#include "config/active_cfg.h"

int selected_device() {
  const int d = m_stat.dev_selected.load(rlx);
  return d >= 0 && d < MAX_DEVICES ? d : -1;
}

param_image& active_param() {
  const int d = selected_device();
  return d < 0 ? m_stat.edit_param : m_stat.dev_stat[d].edit_param;
}

prod_image& active_prod() {
  const int d = selected_device();
  return d < 0 ? m_stat.edit_prod : m_stat.dev_stat[d].edit_prod;
}

shared_t<int32_t>& active_prod_id() {
  const int d = selected_device();
  return d < 0 ? m_stat.ed_prod_id : m_stat.dev_stat[d].ed_prod_id;
}

bool cfg_valid() {
  const int d = selected_device();
  return d < 0 ? m_stat.off_line_vaild.load(rlx) : m_stat.dev_stat[d].param_read.load(rlx);
}

bool cfg_addressable() { return selected_device() >= 0 || m_stat.off_line_vaild.load(rlx); }

bool cfg_aout_voltage() { return active_param().get(0) != 0; }

uint16_t t_reg_addr::get(int k) const {
  if (id_) return k == 0 ? static_cast<uint16_t>(id_->load(rlx)) : 0;
  if (!w_ || k < 0 || k >= room_) return 0;
  return w_[k].load(rlx);
}

void t_reg_addr::set(int k, uint16_t v) const {
  if (id_) {
    if (k == 0) id_->store(v, rlx);
    return;
  }
  if (w_ && k >= 0 && k < room_) w_[k].store(v, rlx);
}

int32_t t_reg_addr::value() const {
  if (id_) return id_->load(rlx);
  return w_ ? w_->load(rlx) : 0;
}

t_reg_addr prod_reg_addr(int p, int r) {
  if (p < 0 || p >= PRODUCTS || r < 0 || r >= PROD_STRIDE) return {};
  return t_reg_addr::in(active_prod(), p * PROD_STRIDE + r);
}

t_reg_addr edited_prod_reg(int r) { return prod_reg_addr(active_prod_id().load(rlx), r); }
