// Requests from outside to stop the run: Ctrl+C, a termination signal, the console window being
// closed. The handler only records the first request; the run looks at it at its safe points,
// cleans up and ends with the request's exit code. One implementation per platform.
#pragma once

#include <atomic>
#include <string>

namespace pallograph {

// Installs the handlers; call once, on the main thread, before the run starts. POSIX: SIGINT,
// SIGTERM and SIGHUP, each reset to the system's default once it has arrived, so that a second
// Ctrl+C ends the process at once. Windows: Ctrl+C, Ctrl+Break and closing, logging off or
// shutting down the console.
void WatchInterrupts();

// True once a request arrived. Any thread.
bool InterruptRequested();

// A flag that turns true with the first request, for loops that poll a cancel flag (the HTTP
// transfers). Any thread; lives as long as the process.
const std::atomic<bool>& InterruptFlag();

// The exit code of the request: POSIX 128 + the signal's number (Ctrl+C 130, SIGTERM 143,
// SIGHUP 129); Windows 130 for Ctrl+C and Ctrl+Break, 143 for closing, logging off and shutting
// down. 0 while none arrived.
int InterruptExitCode();

// What the request was, for messages: "Ctrl+C", "SIGTERM", "closing the console", ...; "" while
// none arrived.
std::string InterruptName();

}  // namespace pallograph
