#include "run/ProgramFiles.h"

#include <cstdint>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/ProgramInfo.h"

namespace pallograph {

namespace {

constexpr const char* kUserFolderName = "pallograph";

}  // namespace

RProgramFiles LocateProgramFiles() {
  RProgramFiles files;
  const std::string program = ProgramFolder();
  const std::string prefix = ExtractFilePath(ExcludeTrailingBackslash(program));
  const std::string shipped = prefix + "share\\pallograph\\configs\\";
  const bool installedLayout =
      SameTextAscii(ExtractFileName(ExcludeTrailingBackslash(program)), "bin") &&
      DirectoryExists(shipped);
  files.Installed = installedLayout || !FolderIsWritable(program);
  const std::string config = AppDataFolder();
  const std::string state = UserStateFolder();
  if (!files.Installed || config.empty() || state.empty()) {
    files.Installed = false;
    files.ConfigsFolder = program;
    files.LogFile = program + kLogFileName;
    return files;
  }
  files.ConfigsFolder = IncludeTrailingBackslash(config) + kUserFolderName + kPathDelim;
  files.LogFile = IncludeTrailingBackslash(state) + kUserFolderName + kPathDelim + kLogFileName;
  files.InstalledConfigs = installedLayout ? shipped : program;
  return files;
}

bool PrepareProgramFiles(const RProgramFiles& files) {
  if (!files.Installed) return true;
  bool ok =
      ForceDirectories(files.ConfigsFolder) && ForceDirectories(ExtractFilePath(files.LogFile));
  for (const TDirEntry& entry : ListDirectory(files.InstalledConfigs)) {
    if (entry.IsDirectory || !SameTextAscii(ExtractFileExt(entry.Name), ".cfg")) continue;
    const std::string target = files.ConfigsFolder + entry.Name;
    if (FileExists(target)) continue;
    std::vector<uint8_t> bytes;
    ok = ReadFileBytes(files.InstalledConfigs + entry.Name, bytes) &&
         WriteFileAtomic(target, bytes.data(), bytes.size()) && ok;
  }
  return ok;
}

}  // namespace pallograph
