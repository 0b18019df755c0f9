#include "platform/Console.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/ConsoleInput.h"
#include "platform/TextLineEnd.h"

namespace pallograph {

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
  std::string answer;
  if (!ReadInputLine(answer)) return false;
  return answer == "y" || answer == "Y";
}

}  // namespace pallograph
