// The client's and its launcher's traces in the Windows registry: installers' uninstall keys,
// the replay file association, the game launcher application. The lookups read through a
// registry reader, so the same search runs on the system's registry and on the registry files of
// a Wine prefix. Off Windows the system's registry is empty and its lookups give "". Only reads.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace pallograph {

// A string value of a registry (root, key, value name; "" names the key's default value);
// nullopt when the key or value is missing.
using TRegistryReader = std::function<std::optional<std::string>(
    RegistryRoot root, const std::string& key, const std::string& value)>;
// A path as the registry holds it -> the path of the same file on this system ("" when it
// cannot lead there).
using TRegistryPathMap = std::function<std::string(const std::string& path)>;

// A client executable that a registry entry names.
struct RRegistryClient {
  std::string ExeFile;  // the client's WorldOfTanks.exe, above a win32/win64 folder
  std::string Entry;    // the entry, in words: "uninstall key WOT.EU.PRODUCTION"
};

// Every existing client executable the registry names, in this order: the installers' uninstall
// keys of the user, the replay file association (".wotreplay"), then the uninstall keys of the
// machine (both registry views). A path inside a win32 or win64 folder is moved to the client
// folder above it. The same executable named twice is listed once.
std::vector<RRegistryClient> ClientExesInRegistry(const TRegistryReader& read,
                                                  const TRegistryPathMap& map);

// Path of the client's WorldOfTanks.exe in the system's registry: the first the user's
// uninstall keys or the ".wotreplay" file association name; "" when none names an existing
// file.
std::string FindClientExeInRegistry();

// Path of the game's launcher application (Wargaming.net Game Center), "" when none is found.
std::string FindGameCenterExe();

}  // namespace pallograph
