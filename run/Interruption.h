// A stop request (Ctrl+C, a termination signal, the console closed; platform/Interrupt.h) ends
// the run at its next safe point: between stages, packages and a package's entries, at a prompt,
// while it waits for another run. The partial work is removed and the run ends with the
// request's exit code (130 for Ctrl+C, 143 for SIGTERM on POSIX).
#pragma once

namespace pallograph {

struct TRun;

// Thrown at a safe point once a stop request arrived; the entry catches it. Deliberately no
// std::exception, so that no handler meant for failures takes it for one.
struct TRunInterrupted {};

// Throws TRunInterrupted when a stop request arrived. Main thread.
void StopIfInterrupted();

// The end of a stopped run, after the stack of the run has been left: removes the run's
// temporary folder, the temporary packages in the output folder (while its lock is this run's),
// an archive library this run wrote out, and releases the output folder's lock and the temporary
// folder's mark; says so on standard error, logs it and closes the log. Returns the exit code.
int EndInterruptedRun(TRun& run);

}  // namespace pallograph
