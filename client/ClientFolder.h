// The client folder above its executables: current clients run win32\ or win64\WorldOfTanks.exe
// below the client folder, which holds the stub executable, paths.xml and the packages.
#pragma once

#include <string>

namespace pallograph {

inline constexpr char kClientExeName[] = "WorldOfTanks.exe";

// Whether a path lies in a win32 or win64 folder ("win32"/"win64" anywhere, case-sensitive).
bool InBitnessFolder(const std::string& path);
// The folder above a folder value: "a\b\win64\" -> "a\b\" (trailing '\' kept).
std::string ParentFolder(const std::string& folder);
// The folder where the client's executable is looked for: the given folder, or the folder of a
// given executable (a path ending in ".exe"), one level up from a win32/win64 folder.
std::string ClientSearchFolder(const std::string& path);

}  // namespace pallograph
