// File-system operations on program paths ('\' form). None of them throws: each reports failure
// through its result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pallograph {

bool FileExists(const std::string& path);       // an existing file that is not a folder
bool DirectoryExists(const std::string& path);  // an existing folder
bool PathExists(const std::string& path);       // either
// Creates the folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool DeleteFileAt(const std::string& path);
// Removes an empty folder.
bool RemoveDirectoryAt(const std::string& path);
// Renames, replacing an existing target file.
bool RenameFileAt(const std::string& from, const std::string& to);
// Size of a file that can be opened for reading; -1 otherwise.
int64_t GetFileSizeSafe(const std::string& path);

// Times are Windows FILETIME values: 100-ns intervals since 1601-01-01 UTC.
struct TDirEntry {
  std::string Name;
  bool IsDirectory = false;  // a folder, or a link to one
  bool IsLink = false;       // a symbolic link (or junction), whatever it points to
  uint64_t Size = 0;
  uint64_t CreationTime = 0;
  uint64_t LastWriteTime = 0;
  uint32_t Attributes = 0;  // Windows attribute bits (0x10 folder, 0x20 archive, 0x01 read-only)
};

// Entries of a folder, without "." and "..", in the order the system returns them. Empty when
// the folder cannot be listed; `ok` (when given) tells the two cases apart. At most `limit`
// entries: the listing of a bigger folder stops there (`ok` stays true).
std::vector<TDirEntry> ListDirectory(const std::string& folder, bool* ok = nullptr,
                                     size_t limit = SIZE_MAX);

// The path with every symbolic link (and junction) resolved and no "." or ".." in it: two paths
// to the same file give the same text. The path itself when it cannot be resolved.
std::string CanonicalPath(const std::string& path);

// True when no file lies anywhere below the folder (a tree of empty folders counts as empty),
// or when the folder cannot be listed.
bool FolderIsEmpty(const std::string& folder);
// Deletes every file and sub-folder below the folder, then the folder; ignores failures.
void DeleteFolderTree(const std::string& folder);

// True when a file can be created in the folder (tried with a probe file that is removed again).
bool FolderIsWritable(const std::string& folder);
// The same question asked without writing (a dry run's check): POSIX asks the system's access
// check (permissions and read-only file systems); Windows, where only a try tells, uses the probe
// of FolderIsWritable.
bool FolderAllowsWriting(const std::string& folder);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out);

// How a bounded read of a whole file ended.
enum class TBoundedRead { Read, Missing, TooLarge, Failed };
// Reads the whole file at `path` into `out` when it holds at most `limit` bytes, before the read
// and after it. Missing when no regular file is there (a pipe or a device, which could block a
// read, is never opened); Failed when it cannot be read.
TBoundedRead ReadFileUpTo(const std::string& path, int64_t limit, std::vector<uint8_t>& out);
// Creates or truncates the file and writes the bytes. Does not create folders.
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
// Writes to a temporary file beside the target, then renames it into place: a reader never sees
// a partly written file, and a failed write leaves the old file as it was.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size);

}  // namespace pallograph
