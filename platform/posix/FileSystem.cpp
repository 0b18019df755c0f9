#include "platform/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/FaultInjection.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace fs = std::filesystem;

namespace pallograph {

namespace {

fs::path Native(const std::string& path) { return fs::path(ToNativePath(path)); }

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600LL;

uint64_t ToFileTime(fs::file_time_type t) {
  const auto sys = fs::file_time_type::clock::to_sys(t);
  const auto since_epoch =
      std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count();
  const int64_t ticks = since_epoch / 100 + kFileTimeEpochOffset * 10000000LL;
  return ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
}

}  // namespace

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(Native(path), ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(Native(path), ec);
}

bool FolderAllowsWriting(const std::string& folder) {
  return DirectoryExists(folder) &&
         faccessat(AT_FDCWD, ToNativePath(folder).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(Native(path), ec);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  const std::string what = "Cannot create folder \"" + path + "\"";
  if (fault::OnMakeDirectory(path)) return FailWithSystemError(what);
  std::error_code ec;
  const fs::path native = Native(ExcludeTrailingBackslash(path));
  fs::create_directories(native, ec);
  std::error_code check;
  if (fs::is_directory(native, check)) return true;
  SetLastFileError(what + (ec ? " (" + ec.message() + ")" : " (a file stands in its place)"));
  return false;
}

bool DeleteFileAt(const std::string& path) {
  std::error_code ec;
  const fs::path native = Native(path);
  if (!fs::is_regular_file(fs::symlink_status(native, ec)) && !fs::is_symlink(native, ec)) {
    return false;
  }
  return fs::remove(native, ec) && !ec;
}

bool RemoveDirectoryAt(const std::string& path) {
  std::error_code ec;
  const fs::path native = Native(ExcludeTrailingBackslash(path));
  if (!fs::is_directory(fs::symlink_status(native, ec))) return false;
  return fs::remove(native, ec) && !ec;
}

bool RenameFileAt(const std::string& from, const std::string& to) {
  const std::string what = "Cannot rename \"" + from + "\" to \"" + to + "\"";
  if (fault::OnRename(to)) return FailWithSystemError(what);
  std::error_code ec;
  fs::rename(Native(from), Native(to), ec);
  if (ec) SetLastFileError(what + " (" + ec.message() + ")");
  return !ec;
}

std::vector<TDirEntry> ListDirectory(const std::string& folder, bool* ok, size_t limit) {
  std::vector<TDirEntry> result;
  std::error_code ec;
  fs::directory_iterator it(Native(IncludeTrailingBackslash(folder)), ec);
  if (ec) {
    if (ok) *ok = false;
    return result;
  }
  for (; it != fs::directory_iterator() && result.size() < limit; it.increment(ec)) {
    if (ec) break;
    const fs::directory_entry& entry = *it;
    TDirEntry item;
    item.Name = entry.path().filename().string();
    std::error_code entry_ec;
    item.IsDirectory = entry.is_directory(entry_ec);
    item.IsLink = entry.is_symlink(entry_ec);
    if (!item.IsDirectory) {
      const auto size = entry.file_size(entry_ec);
      item.Size = entry_ec ? 0 : size;
    }
    const auto time = entry.last_write_time(entry_ec);
    if (!entry_ec) item.LastWriteTime = ToFileTime(time);
    item.CreationTime = item.LastWriteTime;
    item.Attributes = item.IsDirectory ? 0x10 : 0x20;
    result.push_back(std::move(item));
  }
  if (ok) *ok = !ec;
  return result;
}

std::string CanonicalPath(const std::string& path) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(Native(path), ec);
  if (ec) return path;
  const std::string result = FromNativePath(canonical.string());
  return EndsWith(path, "\\") ? IncludeTrailingBackslash(result) : result;
}

void DeleteFolderTree(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  const fs::path native = Native(ExcludeTrailingBackslash(folder));
  if (!fs::is_directory(fs::symlink_status(native, ec))) return;
  fs::remove_all(native, ec);
}

}  // namespace pallograph
