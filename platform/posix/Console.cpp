#include "platform/Console.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

#include "platform/Interrupt.h"
#include "platform/TextLineEnd.h"

namespace pallograph {

namespace {

// How long one wait for input lasts before the stop request is looked at again: a signal that
// arrives just before the wait begins does not interrupt it.
constexpr int kWaitSliceMs = 200;

}  // namespace

void WriteStandardOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void WriteStandardError(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string ReadStandardInputLine() {
  // Byte by byte and unbuffered, so that nothing typed after the line is taken from a later
  // reader, and waiting in slices, so that a stop request ends the wait.
  std::string line;
  while (!InterruptRequested()) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, kWaitSliceMs);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if ((input.revents & POLLNVAL) != 0) break;
    char c = 0;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n') break;
    line.push_back(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void ReleaseConsole() {
  // Keep the descriptors open but lead them nowhere, as a process without a console.
  std::fflush(stdout);
  std::freopen("/dev/null", "w", stdout);
  std::freopen("/dev/null", "r", stdin);
}

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

bool ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
  std::fflush(stdout);
  std::cerr << "[" << caption << "] " << WithSystemLineBreaks(text) << std::endl;
  if (icon != MessageIcon::Question) return true;
  std::cerr << "[Y/N] " << std::flush;
  const std::string answer = ReadStandardInputLine();
  return answer == "y" || answer == "Y";
}

}  // namespace pallograph
