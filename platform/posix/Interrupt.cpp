#include "platform/Interrupt.h"

#include <signal.h>

#include <atomic>

namespace pallograph {

namespace {

// The first signal that arrived; 0 for none. A lock-free atomic is safe in a signal handler.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// True once any signal arrived.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnStopSignal(int signal_number) {
  int none = 0;
  g_signal.compare_exchange_strong(none, signal_number);
  g_stop.store(true);
}

}  // namespace

void WatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls go on (only waits for input look at the request); the second
  // signal of a kind takes the default action and ends the process at once.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    // A signal ignored by the starter (nohup, a background job) stays ignored.
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(signal_number, &action, nullptr);
  }
}

bool InterruptRequested() { return g_signal.load() != 0; }

const std::atomic<bool>& InterruptFlag() { return g_stop; }

int InterruptExitCode() {
  const int signal_number = g_signal.load();
  return signal_number == 0 ? 0 : 128 + signal_number;
}

std::string InterruptName() {
  switch (g_signal.load()) {
    case 0:
      return {};
    case SIGINT:
      return "Ctrl+C (SIGINT)";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP (the terminal was closed)";
    default:
      return "a signal";
  }
}

}  // namespace pallograph
