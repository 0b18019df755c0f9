#include "client/WOTInfo.h"

#include <climits>
#include <vector>

#include "client/ClientFolder.h"
#include "client/ClientRegistry.h"
#include "client/PackageList.h"
#include "client/PathsXml.h"
#include "client/VersionXml.h"
#include "platform/Exception.h"
#include "platform/PathText.h"
#include "platform/System.h"

namespace pallograph {

namespace {

// An old client's launcher at least this big hides game_info.xml from the analysis.
constexpr int64_t kLauncherSizeLimit = 1000000;

// The whole text of a small client file; "" when it does not exist. Raises when it exists but
// cannot be read or is too big to be the client's.
std::string ReadClientText(const std::string& path) {
  std::vector<uint8_t> bytes;
  switch (ReadFileUpTo(path, kClientTextLimit, bytes)) {
    case TBoundedRead::Missing:
      return {};
    case TBoundedRead::TooLarge:
      throw ERangeError("File too big: " + path);
    case TBoundedRead::Failed:
      throw EInOutError("Cannot read file: " + path);
    case TBoundedRead::Read:
      break;
  }
  return std::string(bytes.begin(), bytes.end());
}

void LookAtLauncherAndGameInfo(const std::string& folder, RWOTInfo& info) {
  const std::string launcher = folder + "WoTLauncher.exe";
  info.HasLauncher = FileExists(launcher);
  bool lookAtGameInfo = true;
  if (info.HasLauncher) {
    info.LauncherFile = launcher;
    lookAtGameInfo = GetFileSizeSafe(launcher) < kLauncherSizeLimit;
  }
  if (lookAtGameInfo) {
    const std::string gameInfo = folder + "game_info.xml";
    info.HasGameInfo = FileExists(gameInfo);
    if (info.HasGameInfo) info.GameInfoFile = gameInfo;
  }
}

// The client folder for a given folder or executable path; fills Path and ExeFile when the
// folder holds the client's executable.
void LocateFromPath(const std::string& path, RWOTInfo& info) {
  const bool executable = ExtractFileExt(path) == ".exe";
  if (!executable && !DirectoryExists(path)) return;
  const std::string folder = ClientSearchFolder(path);
  if (executable && !DirectoryExists(folder)) return;
  if (!FileExists(folder + kClientExeName)) return;
  info.Path = folder;
  info.ExeFile = folder + kClientExeName;
  LookAtLauncherAndGameInfo(folder, info);
}

// Which executable runs: the one in the client folder (old layout), else win32 before win64.
void ReadLayout(RWOTInfo& info) {
  info.PathNoSlash = info.Path.substr(0, info.Path.size() - 1);
  info.SingleFolder =
      !DirectoryExists(info.Path + "win32") && !DirectoryExists(info.Path + "win64");
  if (info.SingleFolder) {
    info.RunExe = info.ExeFile;
    return;
  }
  info.Win32Exe = info.Path + "win32\\" + kClientExeName;
  info.Win64Exe = info.Path + "win64\\" + kClientExeName;
  if (FileExists(info.Win32Exe)) info.Win32Path = ExtractFilePath(info.Win32Exe);
  if (FileExists(info.Win64Exe)) info.Win64Path = ExtractFilePath(info.Win64Exe);
  if (info.Win32Path.empty() && info.Win64Path.empty()) {
    info.ExeFile.clear();
    info.RunExe.clear();
  } else {
    info.RunExe = info.Win32Path.empty() ? info.Win64Exe : info.Win32Exe;
  }
}

void ReadExecutable(RWOTInfo& info) {
  std::string exe = info.ExeFile;
  if (!info.SingleFolder) exe = FileExists(info.Win32Exe) ? info.Win32Exe : info.Win64Exe;
  info.ExeVersion = GetFileVersionText(exe);
  const int64_t size = GetFileSizeSafe(exe);
  if (size > INT32_MAX) throw ERangeError("Executable size out of range: " + exe);
  info.ExeSize = static_cast<int32_t>(size);
}

// "" when the folder is unknown or the client has no preferences file there.
std::string FindPreferencesFile(bool commonTest) {
  const std::string appData = AppDataFolder();
  if (appData.empty()) return {};
  const std::string file = appData + "\\wargaming.net\\WorldOfTanks\\" +
                           (commonTest ? "preferences_ct.xml" : "preferences.xml");
  return FileExists(file) ? file : std::string();
}

void ReadClientFiles(RWOTInfo& info) {
  const std::string& path = info.Path;
  info.PathsFile = path + "paths.xml";
  info.VersionFile = path + "version.xml";
  if (FileExists(path + "7z.dll")) info.SevenZipFile = path + "7z.dll";
  info.PythonLog = path + "python.log";
  info.AppTypeFile = path + "app_type.xml";
  info.ReplaysPath = path + "replays\\";
  info.XvmConfig = path + "res_mods\\configs\\xvm\\xvm.xc";
  info.XvmConfigSample = path + "res_mods\\configs\\xvm\\xvm.xc.sample";

  ParseVersionXml(ReadClientText(info.VersionFile), info);

  const std::string pathsXml = ReadClientText(info.PathsFile);
  if (!pathsXml.empty()) {
    info.ResModsDir = path + "res_mods\\" + PathsXmlFolder(pathsXml, kResModsMarker);
    info.ModsDir = path + "mods\\" + PathsXmlFolder(pathsXml, kModsMarker);
    info.ResModsPath = IncludeTrailingBackslash(info.ResModsDir);
    info.ModsPath = IncludeTrailingBackslash(info.ModsDir);
  }
  ListPackages(path, pathsXml, info);

  info.CommonTest = ContainsTextAscii(LowerCaseAscii(info.VersionRaw), "common test");
  info.PreferencesFile = FindPreferencesFile(info.CommonTest);
}

void Analyse(const std::string& path, RWOTInfo& info) {
  info.GameCenterExe = FindGameCenterExe();
  if (!path.empty()) {
    LocateFromPath(path, info);
  } else {
    info.ExeFile = FindClientExeInRegistry();
    info.Path = ExtractFilePath(info.ExeFile);
  }
  if (info.Path.empty()) return;

  ReadLayout(info);
  if (!info.HasLauncher && !info.HasGameInfo) LookAtLauncherAndGameInfo(info.Path, info);
  if (info.ExeFile.empty()) return;
  ReadExecutable(info);
  ReadClientFiles(info);
}

}  // namespace

void ReadWOTInfo(const std::string& path, RWOTInfo& info) {
  info = RWOTInfo{};
  try {
    Analyse(path, info);
  } catch (...) {
    info.Error = true;
  }
}

}  // namespace pallograph
