// What the configuration transfer needs of the window's frame: the command
// mask that allows its commands, and the menus and tool images brought up to
// date after the active configuration changed.
#pragma once

#include <cstdint>

// The configuration commands of the menus and the tool bar.
enum cfg_command_t : uint8_t {
  CFG_CMD_LOAD,
  CFG_CMD_SAVE,
  CFG_CMD_READ,
  CFG_CMD_WRITE,
};

class cfg_frame {
 public:
  virtual ~cfg_frame() = default;
  // True while the command is allowed.
  virtual bool command_allowed(cfg_command_t cmd) const = 0;
  // Read, Write and the device settings menu follow whether a device is selected.
  virtual void set_device_commands(bool on) = 0;
  // The menus and the tool images follow the state now.
  virtual void refresh_menus() = 0;
  // A write begins: the status display's red highlight ends.
  virtual void end_status_highlight() = 0;

 protected:
  cfg_frame() = default;
  cfg_frame(const cfg_frame&) = default;
  cfg_frame& operator=(const cfg_frame&) = default;
};
