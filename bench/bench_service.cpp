// The communication service polling eight simulated transmitters on one
// line whose answers take the time their bytes need at the baud rate:
//   stored/produced  samples stored over the slots the run covered (1.000: nothing lost)
//   cycle_ms         measured time for one pass over the eight devices
//   wire_ms          the time the frames of that pass need on the wire
//   cycle/wire       goal: within 1.25
//   cpu_us/sample    processor time of the service thread per stored sample
#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "sim_line.h"
#include "support/test_env.h"

#include <QDir>

#include <benchmark/benchmark.h>

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
    sleep_ms(seconds * 1000);
    const double cpu = svc.cpu_seconds();
    const uint64_t requests = line.stats().requests - req0;
    const int64_t elapsed = mono_ms() - t0;
    svc.terminate();
    while (!terminated.load()) sleep_ms(5);
    svc.wait_for();

    long stored = 0, covered = 0;
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
    }
    const double cycle_ms = requests > 0 ? static_cast<double>(elapsed) * 8.0 / static_cast<double>(requests) : 0.0;
    const double wire_ms = 8.0 * (8 + 255) * 10.0 * 1000.0 / TModbSerial::get_baud_value(baud_idx);
    state.counters["stored/produced"] = covered ? static_cast<double>(stored) / static_cast<double>(covered) : 0.0;
    state.counters["cycle_ms"] = cycle_ms;
    state.counters["wire_ms"] = wire_ms;
    state.counters["cycle/wire"] = cycle_ms / wire_ms;
    state.counters["cpu_us/sample"] = stored ? cpu * 1e6 / static_cast<double>(stored) : 0.0;
    state.counters["samples"] = static_cast<double>(stored);
  }
}
BENCHMARK(BM_ServiceEightTransmitters)
    ->Args({0, 20})
    ->Args({4, 10})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

BENCHMARK_MAIN();
