#include "client/PackageList.h"

#include <algorithm>

#include "client/PathsXml.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

bool StartsWithDigit(std::string_view name) {
  return !name.empty() && name[0] >= '0' && name[0] <= '9';
}

// Package files in the order a Windows folder listing gives them: by name, ignoring case.
std::vector<std::string> PackageFileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const TDirEntry& entry : ListDirectory(folder)) {
    if (!entry.IsDirectory && EndsWith(LowerCaseAscii(entry.Name), ".pkg")) {
      names.push_back(entry.Name);
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string lowerA = LowerCaseAscii(a);
    const std::string lowerB = LowerCaseAscii(b);
    return lowerA != lowerB ? lowerA < lowerB : a < b;
  });
  return names;
}

}  // namespace

void ListPackages(const std::string& clientPath, std::string_view pathsXml, RWOTInfo& info) {
  const std::string folder = clientPath + "res\\packages\\";
  for (const std::string& name : PackageFileNames(folder)) {
    if (!PathsXmlListsPackage(pathsXml, name)) continue;
    const std::string lower = LowerCaseAscii(name);
    const std::string full = folder + name;
    info.AllPackages.push_back(full);
    if (ContainsTextAscii(lower, "_hd.pkg") || ContainsTextAscii(lower, "_hd-part")) {
      info.HasHD = true;
    } else {
      info.Packages.push_back(full);
      if (StartsWithDigit(name)) info.MapPackages.push_back(full);
    }
    if (ContainsTextAscii(lower, "shared_content") || StartsWithDigit(name)) {
      info.MapAndSharedPackages.push_back(full);
    }
  }
}

}  // namespace pallograph
