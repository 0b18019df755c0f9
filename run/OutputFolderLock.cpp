#include "run/OutputFolderLock.h"

#include <chrono>

#include "platform/FileSystem.h"
#include "platform/GuidText.h"
#include "platform/IntegerText.h"
#include "platform/NativePath.h"
#include "platform/OwnerLock.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/ExitCodes.h"
#include "run/Interruption.h"
#include "run/OldWotmods.h"
#include "run/RunSettings.h"
#include "run/StartupHalt.h"

namespace pallograph {

namespace {

constexpr int kDefaultWaitSeconds = 30;
constexpr unsigned kPollMs = 200;

constexpr int kLongestWaitSeconds = 3600;

// How long the run waits for another run's lock; a setting it cannot use is said, once.
int WaitSeconds(TRun& run) {
  const std::string text = GetEnvironmentText("PALLOGRAPH_LOCK_WAIT");
  if (text.empty()) return kDefaultWaitSeconds;
  int64_t value = 0;
  if (ParseDecimal(text, value) && value >= 0 && value <= kLongestWaitSeconds) {
    return static_cast<int>(value);
  }
  const std::string notice = "PALLOGRAPH_LOCK_WAIT=" + text + " is not a number of seconds 0.." +
                             std::to_string(kLongestWaitSeconds) + ": " +
                             std::to_string(kDefaultWaitSeconds) + " are used";
  run.Console.ErrorLine("Pallograph: " + notice);
  run.LogLine(notice);
  return kDefaultWaitSeconds;
}

// Why the output folder cannot take the run's files, or "". With `make`, a missing folder is
// made; without, only whether it could be made is found out (the nearest folder that exists
// above it must be writable), and nothing is written.
std::string OutputFolderFault(const std::string& folder, bool make) {
  const std::string shown = ToNativePath(folder);
  const std::string path = ExcludeTrailingBackslash(folder);
  if (!DirectoryExists(folder)) {
    if (PathExists(path)) return "the output folder is a file: " + ToNativePath(path);
    if (make) {
      if (!ForceDirectories(folder)) return "the output folder cannot be made: " + shown;
      return FolderIsWritable(folder) ? "" : "the output folder cannot be written: " + shown;
    }
    std::string above = ExtractFileDir(path);
    while (!above.empty() && !PathExists(above) && ExtractFileDir(above) != above) {
      above = ExtractFileDir(above);
    }
    return DirectoryExists(above) && FolderAllowsWriting(above)
               ? ""
               : "the output folder cannot be made: " + shown;
  }
  const bool writable = make ? FolderIsWritable(folder) : FolderAllowsWriting(folder);
  return writable ? "" : "the output folder cannot be written: " + shown;
}

// "<name>.wotmod.{GUID}.tmp", the packer's temporary names (any case).
bool IsTempPackageName(const std::string& name) {
  const std::string lower = LowerCaseAscii(name);
  constexpr size_t kGuidLength = 38;
  constexpr std::string_view kTail = ".tmp";
  constexpr std::string_view kPackage = ".wotmod.";
  if (lower.size() < kPackage.size() + kGuidLength + kTail.size() + 1) return false;
  if (!EndsWith(lower, std::string(kTail))) return false;
  const size_t guid_at = lower.size() - kTail.size() - kGuidLength;
  return IsGuidText(std::string_view(name).substr(guid_at, kGuidLength)) &&
         lower.compare(guid_at - kPackage.size(), kPackage.size(), kPackage) == 0;
}

}  // namespace

int RemoveStaleTempPackages(const std::string& folder, const LogSink& log) {
  int removed = 0;
  const std::string base = IncludeTrailingBackslash(folder);
  for (const TDirEntry& entry : ListDirectory(base)) {
    if (entry.IsLink) continue;
    if (entry.IsDirectory) {
      removed += RemoveStaleTempPackages(base + entry.Name, log);
    } else if (IsTempPackageName(entry.Name) && DeleteFileAt(base + entry.Name)) {
      ++removed;
      if (log) log("Removed stale temporary package: " + base + entry.Name);
    }
  }
  return removed;
}

void CheckOutputFolder(TRun& run, int failureCode) {
  const std::string unusable = OutputFolderFault(run.Settings.OutputFolder, false);
  if (!unusable.empty()) HaltStartup(run, "", failureCode, unusable + "; nothing was built");
}

void TakeOutputFolder(TRun& run, int failureCode) {
  const std::string& folder = run.Settings.OutputFolder;
  const std::string shown = ToNativePath(folder);
  const int wait_seconds = WaitSeconds(run);
  const std::string unusable = OutputFolderFault(folder, true);
  if (!unusable.empty()) {
    if (failureCode != 0) HaltStartup(run, "", failureCode, unusable + "; nothing was built");
    run.LogLine("Output folder not usable, no lock taken: " + shown);
    return;
  }
  const std::string path = folder + kOutputLockName;
  TOwnerLock::TState state = TOwnerLock::Take(path, run.OutputLock);
  if (state == TOwnerLock::TState::Held) {
    run.LogLine("Output folder in use by another run: " + shown);
    run.Console.Write("  > Waiting for another run of the program on the same folder... ");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(wait_seconds);
    while (state == TOwnerLock::TState::Held && std::chrono::steady_clock::now() < until) {
      SleepMs(kPollMs);
      StopIfInterrupted();
      state = TOwnerLock::Take(path, run.OutputLock);
    }
    if (state == TOwnerLock::TState::Held) {
      run.Console.Line("Busy!");
      HaltStartup(run, "", kExitOutputFolderBusy,
                  "another run of the program is writing to " + shown);
    }
    run.Console.Line("OK");
    run.Console.Line();
  }
  if (state != TOwnerLock::TState::Taken) {
    run.LogLine("Output folder lock not taken: " + ToNativePath(path));
    return;
  }
  RemoveStaleTempPackages(folder, run.Sink());
  PutBackStaleEarlierPackages(folder, run.Sink());
}

}  // namespace pallograph
