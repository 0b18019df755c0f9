#include "run/Pallograph.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/CommandLineText.h"
#include "platform/Interrupt.h"
#include "run/ClientChoice.h"
#include "run/CommandLineReader.h"
#include "run/Console.h"
#include "run/ExitCodes.h"
#include "run/Interruption.h"
#include "run/OnlineSteps.h"
#include "run/OptionTable.h"
#include "run/ProgramFiles.h"
#include "run/ProgramInfo.h"
#include "run/RunSettings.h"
#include "run/RunWithOptions.h"
#include "run/UsageCheck.h"

namespace pallograph {

namespace {

std::string FormatRunStamp() {
  const TLocalTime t = LocalTimeNow();
  char text[32];
  std::snprintf(text, sizeof(text), "%02d%02d%02d.%02d%02d%02d", t.Year % 100, t.Month, t.Day,
                t.Hour, t.Minute, t.Second);
  return text;
}

// The banner's first two lines; the second names the edition that runs: portable (its files in
// its own folder) or installed (its files in the user's folders).
void PrintVersion(TRun& run) {
  run.Console.Line("Pallograph 2 for WorldOfTanks");
  run.Console.Line(std::string("Ver.") + kProgramVersion + " Build " + kProgramBuild + " " +
                   kProgramDate +
                   (run.Files.Installed ? " (installed edition)" : " (portable edition)"));
}

void PrintOptionList(TRun& run, TCommandLineReader& reader) {
  run.Console.Line("  > List of available command line arguments");
  run.Console.Line(reader.OptionListing("    "));
  run.Console.Line(
      std::string("    All details about the program and command line arguments can be found in "
                  "the official topic ") +
      kDiscussionPage + ".");
  run.Console.Line();
}

int InteractiveHelp(TRun& run, TCommandLineReader& reader) {
  PrintOptionList(run, reader);
  RunHelpPrompts(run);
  run.Console.Write("    Press enter to exit...");
  run.Console.ReadLine();
  return 0;
}

// A command line that is not understood: the option list, then what was wrong (last, where a
// terminal still shows it), and nothing else; no question is asked. Silent mode keeps the list
// off standard output, never the faults off standard error: a run that did nothing says why.
int EndWithUsageFault(TRun& run, TCommandLineReader& reader,
                      const std::vector<std::string>& faults) {
  PrintOptionList(run, reader);
  const bool silent = run.Console.Silent();
  run.Console.SetSilent(false);
  for (const std::string& fault : faults) run.Console.ErrorLine("Pallograph: " + fault);
  run.Console.SetSilent(silent);
  return kExitUsage;
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

// Everything between the command line and the run's end; throws what the run throws.
int RunFromCommandLine(TRun& run, TCommandLineReader& reader,
                       const std::vector<std::string>& arguments) {
  run.Files = LocateProgramFiles();
  switch (InfoRequestOf(arguments)) {
    case TInfoRequest::Help:
      PrintVersion(run);
      run.Console.Line();
      PrintOptionList(run, reader);
      return 0;
    case TInfoRequest::Version:
      PrintVersion(run);
      return 0;
    case TInfoRequest::None:
      break;
  }
  if (arguments.empty()) {
    PrintVersion(run);
    run.Console.Line();
    return InteractiveHelp(run, reader);
  }
  std::string parse_error;
  reader.OnParseError = [&parse_error](const std::string& message) {
    parse_error = message.substr(0, message.find_first_of("\r\n"));
  };
  const bool parsed = reader.ParseProcessCommandLine();
  // Silent mode prints nothing at all, the banner included (as far as the words before a
  // fault can tell).
  run.Console.SetSilent(reader.LookupOption("silent-mode").SwitchValue);
  const RUsageCheck check = parsed ? CheckUsage(reader) : CheckFailedParse(reader, parse_error);
  PrintVersion(run);
  run.Console.Line();
  if (!check.Faults.empty()) return EndWithUsageFault(run, reader, check.Faults);
  for (const std::string& notice : check.Notices) run.Console.Line("  > " + notice);
  if (!check.Notices.empty()) run.Console.Line();
  if (reader.OptionSwitch("list-clients")) return ListClients(run);
  return RunWithOptions(run);
}

}  // namespace

int RunPallograph(int argc, char** argv) {
  WatchInterrupts();
  TRun run;
  run.Settings.RunStamp = FormatRunStamp();

  TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.SetProcessCommandLine(ProcessCommandLineText(argc, argv));
  std::vector<std::string> words;
  if (ProcessArgumentWords(argc, argv, words)) reader.SetProcessArguments(std::move(words));
  DeclareOptions(reader);
  run.Reader = &reader;
  std::vector<std::string> arguments;
  for (int i = 1; argv != nullptr && i < argc; ++i) arguments.emplace_back(argv[i] ? argv[i] : "");
  try {
    return RunFromCommandLine(run, reader, arguments);
  } catch (const THaltRun& halt) {
    return halt.Code;
  } catch (const TRunInterrupted&) {
    return EndInterruptedRun(run);
  } catch (const std::exception& error) {
    return EndUnexpectedly(run, error.what());
  } catch (...) {
    return EndUnexpectedly(run, "unknown exception");
  }
}

}  // namespace pallograph
