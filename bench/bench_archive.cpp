// Start-up: today's logs of eight devices read back into their rings.
//   BM_StartUpReload/0        the logs are empty
//   BM_StartUpReload/1        full-day logs (432000 lines, 11.7 MB each);
//                             goal: at most 0.1 s more than with empty logs
//   BM_ReloadLineReader       the same full-day logs through the line reader
//                             and the general field parsing (reference)
#include "archive/live_reload.h"
#include "archive/log_file.h"
#include "core/common_data.h"
#include "support/log_reload_reference.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace {

// Eight active devices, each with today's log: empty or a full day.
struct startup_logs {
  explicit startup_logs(bool full) {
    reset_all_records();
    const QString dir = home.path() + "/logs";
    QDir().mkpath(dir);
    for (int d = 0; d < MAX_DEVICES; ++d) {
      auto& c = common_setup.dev_conn[d];
      c.active = true;
      c.log_dir.set(dir);
      c.tag.set(QString("Dev%1").arg(d));
    }
    reload_live_logs();  // sets the devices' date, and so their file names
    QByteArray day;
    if (full) {
      day.resize(static_cast<qsizetype>(SLOTS_PER_DAY) * LOG_LINE_BYTES);
      for (int s = 0; s < SLOTS_PER_DAY; ++s) {
        char line[LOG_LINE_BYTES + 1];
        std::snprintf(line, sizeof line, "%05X%03X%08X%08X2\r\n", s, (s * 7) & 0xFFF, 0x28000u + s % 1000,
                      0x41C80000u + s);
        std::memcpy(day.data() + static_cast<qsizetype>(s) * LOG_LINE_BYTES, line, LOG_LINE_BYTES);
      }
    }
    for (int d = 0; d < MAX_DEVICES; ++d) {
      paths[d] = log_file_name(d);
      QFile f(paths[d]);
      if (f.open(QIODevice::WriteOnly)) f.write(day);
      bytes += day.size();
    }
  }
  temp_config_home home;
  std::array<QString, MAX_DEVICES> paths;
  int64_t bytes = 0;
};

}  // namespace

static void BM_StartUpReload(benchmark::State& state) {
  startup_logs logs(state.range(0) != 0);
  int failed = 0;
  for (auto _ : state) {
    const auto results = reload_live_logs();
    for (const auto& r : results) failed += r.code != LOAD_OK;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * logs.bytes);
  state.counters["failed"] = failed;
}
BENCHMARK(BM_StartUpReload)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_ReloadLineReader(benchmark::State& state) {
  startup_logs logs(true);
  int failed = 0;
  for (auto _ : state) {
    for (int d = 0; d < MAX_DEVICES; ++d) {
      clear_smp_ring(m_stat.dev_stat[d]);
      QFile f(logs.paths[d]);
      failed += !f.open(QIODevice::ReadOnly) || reference_read_log_lines(f, d) != LOAD_OK;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * logs.bytes);
  state.counters["failed"] = failed;
}
BENCHMARK(BM_ReloadLineReader)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
