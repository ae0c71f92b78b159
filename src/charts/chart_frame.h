// What the chart parts ask of the window that holds them: which page is
// shown, whether start-up has completed, and whether the tool bar allows
// an export now.
#pragma once

#include "charts/draw_stat.h"

class chart_frame {
 public:
  // The Tag of the page shown: 6 the Online view, 7 the Off-line analysis;
  // -1 when none.
  virtual int shown_page() const = 0;
  // True once start-up has completed: before that, a resized image or a
  // refilled selector draws nothing.
  virtual bool started() const = 0;
  // Whether the export of the chart as CSV (or, with bitmap, as a bitmap) is allowed now.
  virtual bool export_allowed(bool bitmap) const = 0;

 protected:
  ~chart_frame() = default;
};

// The page Tag of a chart (CHART_LIVE on 6, CHART_ARCH on 7).
constexpr int chart_page_tag(int chart) { return chart == CHART_LIVE ? 6 : 7; }
