#include "run/Console.h"

#include <cstdio>

namespace pallograph {

void TConsole::Line(const std::string& text) {
  if (silent_) return;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void TConsole::Write(const std::string& text) {
  if (silent_) return;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string TConsole::ReadLine() {
  if (silent_) return {};
  std::string line;
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line += static_cast<char>(c);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string PadRight(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string FilesCountText(int count) {
  if (count > 1) return "OK (" + std::to_string(count) + " files)";
  if (count == 1) return "OK (1 file)";
  return "OK";
}

}  // namespace pallograph
