// What reading and writing a transmitter's configuration does with the
// register images, free of widgets: change detection, the copies between
// read and edit images, taking a finished read, the serial number check and
// the check of a write by reading back. The window (config/cfg_transfer_ctl.h)
// and orvctl both build on these.
//
// Images are compared and copied over the transferred ranges only:
// parameter registers 0..83 and product elements 0..1727. Parameter
// register 84 and product element 1728 live in the images and in parameter
// set files but never reach a transmitter, so they never count as a change.
#pragma once

#include "config/active_cfg.h"
#include "core/common_data.h"

#include <QString>

inline constexpr int STAT_DEVICE_TYPE = 0;
inline constexpr int STAT_SENSOR_MODE = 32;
inline constexpr int STAT_DEV_SERIAL = 66;   // status registers 66..77
inline constexpr int PARAM_DEV_SERIAL = 72;  // parameter registers 72..83
inline constexpr int DEV_SERIAL_REGS = 12;

// Messages of the configuration transfers.
inline constexpr int MSG_CFG_CHANGED = 0;
inline constexpr int MSG_SERIAL_OVERWRITE = 1;
inline constexpr int MSG_SERIAL_KEEP = 2;
inline constexpr int MSG_CFG_SAVED = 7;
inline constexpr int MSG_CFG_WRITE_FAIL = 8;
inline constexpr int MSG_CFG_LOADED = 9;
inline constexpr int MSG_CFG_READ_FAIL = 10;
inline constexpr int MSG_CFG_OVERWRITE = 27;
inline constexpr int MSG_CFG_NONE = 28;

// The read and edit images and the sensor mode of device d, or of the
// off-line configuration for d outside 0..7.
struct t_cfg_images {
  param_image& read_param;
  prod_image& read_prod;
  param_image& edit_param;
  prod_image& edit_prod;
  shared_t<int32_t>& sensor_mode;
};
t_cfg_images cfg_images(int d);

// True when a transferred register differs between the read and the edit
// image of device d (of the off-line configuration for d < 0).
bool cfg_changed(int d);
// Read images -> edit images, and back, over the transferred ranges.
void copy_read_to_edit(int d);
void commit_edit_to_read(int d);

// After a configuration read of device d has ended with `result`: when it
// succeeded and status register 0 names a transmitter (212), the device's
// sensor mode is taken from status register 32, param_read is set, product 1
// becomes the edited product and the edit images take the read images; true.
// Otherwise param_read is cleared; false.
bool take_read_config(int d, dev_req_stat_t result);

// The transmitter's serial number (status registers 66..77, as last read)
// differs from the one in device d's edit image (parameter registers 72..83).
bool serial_differs(int d);
// The edit image takes the transmitter's serial number.
void keep_device_serial(int d);
// The serial number texts (12 characters, a 0 register read as a blank).
QString device_serial_of(int d);
QString edit_serial_of(int d);

// The first transferred register in which device d's read image (as read
// back after a write) differs from its edit image, as its number on the
// wire; -1 when they agree.
int first_unequal_register(int d);

// A register number on the wire as a user reads it: "3013 (parameter 13)",
// "4097 (product 2, register 25)", or the number alone outside both blocks.
QString register_title(int reg);
