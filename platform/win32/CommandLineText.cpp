#include "platform/CommandLineText.h"

#include <windows.h>

#include "platform/win32/WideApi.h"

namespace pallograph {

std::string ProcessCommandLineText(int, char**) { return FromWide(GetCommandLineW()); }

bool ProcessArgumentWords(int, char**, std::vector<std::string>& words) {
  words.clear();
  return false;
}

bool SlashOptionsAllowed() { return true; }

}  // namespace pallograph
