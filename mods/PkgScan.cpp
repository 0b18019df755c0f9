#include "mods/PkgScan.h"

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "platform/PathText.h"

namespace pallograph {

TPkgScan::TPkgScan(const std::string& pkgFile, LogSink onLog, const std::string& outPath,
                   const std::string& clientPath, const std::string& libraryPath)
    : outPath_(outPath),
      pkgFile_(pkgFile),
      clientPath_(clientPath),
      libraryPath_(libraryPath),
      onLog_(std::move(onLog)) {}

TPkgScan::~TPkgScan() {
  onLog_ = nullptr;
  files_.clear();
}

void TPkgScan::Log(const std::string& line) const {
  if (onLog_) onLog_(line);
}

void TPkgScan::LogUnsafeEntry(const std::string& entryName) const {
  if (LogEnabled()) Log("Skip \t" + entryName + " (unsafe entry name)");
}

void TPkgScan::WalkPackage(const std::function<bool(const std::string& name)>& wanted,
                           const TEntryHandler& handle, const std::function<void()>& finish) {
  try {
    TPackageReader reader(libraryPath_, pkgFile_);
    if (LogEnabled()) Log("Open \t" + pkgFile_);
    const uint32_t count = reader.Count();
    entriesDone_ = 0;
    entriesWanted_ = 0;
    if (progress_) {
      for (uint32_t index = 0; index < count; ++index) {
        if (reader.IsFolder(index)) continue;
        const std::string name = reader.Path(index);
        if (wanted(name) && IsSafeRelativePath(name)) ++entriesWanted_;
      }
      progress_(0, entriesWanted_);
    }
    for (uint32_t index = 0; index < count; ++index) {
      if (reader.IsFolder(index)) continue;
      const std::string name = reader.Path(index);
      if (!wanted(name)) continue;
      if (!IsSafeRelativePath(name)) {
        if (finish) finish();
        LogUnsafeEntry(name);
        continue;
      }
      if (!handle(reader, index, name)) break;
    }
    if (finish) finish();
  } catch (const std::exception& error) {
    SettleWrites();
    errorText_ = ExceptionRecord(pkgFile_, error);
  } catch (...) {
    SettleWrites();
    errorText_ = UnknownExceptionRecord(pkgFile_);
  }
}

void TPkgScan::EntryDone() {
  if (progress_) progress_(++entriesDone_, entriesWanted_);
}

}  // namespace pallograph
