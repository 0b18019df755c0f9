// The end of a run that cannot go on (start-up failures).
#pragma once

#include <string>

namespace pallograph {

struct TRun;

// Prints the message line (none when empty), gives the cause (what and where) on standard error and
// in the run log, waits for enter, logs the exit code, closes the run log and throws THaltRun with
// the code, which the entry catches after the run's objects are released.
[[noreturn]] void HaltStartup(TRun& run, const std::string& message, int code,
                              const std::string& cause = "");

}  // namespace pallograph
