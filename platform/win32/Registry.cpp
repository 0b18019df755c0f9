#include "platform/Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/WideApi.h"

namespace pallograph {

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::LocalMachine:
      break;
  }
  return HKEY_LOCAL_MACHINE;
}

// An open key, closed when the owner goes.
class TRegistryKey {
 public:
  TRegistryKey(RegistryRoot root, const std::string& key) {
    if (RegOpenKeyExW(RootKey(root), ToWide(key).c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~TRegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Registry values need not be terminated: the text ends at the stored size or the first zero.
// The system hands every value over in UTF-16, whichever code page wrote it; it becomes the
// program's UTF-8 here, once.
std::string TextOf(const std::vector<wchar_t>& data, DWORD bytes) {
  const size_t units = bytes / sizeof(wchar_t);
  size_t length = 0;
  while (length < units && data[length] != L'\0') ++length;
  return FromWide(std::wstring_view(data.data(), length));
}

}  // namespace

std::optional<std::string> ReadRegistryString(RegistryRoot root, const std::string& key,
                                              const std::string& value) {
  const TRegistryKey opened(root, key);
  if (!opened.Get()) return std::nullopt;
  const std::wstring wideName = ToWide(value);
  const wchar_t* name = value.empty() ? nullptr : wideName.c_str();
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(opened.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  // The value may grow between the two calls: ask again while the buffer is too small.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = size;
    const LSTATUS status = RegQueryValueExW(opened.Get(), name, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &got);
    if (status == ERROR_SUCCESS) return TextOf(data, got < size ? got : size);
    if (status != ERROR_MORE_DATA) return std::nullopt;
    size = got;
  }
  return std::nullopt;
}

int CountRegistrySubKeys(RegistryRoot root, const std::string& key) {
  const TRegistryKey opened(root, key);
  if (!opened.Get()) return -1;
  DWORD count = 0;
  if (RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return -1;
  }
  return static_cast<int>(count);
}

}  // namespace pallograph
