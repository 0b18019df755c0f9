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
  if (!files.Installed) {
    files.ConfigsFolder = program;
    files.LogFile = program + kLogFileName;
    return files;
  }
  files.InstalledConfigs = installedLayout ? shipped : program;
  const std::string config = AppDataFolder();
  const std::string state = UserStateFolder();
  files.ConfigsFolder = config.empty()
                            ? files.InstalledConfigs
                            : IncludeTrailingBackslash(config) + kUserFolderName + kPathDelim;
  if (!state.empty()) {
    files.LogFile = IncludeTrailingBackslash(state) + kUserFolderName + kPathDelim + kLogFileName;
  }
  return files;
}

bool PrepareLogFolder(const RProgramFiles& files) {
  return !files.Installed || files.LogFile.empty() ||
         ForceDirectories(ExtractFilePath(files.LogFile));
}

bool PrepareProgramFiles(RProgramFiles& files) {
  if (!files.Installed) return true;
  bool ok = PrepareLogFolder(files);
  if (files.ConfigsFolder == files.InstalledConfigs) return ok;
  if (!ForceDirectories(files.ConfigsFolder)) {
    files.ConfigsFolder = files.InstalledConfigs;
    return false;
  }
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
