#include "run/OldWotmods.h"

#include <functional>

#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

// Calls `visit(folder, name)` for every ".wotmod" file (any case) below the folder. A link may
// lead anywhere, also out of the output folder: never followed, never visited.
void ForEachWotmod(
    const std::string& folder,
    const std::function<void(const std::string& folder, const std::string& name)>& visit) {
  for (const TDirEntry& entry : ListDirectory(folder)) {
    if (entry.IsLink) continue;
    if (entry.IsDirectory) {
      ForEachWotmod(folder + entry.Name + kPathDelim, visit);
    } else if (LowerCaseAscii(ExtractFileExt(entry.Name)) == ".wotmod") {
      visit(folder, entry.Name);
    }
  }
}

}  // namespace

int CountOldWotmods(const std::string& folder, const std::string& prefix,
                    const std::string& newStem) {
  const std::string lowerPrefix = LowerCaseAscii(prefix);
  const std::string lowerStem = LowerCaseAscii(newStem);
  int count = 0;
  ForEachWotmod(IncludeTrailingBackslash(folder), [&](const std::string&, const std::string& name) {
    const std::string lower = LowerCaseAscii(name);
    if (StartsWith(lower, lowerPrefix) && !StartsWith(lower, lowerStem)) ++count;
  });
  return count;
}

int DeleteOldWotmods(const std::string& folder, const LogSink& log) {
  if (log) log("Search old wotmods...");
  int deleted = 0;
  ForEachWotmod(IncludeTrailingBackslash(folder),
                [&](const std::string& at, const std::string& name) {
                  if (LowerCaseAscii(name).find("mod.pallograph.") == std::string::npos) return;
                  if (DeleteFileAt(at + name)) {
                    ++deleted;
                    if (log) log("Deleted " + at + name);
                  } else if (log) {
                    log("Not deleted " + at + name);
                  }
                });
  return deleted;
}

}  // namespace pallograph
