#include "platform/Interrupt.h"

#include <windows.h>

#include <atomic>

namespace pallograph {

namespace {

// The first console event that arrived, plus one (0 for none).
std::atomic<DWORD> g_event{0};
// True once any event arrived.
std::atomic<bool> g_stop{false};

// The system ends the process a few seconds after a close, logoff or shutdown event's handler
// returns (or after about five seconds in any case): the handler waits that long for the run
// to clean up and end the process itself.
constexpr DWORD kCloseWaitMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD type) {
  DWORD none = 0;
  g_stop.store(true);
  if (!g_event.compare_exchange_strong(none, type + 1)) {
    // A second Ctrl+C ends the process at once (the default handler).
    return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? FALSE : TRUE;
  }
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
  Sleep(kCloseWaitMs);
  return TRUE;
}

}  // namespace

void WatchInterrupts() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool InterruptRequested() { return g_event.load() != 0; }

const std::atomic<bool>& InterruptFlag() { return g_stop; }

int InterruptExitCode() {
  const DWORD event = g_event.load();
  if (event == 0) return 0;
  return event - 1 == CTRL_C_EVENT || event - 1 == CTRL_BREAK_EVENT ? 130 : 143;
}

std::string InterruptName() {
  const DWORD event = g_event.load();
  if (event == 0) return {};
  switch (event - 1) {
    case CTRL_C_EVENT:
      return "Ctrl+C";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
      return "closing the console";
    default:
      return "logging off or shutting down";
  }
}

}  // namespace pallograph
