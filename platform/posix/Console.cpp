#include "platform/Console.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace pallograph {

void WriteStandardOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void WriteStandardError(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string ReadStandardInputLine() {
  std::string line;
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line += static_cast<char>(c);
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
  std::cerr << "[" << caption << "] " << text << std::endl;
  if (icon != MessageIcon::Question) return true;
  std::cerr << "[Y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y";
}

}  // namespace pallograph
