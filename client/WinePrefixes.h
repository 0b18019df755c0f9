// The Wine prefixes a user's Windows programs run in, found where the tools that make them keep
// them: $WINEPREFIX and ~/.wine (plain Wine); Lutris (the "prefix:" of its game configs, and
// ~/Games/*); Steam's Proton (steamapps/compatdata/*/pfx of every library that
// libraryfolders.vdf lists, native, Flatpak and Snap Steam); Bottles (native and Flatpak);
// PortProton (its prefixes/ folders). Also Steam's libraries themselves, whose steamapps/common/
// holds the games Steam installed.
//
// The configs read here are other programs' files: each is size-checked before it is read, and a
// damaged one gives fewer or no prefixes, never a failure. Folder listings are bounded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ClientPlaces.h"

namespace pallograph {

// A folder the search looks in, with the words that say where it came from.
struct RSearchFolder {
  std::string Path;  // program path with trailing '\'
  std::string Kind;  // "the Wine prefix", "the Lutris prefix", "the Steam library", ...
};

struct RWinePrefixes {
  std::vector<RSearchFolder> Prefixes;        // folders holding drive_c, each once, in search order
  std::vector<RSearchFolder> SteamLibraries;  // each once
};

// The prefixes and Steam libraries below the places' folders (nothing when the places have no
// Wine prefixes). A folder reached twice (a link, the same prefix in two configs) counts once,
// under its first kind.
RWinePrefixes FindWinePrefixes(const RClientPlaces& places);

// The library folders a Steam libraryfolders.vdf lists ("path" entries, and the numbered entries
// of the older form), as written there (native paths).
std::vector<std::string> SteamLibraryFolders(std::string_view vdf);
// The "prefix:" value of a Lutris game config (YAML), quotes removed; "" when it has none.
std::string LutrisGamePrefix(std::string_view yml);

}  // namespace pallograph
