#include "platform/win32/WideApi.h"

#include <cerrno>
#include <vector>

#include "platform/NativePath.h"
#include "platform/Utf16Text.h"

namespace pallograph {

namespace {

constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";

bool StartsWithWide(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::wstring FullWidePath(const std::wstring& path) {
  std::vector<wchar_t> buffer(path.size() + MAX_PATH);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return path;
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(n + 1);
  }
  return path;
}

std::wstring ToWide(std::string_view text) { return Utf8ToWide(text, TLoneSurrogates::Keep); }

std::string FromWide(std::wstring_view text) { return WideToUtf8(text, TLoneSurrogates::Keep); }

std::string FromWide(const wchar_t* text) {
  return text ? FromWide(std::wstring_view(text)) : std::string();
}

std::wstring ToWidePath(std::string_view path) {
  std::wstring wide = ToWide(ToNativePath(path));
  if (wide.size() < kExtendedPathFrom || StartsWithWide(wide, kExtendedPrefix) ||
      StartsWithWide(wide, kDevicePrefix)) {
    return wide;
  }
  wide = FullWidePath(wide);
  if (StartsWithWide(wide, kExtendedPrefix) || StartsWithWide(wide, kDevicePrefix)) return wide;
  if (StartsWithWide(wide, L"\\\\")) return std::wstring(kExtendedUncPrefix) + wide.substr(2);
  // A drive path; anything else (a relative path the system could not resolve) stays.
  if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') {
    return std::wstring(kExtendedPrefix) + wide;
  }
  return wide;
}

std::string FromWidePath(std::wstring_view path) {
  if (StartsWithWide(path, kExtendedUncPrefix)) {
    return FromNativePath("\\\\" + FromWide(path.substr(kExtendedUncPrefix.size())));
  }
  if (StartsWithWide(path, kExtendedPrefix)) path.remove_prefix(kExtendedPrefix.size());
  return FromNativePath(FromWide(path));
}

void SetErrnoFromSystemError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NO_MORE_FILES:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      errno = ENOENT;
      break;
    case ERROR_TOO_MANY_OPEN_FILES:
      errno = EMFILE;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_FAIL_I24:
    case ERROR_DRIVE_LOCKED:
      errno = EACCES;
      break;
    case ERROR_INVALID_HANDLE:
      errno = EBADF;
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      errno = ENOMEM;
      break;
    case ERROR_NOT_SAME_DEVICE:
      errno = EXDEV;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_DIR_NOT_EMPTY:
      errno = ENOTEMPTY;
      break;
    case ERROR_SUCCESS:
      errno = 0;
      break;
    default:
      errno = EINVAL;
      break;
  }
}

bool FailFromLastError() {
  SetErrnoFromSystemError(GetLastError());
  return false;
}

}  // namespace pallograph
