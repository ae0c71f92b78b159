// Link throughput: CRC over a full frame, and a 125-register read over a
// pseudo-terminal against a libmodbus server, next to libmodbus's own
// client doing the same exchange with the same kind of server:
//   frames/s      exchanges per second
//   cpu_us/frame  processor time of the client's thread per exchange
#include "comm/modb_serial.h"
#include "core/crc16.h"
#include "support/test_env.h"

#include <benchmark/benchmark.h>
#include <modbus.h>

#include <array>
#include <ctime>

namespace {

double thread_cpu_us() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) * 1e-3;
}

void count_frames(benchmark::State& state, double cpu0, int failures) {
  const auto frames = static_cast<double>(state.iterations());
  state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["cpu_us/frame"] = frames > 0 ? (thread_cpu_us() - cpu0) / frames : 0.0;
  state.counters["failures"] = failures;
}

}  // namespace

static void BM_Crc255(benchmark::State& state) {
  std::array<uint8_t, 255> frame{};
  for (size_t k = 0; k < frame.size(); ++k) frame[k] = static_cast<uint8_t>(k * 37 + 11);
  uint8_t a = 0, b = 0;
  for (auto _ : state) {
    calc_crc(frame.data(), 255, a, b);
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 255);
}
BENCHMARK(BM_Crc255);

static void BM_Read125_TModbSerial(benchmark::State& state) {
  temp_config_home home;
  pty_pair pty;
  pty.link_as_com(1);
  modbus_peer peer(pty.master(), 1);
  TModbSerial m;
  if (!m.setup_port(1, 4, 0)) {
    state.SkipWithError("port did not open");
    return;
  }
  uint16_t buf[125];
  int failures = 0;
  const double cpu0 = thread_cpu_us();
  for (auto _ : state) failures += m.get_mod_regs(1, 2000, buf, 125) != 0;
  count_frames(state, cpu0, failures);
  m.close_com();
}
BENCHMARK(BM_Read125_TModbSerial)->UseRealTime()->MinTime(2.0);

static void BM_Read125_libmodbus(benchmark::State& state) {
  temp_config_home home;
  pty_pair pty;
  modbus_peer peer(pty.master(), 1);
  modbus_t* ctx = modbus_new_rtu(pty.slave_path().c_str(), 115200, 'N', 8, 1);
  modbus_set_slave(ctx, 1);
  if (modbus_connect(ctx) != 0) {
    state.SkipWithError("libmodbus could not open the line");
    modbus_free(ctx);
    return;
  }
  uint16_t buf[125];
  int failures = 0;
  const double cpu0 = thread_cpu_us();
  for (auto _ : state) failures += modbus_read_registers(ctx, 2000, 125, buf) != 125;
  count_frames(state, cpu0, failures);
  modbus_close(ctx);
  modbus_free(ctx);
}
BENCHMARK(BM_Read125_libmodbus)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
