// Loading log files into the archive tables of the Off-line analysis: one
// table of 432001 values per archive display channel, holding the channel's
// measurement (raw and saturation values through the channel's trace
// filter). Widget-free; user-interface thread.
#pragma once

#include <QString>

#include <functional>

// A day file has at most 432000 slots; a file with more lines than twice
// that (repeated hours at the end of daylight saving time included) is no
// log file and is refused with LOAD_BAD_LENGTH.
inline constexpr int64_t ARCH_MAX_LINES = 2 * 432000;

// Every entry of channel k's table becomes the empty marker (NaN 0xFFC00000).
void clear_arch_ring(int k);

// Loads the file into archive channel k with that channel's measurement
// and filter settings; returns the load code (log_load_code_t). On a read
// failure (code 7) the system's message goes to *error. load_file is the
// path on success, empty otherwise.
int load_arch_file(const QString& path, int k, QString* error = nullptr);

// Start-up: loads every active archive channel from its file. A channel
// that fails is reported (slot, code, system message for code 7) and then
// removed, so the channels behind it move up and the same slot is tried again.
void load_arch_channels(const std::function<void(int k, int code, const QString& error)>& report);
