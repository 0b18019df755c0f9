// Which file of the archive library the run uses.
#pragma once

#include <string>

namespace pallograph {

struct TRun;

// Chooses run.Settings.ArchiveLibraryFile: the environment override PALLOGRAPH_ARCHIVE_LIBRARY;
// the program's folder + the platform's library name; the client's copy when it loads on this
// platform; the copy embedded in the program (written out to a temporary folder); the system's
// installed library. Leaves it empty, with a console and log line, when none is found.
void ChooseArchiveLibrary(TRun& run);
// Removes a library file that this run wrote out, with its folder.
void RemoveExtractedArchiveLibrary(TRun& run);

}  // namespace pallograph
