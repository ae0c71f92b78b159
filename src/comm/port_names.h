// COM port numbers 1..50 and the device paths behind them.
//
// COM port n is the entry "COMn" in the folder "ports" of the configuration
// folder when such an entry exists (normally a symbolic link to a
// /dev/serial/by-id/... path or a pseudo-terminal). Otherwise COM1..COM16 are
// /dev/ttyS0..15, COM17..COM32 /dev/ttyUSB0..15, COM33..COM48
// /dev/ttyACM0..15; COM49 and COM50 exist only as entries.
#pragma once

#include <string>

inline constexpr int MAX_COM_PORT = 50;

// The path COM port n opens; empty when n names no port.
std::string com_port_path(int n);

// The path of the entry "COMn" in the given ports folder.
std::string com_entry_path(const std::string& ports_dir, int n);
