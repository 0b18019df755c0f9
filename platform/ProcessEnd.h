// The end of the process once the run is over.
#pragma once

namespace pallograph {

// Flushes the standard streams and ends the process with the exit code, without running the
// process's exit handlers or static destructors: threads the run leaves behind (a statistics
// sender still inside a transfer) may be using libraries whose exit handlers would free their
// state under them. Call on the main thread, after everything the run owns has been released.
[[noreturn]] void EndProcess(int exitCode);

}  // namespace pallograph
