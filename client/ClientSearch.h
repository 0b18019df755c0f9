// The search for the game's clients when the user names none. Windows: the installers' entries
// in the system's registry (ClientRegistry.h) and the launcher's default install folders.
// Elsewhere: every Wine prefix of the user (WinePrefixes.h), in each the same registry entries
// read from the prefix's registry files (their Windows paths mapped into the prefix: C: to its
// drive_c, Z: to the root, other drives through its dosdevices), and the folders a few levels
// below its drive_c; and the games of Steam's libraries.
//
// A folder counts only when the client analysis accepts it (ClientIsUsable); a client reached
// twice (through two entries, a link, two names of one prefix) counts once, where it was found
// first. Only reads; every listing, file and walk is bounded, links are not followed into.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "client/ClientRegistry.h"
#include "client/WOTInfo.h"
#include "platform/ClientPlaces.h"

namespace pallograph {

struct RFoundClient {
  std::string Path;     // the client folder (RWOTInfo::Path), program path with trailing '\'
  std::string Version;  // version.xml's version text ("v.2.4.0.2 build 966"); "" if none
  std::string Realm;    // version.xml's realm ("EU"); "" if none
  std::string Where;    // where it was found: "the Lutris prefix ~/Games/world-of-tanks"
};

struct RClientSearch {
  std::vector<RFoundClient> Clients;  // in the order found
  // The places looked in, in words and search order ("the Wine prefix ~/.wine", "C:\Games\").
  std::vector<std::string> Searched;
};

// Searches the places, reading the system's registry through `registry` (used only when the
// places say the system has one).
RClientSearch SearchClients(const RClientPlaces& places, const TRegistryReader& registry);
// The same with this system's places and registry.
RClientSearch SearchClients();

// Whether the analysis of a folder gives a client a run can use: no error, the executable the
// client runs exists, and it has packages.
bool ClientIsUsable(const RWOTInfo& client);

// A Windows path that a prefix's registry holds ("C:\Games\World_of_Tanks_EU") as a program
// path: C: in the prefix's drive_c, Z: at the root, another drive through the prefix's
// dosdevices link. Each existing folder or file is found without regard to ASCII case, as Wine
// finds it. "" for a path without a drive ("\\server\share", a relative path).
std::string MapPrefixPath(const std::string& prefix, const std::string& windows_path);

// The folders at most `depth` levels below `root` (the root is level 0) that hold
// WorldOfTanks.exe, in listing order; a folder that holds it is not looked into. Links are not
// followed; at the first level, a folder named `skip` (any case; "" for none) is left out.
// `budget` is the number of folder entries still to look at, counted down; the walk stops at 0.
std::vector<std::string> FindClientFolders(const std::string& root, int depth,
                                           const std::string& skip, size_t& budget);

}  // namespace pallograph
