#include "run/OldWotmods.h"

#include <functional>

#include "platform/FileSystem.h"
#include "platform/GuidText.h"
#include "platform/PathText.h"
#include "platform/System.h"

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

// A package of this program that --remove-wotmod deletes.
bool IsProgramPackage(const std::string& name) {
  return LowerCaseAscii(name).find("mod.pallograph.") != std::string::npos;
}

constexpr std::string_view kAsideTail = ".old";
constexpr size_t kGuidLength = 38;

// The package's own name of an aside name "<name>.wotmod.{GUID}.old" (any case); "" for any other.
std::string OriginalOfAside(const std::string& name) {
  if (name.size() <= kGuidLength + kAsideTail.size() + 1) return {};
  if (!EndsWith(LowerCaseAscii(name), kAsideTail)) return {};
  const size_t guid_at = name.size() - kAsideTail.size() - kGuidLength;
  if (name[guid_at - 1] != '.' ||
      !IsGuidText(std::string_view(name).substr(guid_at, kGuidLength))) {
    return {};
  }
  const std::string original = name.substr(0, guid_at - 1);
  return LowerCaseAscii(ExtractFileExt(original)) == ".wotmod" ? original : std::string();
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
  TEarlierPackages earlier;
  const int deleted = earlier.MoveAside(folder, log);
  earlier.Settle("", true, log);
  return deleted;
}

TEarlierPackages::~TEarlierPackages() { Settle("", false, {}); }

int TEarlierPackages::MoveAside(const std::string& folder, const LogSink& log) {
  if (log) log("Search old wotmods...");
  // One suffix for the run: its packages are found together.
  const std::string suffix = "." + NewGuidText() + std::string(kAsideTail);
  int moved = 0;
  ForEachWotmod(IncludeTrailingBackslash(folder),
                [&](const std::string& at, const std::string& name) {
                  if (!IsProgramPackage(name)) return;
                  RAside package{at + name, at + name + suffix};
                  if (RenameFileAt(package.Original, package.Aside)) {
                    ++moved;
                    if (log) log("Moved aside " + package.Original);
                    aside_.push_back(std::move(package));
                  } else if (log) {
                    log("Not deleted " + package.Original);
                  }
                });
  return moved;
}

int TEarlierPackages::Settle(std::string_view prefix, bool replaced, const LogSink& log) {
  const std::string lowerPrefix = LowerCaseAscii(prefix);
  int putBack = 0;
  for (auto it = aside_.begin(); it != aside_.end();) {
    if (!StartsWith(LowerCaseAscii(ExtractFileName(it->Original)), lowerPrefix)) {
      ++it;
      continue;
    }
    if (replaced) {
      if (DeleteFileAt(it->Aside)) {
        if (log) log("Deleted " + it->Original);
      } else if (log) {
        log("Not deleted " + it->Aside);
      }
    } else if (!PathExists(it->Original) && RenameFileAt(it->Aside, it->Original)) {
      ++putBack;
      if (log) log("Put back " + it->Original);
    } else if (log) {
      log("Not put back " + it->Aside);
    }
    it = aside_.erase(it);
  }
  return putBack;
}

int PutBackStaleEarlierPackages(const std::string& folder, const LogSink& log) {
  const std::string base = IncludeTrailingBackslash(folder);
  int putBack = 0;
  for (const TDirEntry& entry : ListDirectory(base)) {
    if (entry.IsLink) continue;
    if (entry.IsDirectory) {
      putBack += PutBackStaleEarlierPackages(base + entry.Name, log);
      continue;
    }
    const std::string original = OriginalOfAside(entry.Name);
    if (original.empty() || PathExists(base + original)) continue;
    if (RenameFileAt(base + entry.Name, base + original)) {
      ++putBack;
      if (log) log("Put back earlier package of a killed run: " + base + original);
    }
  }
  return putBack;
}

}  // namespace pallograph
