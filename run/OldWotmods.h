// Removal of the packages that earlier runs left in the output folder.
#pragma once

#include <string>

#include "platform/LogSink.h"

namespace pallograph {

// Deletes, below the folder (recursively), every file with the extension ".wotmod" (any case)
// whose lower-cased name contains "mod.pallograph."; then removes sub-folders that are empty
// afterwards (never the folder itself). Returns how many packages were deleted.
int DeleteOldWotmods(const std::string& folder, const LogSink& log);

}  // namespace pallograph
