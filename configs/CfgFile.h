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

// Largest config file read; a bigger file is treated as missing.
inline constexpr int64_t kMaxCfgFileSize = 16 * 1024 * 1024;

// Parses the file at a program path. Never fails: a missing or unreadable file gives the record
// with FileName = path, Version 0 and no roots.
RCfgFile ParseCfgFile(const std::string& path);

// Parses config text already in memory (any line ends); FileName is set to `fileName`.
RCfgFile ParseCfgText(std::string_view text, const std::string& fileName);

}  // namespace pallograph
