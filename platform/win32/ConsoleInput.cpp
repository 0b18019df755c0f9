#include "platform/ConsoleInput.h"

#include <windows.h>

#include <cstdio>

#include "platform/Interrupt.h"

namespace pallograph {

namespace {

// Ctrl+C ends a console read at once, and its handler runs on a thread of its own: a read that
// ended without a line waits this long for the stop request to be recorded.
constexpr int kHandlerWaitSteps = 10;
constexpr DWORD kHandlerWaitStepMs = 10;

}  // namespace

bool ReadInputLine(std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (c == '\n') return true;
  for (int i = 0; i < kHandlerWaitSteps && !InterruptRequested(); ++i) Sleep(kHandlerWaitStepMs);
  std::clearerr(stdin);
  return false;
}

}  // namespace pallograph
