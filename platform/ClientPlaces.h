// Where this system keeps what a search for the game's client looks at. Windows: the installers'
// entries in the system's registry and the folders the game's launcher installs into. POSIX: the
// Windows client runs in Wine prefixes (plain Wine, Lutris, Steam's Proton, Bottles, PortProton),
// which lie in the user's folders.
#pragma once

#include <string>
#include <vector>

namespace pallograph {

struct RClientPlaces {
  bool Registry = false;  // the system's registry holds the installers' keys
  // Folders whose sub-folders the launcher installs clients into by default ("C:\Games\"), with
  // trailing '\'.
  std::vector<std::string> DefaultFolders;
  bool WinePrefixes = false;  // clients run in Wine prefixes below the folders that follow
  // Program paths without trailing '\'; "" when unknown.
  std::string Home;        // the user's home folder
  std::string DataHome;    // $XDG_DATA_HOME, else ~/.local/share
  std::string ConfigHome;  // $XDG_CONFIG_HOME, else ~/.config
  std::string WinePrefix;  // $WINEPREFIX; "" when unset
};

// This system's places, read from the environment and the system at each call.
RClientPlaces SystemClientPlaces();

}  // namespace pallograph
