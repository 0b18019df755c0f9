// The system's own reader of the version resource of an executable file.
#pragma once

#include <string>

namespace pallograph {

// "a.b.c.d" from the fixed file information of the file's version resource, read by the system
// (Windows: GetFileVersionInfoW and VerQueryValueW); "" when the file has none, cannot be read,
// or the system has no such reader (POSIX: callers use the portable reader in client/PeVersion).
// `path` is a program path. Thread-safe.
std::string SystemFileVersionText(const std::string& path);

}  // namespace pallograph
