// The run's own temporary folder below the system's: system temporary folder + a new GUID. Its
// owner mark "{GUID}.pallograph" beside it stays locked while the run lives, so that later runs
// can tell the folders of killed runs from those of runs still going.
#pragma once

#include <string>

#include "platform/LogSink.h"

namespace pallograph {

struct TRun;

inline constexpr const char* kTempMarkExtension = ".pallograph";

// Ends the run before anything is processed, with `failureCode` and a cause that names the
// folder, when the system's temporary folder is missing (it is never created) or cannot be
// written (a dry run asks without writing a probe there).
void CheckSystemTempFolder(TRun& run, int failureCode);

// Sets run.Settings.RunTempFolder and TempResFolder (the folder itself is made by the stages),
// takes its owner mark (run.TempFolderMark) and removes stale folders of earlier runs.
void PrepareRunTempFolder(TRun& run);

// Deletes the run's own temporary folder (RunTempFolder) with everything in it; never anything
// outside the system's temporary folder.
void DeleteRunTempFolder(TRun& run);

// Deletes every "{GUID}" folder below `tempFolder` whose owner mark beside it is no longer held
// (its run ended without cleaning up), and the mark. Folders without a mark are not ours and
// stay. Returns how many folders were deleted; logs each.
int RemoveStaleRunFolders(const std::string& tempFolder, const LogSink& log);

}  // namespace pallograph
