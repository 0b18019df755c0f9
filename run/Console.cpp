#include "run/Console.h"

#include "platform/Console.h"
#include "platform/TextLineEnd.h"
#include "run/Interruption.h"

namespace pallograph {

bool TConsole::Interactive() const {
  static const bool terminal = StandardOutputIsTerminal();
  return !silent_ && terminal;
}

void TConsole::Line(const std::string& text) {
  if (silent_) return;
  WriteStandardOutput(WithSystemLineBreaks(text) + "\n");
}

void TConsole::Write(const std::string& text) {
  if (silent_) return;
  WriteStandardOutput(WithSystemLineBreaks(text));
}

void TConsole::ErrorLine(const std::string& text) {
  if (silent_) return;
  WriteStandardError(OneLine(text) + "\n");
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
  std::string line = ReadStandardInputLine();
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
