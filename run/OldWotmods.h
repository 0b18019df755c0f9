// Removal of the packages that earlier runs left in the output folder.
#pragma once

#include <string>

#include "platform/LogSink.h"

namespace pallograph {

// Deletes, below the folder (recursively), every file with the extension ".wotmod" (any case)
// whose lower-cased name contains "mod.pallograph.". Symbolic links are neither followed nor
// deleted, and no folder is removed: folders belong to the user. Returns how many packages were
// deleted.
int DeleteOldWotmods(const std::string& folder, const LogSink& log);

// Counts, below the folder (recursively, links not followed), the packages that earlier runs of
// one mod left: ".wotmod" files (any case) whose name starts with `prefix` (the mod's default
// name up to its version, any case), except those whose name starts with `newStem` (the package
// this run just wrote and its parts).
int CountOldWotmods(const std::string& folder, const std::string& prefix,
                    const std::string& newStem);

}  // namespace pallograph
