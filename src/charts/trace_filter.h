// Trace filters of raw value channels: a median (depth 3..11), a screw
// filter that removes periodic peaks (a mode filter over up to 10 s), and a
// first-order lag "Pt1", chained in that order, in integer arithmetic,
// sample by sample. A sample without a reading (RAW_NO_VALUE) passes
// through and restarts the chain at the next valid one.
//
// The chain keeps its windows in rings written twice over (the newest n
// entries lie side by side), the median window also sorted (a step drops
// the leaving entry and places the new one without a branch), and the screw
// window's classes with their counts and sums: a sample costs a few dozen
// steps; when the window's minimum or maximum moves, the classes are found
// four at a time and counted again. A run of samples takes a loop made for
// its stages, the sorted median window and the class keys in registers; in
// windows of range up to 2^16 a class is one integer product (a new entry)
// or four at once in single precision (a regroup), in wider ones a double
// product; all exact.
//
// Each live display channel slot owns a filtered copy of the day's raw
// series (filt_rows), extended as samples arrive. A rebuild of a whole day
// can be queued and run in steps (refilter_step), so that the window's
// thread stays free: a row's `last` says how far it is. Widget-free; the
// rows belong to the user-interface thread.
#pragma once

#include "core/common_data.h"

#include <array>
#include <cstdint>

inline constexpr int FILT_ROW_SIZE = SLOTS_PER_DAY + 2;  // indexes 0..432000 (+1 spare)
inline constexpr int SCREW_WIN = 50;
inline constexpr int SCREW_CLASSES = 20;
inline constexpr int MED_WIN = 11;
inline constexpr int MED_SORTED = 12;  // the sorted median window, padded to whole groups of four
// The class ring: both copies and spare entries, so that 64 of them from
// any start can be compared at once.
inline constexpr int SCREW_CLS_SIZE = 128;
inline constexpr int SCREW_KEYS = 24;  // the class keys, eight at a time

struct t_filt_stat {
  bool reset = false;  // the next valid value restarts all filters
  // Median: the 11 newest inputs at med_win[med_pos ..] (newest first),
  // each stored at k and k + MED_WIN; the newest med_n of them sorted.
  std::array<int32_t, 2 * MED_WIN> med_win{};
  int32_t med_pos = 0;
  // INT32_MAX beyond the newest med_n, so that the window moves four
  // entries at a time.
  alignas(16) std::array<int32_t, MED_SORTED> med_sorted{};
  int32_t med_n = 0;  // 0: med_sorted is to be built again
  // Screw: the 50 newest median outputs at screw_win[screw_pos ..] (newest
  // first), each stored at k and k + SCREW_WIN.
  std::array<int32_t, 2 * SCREW_WIN> screw_win{};
  // The class of each entry under lo and hi, stored like the entries.
  std::array<int8_t, SCREW_CLS_SIZE> screw_cls{};
  int32_t screw_pos = 0;
  int32_t screw_n = 0;  // window length the classes below are for; 0: to be built again
  int32_t lo = 0, hi = 0;
  double inv_range = 0;  // 20 / (hi - lo); 20 when hi == lo
  double lo_base = 0;    // lo - 1
  uint64_t cls_mul = 0;  // the class by a product for a range up to 2^16 (cls_pre >= 0)
  int32_t cls_pre = -1;
  // Per class: 32 times its count plus 31 - the class, so that the largest
  // key is the fullest class, the lower one of a tie; 0 beyond the classes.
  std::array<int16_t, SCREW_KEYS> key{};
  std::array<int64_t, SCREW_CLASSES> sum{};
  // Pt1: the accumulator (N times the output) and acc / N for pt_n = N.
  int64_t acc = 0;
  int64_t q = 0;
  int64_t pt_n = 0;  // 0: q is to be computed again
  uint64_t pt_mul = 0;
  int32_t pt_pre = 0;
};

// One filter step. x is a decoded raw value (raw_to_value); med = filt_med
// (0..5), pt = filt_pt (tenths of a second), screw = filt_screw (seconds).
uint32_t filter_sample(uint32_t x, int32_t med, uint16_t pt, t_filt_stat& state, uint16_t screw);
// Mode filter over the newest min(n, 50) screw window entries: the mean of
// the fullest of 20 classes between their minimum and maximum (a tie goes
// to the lower class).
int32_t screw_of(const t_filt_stat& state, int n);

struct t_filt_row {
  std::array<uint32_t, FILT_ROW_SIZE> filt;  // RAW_NO_VALUE where nothing was filtered
  t_filt_stat state;
  int32_t last = -1;   // highest index processed, -1 when none
  int32_t dirty = -1;  // highest index that may hold a value: a rebuild clears up to here only
  int32_t queued = 0;  // refilter_goal_t of a queued rebuild, 0 when none
};

// The 8 rows, indexed like the live display channels.
t_filt_row& filt_row(int slot);
void swap_filt_rows(int a, int b);

// Brings the series of live slot `slot` up to its device's newest stored
// sample; from the start of the day when restart is set. Only raw channels
// of an active device are filtered. A queued rebuild of the slot takes a
// restart over (queued again from the start) and is left to its steps
// otherwise.
void refilter_chan(int slot, bool restart);
// Start-up: rebuilds the series up to the last sample that today's log put
// into the device's ring (last_arch_idx), at once.
void refilter_after_load(int slot);

// ---- rebuilds in steps -------------------------------------------------------------------
// How far a queued rebuild goes: the device's newest stored sample, or the
// samples today's log put into its ring at start-up.
enum refilter_goal_t : int32_t { REFILTER_NEWEST = 1, REFILTER_LOADED = 2 };
// Samples a step gives each queued row: a few milliseconds for 8 rows.
inline constexpr int REFILTER_STEP = 8192;

// Clears the series of live slot `slot` and queues its rebuild from the
// start of the day; nothing is filtered yet. A slot that is not filtered is
// left alone, but cleared for REFILTER_LOADED (start-up).
void queue_refilter(int slot, refilter_goal_t goal);
// Runs up to per_row samples of every queued rebuild; a row that reaches
// its goal leaves the queue. True while rebuilds remain queued.
bool refilter_step(int per_row = REFILTER_STEP);
// True while a rebuild of any slot (slot -1) or of the slot is queued.
bool refilter_pending(int slot = -1);
// Runs every queued rebuild to its end: for readers that need the whole
// filtered series (exports).
void finish_refilter();

// Every row back to its empty state (start of the program, tests).
void reset_filt_rows();
