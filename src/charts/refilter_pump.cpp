#include "charts/refilter_pump.h"

#include "charts/trace_filter.h"

refilter_pump::refilter_pump() {
  timer_.setInterval(0);
  QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

bool refilter_pump::start() {
  if (!refilter_step()) return !running();
  if (!running()) {
    shown_.start();
    timer_.start();
  }
  return false;
}

void refilter_pump::finish() {
  finish_refilter();
  if (running()) tick();
}

void refilter_pump::tick() {
  if (!refilter_step()) {
    timer_.stop();
    if (on_done) on_done();
    return;
  }
  if (shown_.elapsed() >= progress_ms) {
    shown_.restart();
    if (on_progress) on_progress();
  }
}
