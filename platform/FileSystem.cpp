#include "platform/FileSystem.h"

#include "platform/File.h"
#include "platform/FileHandle.h"
#include "platform/PathText.h"
#include "platform/System.h"

namespace pallograph {

int64_t GetFileSizeSafe(const std::string& path) {
  TFile file;
  if (!file.Open(path, TFile::Mode::Read)) return -1;
  return file.Size();
}

TBoundedRead ReadFileUpTo(const std::string& path, int64_t limit, std::vector<uint8_t>& out) {
  out.clear();
  if (!FileExists(path)) return TBoundedRead::Missing;
  const int64_t size = GetFileSizeSafe(path);
  if (size < 0) return TBoundedRead::Failed;
  if (size > limit) return TBoundedRead::TooLarge;
  if (!ReadFileBytes(path, out)) return TBoundedRead::Failed;
  if (static_cast<int64_t>(out.size()) > limit) return TBoundedRead::TooLarge;
  return TBoundedRead::Read;
}

bool FolderIsEmpty(const std::string& folder) {
  bool ok = true;
  const std::vector<TDirEntry> entries = ListDirectory(folder, &ok);
  if (!ok) return true;
  for (const TDirEntry& entry : entries) {
    if (!entry.IsDirectory) return false;
    if (!FolderIsEmpty(IncludeTrailingBackslash(folder) + entry.Name)) return false;
  }
  return true;
}

bool FolderIsWritable(const std::string& folder) {
  const std::string probe = IncludeTrailingBackslash(folder) + ".write-probe-" + NewGuidText();
  // The system's own calls: a probe is no file of the run, so fault rules do not apply to it.
  const TFileHandle file = OpenFileHandle(probe, TFileAccess::Create);
  if (!file) return false;
  CloseFileHandle(file);
  DeleteFileAt(probe);
  return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  TFile file;
  if (!file.Open(path, TFile::Mode::Read)) return false;
  const int64_t size = file.Size();
  if (size < 0) return false;
  out.resize(static_cast<size_t>(size));
  return file.ReadExact(out.data(), out.size());
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  TFile file;
  if (!file.Open(path, TFile::Mode::Create)) return false;
  return file.WriteExact(data, size) && file.Close();
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size) {
  const std::string temp = path + "." + NewGuidText() + ".tmp";
  if (!WriteFileBytes(temp, data, size) || !RenameFileAt(temp, path)) {
    DeleteFileAt(temp);
    return false;
  }
  return true;
}

}  // namespace pallograph
