#include "run/OldWotmods.h"

#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

int ScanFolder(const std::string& folder, const LogSink& log) {
  int deleted = 0;
  for (const TDirEntry& entry : ListDirectory(folder)) {
    // A link may lead anywhere, also out of the output folder: never followed, never deleted.
    if (entry.IsLink) continue;
    if (entry.IsDirectory) {
      deleted += ScanFolder(folder + entry.Name + kPathDelim, log);
      continue;
    }
    const std::string lower = LowerCaseAscii(entry.Name);
    if (LowerCaseAscii(ExtractFileExt(entry.Name)) != ".wotmod" ||
        lower.find("mod.pallograph.") == std::string::npos) {
      continue;
    }
    if (DeleteFileAt(folder + entry.Name)) {
      ++deleted;
      if (log) log("Deleted " + folder + entry.Name);
    } else if (log) {
      log("Not deleted " + folder + entry.Name);
    }
  }
  return deleted;
}

int CountFolder(const std::string& folder, const std::string& prefix, const std::string& newStem) {
  int count = 0;
  for (const TDirEntry& entry : ListDirectory(folder)) {
    if (entry.IsLink) continue;
    if (entry.IsDirectory) {
      count += CountFolder(folder + entry.Name + kPathDelim, prefix, newStem);
      continue;
    }
    const std::string lower = LowerCaseAscii(entry.Name);
    if (LowerCaseAscii(ExtractFileExt(entry.Name)) == ".wotmod" && StartsWith(lower, prefix) &&
        !StartsWith(lower, newStem)) {
      ++count;
    }
  }
  return count;
}

}  // namespace

int CountOldWotmods(const std::string& folder, const std::string& prefix,
                    const std::string& newStem) {
  return CountFolder(IncludeTrailingBackslash(folder), LowerCaseAscii(prefix),
                     LowerCaseAscii(newStem));
}

int DeleteOldWotmods(const std::string& folder, const LogSink& log) {
  if (log) log("Search old wotmods...");
  return ScanFolder(IncludeTrailingBackslash(folder), log);
}

}  // namespace pallograph
