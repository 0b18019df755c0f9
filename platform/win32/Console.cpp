#include "platform/Console.h"

#include <windows.h>

#include <cstdio>

namespace pallograph {

bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void ReleaseConsole() {
  std::fflush(stdout);
  std::fflush(stderr);
  FreeConsole();
  // Handles inherited from a parent (a pipe, a redirected file) outlive the console: lead the
  // standard streams nowhere, so that nothing is printed or read afterwards.
  std::freopen("NUL", "w", stdout);
  std::freopen("NUL", "r", stdin);
}

bool ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
  UINT type = MB_OK | MB_ICONERROR;
  if (icon == MessageIcon::Information) type = MB_OK | MB_ICONINFORMATION;
  if (icon == MessageIcon::Question) type = MB_YESNO | MB_ICONQUESTION;
  const int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(), type | MB_SETFOREGROUND);
  return answer == IDOK || answer == IDYES;
}

}  // namespace pallograph
