// Where the archive library can come from on this platform.
#pragma once

#include <string>
#include <vector>

namespace pallograph {

// The library's file name on this platform: "7z.dll" on Windows, "7z.so" elsewhere.
std::string ArchiveLibraryFileName();
// Installed copies of the library that the system provides (program paths), most likely first.
std::vector<std::string> SystemArchiveLibraryCandidates();
// Writes the copy of the library embedded in the program's resources to the file (creating its
// folder); false when the build embeds none or the file cannot be written.
bool ExtractEmbeddedArchiveLibrary(const std::string& path);

}  // namespace pallograph
