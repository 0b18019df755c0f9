// The .wotmod packer: writes a prepared folder as a package of stored entries, optionally split
// into parts below 2 GiB.
#pragma once

#include <cstdint>
#include <string>

#include "platform/LogSink.h"
#include "platform/Result.h"

namespace pallograph {

// Part size limit of split packages: 2 GiB less 1 MiB.
inline constexpr uint64_t kPartSizeLimit = 0x7FF00000;

// Part `part` (from 1) of a package: "_Part" + part before the extension (name_Part1.wotmod).
std::string WotmodPartFileName(const std::string& packagePath, size_t part);

// Packs the folder (every file, sub-folders first, so its root meta.xml is the last entry) into
// the package at `packagePath` with the library at `libraryPath`: stored entries, a stored folder
// entry for every folder the package's files use. With `split`, files are distributed over parts
// below `partSizeLimit`; with more than one part, each part gets a copy of meta.xml whose id
// carries "_Part" + i, and is written as WotmodPartFileName(packagePath, i). Progress lines go to
// `log` when it is set. Every file is written under a temporary name and renamed into place only
// when the whole package is written: on failure nothing is left behind and existing packages are
// untouched. meta.xml in the folder keeps its text. A failure gives a false result whose cause
// says what failed, on which file, and the system's text; never throws.
RResult PackWotmod(const std::string& libraryPath, const std::string& packagePath,
                   const std::string& sourceFolder, bool split, const LogSink& log,
                   uint64_t partSizeLimit = kPartSizeLimit);

}  // namespace pallograph
