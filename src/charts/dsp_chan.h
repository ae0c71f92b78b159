// Display channels: up to 8 traces per chart, each one measurement of one
// source (a device for the Online view, a log file for the Off-line
// analysis). The channel arrays stay packed: the active channels occupy the
// first slots. Each slot owns data that moves with it: a live slot its
// filtered raw series (filt_rows), an off-line slot its archive table
// (m_stat.arch_stat).
//
// Widget-free; user-interface thread only.
#pragma once

#include "core/common_data.h"

#include <QString>

#include <cstdint>

// Measurement modes of a channel (meas_mode).
enum meas_mode_t : int32_t {
  MEAS_SCALED = 0,
  MEAS_RAW = 1,
  MEAS_TEMP = 2,
  MEAS_DIN1 = 3,
  MEAS_DIN2 = 4,
  MEAS_DIN3 = 5,
  MEAS_DIN4 = 6,
  MEAS_SAT = 7,
};
inline constexpr int MEAS_CNT = 8;

inline bool is_din_mode(int32_t mode) { return mode >= MEAS_DIN1 && mode <= MEAS_DIN4; }

// Filter settings' limits.
inline constexpr int32_t FILT_MED_MAX = 5;      // depth 2n+1 = 11
inline constexpr uint16_t FILT_PT_MAX = 1000;   // tenths of a second
inline constexpr uint16_t FILT_SCREW_MAX = 10;  // seconds

// Column widths of the channel grids, percent of (grid width - 5).
inline constexpr int GRID_COLS = 11;
inline constexpr int grid_col_pct[GRID_COLS] = {10, 6, 14, 10, 7, 7, 7, 9, 9, 10, 10};

// The 8 channel records of a chart (CHART_LIVE or CHART_ARCH).
t_dsp_chan* chart_chans(int chart);

// Empties a record; `displayed` is left as it was.
void clear_dsp_chan(t_dsp_chan& ch);

// Number of leading active slots (0..8).
int active_chan_cnt(int chart);
// First inactive slot, -1 when all 8 are active.
int first_free_slot(int chart);

// True when the stored archive must be loaded again: measurement, file or
// active flag differ, or, both being raw channels, a filter setting does.
bool chan_changed(const t_dsp_chan& work, const t_dsp_chan& stored);

// Item `mode` of the current language's measurement list; empty outside it.
QString meas_mode_text(int32_t mode);
// kind 0 median: "Off" or the depth 2n+1; kind 1 Pt1: tenths as seconds with
// one decimal + " s"; kind 2 screw: the number + " s".
QString filter_text(int32_t value, int kind);

// Removes slot `slot` of a chart: the later slots move up one place with
// their data (filtered series or archive table); slot 7 is emptied.
void remove_chan_slot(int chart, int slot);
// Empties all 8 records of a chart.
void clear_all_chans(int chart);

// The chart side of removing device r from the scan list: every live
// channel of r goes (from slot 7 down to 0), and channels of the devices
// behind r follow them down one place. True when a channel was removed.
bool remove_device_chans(int r);
