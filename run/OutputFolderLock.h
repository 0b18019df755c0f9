// One run at a time on an output folder: the lock file "Pallograph.lock" in the folder, and the
// clean-up of temporary packages that killed runs left there.
#pragma once

#include <string>

#include "platform/LogSink.h"

namespace pallograph {

struct TRun;

inline constexpr const char* kOutputLockName = "Pallograph.lock";

// Takes the output folder's lock for the run (run.OutputLock), creating the folder when it is
// missing. While another running process holds it, waits (up to PALLOGRAPH_LOCK_WAIT seconds,
// default 30) with a console line; still held then, the run ends with kExitOutputFolderBusy. A
// folder that cannot be created or written ends the run before anything is processed with
// `failureCode` and a cause that names the folder; with `failureCode` 0 (nothing is going to be
// written there) it only gives a log line. With the lock, removes stale temporary packages below
// the folder. A stop request ends the wait (TRunInterrupted).
// A PALLOGRAPH_LOCK_WAIT that is no such number is said once (standard error and the run log),
// and the default is used. With the lock, also puts back the earlier packages that a killed run
// had moved aside (TEarlierPackages).
void TakeOutputFolder(TRun& run, int failureCode);

// The dry run's form of the folder check of TakeOutputFolder: makes, writes and takes nothing, and
// ends the run the same way when the real run could not make or write the folder.
void CheckOutputFolder(TRun& run, int failureCode);

// Deletes, below the folder (recursively, links not followed), the temporary package files that
// the packer writes ("<name>.wotmod.{GUID}.tmp"). Only safe while the folder's lock is held.
// Returns how many were deleted; logs each.
int RemoveStaleTempPackages(const std::string& folder, const LogSink& log);

}  // namespace pallograph
