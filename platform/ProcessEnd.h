// The end of the process once the run is over.
#pragma once

namespace pallograph {

// Flushes the standard streams and ends the process with the exit code, without running the
// process's exit handlers or static destructors: threads the run leaves behind (a statistics
// sender still inside a transfer) may be using libraries whose exit handlers would free their
// state under them. Call on the main thread, after everything the run owns has been released.
// Windows passes the code on as it is. POSIX passes a status of 0..255 only, and 126 and above
// mean "not run" or "killed by a signal" to the shell: the program's codes 16000 to 16099 end
// the process with the code minus 16000 (16001 -> 1, 16099 -> 99); other codes (0, 128 + a
// signal's number) pass as they are.
[[noreturn]] void EndProcess(int exitCode);

}  // namespace pallograph
