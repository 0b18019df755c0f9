#include "platform/Console.h"

#include <windows.h>

#include <cstdio>

#include "platform/Interrupt.h"
#include "platform/win32/WideApi.h"

namespace pallograph {

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// Wide text to a console, in pieces that every console host takes, no pair of surrogates split.
void WriteConsoleText(HANDLE console, std::wstring_view text) {
  constexpr size_t kPiece = 8192;
  while (!text.empty()) {
    size_t piece = text.size() < kPiece ? text.size() : kPiece;
    if (piece < text.size() && text[piece - 1] >= 0xD800 && text[piece - 1] <= 0xDBFF) --piece;
    DWORD written = 0;
    if (!WriteConsoleW(console, text.data(), static_cast<DWORD>(piece), &written, nullptr) ||
        written == 0) {
      return;
    }
    text.remove_prefix(written);
  }
}

// UTF-8 bytes to a pipe or a file, every LF as CR LF, as the C run-time's text streams write it.
void WriteBytes(HANDLE file, std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) bytes += '\r';
    bytes += text[i];
  }
  std::string_view rest = bytes;
  while (!rest.empty()) {
    DWORD written = 0;
    const DWORD piece = rest.size() < (1u << 20) ? static_cast<DWORD>(rest.size()) : (1u << 20);
    if (!WriteFile(file, rest.data(), piece, &written, nullptr) || written == 0) return;
    rest.remove_prefix(written);
  }
}

void WriteStandard(DWORD which, std::string_view text) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  if (IsConsole(handle)) {
    WriteConsoleText(handle, ToWide(text));
  } else {
    WriteBytes(handle, text);
  }
}

}  // namespace

void WriteStandardOutput(std::string_view text) { WriteStandard(STD_OUTPUT_HANDLE, text); }

void WriteStandardError(std::string_view text) { WriteStandard(STD_ERROR_HANDLE, text); }

std::string ReadStandardInputLine() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return {};
  if (IsConsole(input)) {
    // The console hands over a typed line one character at a time.
    std::wstring line;
    wchar_t c = 0;
    DWORD got = 0;
    while (ReadConsoleW(input, &c, 1, &got, nullptr) && got == 1 && c != L'\n') line += c;
    // Ctrl+C ends the read at once, and its handler runs on a thread of its own: give it the
    // moment it needs to record the stop request.
    for (int i = 0; c != L'\n' && i < 10 && !InterruptRequested(); ++i) Sleep(10);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return FromWide(line);
  }
  std::string line;
  char c = 0;
  DWORD got = 0;
  while (ReadFile(input, &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool StandardOutputIsTerminal() { return IsConsole(GetStdHandle(STD_OUTPUT_HANDLE)); }

void ReleaseConsole() {
  std::fflush(stdout);
  std::fflush(stderr);
  FreeConsole();
  // Handles inherited from a parent (a pipe, a redirected file) outlive the console: lead the
  // standard output and input nowhere, so that nothing is printed or read afterwards. The new
  // handle stays the process's standard handle until the process ends.
  _wfreopen(L"NUL", L"w", stdout);
  _wfreopen(L"NUL", L"r", stdin);
  const HANDLE nowhere =
      CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (nowhere != INVALID_HANDLE_VALUE) {
    SetStdHandle(STD_OUTPUT_HANDLE, nowhere);
    SetStdHandle(STD_INPUT_HANDLE, nowhere);
  }
}

bool ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
  UINT type = MB_OK | MB_ICONERROR;
  if (icon == MessageIcon::Information) type = MB_OK | MB_ICONINFORMATION;
  if (icon == MessageIcon::Question) type = MB_YESNO | MB_ICONQUESTION;
  const int answer =
      MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(caption).c_str(), type | MB_SETFOREGROUND);
  return answer == IDOK || answer == IDYES;
}

}  // namespace pallograph
