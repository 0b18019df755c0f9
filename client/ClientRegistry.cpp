#include "client/ClientRegistry.h"

#include <algorithm>
#include <array>

#include "client/ClientFolder.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The 32-bit installers' keys as a 64-bit program sees the machine's registry.
constexpr char kUninstallKey32[] =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

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

class TRegistryClients {
 public:
  TRegistryClients(const TRegistryReader& read, const TRegistryPathMap& map)
      : read_(read), map_(map) {}

  void FromUninstallKeys(RegistryRoot root, const char* key, const char* whose) {
    for (const char* name : kClientUninstallNames) {
      const auto location = read_(root, std::string(key) + name, "InstallLocation");
      if (!location || location->empty()) continue;
      Add(IncludeTrailingBackslash(*location) + kClientExeName,
          std::string(whose) + "uninstall key " + name);
    }
  }

  // The replay association's icon: "\"C:\...\WorldOfTanks.exe\",0".
  void FromReplayAssociation() {
    if (const auto icon = read_(RegistryRoot::ClassesRoot, ".wotreplay\\DefaultIcon", "")) {
      Add(Inner(*icon, 1, 3), ".wotreplay file association");
    }
  }

  std::vector<RRegistryClient> Found() { return std::move(found_); }

 private:
  void Add(const std::string& named, const std::string& entry) {
    if (named.empty()) return;
    const std::string exe = map_(named);
    if (exe.empty() || !FileExists(exe)) return;
    RRegistryClient client{OutOfBitnessFolder(exe), entry};
    const bool known = std::any_of(found_.begin(), found_.end(), [&](const RRegistryClient& c) {
      return c.ExeFile == client.ExeFile;
    });
    if (!known) found_.push_back(std::move(client));
  }

  const TRegistryReader& read_;
  const TRegistryPathMap& map_;
  std::vector<RRegistryClient> found_;
};

}  // namespace

std::vector<RRegistryClient> ClientExesInRegistry(const TRegistryReader& read,
                                                  const TRegistryPathMap& map) {
  TRegistryClients clients(read, map);
  clients.FromUninstallKeys(RegistryRoot::CurrentUser, kUninstallKey, "");
  clients.FromReplayAssociation();
  clients.FromUninstallKeys(RegistryRoot::LocalMachine, kUninstallKey, "machine's ");
  clients.FromUninstallKeys(RegistryRoot::LocalMachine, kUninstallKey32, "machine's ");
  return clients.Found();
}

std::string FindClientExeInRegistry() {
  // The user's keys and the association only.
  const TRegistryReader read = [](RegistryRoot root, const std::string& key,
                                  const std::string& value) -> std::optional<std::string> {
    if (root == RegistryRoot::LocalMachine) return std::nullopt;
    return ReadRegistryString(root, key, value);
  };
  const TRegistryPathMap same = [](const std::string& path) { return path; };
  const std::vector<RRegistryClient> found = ClientExesInRegistry(read, same);
  return found.empty() ? std::string() : found.front().ExeFile;
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
