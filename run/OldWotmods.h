// Removal of the packages that earlier runs left in the output folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/LogSink.h"

namespace pallograph {

// Deletes, below the folder (recursively), every file with the extension ".wotmod" (any case)
// whose lower-cased name contains "mod.pallograph.". Symbolic links are neither followed nor
// deleted, and no folder is removed: folders belong to the user. Returns how many packages were
// deleted. (A clean-up at once: TEarlierPackages moved aside and deleted.)
int DeleteOldWotmods(const std::string& folder, const LogSink& log);

// Counts, below the folder (recursively, links not followed), the packages that earlier runs of
// one mod left: ".wotmod" files (any case) whose name starts with `prefix` (the mod's default
// name up to its version, any case), except those whose name starts with `newStem` (the package
// this run just wrote and its parts).
int CountOldWotmods(const std::string& folder, const std::string& prefix,
                    const std::string& newStem);

// The earlier packages of a run with --remove-wotmod: moved aside at the start and deleted only
// once the new packages are in place, so that a packing that fails (a full disk, a stop request,
// a crash) never leaves the player without the mod. A package moved aside is renamed in its own
// folder to "<name>.wotmod.{GUID}.old", a name the game does not load; one that a killed run left
// so is put back by the next run that takes the folder (PutBackStaleEarlierPackages). Main thread
// only; while the output folder's lock is held.
class TEarlierPackages {
 public:
  TEarlierPackages() = default;
  TEarlierPackages(const TEarlierPackages&) = delete;
  TEarlierPackages& operator=(const TEarlierPackages&) = delete;
  // Puts back every package still moved aside (a run that ended some unexpected way).
  ~TEarlierPackages();

  // Moves aside what DeleteOldWotmods would delete below the folder; logs each ("Moved aside",
  // or "Not deleted" when the rename failed). Returns how many were moved aside.
  int MoveAside(const std::string& folder, const LogSink& log);
  // Settles the packages moved aside whose file name starts with `prefix` (any case; "" for
  // all): `replaced` deletes them ("Deleted" + the package's path), otherwise they are put back
  // under their names ("Put back"); a name that is taken meanwhile keeps its package aside.
  // Returns how many were put back.
  int Settle(std::string_view prefix, bool replaced, const LogSink& log);
  bool Empty() const { return aside_.empty(); }

 private:
  struct RAside {
    std::string Original;  // the package's path
    std::string Aside;     // where it waits
  };
  std::vector<RAside> aside_;
};

// Puts back, below the folder (recursively, links not followed), the packages that a killed run
// moved aside ("<name>.wotmod.{GUID}.old") when their name is free; logs each. Only safe while
// the folder's lock is held. Returns how many were put back.
int PutBackStaleEarlierPackages(const std::string& folder, const LogSink& log);

}  // namespace pallograph
