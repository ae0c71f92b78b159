// A device's line health: the service records every exchange with the
// device into the t_link_stat of its run-time record (service thread only,
// no lock, no allocation), and the user interface reads a view of it.
#pragma once

#include "core/common_data.h"

#include <array>
#include <cstdint>

// Result codes of an exchange as the Modbus link returns them.
inline constexpr int LINK_GOOD = 0;
inline constexpr int LINK_TIMEOUT = 2;
inline constexpr int LINK_CRC = 3;

// One exchange with the device: its result (LINK_GOOD, LINK_TIMEOUT or
// LINK_CRC; other codes count as time-outs), how long it took in
// microseconds and the monotonic milliseconds when it ended.
void link_record(t_link_stat& l, int result, uint32_t took_us, int64_t now_ms);

// Samples stored into the rings and slots left empty between them.
void link_add_stored(t_link_stat& l, int samples);
void link_add_empty(t_link_stat& l, int count);

// What the user interface shows, read field by field (a view may mix two
// neighbouring exchanges, never a torn number).
struct t_link_view {
  uint32_t requests = 0, good = 0, timeouts = 0, crc_errors = 0, reopens = 0, stored = 0, empty = 0;
  int64_t since_good_ms = -1;  // -1: no good answer yet
  int win_requests = 0, win_good = 0, win_timeouts = 0, win_crc = 0;
  uint32_t mean_us = 0, worst_us = 0;
  int resp_count = 0;
  std::array<uint32_t, LINK_WINDOW> resp_us{};  // the first resp_count, oldest first
};

t_link_view link_view(const t_link_stat& l, int64_t now_ms);
