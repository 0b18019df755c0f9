// The four config files (CrashTanks.cfg, MapTanks.cfg, MapTrains.cfg, Camouflage.cfg) that tell
// the mod jobs which packages, models and textures to touch: the parsed record, the parser, and
// the refresh from the configs repository.
//
// File format: 8-bit text, one entry per line (CR LF, LF or CR). On the trimmed line: empty
// lines are skipped, "#" starts a comment, "version =" sets the version (the integer after the
// first "="). Any other line is a root when it starts with neither TAB nor blank, else a name
// under the latest root (names before the first root are dropped).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pallograph {

using AFList = std::vector<std::string>;

// One root and the names listed under it, trimmed, in file order.
struct RFiles {
  std::string Name;
  AFList Files;
  int32_t Count = 0;  // number of entries in Files
};
using ARFiles = std::vector<RFiles>;

struct RCfgFile {
  std::string FileName;  // the path that was parsed
  int32_t Version = 0;   // 0 when the file has none or does not exist
  ARFiles Roots;         // in file order
};

// Result codes of UpdateCfgFile; the run control prints "OK", "Updated" and "Disconnect".
inline constexpr int kCfgCurrent = 0;
inline constexpr int kCfgUpdated = 1;
inline constexpr int kCfgFetchFailed = 2;

// Largest config file read; a bigger file is treated as missing.
inline constexpr int64_t kMaxCfgFileSize = 16 * 1024 * 1024;

// Parses the file at a program path. Never fails: a missing or unreadable file gives the record
// with FileName = path, Version 0 and no roots.
RCfgFile ParseCfgFile(const std::string& path);

// Parses config text already in memory (any line ends); FileName is set to `fileName`.
RCfgFile ParseCfgText(std::string_view text, const std::string& fileName);

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
