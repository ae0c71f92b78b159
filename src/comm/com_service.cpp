#include "comm/com_service.h"

#include "core/mono_clock.h"

com_service::com_service(std::atomic<bool>& thr_terminated) : thr_terminated_(thr_terminated) {}

com_service::~com_service() {
  terminate();
  wait_for();
}

void com_service::start() {
  if (worker_.joinable()) return;
  terminated_.store(false, std::memory_order_relaxed);
  thr_terminated_.store(false, std::memory_order_relaxed);
  worker_ = std::thread([this] { execute(); });
}

void com_service::wait_for() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void com_service::service_step() { sleep_ms(10); }

void com_service::execute() {
  while (!terminate_requested()) service_step();
  shutdown_step();
  thr_terminated_.store(true, std::memory_order_release);
}
