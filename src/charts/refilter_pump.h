// Runs the queued filter rebuilds (trace_filter.h) in steps from the event
// loop of the window's thread, so that a rebuild of whole days never holds
// the window up: one step now, the rest one step per turn of the loop
// through a zero-time timer. Widget-free.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class refilter_pump {
 public:
  refilter_pump();
  refilter_pump(const refilter_pump&) = delete;
  refilter_pump& operator=(const refilter_pump&) = delete;

  // Some rows went on: about every progress_ms while the rebuild runs.
  std::function<void()> on_progress;
  // Every queued rebuild reached its goal.
  std::function<void()> on_done;
  int progress_ms = 200;

  // Runs one step of the queued rebuilds now; true when that was all (no
  // callback then), else the rest follows from the event loop.
  bool start();
  // The rest now, with on_done: for readers that need the whole series.
  void finish();
  bool running() const { return timer_.isActive(); }

 private:
  void tick();
  QTimer timer_;
  QElapsedTimer shown_;
};
