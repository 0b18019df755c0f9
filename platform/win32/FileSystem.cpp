#include "platform/FileSystem.h"

#include <windows.h>

#include <cerrno>

#include "platform/FaultInjection.h"
#include "platform/LastError.h"
#include "platform/PathText.h"
#include "platform/win32/WideApi.h"

namespace pallograph {

namespace {

// A search of the system's find calls, closed when the owner goes.
class TFind {
 public:
  // Starts the search for `pattern` (a program path, may end in "\*").
  explicit TFind(const std::string& pattern)
      : handle_(FindFirstFileExW(ToWidePath(pattern).c_str(), FindExInfoBasic, &data_,
                                 FindExSearchNameMatch, nullptr, 0)) {}
  ~TFind() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  TFind(const TFind&) = delete;
  TFind& operator=(const TFind&) = delete;

  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  const WIN32_FIND_DATAW& Data() const { return data_; }
  bool Next() { return FindNextFileW(handle_, &data_) != 0; }

 private:
  WIN32_FIND_DATAW data_{};
  HANDLE handle_;
};

uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A symbolic link or a junction (a mount point), whatever it points to.
bool IsLink(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
          data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

DWORD Attributes(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(ToWidePath(path).c_str());
}

// What the entry at the path itself is: a folder (not a link), a link, or neither.
enum class TEntryKind { Missing, File, Folder, Link };

TEntryKind EntryKind(const std::string& path) {
  const TFind find(ExcludeTrailingBackslash(path));
  if (!find.Found()) return TEntryKind::Missing;
  if (IsLink(find.Data())) return TEntryKind::Link;
  return (find.Data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TEntryKind::Folder
                                                                        : TEntryKind::File;
}

// Removes a link itself: a link to a folder is removed as a folder.
bool RemoveLink(const std::string& path) {
  const std::wstring wide = ToWidePath(ExcludeTrailingBackslash(path));
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return RemoveDirectoryW(wide.c_str()) != 0;
  }
  return DeleteFileW(wide.c_str()) != 0;
}

// Creates the folder (no trailing '\') after its missing parents; errno tells why it failed, 0
// when something that is not a folder stands in the way.
bool CreateFolderTree(const std::string& folder) {
  if (folder.empty() || DirectoryExists(folder)) return true;
  const std::string parent = ExcludeTrailingBackslash(ExtractFileDir(folder));
  if (!parent.empty() && parent != folder && !CreateFolderTree(parent)) return false;
  if (CreateDirectoryW(ToWidePath(folder).c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    errno = 0;
    return DirectoryExists(folder);
  }
  SetErrnoFromSystemError(error);
  return false;
}

// Deletes everything below a folder (program path with trailing '\'); links are removed, not
// followed.
void DeleteBelow(const std::string& folder) {
  for (const TDirEntry& entry : ListDirectory(folder)) {
    const std::string path = folder + entry.Name;
    if (entry.IsLink) {
      RemoveLink(path);
    } else if (entry.IsDirectory) {
      DeleteBelow(path + kPathDelim);
      RemoveDirectoryW(ToWidePath(path).c_str());
    } else {
      DeleteFileW(ToWidePath(path).c_str());
    }
  }
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool FolderAllowsWriting(const std::string& folder) { return FolderIsWritable(folder); }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  const std::string what = "Cannot create folder \"" + path + "\"";
  if (fault::OnMakeDirectory(path)) return FailWithSystemError(what);
  errno = 0;
  const std::string folder = ExcludeTrailingBackslash(path);
  CreateFolderTree(folder);
  if (DirectoryExists(folder)) return true;
  const std::string system = SystemErrorText();
  SetLastFileError(what + (system.empty() ? " (a file stands in its place)" : " (" + system + ")"));
  return false;
}

bool DeleteFileAt(const std::string& path) {
  switch (EntryKind(path)) {
    case TEntryKind::File:
      return DeleteFileW(ToWidePath(path).c_str()) != 0;
    case TEntryKind::Link:
      return RemoveLink(path);
    default:
      return false;
  }
}

bool RemoveDirectoryAt(const std::string& path) {
  return EntryKind(path) == TEntryKind::Folder &&
         RemoveDirectoryW(ToWidePath(ExcludeTrailingBackslash(path)).c_str()) != 0;
}

bool RenameFileAt(const std::string& from, const std::string& to) {
  const std::string what = "Cannot rename \"" + from + "\" to \"" + to + "\"";
  if (fault::OnRename(to)) return FailWithSystemError(what);
  if (MoveFileExW(ToWidePath(from).c_str(), ToWidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  FailFromLastError();
  return FailWithSystemError(what);
}

std::vector<TDirEntry> ListDirectory(const std::string& folder, bool* ok, size_t limit) {
  std::vector<TDirEntry> result;
  TFind find(IncludeTrailingBackslash(folder) + "*");
  if (!find.Found()) {
    // Only a drive's root folder can hold nothing at all, not even "." and "..".
    const DWORD error = GetLastError();
    if (ok)
      *ok = (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) &&
            DirectoryExists(folder);
    return result;
  }
  do {
    const WIN32_FIND_DATAW& data = find.Data();
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    TDirEntry item;
    item.Name = FromWide(name);
    item.IsDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.IsLink = IsLink(data);
    if (!item.IsDirectory) {
      item.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    item.LastWriteTime = FileTimeValue(data.ftLastWriteTime);
    // The same values on every platform: the packages' entries carry them.
    item.CreationTime = item.LastWriteTime;
    item.Attributes = item.IsDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    result.push_back(std::move(item));
    if (result.size() >= limit) {
      if (ok) *ok = true;
      return result;
    }
  } while (find.Next());
  if (ok) *ok = GetLastError() == ERROR_NO_MORE_FILES;
  return result;
}

std::string CanonicalPath(const std::string& path) {
  const HANDLE handle = CreateFileW(ToWidePath(ExcludeTrailingBackslash(path)).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED);
  if (n >= buffer.size()) {
    buffer.resize(n + 1);
    n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                  FILE_NAME_NORMALIZED);
  }
  CloseHandle(handle);
  if (n == 0 || n >= buffer.size()) return path;
  const std::string result = FromWidePath(std::wstring_view(buffer.data(), n));
  return EndsWith(path, "\\") ? IncludeTrailingBackslash(result) : result;
}

void DeleteFolderTree(const std::string& folder) {
  if (folder.empty() || EntryKind(folder) != TEntryKind::Folder) return;
  DeleteBelow(IncludeTrailingBackslash(folder));
  RemoveDirectoryW(ToWidePath(ExcludeTrailingBackslash(folder)).c_str());
}

}  // namespace pallograph
