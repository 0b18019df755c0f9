#include "run/OnlineSteps.h"

#include "configs/CfgFile.h"
#include "configs/CfgUpdate.h"
#include "online/GoogleAnalytics.h"
#include "online/SystemInfo.h"
#include "online/WebUpdate.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/CommandLineReader.h"
#include "run/Console.h"
#include "run/ExitCodes.h"
#include "run/Interruption.h"
#include "run/ProgramFiles.h"
#include "run/ProgramInfo.h"
#include "run/RunSettings.h"

namespace pallograph {

namespace {

constexpr const char* kConfigFiles[] = {"CrashTanks.cfg", "MapTanks.cfg", "MapTrains.cfg",
                                        "Camouflage.cfg"};

// What the update check asks the server for.
constexpr const char* kUpdateVersionFile = "Pallograph.upd";
constexpr const char* kUpdateInfoFileRu = "UpdateInfo_ru.upd";
constexpr const char* kUpdateInfoFileEn = "UpdateInfo_en.upd";
// The program always shows English texts.
constexpr int16_t kUpdateLanguage = 1;

// Switches reported with the start event, in this order.
constexpr const char* kReportedSwitches[] = {"silent-mode", "auto-close-console", "without-wotmod",
                                             "allinone-wotmod", "subfolder-wotmod"};

// Every event of the run carries no value.
constexpr int32_t kNoEventValue = -1;

bool AnsweredYes(const std::string& answer) { return SameTextAscii(answer, "Y"); }

// What went wrong in an online step: on standard error and in the run log.
void ReportOnlineProblem(TRun& run, const std::string& problem) {
  run.Console.ErrorLine("Pallograph: " + problem);
  run.LogLine(OneLine(problem));
}

// Ends the program when the user started the download of a new version.
void CheckForUpdate(TRun& run) {
  const TWebUpdate update(kProgramBuild, true, true, kProgramName, kUpdateLanguage,
                          kUpdateInfoFileEn, kUpdateInfoFileRu, kUpdateVersionFile,
                          UpdateServerUrl());
  StopIfInterrupted();
  for (const std::string& problem : update.Problems()) {
    ReportOnlineProblem(run, "update check: " + problem);
  }
  if (update.WaitRanOut()) {
    ReportOnlineProblem(
        run, "update check: no result within " + std::to_string(kUpdateWaitMs / 1000) + " s from " +
                 UpdateServerUrl() + kUpdateVersionFile + "; it is not waited for any longer");
  }
  if (update.DownloadStarted()) throw THaltRun{0};
}

}  // namespace

void RunHelpPrompts(TRun& run) {
  run.Console.Write("  > Check of a new version of the program? [Press Y/N and ENTER] ");
  if (AnsweredYes(run.Console.ReadLine())) CheckForUpdate(run);
  run.Console.Line();
  run.Console.Write("  > Check and download configs? [Press Y/N and ENTER] ");
  if (AnsweredYes(run.Console.ReadLine())) {
    RProgramFiles files = run.Files;
    PrepareProgramFiles(files);
    run.Settings.ConfigsFolder = files.ConfigsFolder;
    RefreshConfigs(run);
  }
  run.Console.Line();
}

void RefreshConfigs(TRun& run) {
  for (const char* file : kConfigFiles) {
    const std::string label = std::string(file) + "... ";
    run.Console.Write("          " + PadRight(label, 20));
    std::string reason;
    const int result = UpdateCfgFile(run.Settings.ConfigsFolder + file, reason);
    // A stop request ends the fetch at once; the line stays without a result.
    StopIfInterrupted();
    run.Console.Line(result == kCfgCurrent   ? "OK"
                     : result == kCfgUpdated ? "Updated"
                     : result == kCfgRefused ? "Refused"
                                             : "Disconnect");
    if (!reason.empty()) ReportOnlineProblem(run, std::string(file) + " not refreshed: " + reason);
  }
}

void StartStatistics(TRun& run) {
  if (run.Reader->OptionSwitch("no-send-statistic")) return;
  const std::string productName = GetWindowsProductName();
  const RHitSettings settings = MakeHitSettings(StatsTrackingId(), MakeClientId(), kProgramName,
                                                kProgramVersion, kProgramBuild, productName, "");
  run.Stats = std::make_shared<TGoogleAnalytics>(settings, StatsCollectorHost());
  run.Stats->SendEvent("Application", "Run", kNoEventValue, productName);
  for (const char* option : kReportedSwitches) {
    if (run.Reader->OptionSwitch(option)) SendOptionEvent(run, option, "On");
  }
}

void SendOptionEvent(TRun& run, const std::string& option, const std::string& label) {
  if (run.Stats) run.Stats->SendEvent("Args", option, kNoEventValue, label);
}

void StartStatisticsTimer(TRun& run) {
  if (run.Stats) run.Stats->StartTiming();
}

void SendFullTime(TRun& run) {
  if (run.Stats) run.Stats->SendTiming("Processing", "FullTime", "", run.Stats->ElapsedMs());
}

}  // namespace pallograph
