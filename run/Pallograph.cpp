#include "run/Pallograph.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/CommandLineText.h"
#include "run/CommandLineReader.h"
#include "run/Console.h"
#include "run/ExitCodes.h"
#include "run/OnlineSteps.h"
#include "run/OptionTable.h"
#include "run/ProgramInfo.h"
#include "run/RunSettings.h"
#include "run/RunWithOptions.h"

namespace pallograph {

namespace {

std::string FormatRunStamp() {
  const TLocalTime t = LocalTimeNow();
  char text[32];
  std::snprintf(text, sizeof(text), "%02d%02d%02d.%02d%02d%02d", t.Year % 100, t.Month, t.Day,
                t.Hour, t.Minute, t.Second);
  return text;
}

int InteractiveHelp(TRun& run, TCommandLineReader& reader) {
  run.Console.Line("  > List of available command line arguments");
  run.Console.Line(reader.OptionListing("    "));
  run.Console.Line(
      std::string("    All details about the program and command line arguments can be found in "
                  "the official topic ") +
      kDiscussionPage + ".");
  run.Console.Line();
  RunHelpPrompts(run);
  run.Console.Write("    Press enter to exit...");
  run.Console.ReadLine();
  return 0;
}

// An exception nothing expected ends the run: its text goes to the run log and to standard error,
// and the exit code says that the run did not finish.
int EndUnexpectedly(TRun& run, const std::string& text) {
  run.Console.ErrorLine("Pallograph: unexpected error, the run ended: " + text);
  run.LogLine("Unexpected error, the run ended: " + OneLine(text));
  run.LogLine("Exit code: " + std::to_string(kExitUnexpectedError));
  run.Log.reset();
  return kExitUnexpectedError;
}

}  // namespace

int RunPallograph(int argc, char** argv) {
  TRun run;
  run.Console.Line("Pallograph 2 for WorldOfTanks");
  run.Console.Line(std::string("Ver.") + kProgramVersion + " Build " + kProgramBuild + " " +
                   kProgramDate + " (portable edition)");
  run.Console.Line();
  run.Settings.RunStamp = FormatRunStamp();

  TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.SetProcessCommandLine(ProcessCommandLineText(argc, argv));
  std::vector<std::string> words;
  if (ProcessArgumentWords(argc, argv, words)) reader.SetProcessArguments(std::move(words));
  DeclareOptions(reader);
  std::string parse_error;
  reader.OnParseError = [&parse_error](const std::string& message) {
    parse_error = message.substr(0, message.find_first_of("\r\n"));
  };
  run.Reader = &reader;
  try {
    if (argc > 1) {
      if (reader.ParseProcessCommandLine()) return RunWithOptions(run);
      // Say what was not understood before the list of what would be.
      if (!reader.FailedOption.empty()) {
        run.Console.Line("  > Unknown option: --" + reader.FailedOption);
      } else {
        run.Console.Line("  > Command line not understood. " + parse_error);
      }
      run.Console.Line();
    }
    return InteractiveHelp(run, reader);
  } catch (const THaltRun& halt) {
    return halt.Code;
  } catch (const std::exception& error) {
    return EndUnexpectedly(run, error.what());
  } catch (...) {
    return EndUnexpectedly(run, "unknown exception");
  }
}

}  // namespace pallograph
