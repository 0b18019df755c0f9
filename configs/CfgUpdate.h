// The refresh of a config file from the configs repository.
#pragma once

#include <string>

namespace pallograph {

// Result codes of UpdateCfgFile; the run control prints "OK", "Updated" and "Disconnect".
inline constexpr int kCfgCurrent = 0;
inline constexpr int kCfgUpdated = 1;
inline constexpr int kCfgFetchFailed = 2;

// Fetches the repository's copy of the file (ConfigsRepositoryUrl() + its file name) and saves
// it over the local file when the local file has no version (version line missing, 0 or less,
// or no file) or a lower version than the copy. Returns kCfgCurrent (0) when the local file
// stays, kCfgUpdated (1) when the copy was saved, kCfgFetchFailed (2) when the fetch failed, the
// body was empty or the copy could not be saved; the local file is then untouched. Blocks for
// the fetch (two attempts, 5 s connect and 3 s stall limits). The save replaces the file
// atomically, lines joined by CR LF with a final CR LF. Never throws.
int UpdateCfgFile(const std::string& path);

// Base address of the configs repository, ending in "/": the environment variable
// PALLOGRAPH_CONFIGS_URL when set and not empty, else the build setting of the same name.
std::string ConfigsRepositoryUrl();

}  // namespace pallograph
