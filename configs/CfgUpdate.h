// The refresh of a config file from the configs repository.
#pragma once

#include <string>

namespace pallograph {

// Result codes of UpdateCfgFile; the run control prints "OK", "Updated", "Disconnect" and
// "Refused".
inline constexpr int kCfgCurrent = 0;
inline constexpr int kCfgUpdated = 1;
inline constexpr int kCfgFetchFailed = 2;
inline constexpr int kCfgRefused = 3;

// Fetches the repository's copy of the file (ConfigsRepositoryUrl() + its file name) and saves
// it over the local file when the local file has no version (version line missing, 0 or less,
// or no file) or a lower version than the copy. A local file that the config reader refuses
// (ParseCfgFile: RCfgFile::Problem) or that lists nothing counts as having no version, so that a
// good copy mends it.
//
// The copy is kept only when the config reader accepts it as the run would (text, at most
// kMaxCfgFileSize bytes, version 1 or more, at least one root) and it is no web page.
//
// Returns kCfgCurrent (0) when the local file stays, kCfgUpdated (1) when the copy was saved,
// kCfgFetchFailed (2) when the fetch failed, the body was empty or the copy could not be saved,
// kCfgRefused (3) when the answer is no usable config; the local file is then untouched and
// `reason` says why and where (the address, then "HTTP status 404", "the answer is a web page",
// ...); "" for 0 and 1. Blocks for the fetch (two attempts, 5 s connect and 3 s stall limits,
// DownloadTimeLimitMs() in all; a stop request ends it at once). The save writes a temporary file
// in the same folder and renames it over the file, lines joined by CR LF with a final CR LF.
// Never throws.
int UpdateCfgFile(const std::string& path, std::string& reason);
int UpdateCfgFile(const std::string& path);

// Base address of the configs repository, ending in "/": the environment variable
// PALLOGRAPH_CONFIGS_URL when set and not empty, else the build setting of the same name.
std::string ConfigsRepositoryUrl();

}  // namespace pallograph
