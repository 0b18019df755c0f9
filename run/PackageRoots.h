// The roots of the package configs (CrashTanks.cfg, Camouflage.cfg) as the client's packages
// they name.
#pragma once

#include "client/WOTInfo.h"
#include "configs/CfgFile.h"

namespace pallograph {

// One root per package to walk, in config order, each with its root's names: a plain root
// stands for client.Path + root when that file exists (as written, even if an earlier root
// named it too); a root with wildcards stands for every package of client.AllPackages whose
// path relative to the client folder matches it, in the client's package order, leaving out
// packages an earlier root already named.
ARFiles ExpandPackageRoots(const RWOTInfo& client, const ARFiles& roots);

}  // namespace pallograph
