// The four config files (CrashTanks.cfg, MapTanks.cfg, MapTrains.cfg, Camouflage.cfg) that tell
// the mod jobs which packages, models and textures to touch: the parsed record, the parser, and
// the refresh from the configs repository.
//
// File format: 8-bit text, one entry per line (CR LF, LF or CR). On the trimmed line: empty
// lines are skipped, "#" starts a comment, "version =" sets the version (the integer after the
// first "="). Any other line is a root when it starts with neither TAB nor blank, else a name
// under the latest root (names before the first root are dropped).
//
// Text that is not such a file is refused as a whole (RCfgFile::Problem): UTF-16 text, a line
// holding a NUL or another control character (anything below 0x20 but TAB, and 0x7F), a
// merge-conflict marker line ("<<<<<<<", "|||||||", ">>>>>>>"), a file larger than
// kMaxCfgFileSize. The refused lines are never shown, only their numbers.
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
  // Why the text was refused as a whole, in words ("line 3 holds a NUL byte", "it is written in
  // UTF-16"); "" when it was read. A refused text gives Version 0 and no roots.
  std::string Problem;
  // The first line that looks like a version line written another way ("version=2",
  // "Version = 2", "version  = 2"), trimmed, and its 1-based number; 0 for none.
  std::string VersionLookalike;
  int32_t VersionLookalikeLine = 0;
};

// Largest config file read; a bigger file is treated as missing.
inline constexpr int64_t kMaxCfgFileSize = 16 * 1024 * 1024;

// Parses the file at a program path. Never fails: a missing or unreadable file gives the record
// with FileName = path, Version 0 and no roots; a file larger than kMaxCfgFileSize, or text that
// is refused, also sets Problem.
RCfgFile ParseCfgFile(const std::string& path);

// Parses config text already in memory (any line ends); FileName is set to `fileName`.
RCfgFile ParseCfgText(std::string_view text, const std::string& fileName);

// Why a parsed config cannot serve its mod, as words that follow the file's name ("cannot be
// read: line 3 holds a NUL byte", "has no version line ...", "lists nothing"); "" when it can
// (Version 1 or more and at least one root). Says nothing about a missing file.
std::string CfgUnusableReason(const RCfgFile& cfg);

}  // namespace pallograph
