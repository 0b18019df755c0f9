// The analysed game client: where it lies, which executable runs, its version, its
// version-specific mods folders and its resource packages. Filled once by ReadWOTInfo; a value
// type, copied freely. All paths are program paths ('\' form); folder values end in '\' unless
// the field says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/PeVersion.h"
#include "platform/FileSystem.h"

namespace pallograph {

// paths.xml and version.xml are a few kilobytes; the analysis refuses a bigger file as not the
// client's.
inline constexpr int64_t kClientTextLimit = 16 << 20;

struct RWOTInfo {
  std::string Version;        // e.g. "1.10.0.4", from version.xml
  std::string Build;          // build number digits, from version.xml
  bool SingleFolder = false;  // neither a win32 nor a win64 folder: the old layout
  std::string ExeVersion;     // file version of the client executable, "" if unreadable
  int32_t ExeSize = 0;        // size of the client executable, -1 if it cannot be opened
  std::string VersionText;    // trimmed <version> text, first "#" replaced by "build "
  std::string VersionRaw;     // <version> text exactly as written
  std::string Path;           // client folder
  std::string PathNoSlash;    // client folder without the trailing '\'
  std::string ExeFile;        // Path + "WorldOfTanks.exe"
  std::string RunExe;         // the executable the client runs (single, else win32, else win64)
  std::string Win32Path;      // folder of win32\WorldOfTanks.exe, "" if absent
  std::string Win64Path;      // folder of win64\WorldOfTanks.exe, "" if absent
  std::string Win32Exe;       // Path + "win32\WorldOfTanks.exe", set whether or not it exists
  std::string Win64Exe;       // Path + "win64\WorldOfTanks.exe", set whether or not it exists
  bool HasGameInfo = false;
  std::string GameInfoFile;  // Path + "game_info.xml" when it exists
  std::string AppTypeFile;   // Path + "app_type.xml"
  bool HasLauncher = false;
  std::string LauncherFile;                       // Path + "WoTLauncher.exe" when it exists
  std::vector<std::string> AllPackages;           // every listed package, HD included, full paths
  std::vector<std::string> Packages;              // standard-definition packages, full paths
  std::vector<std::string> MapPackages;           // those of Packages starting with a digit
  std::vector<std::string> MapAndSharedPackages;  // map and shared_content packages, HD included
  bool HasHD = false;                             // an HD package was seen
  std::string ResModsPath;                        // ResModsDir + '\', "" when ResModsDir is empty
  std::string ResModsDir;       // Path + "res_mods\" + version folder from paths.xml, no final '\'
  std::string ModsPath;         // ModsDir + '\', "" when ModsDir is empty
  std::string ModsDir;          // Path + "mods\" + version folder from paths.xml, no final '\'
  std::string PathsFile;        // Path + "paths.xml"
  std::string VersionFile;      // Path + "version.xml"
  std::string PreferencesFile;  // the client's preferences file in the user's data, "" if absent
  std::string SevenZipFile;     // Path + "7z.dll" if that file exists
  std::string PythonLog;        // Path + "python.log"
  std::string ReplaysPath;      // Path + "replays\"
  std::string XvmConfig;        // Path + "res_mods\configs\xvm\xvm.xc"
  std::string XvmConfigSample;  // Path + "res_mods\configs\xvm\xvm.xc.sample"
  bool CommonTest = false;      // "common test" occurs in the lower-cased VersionRaw
  std::string GameCenterExe;    // the game's launcher application from the registry
  bool Error = false;           // a failure stopped the analysis; fields filled so far stay
};

// Clears `info` and analyses the client at `path` (a program path: the client folder, one of
// its win32/win64 folders, or the path of an executable ending in ".exe"; "" searches the
// registry, which finds nothing off Windows). A path that leads to no client leaves the record
// cleared with Error false. Never throws: an unreadable client file or an executable of 2 GiB or
// more sets Error and ends the analysis.
void ReadWOTInfo(const std::string& path, RWOTInfo& info);

}  // namespace pallograph
