// The communication service polling eight simulated transmitters on one
// line whose answers take the time their bytes need at the baud rate:
//   stored/produced  samples stored over the slots the run covered (1.000: nothing lost)
//   cycle_ms         measured time for one pass over the eight devices
//   wire_ms          the time the frames of that pass need on the wire
//   cycle/wire       goal: within 1.25
//   cpu_us/sample    processor time of the service thread per stored sample
//   allocs/poll      allocations of the service thread per poll outside the
//                    log writes (goal: 0; the link counters add none)
//   log_allocs       allocations of the service thread in its log writes
//   good/requests    the link counters' share of good answers (1.000 on a clean line)
// and the cost of recording one exchange in a device's link counters:
//   BM_LinkRecord    nanoseconds per exchange (answers and failures mixed)
#include "archive/log_file.h"
#include "comm/com_service.h"
#include "comm/link_stats.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "sim_line.h"
#include "support/test_env.h"

#include <QDir>

#include <benchmark/benchmark.h>

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Allocations made on the service thread (known by its name).
std::atomic<uint64_t> g_service_allocs{0};

bool on_service_thread() {
  thread_local int known = -1;
  if (known < 0) {
    char name[16] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof name) != 0) return false;
    // The name is set as the thread starts: decide only once it is there.
    if (std::strcmp(name, SERVICE_THREAD_NAME) != 0) return false;
    known = 1;
  }
  return known == 1;
}

void* counted_alloc(std::size_t n) {
  if (on_service_thread()) g_service_allocs.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return counted_alloc(n); }
void* operator new[](std::size_t n) { return counted_alloc(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

static void BM_ServiceEightTransmitters(benchmark::State& state) {
  const int baud_idx = static_cast<int>(state.range(0));
  const int seconds = static_cast<int>(state.range(1));
  for (auto _ : state) {
    temp_config_home home;
    reset_all_records();
    const double today = static_cast<double>(wall_clock().now().date);
    orvsim::line_options o;
    o.com = 1;
    o.line_timing = true;
    o.devices.resize(8);
    for (int k = 0; k < 8; ++k) {
      o.devices[k].address = k + 1;
      o.devices[k].counter = 1000;
    }
    orvsim::sim_line line(o);
    const QString logs = home.path() + "/logs";
    QDir().mkpath(logs);
    for (int d = 0; d < 8; ++d) {
      auto& s = m_stat.dev_stat[d];
      reset_acq_state(s, today);
      clear_smp_ring(s);
      auto& c = common_setup.dev_conn[d];
      c.active = true;
      c.log_active = true;
      c.addr = d;
      c.com_num = 1;
      c.baud_idx = baud_idx;
      c.tag.set(QString("Bench %1").arg(d));
      c.log_dir.set(logs);
    }
    TModbSerial link;
    std::atomic<bool> terminated{false};
    com_service svc(terminated, &link);
    const uint64_t req0 = line.stats().requests;
    const int64_t t0 = mono_ms();
    svc.start();
    // Allocations in the steady state (every device polled once, its port
    // open), sampled every 2 ms. A sample in which a log was written (its
    // written index moved), and the one before it, count as log writing.
    auto all_ok = [] {
      for (const auto& s : m_stat.dev_stat)
        if (s.device_stat.load() != DEVSTAT_OK) return false;
      return true;
    };
    while (!all_ok() && mono_ms() - t0 < seconds * 1000) sleep_ms(2);
    int written[8];
    for (int d = 0; d < 8; ++d) written[d] = m_stat.dev_stat[d].last_written_idx.load();
    uint64_t poll_allocs = 0, log_allocs = 0, held = 0;
    uint64_t allocs = g_service_allocs.load();
    const uint64_t steady_req0 = line.stats().requests;
    while (mono_ms() - t0 < seconds * 1000) {
      sleep_ms(2);
      const uint64_t a = g_service_allocs.load();
      bool logged = false;
      for (int d = 0; d < 8; ++d) {
        const int w = m_stat.dev_stat[d].last_written_idx.load();
        logged = logged || w != written[d];
        written[d] = w;
      }
      if (logged) {
        log_allocs += held + (a - allocs);
      } else {
        poll_allocs += held;
      }
      held = logged ? 0 : a - allocs;
      allocs = a;
    }
    poll_allocs += held;
    const uint64_t steady_requests = line.stats().requests - steady_req0;
    const double cpu = svc.cpu_seconds();
    const uint64_t requests = line.stats().requests - req0;
    const int64_t elapsed = mono_ms() - t0;
    svc.terminate();
    while (!terminated.load()) sleep_ms(5);
    svc.wait_for();

    long stored = 0, covered = 0;
    uint64_t good = 0, sent = 0;
    for (int d = 0; d < 8; ++d) {
      const auto& s = m_stat.dev_stat[d];
      const int last = s.last_saved_idx.load();
      int first = -1;
      for (int k = 0; k <= last; ++k)
        if (s.smp_raw[k].load() != 0x000FFFFFu) {
          if (first < 0) first = k;
          ++stored;
        }
      if (first >= 0) covered += last - first + 1;
      good += s.link.good.load();
      sent += s.link.requests.load();
    }
    const double cycle_ms = requests > 0 ? static_cast<double>(elapsed) * 8.0 / static_cast<double>(requests) : 0.0;
    const double wire_ms = 8.0 * (8 + 255) * 10.0 * 1000.0 / TModbSerial::get_baud_value(baud_idx);
    state.counters["stored/produced"] = covered ? static_cast<double>(stored) / static_cast<double>(covered) : 0.0;
    state.counters["cycle_ms"] = cycle_ms;
    state.counters["wire_ms"] = wire_ms;
    state.counters["cycle/wire"] = cycle_ms / wire_ms;
    state.counters["cpu_us/sample"] = stored ? cpu * 1e6 / static_cast<double>(stored) : 0.0;
    state.counters["samples"] = static_cast<double>(stored);
    state.counters["allocs/poll"] =
        steady_requests ? static_cast<double>(poll_allocs) / static_cast<double>(steady_requests) : 0.0;
    state.counters["log_allocs"] = static_cast<double>(log_allocs);
    state.counters["good/requests"] = sent ? static_cast<double>(good) / static_cast<double>(sent) : 0.0;
  }
}
BENCHMARK(BM_ServiceEightTransmitters)
    ->Args({0, 20})
    ->Args({4, 10})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

static void BM_LinkRecord(benchmark::State& state) {
  static t_link_stat l;
  clear_link_stat(l);
  uint32_t k = 0;
  for (auto _ : state) {
    // One failure in sixteen, the times varying like a real line's.
    link_record(l, (k & 15) == 7 ? LINK_TIMEOUT : LINK_GOOD, 2000 + (k * 37) % 900, k);
    ++k;
  }
  benchmark::DoNotOptimize(l.resp_mean_us.load());
}
BENCHMARK(BM_LinkRecord);

BENCHMARK_MAIN();
