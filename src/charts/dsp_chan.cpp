#include "charts/dsp_chan.h"

#include "charts/draw_stat.h"
#include "charts/trace_filter.h"
#include "core/sys_number.h"
#include "texts/text_table.h"

#include <algorithm>
#include <utility>

namespace {

// Element by element, so that no table is ever copied whole onto the stack.
void swap_arch_stat(t_arch_stat& a, t_arch_stat& b) {
  std::swap(a.load_file, b.load_file);
  std::swap(a.meas_idx, b.meas_idx);
  std::swap(a.unit_idx, b.unit_idx);
  std::swap_ranges(a.smp_tab.begin(), a.smp_tab.end(), b.smp_tab.begin());
}

}  // namespace

t_dsp_chan* chart_chans(int chart) {
  return chart == CHART_LIVE ? common_setup.dsp_chan_live : common_setup.dsp_chan_arch;
}

void clear_dsp_chan(t_dsp_chan& ch) {
  ch.active = false;
  ch.sample_file.clear();
  ch.tag.clear();
  ch.dev_idx = -1;
  ch.meas_mode = -1;
  ch.filt_med = 0;
  ch.filt_pt = 0;
  ch.filt_screw = 0;
  ch.line_thk = 0;
  ch.color = 0;
}

int active_chan_cnt(int chart) {
  const t_dsp_chan* ch = chart_chans(chart);
  int n = 0;
  while (n < MAX_CHANNELS && ch[n].active) ++n;
  return n;
}

int first_free_slot(int chart) {
  const t_dsp_chan* ch = chart_chans(chart);
  for (int k = 0; k < MAX_CHANNELS; ++k)
    if (!ch[k].active) return k;
  return -1;
}

bool chan_changed(const t_dsp_chan& work, const t_dsp_chan& stored) {
  if (work.meas_mode != stored.meas_mode || work.sample_file != stored.sample_file || work.active != stored.active)
    return true;
  if (work.meas_mode == MEAS_RAW && stored.meas_mode == MEAS_RAW)
    return work.filt_med != stored.filt_med || work.filt_pt != stored.filt_pt || work.filt_screw != stored.filt_screw;
  return false;
}

QString meas_mode_text(int32_t mode) {
  const QStringList items = split_items(ctrl_text(u"cmb_meas_mode", TXT_REQ_CAPTION, FORM_DRAW_SETUP));
  return mode >= 0 && mode < items.size() ? items[mode] : QString();
}

QString filter_text(int32_t value, int kind) {
  switch (kind) {
    case 0: return value == 0 ? QStringLiteral("Off") : QString::number(2 * value + 1);
    case 1: return fmt_sys_fixed(1, value / 10.0) + " s";
    default: return QString::number(value) + " s";
  }
}

void remove_chan_slot(int chart, int slot) {
  if (slot < 0 || slot >= MAX_CHANNELS) return;
  t_dsp_chan* ch = chart_chans(chart);
  for (int k = slot; k < MAX_CHANNELS - 1; ++k) {
    ch[k] = ch[k + 1];
    // The data goes along; the removed slot's data ends in slot 7, which is
    // inactive afterwards and rebuilt before it is used again.
    if (chart == CHART_LIVE)
      swap_filt_rows(k, k + 1);
    else
      swap_arch_stat(m_stat.arch_stat[k], m_stat.arch_stat[k + 1]);
  }
  clear_dsp_chan(ch[MAX_CHANNELS - 1]);
}

void clear_all_chans(int chart) {
  t_dsp_chan* ch = chart_chans(chart);
  for (int k = 0; k < MAX_CHANNELS; ++k) clear_dsp_chan(ch[k]);
}

bool remove_device_chans(int r) {
  t_dsp_chan* ch = common_setup.dsp_chan_live;
  bool removed = false;
  for (int k = MAX_CHANNELS - 1; k >= 0; --k) {
    if (ch[k].active && ch[k].dev_idx == r) {
      remove_chan_slot(CHART_LIVE, k);
      removed = true;
    }
  }
  for (int k = 0; k < MAX_CHANNELS; ++k)
    if (ch[k].active && ch[k].dev_idx > r) --ch[k].dev_idx;
  return removed;
}
