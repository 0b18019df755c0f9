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
#include "platform/win32/WideApi.h"

namespace pallograph {

unsigned ProcessorCount() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<unsigned>(info.dwNumberOfProcessors) : 1u;
}

std::string ProgramFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return ".\\";
    if (n < buffer.size()) {
      return ExtractFilePath(FromWidePath(std::wstring_view(buffer.data(), n)));
    }
    if (buffer.size() >= 32768) return ".\\";
    buffer.resize(buffer.size() * 2);
  }
}

std::string TempFolder() {
  std::vector<wchar_t> buffer(MAX_PATH + 2);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) break;
    if (n < buffer.size()) {
      return IncludeTrailingBackslash(FromWidePath(std::wstring_view(buffer.data(), n)));
    }
    buffer.resize(n + 1);
  }
  return "C:\\Windows\\Temp\\";
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
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) return {};
  return ExcludeTrailingBackslash(FromWidePath(buffer));
}

std::string UserStateFolder() { return AppDataFolder(); }

namespace {

std::string ShellFolder(int id) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, id, nullptr, 0, buffer))) return {};
  return ExcludeTrailingBackslash(FromWidePath(buffer));
}

}  // namespace

std::string HomeFolder() { return ShellFolder(CSIDL_PROFILE); }

std::string UserDataFolder() { return ShellFolder(CSIDL_LOCAL_APPDATA); }

std::string OperatingSystemName() {
  const auto name = ReadRegistryString(
      RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName");
  return name && !name->empty() ? *name : std::string("Windows");
}

std::string GetEnvironmentText(const std::string& name) {
  const std::wstring wideName = ToWide(name);
  std::vector<wchar_t> value(256);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) return FromWide(std::wstring_view(value.data(), n));
    value.resize(n);  // n counts the terminator when the value did not fit
  }
  return {};
}

void SleepMs(unsigned milliseconds) { Sleep(milliseconds); }

// The process heap keeps what it can by itself; nothing to ask.
void KeepFreedMemoryForReuse() {}

bool OpenUrl(const std::string& url) {
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 report success.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace pallograph
