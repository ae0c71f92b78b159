// A configuration read (status, parameter and product blocks: 16 frames)
// and a configuration write (parameters, products, 10005: 17 frames) of one
// transmitter, through the communication service as the window and orvctl
// use it, on a simulated line whose answers take the time their bytes need
// at the baud rate:
//   seconds      measured time from posting the request to its end
//   wire_s       the time the bytes of the same frames need on the wire
//                (10 bits a character, no pauses): a lower bound
//   ratio        seconds / wire_s; goal: within 1.25
#include "comm/com_service.h"
#include "comm/modb_serial.h"
#include "comm/service_requests.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "sim_line.h"
#include "support/test_env.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// Bytes on the wire of one request: every frame and its answer.
int request_wire_bytes(dev_request_t kind) {
  int bytes = 0, first = 0, count = 0;
  for (int k = 0; request_frame_regs(kind, k, first, count); ++k) {
    const bool write = kind == REQR_PARAM_WR;
    bytes += write ? (9 + 2 * count) + 8 : 8 + (5 + 2 * count);
  }
  return bytes;
}

void BM_ConfigTransfer(benchmark::State& state) {
  const auto kind = static_cast<dev_request_t>(state.range(0));
  const int baud_idx = static_cast<int>(state.range(1));
  temp_config_home home;
  reset_all_records();
  orvsim::line_options o;
  o.com = 1;
  o.line_timing = true;
  o.devices.resize(1);
  orvsim::sim_line line(o);
  auto& c = common_setup.dev_conn[0];
  c.addr = 0;
  c.com_num = 1;
  c.baud_idx = baud_idx;
  TModbSerial link;
  std::atomic<bool> terminated{false};
  com_service svc(terminated, &link);
  svc.start();
  // Something sensible to write: the transmitter's own configuration.
  wait_request(post_request(REQR_PARAM_RD, 0));
  m_stat.dev_stat[0].edit_param.assign(m_stat.dev_stat[0].read_param);
  m_stat.dev_stat[0].edit_prod.assign(m_stat.dev_stat[0].read_prod);

  bool ok = true;
  double total = 0.0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    ok = ok && wait_request(post_request(kind, 0)) == REQS_READY;
    const double dt = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(dt);
    total += dt;
  }
  svc.terminate();
  while (!terminated.load()) sleep_ms(1);
  svc.wait_for();

  const double wire_s = request_wire_bytes(kind) * 10.0 / TModbSerial::get_baud_value(baud_idx);
  state.counters["wire_s"] = wire_s;
  state.counters["ratio"] = total / static_cast<double>(state.iterations()) / wire_s;
  state.counters["frames"] = request_frame_count(kind);
  if (!ok) state.SkipWithError("a request failed");
  state.SetLabel(kind == REQR_PARAM_RD ? "read" : "write");
}

}  // namespace

BENCHMARK(BM_ConfigTransfer)
    ->ArgNames({"kind", "baud_idx"})
    ->Args({REQR_PARAM_RD, 0})
    ->Args({REQR_PARAM_WR, 0})
    ->Args({REQR_PARAM_RD, 4})
    ->Args({REQR_PARAM_WR, 4})
    ->Iterations(3)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();

BENCHMARK_MAIN();
