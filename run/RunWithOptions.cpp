#include "run/RunWithOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "client/WOTInfo.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/ArchiveLibraryChoice.h"
#include "run/ColorText.h"
#include "run/CommandLineReader.h"
#include "run/OldWotmods.h"
#include "run/OnlineSteps.h"
#include "run/OutputFolderLock.h"
#include "run/ProgramInfo.h"
#include "run/RunSettings.h"
#include "run/RunTempFolder.h"
#include "run/Stages.h"
#include "run/StartupHalt.h"

namespace pallograph {

namespace {

// The standard string-to-integer conversion: the whole text must be a decimal number.
bool TryParseInt(const std::string& text, int64_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return false;
  if (std::isspace(static_cast<unsigned char>(text.front()))) return false;
  value = parsed;
  return true;
}

int32_t Clamp(int64_t value, int32_t low, int32_t high) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

// A folder option's value as a program path with trailing '\'.
std::string FolderOption(const std::string& value) {
  return IncludeTrailingBackslash(AbsoluteProgramPath(value));
}

void AnalyseClient(TRun& run) {
  TCommandLineReader& reader = *run.Reader;
  run.Console.Write("  > Search and analysis of the game client... ");
  const std::string wot_path = reader.OptionText("wot-path");
  if (wot_path.empty()) HaltStartup(run, "Not found!", kExitNoClientPath);
  ReadWOTInfo(AbsoluteProgramPath(wot_path), run.Client);
  if (run.Client.Error) HaltStartup(run, "Error!", kExitClientError);
  if (!FileExists(run.Client.RunExe)) HaltStartup(run, "Not found!", kExitClientExeMissing);
  if (run.Client.Packages.empty()) HaltStartup(run, "No pkg-files!", kExitNoPackages);
  run.Console.Line("OK");
  run.Console.Line();
  run.LogLine("WOT Path: " + run.Client.Path);
}

void LogStageSwitch(TRun& run, const char* name, bool on) {
  run.LogLine(std::string(name) + ": " + (on ? "True" : "False"));
}

// A colour stage option: on when its value is not empty.
bool ReadColorOption(TRun& run, const char* name, std::string& color) {
  const std::string value = run.Reader->OptionText(name);
  const bool on = !value.empty();
  if (on) {
    color = NormalizeColor(value);
    SendOptionEvent(run, name, value);
  }
  LogStageSwitch(run, name, on);
  return on;
}

void ReadStageOptions(TRun& run) {
  TCommandLineReader& reader = *run.Reader;
  TRunSettings& s = run.Settings;
  s.DPTOn = ReadColorOption(run, "DPT-mod", s.DPTColor);
  const std::string inside = reader.OptionText("inside-color");
  if (!inside.empty()) {
    s.InsideColor = NormalizeColor(inside);
    SendOptionEvent(run, "inside-color", inside);
  } else {
    s.InsideColor = s.DPTColor;
  }
  s.RemoveShadowsOn = reader.OptionSwitch("remove-shadows");
  if (s.RemoveShadowsOn) SendOptionEvent(run, "remove-shadows", "On");
  s.CCTOn = ReadColorOption(run, "CCT-mod", s.CCTColor);
  s.MEMOn = ReadColorOption(run, "MEM-mod", s.MEMColor);
  s.CTMOn = ReadColorOption(run, "CTM-mod", s.CTMColor);
  s.WithoutHD = reader.OptionSwitch("without-hd");
  if (s.WithoutHD) SendOptionEvent(run, "without-hd", "On");

  const std::string space_bin = reader.OptionText("SpaceBin-mod");
  s.SpaceBinOn = !space_bin.empty();
  if (s.SpaceBinOn) {
    const size_t bar = space_bin.find('|');
    if (bar != std::string::npos) {
      const std::string tank = space_bin.substr(0, bar);
      const std::string train = space_bin.substr(bar + 1);
      s.SpaceBinTankColor = tank.empty() ? "" : NormalizeColor(tank);
      s.SpaceBinTrainColor = train.empty() ? "" : NormalizeColor(train);
    } else {
      s.SpaceBinTankColor = s.SpaceBinTrainColor = NormalizeColor(space_bin);
    }
    SendOptionEvent(run, "SpaceBin-mod", space_bin);
  }
  LogStageSwitch(run, "SpaceBin-mod", s.SpaceBinOn);

  const std::string camo = reader.OptionText("CAMO-mod");
  s.CAMOOn = !camo.empty();
  if (s.CAMOOn) {
    int64_t percent = 30;
    if (!TryParseInt(camo, percent)) percent = 30;
    s.CamoPercent = Clamp(percent, 0, 100);
    SendOptionEvent(run, "CAMO-mod", std::to_string(s.CamoPercent));
  }
  LogStageSwitch(run, "CAMO-mod", s.CAMOOn);
}

void ChooseWorkerLimit(TRun& run) {
  const std::string value = run.Reader->OptionText("cpu-count");
  if (value.empty()) {
    run.Settings.WorkerLimit = static_cast<int32_t>(ProcessorCount());
  } else {
    int64_t count = 1;
    if (!TryParseInt(value, count)) count = 1;
    run.Settings.WorkerLimit = Clamp(count, 1, 50);
    SendOptionEvent(run, "cpu-count", std::to_string(run.Settings.WorkerLimit));
  }
  run.LogLine("CPU Count: " + std::to_string(run.Settings.WorkerLimit));
}

// Whether any mod stage will run: only then does the run write into the output folder.
bool AnyStageWanted(TCommandLineReader& reader) {
  for (const char* option :
       {"DPT-mod", "CCT-mod", "MEM-mod", "CTM-mod", "SpaceBin-mod", "CAMO-mod"}) {
    if (!reader.OptionText(option).empty()) return true;
  }
  return false;
}

void EndOfRun(TRun& run) {
  SendFullTime(run);
  RemoveExtractedArchiveLibrary(run);
  // Another run may use the folders while this console waits for enter.
  run.OutputLock.reset();
  run.TempFolderMark.reset();
  if (!run.Settings.AutoClose) {
    run.Console.Write("    Press enter to exit...");
    run.Console.ReadLine();
  }
  run.LogLine("Exit code: " + std::to_string(run.ExitCode.Code()));
  run.Log.reset();
}

}  // namespace

int RunWithOptions(TRun& run) {
  TCommandLineReader& reader = *run.Reader;
  TRunSettings& s = run.Settings;

  // 1-2: run log and debug banner.
  if (reader.OptionSwitch("log")) {
    run.Log = std::make_unique<TLog>(ProgramFolder() + kLogFileName,
                                     std::string("Version ") + kProgramVersion + " Build " +
                                         kProgramBuild + " Date " + kProgramDate);
  }
  s.TestMode = reader.OptionSwitch("test");
  if (s.TestMode || run.Log) {
    run.Console.Line("  > [DEBUG MODE]");
    if (s.TestMode) run.Console.Line("    TEST = ON");
    if (run.Log) run.Console.Line("    LOG  = ON");
    run.Console.Line();
  }

  // 3: silent mode and the output switches.
  s.SilentMode = reader.OptionSwitch("silent-mode");
  if (s.SilentMode) {
    run.Console.SetSilent(true);
    ReleaseConsole();
  }
  s.AutoClose = reader.OptionSwitch("auto-close-console");
  s.WithoutWotmod = reader.OptionSwitch("without-wotmod");
  s.AllInOne = reader.OptionSwitch("allinone-wotmod");
  s.Subfolder = reader.OptionSwitch("subfolder-wotmod");

  // 4: statistics.
  StartStatistics(run);

  // 5-6: configs folder and their refresh.
  const std::string configs = reader.OptionText("configs-path");
  s.ConfigsFolder = !configs.empty() && DirectoryExists(AbsoluteProgramPath(configs))
                        ? FolderOption(configs)
                        : ProgramFolder();
  run.LogLine("Configs Path: " + s.ConfigsFolder);
  if (!reader.OptionSwitch("no-update-configs")) {
    run.Console.Line("  > Check and download configs");
    RefreshConfigs(run);
    run.Console.Line();
  }

  // 7: the client.
  AnalyseClient(run);

  // 8-9: output folder, packages of earlier runs.
  const std::string mods_path = reader.OptionText("mods-path");
  if (!mods_path.empty()) {
    s.OutputFolder = FolderOption(mods_path);
  } else {
    s.OutputFolder = s.WithoutWotmod ? run.Client.ResModsPath : run.Client.ModsPath;
  }
  run.LogLine("Mods Path: " + s.OutputFolder);
  if (reader.OptionSwitch("remove-wotmod") || AnyStageWanted(reader)) TakeOutputFolder(run);
  if (!s.WithoutWotmod && reader.OptionSwitch("remove-wotmod")) {
    run.Console.Write("  > Search and delete old wotmod-files... ");
    const int deleted = DeleteOldWotmods(s.OutputFolder, run.Sink());
    run.Console.Line(FilesCountText(deleted));
    run.Console.Line();
  }

  // 10-14: stage options, archive library, workers, temporary folder, timer.
  ReadStageOptions(run);
  if (s.DPTOn || s.CCTOn || s.MEMOn || s.CTMOn || s.SpaceBinOn || s.CAMOOn) {
    ChooseArchiveLibrary(run);
  }
  ChooseWorkerLimit(run);
  PrepareRunTempFolder(run);
  run.LogLine("Temp Path: " + s.TempResFolder);
  StartStatisticsTimer(run);

  // 15: the stages, the all-in-one package, the end.
  RunStages(run);
  EndOfRun(run);
  return run.ExitCode.Code();
}

}  // namespace pallograph
