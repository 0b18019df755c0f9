#include "run/StartupHalt.h"

#include "run/ExitCodes.h"
#include "run/RunSettings.h"

namespace pallograph {

void HaltStartup(TRun& run, const std::string& message, int code, const std::string& cause) {
  if (!message.empty()) run.Console.Line(message);
  run.Fail(code, cause);
  run.Console.Line();
  run.Console.Write("    Press enter to exit...");
  run.Console.ReadLine();
  run.LogLine("Exit code: " + std::to_string(code));
  run.Log.reset();  // closes the log file
  throw THaltRun{code};
}

}  // namespace pallograph
