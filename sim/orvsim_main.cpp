// orvsim: simulated Orv transmitters on pseudo-terminals or serial devices.
#include "sim_options.h"

#include "orv_version.h"

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>

int main(int argc, char** argv) {
  orvsim::run_options opts;
  std::string error;
  if (!orvsim::parse_command_line(std::vector<std::string>(argv + 1, argv + argc), opts, error)) {
    std::fprintf(stderr, "orvsim: %s\nTry 'orvsim --help'.\n", error.c_str());
    return 2;
  }
  if (opts.help) {
    std::fputs(orvsim::help_text().c_str(), stdout);
    return 0;
  }
  if (opts.version) {
    std::printf("orvsim %s\n", ORV_VERSION);
    return 0;
  }

  // The serving threads inherit this mask; the signals are taken here only.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  static std::mutex out_mutex;
  std::vector<std::unique_ptr<orvsim::sim_line>> lines;
  try {
    for (auto& l : opts.lines) {
      const int com = l.com;
      l.log_requests = opts.verbose;
      l.on_path = [com](const std::string& path) {
        std::lock_guard<std::mutex> lock(out_mutex);
        if (com > 0)
          std::printf("orvsim: line %s as COM%d\n", path.c_str(), com);
        else
          std::printf("orvsim: line %s\n", path.c_str());
        std::fflush(stdout);
      };
      if (!opts.quiet)
        l.on_note = [com](const std::string& note) {
          std::lock_guard<std::mutex> lock(out_mutex);
          std::fprintf(stderr, "orvsim: %s%s\n", com > 0 ? ("COM" + std::to_string(com) + ": ").c_str() : "",
                       note.c_str());
        };
      lines.push_back(std::make_unique<orvsim::sim_line>(l));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvsim: %s\n", e.what());
    lines.clear();  // removes the entries already made
    return 1;
  }

  int sig = 0;
  sigwait(&stop_signals, &sig);
  lines.clear();
  return 0;
}
