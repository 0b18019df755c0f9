// The values a run with options prepares before its first stage and every stage reads. Owned by
// the run, main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "client/WOTInfo.h"
#include "platform/NativePath.h"
#include "platform/OwnerLock.h"
#include "run/Console.h"
#include "run/ExitCodes.h"
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
  std::string OutputFolder;   // trailing '\'
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
