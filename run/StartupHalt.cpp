#include "run/StartupHalt.h"

#include "run/ExitCodes.h"
#include "run/RunSettings.h"

namespace pallograph {

void HaltStartup(TRun& run, const std::string& message, int code) {
  run.Console.Line(message);
  run.Console.Line();
  run.Console.Write("    Press enter to exit...");
  run.Console.ReadLine();
  // The log keeps the full code: a POSIX caller sees it modulo 256.
  run.LogLine("Exit code: " + std::to_string(code));
  run.Log.reset();  // closes the log file
  throw THaltRun{code};
}

}  // namespace pallograph
