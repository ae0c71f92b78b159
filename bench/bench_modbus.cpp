// Link throughput: CRC over a full frame, and a 125-register read over a
// pseudo-terminal against a libmodbus server, next to libmodbus's own
// client doing the same exchange with the same kind of server:
//   frames/s      exchanges per second
//   cpu_us/frame  processor time of the client's thread per exchange
// and both in turns (BM_Read125_InTurns), for a comparison under one load.
#include "comm/modb_serial.h"
#include "core/crc16.h"
#include "support/test_env.h"

#include <benchmark/benchmark.h>
#include <modbus.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <vector>

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

// The two clients in turns of 50 exchanges, each with a server of its own:
// on a machine whose load comes and goes, both are measured under the same
// load (the cases above run seconds apart). One iteration is a turn of
// each; ours_* and libmodbus_* are per exchange, *_ratio is ours/libmodbus
// over the whole run, *_ratio_median the median of the turns' ratios (what
// a moment of load elsewhere on the machine moves least).
static void BM_Read125_InTurns(benchmark::State& state) {
  constexpr int kTurn = 50;
  temp_config_home home;
  pty_pair ours_pty;
  ours_pty.link_as_com(1);
  modbus_peer ours_peer(ours_pty.master(), 1);
  pty_pair peer_pty;
  modbus_peer lib_peer(peer_pty.master(), 1);
  TModbSerial m;
  modbus_t* ctx = modbus_new_rtu(peer_pty.slave_path().c_str(), 115200, 'N', 8, 1);
  modbus_set_slave(ctx, 1);
  if (!m.setup_port(1, 4, 0) || modbus_connect(ctx) != 0) {
    state.SkipWithError("a line did not open");
    modbus_free(ctx);
    return;
  }
  uint16_t buf[125];
  int failures = 0;
  double ours_wall = 0, ours_cpu = 0, lib_wall = 0, lib_cpu = 0;
  std::vector<double> wall_ratios, cpu_ratios;
  auto wall_us = [] {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) * 1e-3;
  };
  for (auto _ : state) {
    double w = wall_us(), c = thread_cpu_us();
    for (int k = 0; k < kTurn; ++k) failures += m.get_mod_regs(1, 2000, buf, 125) != 0;
    const double ow = wall_us() - w, oc = thread_cpu_us() - c;
    w = wall_us();
    c = thread_cpu_us();
    for (int k = 0; k < kTurn; ++k) failures += modbus_read_registers(ctx, 2000, 125, buf) != 125;
    const double lw = wall_us() - w, lc = thread_cpu_us() - c;
    ours_wall += ow;
    ours_cpu += oc;
    lib_wall += lw;
    lib_cpu += lc;
    wall_ratios.push_back(ow / lw);
    cpu_ratios.push_back(oc / lc);
  }
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  const double frames = static_cast<double>(state.iterations()) * kTurn;
  if (frames > 0) {
    state.counters["ours_frames/s"] = frames / ours_wall * 1e6;
    state.counters["libmodbus_frames/s"] = frames / lib_wall * 1e6;
    state.counters["ours_cpu_us"] = ours_cpu / frames;
    state.counters["libmodbus_cpu_us"] = lib_cpu / frames;
    state.counters["wall_ratio"] = ours_wall / lib_wall;
    state.counters["cpu_ratio"] = ours_cpu / lib_cpu;
    state.counters["wall_ratio_median"] = median(wall_ratios);
    state.counters["cpu_ratio_median"] = median(cpu_ratios);
  }
  state.counters["failures"] = failures;
  modbus_close(ctx);
  modbus_free(ctx);
  m.close_com();
}
BENCHMARK(BM_Read125_InTurns)->UseRealTime()->MinTime(4.0);

BENCHMARK_MAIN();
