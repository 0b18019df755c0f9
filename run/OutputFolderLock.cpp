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
#include "run/RunSettings.h"
#include "run/StartupHalt.h"

namespace pallograph {

namespace {

constexpr int kDefaultWaitSeconds = 30;
constexpr unsigned kPollMs = 200;

int WaitSeconds() {
  const std::string text = GetEnvironmentText("PALLOGRAPH_LOCK_WAIT");
  if (text.empty()) return kDefaultWaitSeconds;
  int64_t value = 0;
  return ParseDecimal(text, value) && value >= 0 && value <= 3600 ? static_cast<int>(value)
                                                                  : kDefaultWaitSeconds;
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

void TakeOutputFolder(TRun& run, int failureCode) {
  const std::string& folder = run.Settings.OutputFolder;
  const std::string shown = ToNativePath(folder);
  std::string unusable;
  if (!DirectoryExists(folder) && !ForceDirectories(folder)) {
    unusable =
        PathExists(ExcludeTrailingBackslash(folder))
            ? "the output folder is a file: " + ToNativePath(ExcludeTrailingBackslash(folder))
            : "the output folder cannot be made: " + shown;
  } else if (!FolderIsWritable(folder)) {
    unusable = "the output folder cannot be written: " + shown;
  }
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
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(WaitSeconds());
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
}

}  // namespace pallograph
