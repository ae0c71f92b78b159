// The configuration the transmitters of a line keep across restarts: a
// text file with, per transmitter (by the address it was started with), the
// parameter block and the 24 product blocks as hexadecimal words. Written to
// a temporary file and renamed, so a crash never leaves half a file.
#pragma once

#include "config_image.h"

#include <map>
#include <string>

namespace orvsim {

using unit_configs = std::map<int, config_image>;

// A missing file gives an empty map and true; a damaged one false and the reason.
bool load_state(const std::string& path, unit_configs& out, std::string& error);
bool save_state(const std::string& path, const unit_configs& configs, std::string& error);

}  // namespace orvsim
