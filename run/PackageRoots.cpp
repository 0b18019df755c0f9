#include "run/PackageRoots.h"

#include <set>
#include <string>

#include "platform/FileSystem.h"
#include "platform/NamePattern.h"
#include "platform/PathText.h"

namespace pallograph {

ARFiles ExpandPackageRoots(const RWOTInfo& client, const ARFiles& roots) {
  ARFiles packages;
  std::set<std::string> named;  // lower-cased relative paths of the packages listed so far
  for (const RFiles& root : roots) {
    if (!HasWildcards(root.Name)) {
      if (!FileExists(client.Path + root.Name)) continue;
      packages.push_back(root);
      named.insert(LowerCaseAscii(root.Name));
      continue;
    }
    for (const std::string& full : client.AllPackages) {
      if (!StartsWith(full, client.Path)) continue;
      const std::string relative = full.substr(client.Path.size());
      if (!MatchesPattern(root.Name, relative)) continue;
      if (!named.insert(LowerCaseAscii(relative)).second) continue;
      packages.push_back(RFiles{relative, root.Files, root.Count});
    }
  }
  return packages;
}

}  // namespace pallograph
