#include "client/ClientRegistry.h"

#include <array>

#include "client/ClientFolder.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/Registry.h"

namespace pallograph {

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

constexpr std::array<const char*, 7> kClientUninstallNames = {
    "WOT.RU.PRODUCTION",
    "WOT.EU.PRODUCTION",
    "WOT.NA.PRODUCTION",
    "{1EAC1D02-C6AC-4FA6-9A44-96258C37C812ru}_is1",
    "{1EAC1D02-C6AC-4FA6-9A44-96258C37C812eu}_is1",
    "{1EAC1D02-C6AC-4FA6-9A44-96258C37C812na}_is1",
    "{1EAC1D02-C6AC-4FA6-9A44-96258C37C812ct}_is1",
};

// The client executable in the folder above a win32/win64 folder; other paths stay.
std::string OutOfBitnessFolder(const std::string& exe) {
  if (!InBitnessFolder(exe)) return exe;
  return ParentFolder(ExtractFilePath(exe)) + kClientExeName;
}

// Drops `head` characters from the front and `tail` from the end ("" when too short).
std::string Inner(const std::string& text, size_t head, size_t tail) {
  if (text.size() < head + tail) return {};
  return text.substr(head, text.size() - head - tail);
}

}  // namespace

std::string FindClientExeInRegistry() {
  for (const char* name : kClientUninstallNames) {
    const auto location = ReadRegistryString(RegistryRoot::CurrentUser,
                                             std::string(kUninstallKey) + name, "InstallLocation");
    if (!location) continue;
    const std::string exe = IncludeTrailingBackslash(*location) + kClientExeName;
    if (FileExists(exe)) return OutOfBitnessFolder(exe);
  }
  // The replay association's icon: "\"C:\...\WorldOfTanks.exe\",0".
  if (const auto icon =
          ReadRegistryString(RegistryRoot::ClassesRoot, ".wotreplay\\DefaultIcon", "")) {
    const std::string exe = Inner(*icon, 1, 3);
    if (!exe.empty() && FileExists(exe)) return OutOfBitnessFolder(exe);
  }
  return {};
}

std::string FindGameCenterExe() {
  // Both icon values end in ",0" after the path.
  if (const auto icon = ReadRegistryString(RegistryRoot::CurrentUser,
                                           std::string(kUninstallKey) + "Wargaming.net Game Center",
                                           "DisplayIcon")) {
    const std::string exe = Inner(*icon, 0, 2);
    if (!exe.empty() && FileExists(exe)) return exe;
  }
  if (const auto icon = ReadRegistryString(RegistryRoot::ClassesRoot, "wgc\\DefaultIcon", "")) {
    const std::string exe = Inner(*icon, 0, 2);
    if (!exe.empty() && FileExists(exe)) return exe;
  }
  return {};
}

}  // namespace pallograph
