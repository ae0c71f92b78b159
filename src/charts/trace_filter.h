// Trace filters of raw value channels: a median (depth 3..11), a screw
// filter that removes periodic peaks (a mode filter over up to 10 s), and a
// first-order lag "Pt1", chained in that order, in integer arithmetic,
// sample by sample. A sample without a reading (RAW_NO_VALUE) passes
// through and restarts the chain at the next valid one.
//
// Each live display channel slot owns a filtered copy of the day's raw
// series (filt_rows), extended as samples arrive. Widget-free; the rows
// belong to the user-interface thread.
#pragma once

#include "core/common_data.h"

#include <array>
#include <cstdint>

inline constexpr int FILT_ROW_SIZE = SLOTS_PER_DAY + 2;  // indexes 0..432000 (+1 spare)
inline constexpr int SCREW_WIN = 50;
inline constexpr int MED_WIN = 11;

struct t_filt_stat {
  int64_t acc = 0;                             // Pt1 accumulator (N times the output)
  std::array<int32_t, SCREW_WIN> screw_win{};  // element 0 newest
  std::array<int32_t, MED_WIN> med_win{};      // element 0 newest
  std::array<int32_t, MED_WIN> sort_buf{};     // scratch
  bool reset = false;                          // the next valid value restarts all filters
};

// One filter step. x is a decoded raw value (raw_to_value); med = filt_med
// (0..5), pt = filt_pt (tenths of a second), screw = filt_screw (seconds).
uint32_t filter_sample(uint32_t x, int32_t med, uint16_t pt, t_filt_stat& state, uint16_t screw);
// Median of the newest 2m+1 window entries, m = min(med, 5).
int32_t median_of(t_filt_stat& state, int32_t med);
// Mode filter over the newest min(n, 50) screw window entries: the mean of
// the fullest of 20 classes between their minimum and maximum.
int32_t screw_of(const t_filt_stat& state, int n);

struct t_filt_row {
  std::array<uint32_t, FILT_ROW_SIZE> filt;  // RAW_NO_VALUE where nothing was filtered
  t_filt_stat state;
  int32_t last = -1;  // highest index processed, -1 when none
};

// The 8 rows, indexed like the live display channels.
t_filt_row& filt_row(int slot);
void swap_filt_rows(int a, int b);

// Brings the series of live slot `slot` up to its device's newest stored
// sample; from the start of the day when restart is set. Only raw channels
// of an active device are filtered.
void refilter_chan(int slot, bool restart);
// Start-up: rebuilds the series up to the last sample that today's log put
// into the device's ring (last_arch_idx).
void refilter_after_load(int slot);

// Every row back to its empty state (start of the program, tests).
void reset_filt_rows();
