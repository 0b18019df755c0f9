// Reading other programs' files and folders (Wine prefixes, launchers' configs) during the
// client search: bounded, and never a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pallograph {

// Entries of one folder the search looks at: a folder with more is looked at only this far.
inline constexpr size_t kForeignListLimit = 4096;

// The whole text of a regular file of at most `limit` bytes; "" when the file is missing, is not
// a regular file, cannot be read or is bigger.
std::string ReadForeignText(const std::string& path, int64_t limit);

}  // namespace pallograph
