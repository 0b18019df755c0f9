#include "platform/ConsoleInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Interrupt.h"

namespace pallograph {

namespace {

// How long one wait for input lasts before the stop request is looked at again: a signal that
// arrives just before the wait begins does not interrupt it.
constexpr int kWaitSliceMs = 200;

}  // namespace

bool ReadInputLine(std::string& line) {
  line.clear();
  // Byte by byte, unbuffered: nothing typed after the line is taken from a later reader.
  for (;;) {
    if (InterruptRequested()) return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, kWaitSliceMs);
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    if ((input.revents & POLLNVAL) != 0) return false;
    char c = 0;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (c == '\n') break;
    line.push_back(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace pallograph
