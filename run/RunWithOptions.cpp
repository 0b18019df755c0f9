#include "run/RunWithOptions.h"

#include <algorithm>
#include <optional>
#include <string>

#include "client/WOTInfo.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/IntegerText.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/ArchiveLibraryChoice.h"
#include "run/ClientChoice.h"
#include "run/ClientDiagnosis.h"
#include "run/ColorText.h"
#include "run/CommandLineReader.h"
#include "run/Interruption.h"
#include "run/OldWotmods.h"
#include "run/OnlineSteps.h"
#include "run/OutputFolderLock.h"
#include "run/PackageNames.h"
#include "run/ProgramFiles.h"
#include "run/ProgramInfo.h"
#include "run/RunSettings.h"
#include "run/RunTempFolder.h"
#include "run/StageTable.h"
#include "run/Stages.h"
#include "run/StartupHalt.h"

namespace pallograph {

namespace {

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
  std::string wot_path = reader.OptionText("wot-path");
  // Without the option the client is searched for; an empty value names no client.
  std::optional<RFoundClient> found;
  if (!reader.LookupOption("wot-path").Seen) {
    found = FindTheOnlyClient(run);
    wot_path = ToNativePath(found->Path);
  }
  const auto halt = [&](const char* message, int code) {
    HaltStartup(run, message, code, ClientFailureCause(wot_path, run.Client, code));
  };
  if (wot_path.empty()) halt("Not found!", kExitNoClientPath);
  ReadWOTInfo(AbsoluteProgramPath(wot_path), run.Client);
  if (run.Client.Error) halt("Error!", kExitClientError);
  if (!FileExists(run.Client.RunExe)) halt("Not found!", kExitClientExeMissing);
  if (run.Client.Packages.empty()) halt("No pkg-files!", kExitNoPackages);
  run.Console.Line("OK");
  if (found) ReportFoundClient(run, *found);
  run.Console.Line();
  run.LogLine("WOT Path: " + ToNativePath(run.Client.Path));
}

void LogStageSwitch(TRun& run, const char* name, bool on) {
  run.LogLine(std::string(name) + ": " + (on ? "True" : "False"));
}

// The SpaceBin-mod value: "tank|train" colours, either side may be empty; one colour for both.
void ReadSpaceBinColors(TRunSettings& s, const std::string& value) {
  const size_t bar = value.find('|');
  if (bar != std::string::npos) {
    const std::string tank = value.substr(0, bar);
    const std::string train = value.substr(bar + 1);
    s.SpaceBinTankColor = tank.empty() ? "" : NormalizeColor(tank);
    s.SpaceBinTrainColor = train.empty() ? "" : NormalizeColor(train);
  } else {
    s.SpaceBinTankColor = s.SpaceBinTrainColor = NormalizeColor(value);
  }
}

// Every stage's option from its row, and the options that belong to one stage, in the order
// their log lines and statistics events go out.
void ReadStageOptions(TRun& run) {
  TCommandLineReader& reader = *run.Reader;
  TRunSettings& s = run.Settings;
  for (const TStageRow& row : kStages) {
    const std::string value = reader.OptionText(row.Option);
    s.*row.On = !value.empty();
    if (s.*row.On) {
      if (row.Color) s.*row.Color = NormalizeColor(value);
      if (row.Kind == TStageKind::SpaceBin) ReadSpaceBinColors(s, value);
      if (row.Kind == TStageKind::Camouflage) {
        int64_t percent = 30;
        if (!ParseWholeNumber(value, percent)) percent = 30;
        s.CamoPercent = Clamp(percent, 0, 100);
        SendOptionEvent(run, row.Option, std::to_string(s.CamoPercent));
      } else {
        SendOptionEvent(run, row.Option, value);
      }
    }
    LogStageSwitch(run, row.Option, s.*row.On);
    if (row.Kind == TStageKind::CrashTanks) {
      const std::string inside = reader.OptionText("inside-color");
      if (!inside.empty()) {
        s.InsideColor = NormalizeColor(inside);
        SendOptionEvent(run, "inside-color", inside);
      } else {
        s.InsideColor = s.DPTColor;
      }
      s.RemoveShadowsOn = reader.OptionSwitch("remove-shadows");
      if (s.RemoveShadowsOn) SendOptionEvent(run, "remove-shadows", "On");
    }
    if (row.Kind == TStageKind::MapTrains) {
      s.WithoutHD = reader.OptionSwitch("without-hd");
      if (s.WithoutHD) SendOptionEvent(run, "without-hd", "On");
    }
  }
}

void ChooseWorkerLimit(TRun& run) {
  const std::string value = run.Reader->OptionText("cpu-count");
  if (value.empty()) {
    run.Settings.WorkerLimit = static_cast<int32_t>(ProcessorCount());
  } else {
    int64_t count = 1;
    if (!ParseWholeNumber(value, count)) count = 1;
    run.Settings.WorkerLimit = Clamp(count, 1, 50);
    SendOptionEvent(run, "cpu-count", std::to_string(run.Settings.WorkerLimit));
  }
  run.LogLine("CPU Count: " + std::to_string(run.Settings.WorkerLimit));
}

// The first mod stage that will run; nullptr for none. Only when a stage runs does the run write
// into the output folder.
const TStageRow* FirstWantedStage(TCommandLineReader& reader) {
  for (const TStageRow& row : kStages) {
    if (!reader.OptionText(row.Option).empty()) return &row;
  }
  return nullptr;
}

bool AnyStageWanted(TCommandLineReader& reader) { return FirstWantedStage(reader) != nullptr; }

// The names the packages would get, checked before anything is processed: a name that cannot be
// used ends the run with the packing code of the stage whose package it names (16093 for the
// all-in-one package; the first stage's for the sub-folder).
void CheckPackageNames(TRun& run, const TStageRow& first) {
  const TRunSettings& s = run.Settings;
  if (s.WithoutWotmod) return;
  TCommandLineReader& reader = *run.Reader;
  const bool split = reader.OptionSwitch("split-2gb-parts");
  const auto check = [&](const char* option, bool subfolder, bool splits, int code) {
    const std::string refusal = RefusedPackageName(reader, option, subfolder, splits);
    if (!refusal.empty()) HaltStartup(run, "", code, refusal + "; nothing was built");
  };
  if (s.AllInOne) {
    check("allinone-wotmod-name", s.Subfolder, split, kExitAllInOnePackFailed);
    return;
  }
  for (const TStageRow& row : kStages) {
    if (reader.OptionText(row.Option).empty()) continue;
    check(row.NameOption, s.Subfolder && &row == &first, split && row.SplitAndLog,
          row.PackFailedCode);
  }
}

// The folders the stages write to and the package names, checked before anything is processed
// (by a dry run too, which makes and takes nothing): a folder that cannot be written ends the run
// with the code the first stage's writing would have given (its job's code for the temporary
// folder and for loose files, its packing code for packages).
void CheckFoldersAndTakeOutputFolder(TRun& run, bool remove_old) {
  TCommandLineReader& reader = *run.Reader;
  const TRunSettings& s = run.Settings;
  const TStageRow* first = FirstWantedStage(reader);
  if (first) CheckPackageNames(run, *first);
  if (first && !s.WithoutWotmod) CheckSystemTempFolder(run, first->JobErrorCode);
  int output_code = 0;
  if (first) {
    output_code = s.WithoutWotmod ? first->JobErrorCode
                  : s.AllInOne    ? kExitAllInOnePackFailed
                                  : first->PackFailedCode;
  }
  if (s.DryRun) {
    if (first) CheckOutputFolder(run, output_code);
  } else if (first || remove_old) {
    TakeOutputFolder(run, output_code);
  }
}

// A run without a mod builds nothing; a run with only --remove-wotmod is a clean-up.
void SayWhenNoModChosen(TRun& run) {
  if (AnyStageWanted(*run.Reader) || run.Reader->OptionSwitch("remove-wotmod")) return;
  run.Console.Line(
      "  > No mod was chosen, nothing is built: give one or more of --DPT-mod, --CCT-mod, "
      "--MEM-mod, --CTM-mod, --SpaceBin-mod, --CAMO-mod");
  run.Console.Line();
  run.LogLine("No mod chosen");
}

// The run log of --log; a log that cannot be written is said once.
void OpenRunLog(TRun& run, const RProgramFiles& files) {
  run.Log =
      std::make_unique<TLog>(files.LogFile, std::string("Version ") + kProgramVersion + " Build " +
                                                kProgramBuild + " Date " + kProgramDate);
  if (run.Log->IsOpen()) return;
  run.Console.ErrorLine(files.LogFile.empty()
                            ? std::string("Pallograph: no run log is written: the user has no "
                                          "home folder to keep it in")
                            : "Pallograph: the run log cannot be written: " +
                                  ToNativePath(files.LogFile));
}

void EndOfRun(TRun& run) {
  // A stop request that came while the last stage finished still ends the run as stopped.
  StopIfInterrupted();
  // Earlier packages that no stage settled go now: deleted when every packing succeeded.
  run.SettleEarlierPackages("", !run.PackingFailed, "a packing of this run failed");
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

  // The program's own folder, or the user's folders for an installed program. A dry run makes
  // and seeds none of them (but the run log's folder when a log is asked for).
  RProgramFiles files = run.Files;
  if (reader.OptionSwitch("dry-run")) {
    if (reader.OptionSwitch("log")) PrepareLogFolder(files);
  } else {
    PrepareProgramFiles(files);
  }

  // 1-2: run log and debug banner (silent mode prints neither: the console is silent already).
  if (reader.OptionSwitch("log")) OpenRunLog(run, files);
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
  s.DryRun = reader.OptionSwitch("dry-run");
  if (s.DryRun) {
    run.Console.Line(
        "  > Dry run: the chosen entries are counted; nothing is written, removed, "
        "refreshed or sent");
    run.Console.Line();
    run.LogLine("Dry run");
  }

  // 4: statistics.
  if (!s.DryRun) StartStatistics(run);

  // 5-6: configs folder and their refresh.
  const std::string configs = reader.OptionText("configs-path");
  s.ConfigsFolder = !configs.empty() && DirectoryExists(AbsoluteProgramPath(configs))
                        ? FolderOption(configs)
                        : files.ConfigsFolder;
  if (s.DryRun && s.ConfigsFolder == files.ConfigsFolder && files.Installed) {
    s.ConfigsFallback = files.InstalledConfigs;
  }
  run.LogLine("Configs Path: " + ToNativePath(s.ConfigsFolder));
  if (!s.DryRun && !reader.OptionSwitch("no-update-configs")) {
    run.Console.Line("  > Check and download configs");
    RefreshConfigs(run);
    run.Console.Line();
  }

  // 7: the client.
  AnalyseClient(run);
  StopIfInterrupted();

  // 8-9: output folder, packages of earlier runs.
  const std::string mods_path = reader.OptionText("mods-path");
  if (!mods_path.empty()) {
    s.OutputFolder = FolderOption(mods_path);
  } else {
    s.OutputFolder = s.WithoutWotmod ? run.Client.ResModsPath : run.Client.ModsPath;
  }
  run.LogLine("Mods Path: " + ToNativePath(s.OutputFolder));
  const bool remove_old = !s.DryRun && reader.OptionSwitch("remove-wotmod");
  CheckFoldersAndTakeOutputFolder(run, remove_old);
  if (!s.WithoutWotmod && remove_old) {
    // Moved aside, not yet deleted: a packing that fails puts them back.
    run.Console.Write("  > Search and delete old wotmod-files... ");
    const int deleted = run.EarlierPackages.MoveAside(s.OutputFolder, run.Sink());
    run.Console.Line(FilesCountText(deleted));
    run.Console.Line();
  }

  // 10-14: stage options, archive library, workers, temporary folder, timer.
  ReadStageOptions(run);
  SayWhenNoModChosen(run);
  if (AnyStageWanted(reader)) ChooseArchiveLibrary(run);
  ChooseWorkerLimit(run);
  if (!s.DryRun) {
    PrepareRunTempFolder(run);
    run.LogLine("Temp Path: " + ToNativePath(s.TempResFolder));
  }
  StartStatisticsTimer(run);

  // 15: the stages, the all-in-one package, the end.
  RunStages(run);
  EndOfRun(run);
  return run.ExitCode.Code();
}

}  // namespace pallograph
