// The active configuration: the edit images of the selected device, or the
// off-line set of m_stat when no device is selected, and a reference to one
// register of it.
//
// Everything here runs on the user-interface thread. The service touches a
// device's configuration images only while a request for that device runs,
// and the user interface waits for such requests before it reads them.
#pragma once

#include "core/common_data.h"

#include <atomic>
#include <cstdint>

// Parameter register 84 and product element 1728 live only in the images.
inline constexpr int PARAM_XFER_REGS = 84;
inline constexpr int PROD_XFER_REGS = PRODUCTS * PROD_STRIDE;

// The selected device (0..7), or -1 for the off-line configuration; a
// selection outside 0..7 counts as none.
int selected_device();

// The images and the edited product index of the active configuration.
param_image& active_param();
prod_image& active_prod();
shared_t<int32_t>& active_prod_id();

// True when the active configuration holds a configuration: param_read of
// the selected device, or off_line_vaild when no device is selected.
bool cfg_valid();

// True when the active configuration's registers may be addressed: a device
// is selected, or the off-line configuration is valid.
bool cfg_addressable();

// True when the analog output of the active configuration is in voltage
// mode (parameter register 0 not 0). Installed as the text table's query for
// the mode-dependent captions.
bool cfg_aout_voltage();

// One register of the active configuration, or none. Values of two
// registers and texts take the registers that follow it within its image;
// room() tells how many there are. The edited product index (bound to the
// product selector) is addressed the same way.
class t_reg_addr {
 public:
  t_reg_addr() = default;
  template <int N>
  static t_reg_addr in(reg_image<N>& img, int index) {
    t_reg_addr a;
    if (index >= 0 && index < N) {
      a.w_ = img.r.data() + index;
      a.room_ = N - index;
    }
    return a;
  }
  static t_reg_addr prod_index(shared_t<int32_t>& id) {
    t_reg_addr a;
    a.id_ = &id;
    return a;
  }

  explicit operator bool() const { return w_ != nullptr || id_ != nullptr; }
  bool is_prod_index() const { return id_ != nullptr; }
  int room() const { return id_ ? 1 : room_; }
  // Register k after this one (0 = this one); 0 when it does not exist.
  uint16_t get(int k = 0) const;
  void set(int k, uint16_t v) const;
  void set(uint16_t v) const { set(0, v); }
  // The value as the combo boxes read it: the register's 16-bit value, or
  // the edited product index as it stands (it may be negative).
  int32_t value() const;
  std::atomic<uint16_t>* word() const { return w_; }

  bool operator==(const t_reg_addr& o) const = default;

 private:
  std::atomic<uint16_t>* w_ = nullptr;
  int room_ = 0;
  shared_t<int32_t>* id_ = nullptr;
};

// Product register r (0..71) of product p of the active configuration;
// none when p or r lies outside the product block.
t_reg_addr prod_reg_addr(int p, int r);
// Register r of the edited product; none when there is no edited product.
t_reg_addr edited_prod_reg(int r);
