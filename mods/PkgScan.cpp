#include "mods/PkgScan.h"

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/PathText.h"
#include "platform/Stream.h"

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

bool TPkgScan::SaveEntry(const std::string& entryName, const void* data, size_t size) {
  const std::string target = outPath_ + entryName;
  ClearLastFileError();
  if (!ForceDirectories(ExtractFilePath(target))) {
    errorText_ = WriteFailureRecord(pkgFile_, entryName, LastFileError());
    return false;
  }
  if (LogEnabled()) Log("Write \t\t" + target);
  if (!WriteFileAtomic(target, data, size)) {
    errorText_ = WriteFailureRecord(pkgFile_, entryName, LastFileError());
    return false;
  }
  ++filesCount_;
  return true;
}

void TPkgScan::WalkPackage(const std::function<bool(const std::string& name)>& wanted,
                           const TEntryHandler& handle) {
  try {
    TPackageReader reader(libraryPath_, pkgFile_);
    if (LogEnabled()) Log("Open \t" + pkgFile_);
    const uint32_t count = reader.Count();
    uint32_t total = 0;
    uint32_t done = 0;
    if (progress_) {
      for (uint32_t index = 0; index < count; ++index) {
        if (reader.IsFolder(index)) continue;
        const std::string name = reader.Path(index);
        if (wanted(name) && IsSafeRelativePath(name)) ++total;
      }
      progress_(0, total);
    }
    for (uint32_t index = 0; index < count; ++index) {
      if (reader.IsFolder(index)) continue;
      const std::string name = reader.Path(index);
      if (!wanted(name)) continue;
      if (!IsSafeRelativePath(name)) {
        LogUnsafeEntry(name);
        continue;
      }
      const bool goOn = handle(reader, index, name);
      if (progress_) progress_(++done, total);
      if (!goOn) break;
    }
  } catch (const std::exception& error) {
    errorText_ = ExceptionRecord(pkgFile_, error);
  } catch (...) {
    errorText_ = UnknownExceptionRecord(pkgFile_);
  }
}

void TPkgScan::RepaintTextures(
    const std::function<TTextureChange(const std::string& name)>& select) {
  TTextureChange change;
  WalkPackage(
      [&](const std::string& name) {
        change = select(name);
        return static_cast<bool>(change);
      },
      [&](TPackageReader& reader, uint32_t index, const std::string& name) {
        if (dryRun_) {
          if (LogEnabled()) Log("Choose \t" + name);
          ++filesCount_;
          return true;
        }
        if (LogEnabled()) Log("Read \t\t" + name);
        TMemoryStream stream;
        try {
          reader.Extract(index, stream, TEntryKind::Texture);
        } catch (const EEntryTooLarge& error) {
          // Only this entry fails; the package's other entries go on.
          if (LogEnabled()) Log("Refused \t" + name + ": " + error.what());
          if (errorText_.empty()) errorText_ = ExceptionRecord(pkgFile_, name, error);
          return true;
        }
        if (LogEnabled()) Log("Repaint \t" + name);
        if (const RResult changed = change(stream.Data()); !changed) {
          throw Exception(name + " - failed to create repainted texture! (" + changed.Cause + ")");
        }
        SaveEntry(name, stream.Data().data(), stream.Data().size());
        return true;
      });
}

}  // namespace pallograph
