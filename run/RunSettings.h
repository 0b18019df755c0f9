// The values a run with options prepares before its first stage and every stage reads. Owned by
// the run, main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "client/WOTInfo.h"
#include "platform/NativePath.h"
#include "platform/OwnerLock.h"
#include "run/Console.h"
#include "run/ExitCodes.h"
#include "run/OldWotmods.h"
#include "run/ProgramFiles.h"
#include "run/RunLog.h"

namespace pallograph {

class TCommandLineReader;
class TGoogleAnalytics;

struct TRunSettings {
  std::string RunStamp;  // local start time, "yymmdd.hhnnss"
  bool TestMode = false;
  bool DryRun = false;  // choose entries only: no package, temporary folder, refresh or removal
  bool SilentMode = false;
  bool AutoClose = false;  // cleared again by any failure
  bool WithoutWotmod = false;
  bool AllInOne = false;
  bool Subfolder = false;
  std::string ConfigsFolder;  // trailing '\'
  // A dry run of an installed program, which does not seed the user's configs folder: where a
  // config missing there is read instead (the shipped copy); "" for none.
  std::string ConfigsFallback;
  std::string OutputFolder;  // trailing '\'
  bool DPTOn = false, CCTOn = false, MEMOn = false, CTMOn = false, SpaceBinOn = false,
       CAMOOn = false;
  std::string DPTColor, InsideColor, CCTColor, MEMColor, CTMColor, SpaceBinTankColor,
      SpaceBinTrainColor;
  bool RemoveShadowsOn = false;
  bool WithoutHD = false;
  int32_t CamoPercent = 0;
  int32_t WorkerLimit = 1;
  std::string ArchiveLibraryFile;  // empty when no library could be found
  bool ArchiveLibraryExtracted = false;
  std::string RunTempFolder;  // system temporary folder + this run's GUID + '\'
  std::string TempResFolder;  // RunTempFolder + "res\"
};

// Everything one run owns.
struct TRun {
  TConsole Console;
  TCommandLineReader* Reader = nullptr;
  std::unique_ptr<TLog> Log;
  TRunSettings Settings;
  // Where the program's own files are (portable or installed edition), located once at the start.
  RProgramFiles Files;
  RWOTInfo Client;
  TExitCode ExitCode;
  // The statistics client; none with "no-send-statistic". Lives until the run ends.
  std::shared_ptr<TGoogleAnalytics> Stats;
  // The output folder's lock and the temporary folder's owner mark, held until the end.
  std::unique_ptr<TOwnerLock> OutputLock;
  std::unique_ptr<TOwnerLock> TempFolderMark;
  // The packages --remove-wotmod moved aside; declared after the lock, so that a run ending some
  // unexpected way puts them back while it still holds the folder.
  TEarlierPackages EarlierPackages;
  // A packing (a stage's or the all-in-one package's) failed in this run.
  bool PackingFailed = false;
  // Files the jobs of the running stage reported, and of all stages so far.
  int64_t StageFiles = 0;
  int64_t RunFiles = 0;

  // Writes a line to the run log when there is one.
  void LogLine(const std::string& text) {
    if (Log) Log->WriteLine(text);
  }
  // The sink for jobs and helpers: their lines name program paths, which the log shows in the
  // system's form.
  LogSink Sink() {
    if (!Log) return {};
    TLog* log = Log.get();
    return [log](const std::string& line) { log->WriteLine(ToNativePath(line)); };
  }
  // Settles the earlier packages that --remove-wotmod moved aside (TEarlierPackages::Settle);
  // those put back are said on standard error with the reason `why`.
  void SettleEarlierPackages(std::string_view prefix, bool replaced, const std::string& why) {
    const int putBack = EarlierPackages.Settle(prefix, replaced, Sink());
    if (putBack == 0) return;
    Console.ErrorLine("Pallograph: " + std::to_string(putBack) +
                      (putBack == 1 ? " earlier package was" : " earlier packages were") +
                      " put back (" + why + "): " + ToNativePath(Settings.OutputFolder));
  }
  // Records a failure: the first code wins; the console waits for enter at the end.
  void Fail(int code) {
    ExitCode.Fail(code);
    Settings.AutoClose = false;
  }
  // Records a failure with its cause: the code as Fail, and the cause on one line in the run log
  // and, outside silent mode, on standard error.
  void Fail(int code, const std::string& cause) {
    Fail(code);
    if (cause.empty()) return;
    LogLine("Failure " + std::to_string(code) + ": " + OneLine(cause));
    Console.ErrorLine("Pallograph: " + cause);
  }
};

}  // namespace pallograph
