// The walk of the texture jobs (map textures and camouflages), with or without the stage's
// workers.
#include <memory>
#include <mutex>
#include <vector>

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "mods/PkgScan.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/PathText.h"
#include "platform/Stream.h"
#include "texture/WorkerPool.h"

namespace pallograph {
namespace {

// Readers of one package for the stage's workers, each used by one worker at a time: a worker
// takes a free one, or opens the package for a new one, and puts it back. Once an open has
// failed, no more are opened.
class TReaderShelf {
 public:
  TReaderShelf(const std::string& libraryPath, const std::string& packagePath)
      : libraryPath_(libraryPath), packagePath_(packagePath) {}

  // A reader of the package; nullptr when none can be had.
  std::unique_ptr<TPackageReader> Take() {
    {
      std::lock_guard lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<TPackageReader> reader = std::move(free_.back());
        free_.pop_back();
        return reader;
      }
      if (failed_) return nullptr;
    }
    try {
      return std::make_unique<TPackageReader>(libraryPath_, packagePath_);
    } catch (...) {
      std::lock_guard lock(mutex_);
      failed_ = true;
      return nullptr;
    }
  }

  void Put(std::unique_ptr<TPackageReader> reader) noexcept {
    std::lock_guard lock(mutex_);
    try {
      free_.push_back(std::move(reader));
    } catch (...) {
      // Without room to keep it, the reader closes; the next worker opens one.
    }
  }

 private:
  const std::string libraryPath_;
  const std::string packagePath_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<TPackageReader>> free_;  // guarded by mutex_
  bool failed_ = false;                                // guarded by mutex_
};

// Reads the item's entry into memory and changes it; every failure stays in the item.
void ReadAndChange(TOrderedChanges::TItem& item, TPackageReader& reader, TWorkerPool* workers) {
  try {
    TMemoryStream stream;
    reader.Extract(item.Index, stream, TEntryKind::Texture);
    item.Texture = std::move(stream.Data());
  } catch (...) {
    item.ReadError = std::current_exception();
    return;
  }
  try {
    item.Changed = item.Change(item.Texture, workers);
  } catch (...) {
    item.ChangeError = std::current_exception();
  }
}

}  // namespace

void TPkgScan::FinishTexture(std::unique_ptr<TOrderedChanges::TItem> item, TPackageReader& reader) {
  const std::string& name = item->Name;
  if (LogEnabled()) Log("Read \t\t" + name);
  if (item->ReadByWalk) ReadAndChange(*item, reader, workers_);
  if (item->ReadError) {
    try {
      std::rethrow_exception(item->ReadError);
    } catch (const EEntryTooLarge& error) {
      // Only this entry fails; the package's other entries go on.
      if (LogEnabled()) Log("Refused \t" + name + ": " + error.what());
      SettleWrites();
      if (errorText_.empty()) errorText_ = ExceptionRecord(pkgFile_, name, error);
      EntryDone();
      return;
    }
  }
  if (LogEnabled()) Log("Repaint \t" + name);
  if (item->ChangeError) std::rethrow_exception(item->ChangeError);
  if (!item->Changed) {
    throw Exception(name + " - failed to create repainted texture! (" + item->Changed.Cause + ")");
  }
  SaveTexture(std::move(item));
  EntryDone();
}

void TPkgScan::SaveTexture(std::unique_ptr<TOrderedChanges::TItem> item) {
  item->Target = outPath_ + item->Name;
  ClearLastFileError();
  if (!ForceDirectories(ExtractFilePath(item->Target))) {
    const std::string cause = LastFileError();
    SettleWrites();
    errorText_ = WriteFailureRecord(pkgFile_, item->Name, cause);
    return;
  }
  if (LogEnabled()) Log("Write \t\t" + item->Target);
  // A later entry for the same file replaces the earlier one: it waits for that write.
  std::string key = UpperCaseAscii(item->Target);
  if (writeTargets_.count(key) != 0) SettleWrites();
  writeTargets_.insert(std::move(key));
  writes_->Add(std::move(item), [](TOrderedChanges::TItem& written) {
    ClearLastFileError();
    written.Written =
        WriteFileAtomic(written.Target, written.Texture.data(), written.Texture.size());
    if (!written.Written) written.WriteCause = LastFileError();
    std::vector<uint8_t>().swap(written.Texture);
  });
  while (writes_->Full()) TakeWrite();
}

void TPkgScan::TakeWrite() {
  const std::unique_ptr<TOrderedChanges::TItem> done = writes_->TakeOldest();
  writeTargets_.erase(writeTargets_.find(UpperCaseAscii(done->Target)));
  if (done->Written) {
    ++filesCount_;
  } else {
    errorText_ = WriteFailureRecord(pkgFile_, done->Name, done->WriteCause);
  }
}

void TPkgScan::SettleWrites() {
  if (writes_ == nullptr) return;
  while (!writes_->Empty()) TakeWrite();
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
  // Declared before the window: the window's end waits for the work that uses them.
  TReaderShelf readers(libraryPath_, pkgFile_);
  TPackageReader* walkReader = nullptr;
  TOrderedChanges changes(workers_,
                          workers_ != nullptr ? TexturesInFlight(workers_->Workers()) : 1);
  TOrderedChanges writes(workers_,
                         workers_ != nullptr ? TexturesBeingWritten(workers_->Workers()) : 1);
  writes_ = &writes;
  const auto finishAll = [&] {
    while (!changes.Empty()) FinishTexture(changes.TakeOldest(), *walkReader);
    SettleWrites();
  };
  WalkPackage(
      wanted,
      [&](TPackageReader& reader, uint32_t index, const std::string& name) {
        walkReader = &reader;
        auto item = std::make_unique<TOrderedChanges::TItem>();
        item->Name = name;
        item->Index = index;
        item->Change = std::move(change);
        if (workers_ == nullptr) {
          changes.Add(std::move(item), [&reader](TOrderedChanges::TItem& added) {
            ReadAndChange(added, reader, nullptr);
          });
        } else {
          // Each worker reads with a reader of its own; the walk's reader stays on this thread.
          changes.Add(std::move(item),
                      [&readers, workers = workers_](TOrderedChanges::TItem& added) {
                        std::unique_ptr<TPackageReader> own = readers.Take();
                        if (!own) {
                          added.ReadByWalk = true;
                          return;
                        }
                        ReadAndChange(added, *own, workers);
                        readers.Put(std::move(own));
                      });
        }
        while (changes.Full()) FinishTexture(changes.TakeOldest(), reader);
        return true;
      },
      finishAll);
  // The walk's end (finishAll) or its failure settled every write.
  writes_ = nullptr;
}

}  // namespace pallograph
