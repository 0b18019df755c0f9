#include "platform/CommandLineText.h"

#include <windows.h>

namespace pallograph {

std::string ProcessCommandLineText(int, char**) {
  const char* text = GetCommandLineA();
  return text ? std::string(text) : std::string();
}

bool ProcessArgumentWords(int, char**, std::vector<std::string>& words) {
  words.clear();
  return false;
}

bool SlashOptionsAllowed() { return true; }

}  // namespace pallograph
