#include "platform/Utf8Text.h"

#include <windows.h>

#include <climits>
#include <string>

namespace pallograph {

std::string Utf8ToSystemText(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int size = static_cast<int>(utf8.size());
  const int wide_size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (wide_size <= 0) return std::string(utf8);
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), wide_size);
  const int ansi_size =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (ansi_size <= 0) return std::string();
  std::string ansi(static_cast<size_t>(ansi_size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, ansi.data(), ansi_size, nullptr, nullptr);
  return ansi;
}

}  // namespace pallograph
