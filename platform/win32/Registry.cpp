#include "platform/Registry.h"

#include <windows.h>

#include <vector>

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
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) {
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
std::string TextOf(const std::vector<char>& data, DWORD size) {
  size_t length = 0;
  while (length < size && data[length] != '\0') ++length;
  return std::string(data.data(), length);
}

}  // namespace

std::optional<std::string> ReadRegistryString(RegistryRoot root, const std::string& key,
                                              const std::string& value) {
  const TRegistryKey opened(root, key);
  if (!opened.Get()) return std::nullopt;
  const char* name = value.empty() ? nullptr : value.c_str();
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(opened.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  // The value may grow between the two calls: ask again while the buffer is too small.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    const LSTATUS status = RegQueryValueExA(opened.Get(), name, nullptr, &type,
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
  if (RegQueryInfoKeyA(opened.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return -1;
  }
  return static_cast<int>(count);
}

}  // namespace pallograph
