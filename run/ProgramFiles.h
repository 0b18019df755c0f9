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
  std::string LogFile;           // the run log's path; "" when there is no folder for it
  std::string InstalledConfigs;  // installed: the shipped configs' folder (trailing '\'), else ""
};

// Finds the folders; creates nothing. An installed program whose user has no home folder reads
// the shipped configs where they lie and has no log file.
RProgramFiles LocateProgramFiles();
// Installed: makes the user's configs folder and copies every shipped config that is missing
// there; makes the log's folder. A configs folder that cannot be made leaves the configs read
// where they were installed (ConfigsFolder = InstalledConfigs). Portable: nothing. False when a
// folder or a copy failed.
bool PrepareProgramFiles(RProgramFiles& files);
// Installed: makes the log's folder only (a dry run with a run log). Portable: nothing. False
// when the folder cannot be made.
bool PrepareLogFolder(const RProgramFiles& files);

}  // namespace pallograph
