#include "run/PackageRoots.h"

#include <algorithm>
#include <map>
#include <string>

#include "platform/FileSystem.h"
#include "platform/NamePattern.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

// Joins a further root's names into the package's entry: no names stand for every entry, so
// either side without names leaves none; otherwise the names add up, each once.
void JoinNames(RFiles& package, const RFiles& root) {
  if (package.Files.empty()) return;
  if (root.Files.empty()) {
    package.Files.clear();
  } else {
    for (const std::string& name : root.Files) {
      bool listed = false;
      for (const std::string& known : package.Files) listed = listed || SameTextAscii(known, name);
      if (!listed) package.Files.push_back(name);
    }
  }
  package.Count = static_cast<int32_t>(package.Files.size());
}

}  // namespace

ARFiles ExpandPackageRoots(const RWOTInfo& client, const ARFiles& roots,
                           std::vector<std::string>* refused) {
  ARFiles packages;
  // Lower-cased relative paths of the packages listed so far, with their place in `packages`.
  std::map<std::string, size_t> named;
  const auto add = [&](const RFiles& root, const std::string& relative) {
    RFiles package{relative, root.Files, 0};
    package.Files.resize(
        std::min<size_t>(static_cast<size_t>(std::max(root.Count, 0)), root.Files.size()));
    package.Count = static_cast<int32_t>(package.Files.size());
    const auto [at, fresh] =
        named.emplace(LowerCaseAscii(SlashesToBackslashes(relative)), packages.size());
    if (fresh) {
      packages.push_back(std::move(package));
    } else {
      JoinNames(packages[at->second], package);
    }
  };
  for (const RFiles& root : roots) {
    // Configs come from the network: a root may only name a package inside the client folder.
    if (!IsSafeRelativePath(root.Name)) {
      if (refused) refused->push_back(root.Name);
      continue;
    }
    if (!HasWildcards(root.Name)) {
      if (FileExists(client.Path + root.Name)) add(root, root.Name);
      continue;
    }
    for (const std::string& full : client.AllPackages) {
      if (!StartsWith(full, client.Path)) continue;
      const std::string relative = full.substr(client.Path.size());
      if (MatchesPattern(root.Name, relative)) add(root, relative);
    }
  }
  return packages;
}

}  // namespace pallograph
