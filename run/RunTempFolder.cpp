#include "run/RunTempFolder.h"

#include <memory>

#include "platform/FileSystem.h"
#include "platform/GuidText.h"
#include "platform/NativePath.h"
#include "platform/OwnerLock.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/RunSettings.h"
#include "run/StartupHalt.h"

namespace pallograph {

int RemoveStaleRunFolders(const std::string& tempFolder, const LogSink& log) {
  const std::string base = IncludeTrailingBackslash(tempFolder);
  const std::string extension = kTempMarkExtension;
  int removed = 0;
  for (const TDirEntry& entry : ListDirectory(base)) {
    if (entry.IsDirectory || entry.IsLink || !EndsWith(entry.Name, extension)) continue;
    const std::string guid = entry.Name.substr(0, entry.Name.size() - extension.size());
    if (!IsGuidText(guid)) continue;
    std::unique_ptr<TOwnerLock> mark;
    if (TOwnerLock::TakeExisting(base + entry.Name, mark) != TOwnerLock::TState::Taken) continue;
    const std::string folder = base + guid;
    if (DirectoryExists(folder)) {
      DeleteFolderTree(folder);
      ++removed;
      if (log) log("Removed stale temporary folder: " + folder + kPathDelim);
    }
    // Releasing the mark deletes it.
  }
  return removed;
}

void CheckSystemTempFolder(TRun& run, int failureCode) {
  const std::string temp = TempFolder();
  std::string cause;
  if (!DirectoryExists(temp)) {
    cause = "the temporary folder does not exist: ";
  } else if (!(run.Settings.DryRun ? FolderAllowsWriting(temp) : FolderIsWritable(temp))) {
    cause = "the temporary folder cannot be written: ";
  } else {
    return;
  }
  HaltStartup(run, "", failureCode, cause + ToNativePath(temp) + "; nothing was built");
}

void DeleteRunTempFolder(TRun& run) {
  const std::string& folder = run.Settings.RunTempFolder;
  if (!folder.empty() && StartsWith(folder, TempFolder())) DeleteFolderTree(folder);
}

void PrepareRunTempFolder(TRun& run) {
  TRunSettings& s = run.Settings;
  const std::string temp = TempFolder();
  RemoveStaleRunFolders(temp, run.Sink());
  // A new GUID is unique; the mark is taken before the folder exists, so no later run ever
  // sees the folder without its held mark.
  std::string guid = NewGuidText();
  if (TOwnerLock::Take(temp + guid + kTempMarkExtension, run.TempFolderMark) !=
      TOwnerLock::TState::Taken) {
    run.LogLine("Temporary folder mark not taken: " +
                ToNativePath(temp + guid + kTempMarkExtension));
  }
  s.RunTempFolder = temp + guid + kPathDelim;
  s.TempResFolder = s.RunTempFolder + "res" + kPathDelim;
}

}  // namespace pallograph
