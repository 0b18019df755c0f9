#include "platform/ConsoleInput.h"

#include <cstdio>

namespace pallograph {

bool ReadInputLine(std::string& line) {
  line.clear();
  // A console read ends at Ctrl+C (the stop request is recorded by the console's handler).
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return c == '\n';
}

}  // namespace pallograph
