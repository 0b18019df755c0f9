// Where the program keeps its own files: the default configs folder and the run log.
//
// A portable program (a folder it may write, with no installed data beside it) keeps both in its
// own folder, as always. An installed program (its folder is bin/ with share/pallograph/configs/
// beside it, as `cmake --install` and the Debian package lay it out, or a folder it may not
// write) keeps them in the user's folders: the configs in AppDataFolder() + "pallograph"
// ($XDG_CONFIG_HOME/pallograph, seeded there from the installed copies on first use and refreshed
// there), the log in UserStateFolder() + "pallograph" ($XDG_STATE_HOME/pallograph).
#pragma once

#include <string>

namespace pallograph {

struct RProgramFiles {
  bool Installed = false;
  std::string ConfigsFolder;     // trailing '\'
  std::string LogFile;           // the run log's path
  std::string InstalledConfigs;  // installed: the shipped configs' folder (trailing '\'), else ""
};

// Finds the folders; creates nothing.
RProgramFiles LocateProgramFiles();
// Installed: makes the user's configs folder and copies every shipped config that is missing
// there; makes the log's folder. Portable: nothing. False when a folder cannot be made.
bool PrepareProgramFiles(const RProgramFiles& files);

}  // namespace pallograph
