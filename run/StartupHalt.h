// The end of a run that cannot go on (start-up failures).
#pragma once

#include <string>

namespace pallograph {

struct TRun;

// Prints the message line, waits for enter, logs the exit code, closes the run log and throws
// THaltRun with the code, which the entry catches after the run's objects are released.
[[noreturn]] void HaltStartup(TRun& run, const std::string& message, int code);

}  // namespace pallograph
