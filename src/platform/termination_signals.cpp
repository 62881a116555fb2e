#include "platform/termination_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};
volatile sig_atomic_t gPending = 0;

extern "C" void OnTerminationSignal(int aSignal) {
  // A second signal: the orderly end asked for by the first is held up (or too slow), and the user
  // means it. The kernel closes the ports and files; nothing half-written is ever renamed in.
  if (gPending)
    ::_exit(128 + aSignal);
  gPending = 1;
  const char byte = char(aSignal);
  // Only async-signal-safe calls here; the event loop does the rest.
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[0], &byte, 1);
}
} // namespace

TTerminationSignals::TTerminationSignals(QObject* aParent) : QObject(aParent) {
  if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
    return;
  ::fcntl(gSignalPipe[0], F_SETFL, O_NONBLOCK);
  ::fcntl(gSignalPipe[1], F_SETFL, O_NONBLOCK);
  FNotifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationSignals::Drain);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in a system call ends with EINTR instead of going on as if nothing came.
  action.sa_flags = 0;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
}

void TTerminationSignals::Drain() {
  char byte = 0;
  while (::read(gSignalPipe[1], &byte, 1) == 1)
    Q_EMIT TerminationRequested(int(byte));
}
