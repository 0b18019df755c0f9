#include "platform/System.h"

#include <windows.h>
// windows.h first: the shell and COM headers rely on its types.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "platform/PathText.h"
#include "platform/Registry.h"

namespace pallograph {

unsigned ProcessorCount() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<unsigned>(info.dwNumberOfProcessors) : 1u;
}

std::string ProgramFolder() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return ".\\";
    if (n < buffer.size()) return ExtractFilePath(std::string(buffer.data(), n));
    if (buffer.size() >= 32768) return ".\\";
    buffer.resize(buffer.size() * 2);
  }
}

std::string TempFolder() {
  char buffer[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathA(sizeof(buffer), buffer);
  if (n == 0 || n >= sizeof(buffer)) return "C:\\Windows\\Temp\\";
  return IncludeTrailingBackslash(std::string(buffer, n));
}

std::string NewGuidText() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) return "{00000000-0000-0000-0000-000000000000}";
  char text[40];
  std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

std::string AppDataFolder() {
  char buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) return {};
  return ExcludeTrailingBackslash(buffer);
}

std::string UserStateFolder() { return AppDataFolder(); }

std::string OperatingSystemName() {
  const auto name = ReadRegistryString(
      RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName");
  return name && !name->empty() ? *name : std::string("Windows");
}

std::string GetEnvironmentText(const std::string& name) {
  const DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::string value(needed, '\0');
  const DWORD n = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
  if (n == 0 || n >= needed) return {};
  value.resize(n);
  return value;
}

void SleepMs(unsigned milliseconds) { Sleep(milliseconds); }

// The process heap keeps what it can by itself; nothing to ask.
void KeepFreedMemoryForReuse() {}

bool OpenUrl(const std::string& url) {
  const HINSTANCE result =
      ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 report success.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace pallograph
