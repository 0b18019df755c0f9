#include "mods/PkgScan.h"

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/PathText.h"
#include "platform/Stream.h"
#include "texture/WorkerPool.h"

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
    errorText_ = ExceptionRecord(pkgFile_, error);
  } catch (...) {
    errorText_ = UnknownExceptionRecord(pkgFile_);
  }
}

void TPkgScan::EntryDone() {
  if (progress_) progress_(++entriesDone_, entriesWanted_);
}

namespace {

// Whether a read error ends only its entry (a refused size), not the walk.
bool EndsOnlyTheEntry(const std::exception_ptr& readError) {
  try {
    std::rethrow_exception(readError);
  } catch (const EEntryTooLarge&) {
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

void TPkgScan::FinishTexture(TOrderedChanges::TItem& item) {
  const std::string& name = item.Name;
  if (LogEnabled()) Log("Read \t\t" + name);
  if (item.ReadError) {
    try {
      std::rethrow_exception(item.ReadError);
    } catch (const EEntryTooLarge& error) {
      // Only this entry fails; the package's other entries go on.
      if (LogEnabled()) Log("Refused \t" + name + ": " + error.what());
      if (errorText_.empty()) errorText_ = ExceptionRecord(pkgFile_, name, error);
      EntryDone();
      return;
    }
  }
  if (LogEnabled()) Log("Repaint \t" + name);
  if (item.ChangeError) std::rethrow_exception(item.ChangeError);
  if (!item.Changed) {
    throw Exception(name + " - failed to create repainted texture! (" + item.Changed.Cause + ")");
  }
  SaveEntry(name, item.Texture.data(), item.Texture.size());
  EntryDone();
}

void TPkgScan::RepaintTextures(
    const std::function<TTextureChange(const std::string& name)>& select) {
  TTextureChange change;
  const auto wanted = [&](const std::string& name) {
    change = select(name);
    return static_cast<bool>(change);
  };
  if (dryRun_) {
    WalkPackage(wanted, [&](TPackageReader&, uint32_t, const std::string& name) {
      if (LogEnabled()) Log("Choose \t" + name);
      ++filesCount_;
      EntryDone();
      return true;
    });
    return;
  }
  TOrderedChanges changes(workers_,
                          workers_ != nullptr ? TexturesInFlight(workers_->Workers()) : 1);
  const auto finishAll = [&] {
    while (!changes.Empty()) FinishTexture(*changes.TakeOldest());
  };
  WalkPackage(
      wanted,
      [&](TPackageReader& reader, uint32_t index, const std::string& name) {
        auto item = std::make_unique<TOrderedChanges::TItem>();
        item->Name = name;
        try {
          TMemoryStream stream;
          reader.Extract(index, stream, TEntryKind::Texture);
          item->Texture = std::move(stream.Data());
        } catch (...) {
          item->ReadError = std::current_exception();
        }
        // A read error other than a refused size ends the walk at this entry.
        const bool readOn = !item->ReadError || EndsOnlyTheEntry(item->ReadError);
        changes.Add(std::move(item), std::move(change));
        if (!readOn) {
          finishAll();
          return false;
        }
        while (changes.Full()) FinishTexture(*changes.TakeOldest());
        return true;
      },
      finishAll);
}

}  // namespace pallograph
