// The roots of the package configs (CrashTanks.cfg, Camouflage.cfg) as the client's packages
// they name.
#pragma once

#include <string>
#include <vector>

#include "client/WOTInfo.h"
#include "configs/CfgFile.h"

namespace pallograph {

// One entry per package to walk, each package once, in the order the config first names it: a
// plain root stands for client.Path + root when that file exists; a root with wildcards stands
// for every package of client.AllPackages whose path relative to the client folder matches it,
// in the client's package order. A package that several roots name (a wildcard root and a plain
// one, or the same root twice; paths compared without regard to ASCII case) is walked once with
// the names of all of them: a root without names stands for every entry, so then the package's
// entry has none. A root that is no relative path inside the client folder (absolute, with a
// drive, or with a "." or ".." part) names nothing; its text goes to `refused` when given.
ARFiles ExpandPackageRoots(const RWOTInfo& client, const ARFiles& roots,
                           std::vector<std::string>* refused = nullptr);

}  // namespace pallograph
