#include "run/Console.h"

#include <cstdio>

#include "platform/Console.h"
#include "platform/ConsoleInput.h"
#include "platform/TextLineEnd.h"
#include "run/Interruption.h"

namespace pallograph {

bool TConsole::Interactive() const {
  static const bool terminal = StandardOutputIsTerminal();
  return !silent_ && terminal;
}

void TConsole::Line(const std::string& text) {
  if (silent_) return;
  const std::string shown = WithSystemLineBreaks(text);
  std::fwrite(shown.data(), 1, shown.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void TConsole::Write(const std::string& text) {
  if (silent_) return;
  const std::string shown = WithSystemLineBreaks(text);
  std::fwrite(shown.data(), 1, shown.size(), stdout);
  std::fflush(stdout);
}

void TConsole::ErrorLine(const std::string& text) {
  if (silent_) return;
  const std::string line = OneLine(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

std::string OneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += " / ";
    } else {
      line.push_back(text[i]);
    }
  }
  return line;
}

std::string TConsole::ReadLine() {
  if (silent_) return {};
  std::string line;
  ReadInputLine(line);
  // Ctrl+C at a prompt ends the run like anywhere else.
  StopIfInterrupted();
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
