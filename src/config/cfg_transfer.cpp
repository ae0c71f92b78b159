#include "config/cfg_transfer.h"

#include "comm/reg_map.h"
#include "core/common_data.h"
#include "core/reg_text.h"

namespace {

bool valid_device(int d) { return d >= 0 && d < MAX_DEVICES; }

}  // namespace

t_cfg_images cfg_images(int d) {
  if (valid_device(d)) {
    auto& s = m_stat.dev_stat[d];
    return {s.read_param, s.read_prod, s.edit_param, s.edit_prod, s.sensor_mode};
  }
  return {m_stat.read_param, m_stat.read_prod, m_stat.edit_param, m_stat.edit_prod, m_stat.sensor_mode};
}

bool cfg_changed(int d) { return first_unequal_register(d) >= 0; }

void copy_read_to_edit(int d) {
  const t_cfg_images im = cfg_images(d);
  for (int k = 0; k < PARAM_XFER_REGS; ++k) im.edit_param.set(k, im.read_param.get(k));
  for (int k = 0; k < PROD_XFER_REGS; ++k) im.edit_prod.set(k, im.read_prod.get(k));
}

void commit_edit_to_read(int d) {
  const t_cfg_images im = cfg_images(d);
  for (int k = 0; k < PARAM_XFER_REGS; ++k) im.read_param.set(k, im.edit_param.get(k));
  for (int k = 0; k < PROD_XFER_REGS; ++k) im.read_prod.set(k, im.edit_prod.get(k));
}

bool take_read_config(int d, dev_req_stat_t result) {
  if (!valid_device(d)) return false;
  auto& s = m_stat.dev_stat[d];
  if (result != REQS_READY || s.read_stat.get(STAT_DEVICE_TYPE) != DEVICE_TYPE_ORV) {
    s.param_read.store(false, rlx);
    return false;
  }
  s.sensor_mode.store(s.read_stat.get(STAT_SENSOR_MODE), rlx);
  s.param_read.store(true, rlx);
  s.ed_prod_id.store(0, rlx);
  copy_read_to_edit(d);
  return true;
}

bool serial_differs(int d) {
  if (!valid_device(d)) return false;
  const auto& s = m_stat.dev_stat[d];
  for (int k = 0; k < DEV_SERIAL_REGS; ++k)
    if (s.read_stat.get(STAT_DEV_SERIAL + k) != s.edit_param.get(PARAM_DEV_SERIAL + k)) return true;
  return false;
}

void keep_device_serial(int d) {
  if (!valid_device(d)) return;
  auto& s = m_stat.dev_stat[d];
  for (int k = 0; k < DEV_SERIAL_REGS; ++k)
    s.edit_param.set(PARAM_DEV_SERIAL + k, s.read_stat.get(STAT_DEV_SERIAL + k));
}

QString device_serial_of(int d) {
  return valid_device(d) ? regs_to_text(m_stat.dev_stat[d].read_stat, STAT_DEV_SERIAL, DEV_SERIAL_REGS) : QString();
}

QString edit_serial_of(int d) {
  return valid_device(d) ? regs_to_text(m_stat.dev_stat[d].edit_param, PARAM_DEV_SERIAL, DEV_SERIAL_REGS) : QString();
}

int first_unequal_register(int d) {
  const t_cfg_images im = cfg_images(d);
  for (int k = 0; k < PARAM_XFER_REGS; ++k)
    if (im.read_param.get(k) != im.edit_param.get(k)) return PARAM_REG_FIRST + k;
  for (int k = 0; k < PROD_XFER_REGS; ++k)
    if (im.read_prod.get(k) != im.edit_prod.get(k)) return PROD_REG_FIRST + k;
  return -1;
}

QString register_title(int reg) {
  if (reg >= PARAM_REG_FIRST && reg < PARAM_REG_FIRST + PARAM_REG_COUNT)
    return QStringLiteral("%1 (parameter %2)").arg(reg).arg(reg - PARAM_REG_FIRST);
  if (reg >= PROD_REG_FIRST && reg < PROD_REG_FIRST + PROD_REG_COUNT) {
    const int i = reg - PROD_REG_FIRST;
    return QStringLiteral("%1 (product %2, register %3)").arg(reg).arg(i / PROD_STRIDE + 1).arg(i % PROD_STRIDE);
  }
  return QString::number(reg);
}
