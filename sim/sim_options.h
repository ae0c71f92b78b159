// The command line of orvsim: one or more lines, each with its transmitters,
// faults and timing.
#pragma once

#include "sim_line.h"

#include <string>
#include <vector>

namespace orvsim {

struct run_options {
  std::vector<line_options> lines;
  bool help = false;
  bool version = false;
  bool verbose = false;
  bool quiet = false;
};

// Parses the arguments (without the program name). False with a message on
// an unknown option or a bad value.
bool parse_command_line(const std::vector<std::string>& args, run_options& out, std::string& error);

// Parses a transmitter description "addr=1,serial=ABC,sensor-errors=0.05" into d.
bool parse_device_settings(const std::string& text, device_settings& d, std::string& error);

// The text of --help.
std::string help_text();

}  // namespace orvsim
