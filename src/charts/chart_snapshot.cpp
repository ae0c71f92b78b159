#include "charts/chart_snapshot.h"

#include "charts/chart_render.h"
#include "charts/draw_stat.h"

#include <algorithm>
#include <memory>

QImage live_device_snapshot(int d, int w, int h) {
  t_draw_stat& ds = draw_stat[CHART_LIVE];
  bool any = false;
  for (int r = 0; r < MAX_CHANNELS; ++r)
    any = any || (ds.chan_active[r] && ds.chan_displayed[r] && ds.chan_dev[r] == d);
  if (!any || ds.no_data || ds.data_last < ds.data_first) return {};
  // The record as the page has it, put back whatever happens below.
  const auto kept = std::make_unique<t_draw_stat>(ds);
  for (int r = 0; r < MAX_CHANNELS; ++r) ds.chan_displayed[r] = ds.chan_displayed[r] && ds.chan_dev[r] == d;
  ds.view_last = ds.data_last;
  ds.view_first = std::max(ds.data_first, ds.data_last - SNAPSHOT_SECONDS * (SLOTS_PER_DAY / 86400) + 1);
  ds.tscale_idx = 0;
  ds.tdiv = 0;  // the division that holds the hour
  relayout_chart(CHART_LIVE, w, h);
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  paint_chart(img, CHART_LIVE);
  ds = *kept;
  return img;
}
