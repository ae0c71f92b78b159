#include "ui/session_end.h"

#include "ui/main_form.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace {

int g_pipe[2] = {-1, -1};
bool g_end_requested = false;

void on_signal(int sig) {
  const char c = static_cast<char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
}

}  // namespace

void install_session_end_handler(TMainForm* form) {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, form);
  QObject::connect(notifier, &QSocketNotifier::activated, form, [form, notifier] {
    char c;
    while (::read(g_pipe[0], &c, 1) > 0) {}
    notifier->setEnabled(false);
    g_end_requested = true;
    // Still starting, in a wait that lets events through (no event loop runs
    // that exit could end): the program ends as soon as the start-up has
    // returned (main asks session_end_requested).
    if (!form->init_done() && QThread::currentThread()->loopLevel() == 0) return;
    if (form->init_done())
      form->shutdown_sequence();
    else
      form->abort_sequence();
    QApplication::exit(0);
  });
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}

bool session_end_requested() { return g_end_requested; }
