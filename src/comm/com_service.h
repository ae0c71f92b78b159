// The communication service thread: the only thread that talks to the
// transmitters. It runs until its terminate flag is set, then sets the
// owner's thr_terminated flag as its very last action.
#pragma once

#include <atomic>
#include <thread>

class com_service {
 public:
  explicit com_service(std::atomic<bool>& thr_terminated);
  virtual ~com_service();
  com_service(const com_service&) = delete;
  com_service& operator=(const com_service&) = delete;

  void start();
  // Asks the thread to end after its current step.
  void terminate() { terminated_.store(true, std::memory_order_release); }
  bool terminate_requested() const { return terminated_.load(std::memory_order_acquire); }
  bool started() const { return worker_.joinable(); }
  // Waits for the thread to end (after thr_terminated was seen).
  void wait_for();

 protected:
  // One pass of the service loop; the loop sleeps briefly between passes.
  virtual void service_step();
  // Work done once when the loop ends, before thr_terminated is set.
  virtual void shutdown_step() {}

 private:
  void execute();

  std::atomic<bool>& thr_terminated_;
  std::atomic<bool> terminated_{false};
  std::thread worker_;
};
