// TPkgScan: base of the synchronous mod jobs (map textures, camouflages, space.bin). A job walks
// one package on the calling thread, writes its changed entries under the output folder with
// their package-relative paths and reports through ErrorText() and FilesCount(); it never throws
// out of its walk. Not thread-safe: one job belongs to one thread (the main thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mods/DDSFileList.h"
#include "mods/OrderedChanges.h"
#include "platform/LogSink.h"
#include "platform/Result.h"

namespace pallograph {

class TPackageReader;
class TWorkerPool;

class TPkgScan {
 public:
  // pkgFile: full program path of the package. outPath: output folder ending in '\'.
  // clientPath: the client folder (kept for the jobs; none uses it). libraryPath: the archive
  // library file each walk loads its reader from. onLog may be empty (run log off).
  TPkgScan(const std::string& pkgFile, LogSink onLog, const std::string& outPath,
           const std::string& clientPath, const std::string& libraryPath);
  virtual ~TPkgScan();
  TPkgScan(const TPkgScan&) = delete;
  TPkgScan& operator=(const TPkgScan&) = delete;

  // The error record of the last failure; empty when the job succeeded.
  const std::string& ErrorText() const { return errorText_; }
  // Number of files written.
  int32_t FilesCount() const { return filesCount_; }
  const ADDSFileList& Files() const { return files_; }
  const std::string& PkgFile() const { return pkgFile_; }
  // Called with (entries done, entries wanted) once the wanted entries of the package are
  // counted and after each of them; the count costs one more pass over the names, so only a
  // job with a progress callback makes it. Main thread of the job.
  void SetProgress(std::function<void(uint32_t done, uint32_t wanted)> progress) {
    progress_ = std::move(progress);
  }
  // A dry run chooses the entries as a real walk would and logs each ("Choose"), but reads and
  // writes none: FilesCount() is then the number of files the job would write.
  void SetDryRun(bool dryRun) { dryRun_ = dryRun; }
  // The stage's workers (not owned; nullptr, the default, does everything on the calling
  // thread): the textures of the package are read, changed and written on them, at most
  // TexturesInFlight + TexturesBeingWritten at a time, while the walk goes on; logging,
  // counting and the error record stay in archive order.
  void SetWorkers(TWorkerPool* workers) { workers_ = workers; }

 protected:
  bool LogEnabled() const { return static_cast<bool>(onLog_); }
  // Hands the line to the log sink at once (when set).
  void Log(const std::string& line) const;
  // Logs that an entry with an unsafe name was not written.
  void LogUnsafeEntry(const std::string& entryName) const;

  // Handles one wanted entry of the open package; false stops the walk. May throw.
  using TEntryHandler =
      std::function<bool(TPackageReader& reader, uint32_t index, const std::string& name)>;
  // The common walk: opens the package (logging "Open"), and hands each file entry, in archive
  // order, that `wanted` accepts to `handle`; a wanted entry whose name is not safe to join to
  // the output folder is skipped with a log line. `finish`, when given, ends the work of the
  // entries handed over so far: it runs before such a log line and after the last entry. An
  // exception ends the walk with the exception record; the package is closed in every case.
  // Never throws.
  void WalkPackage(const std::function<bool(const std::string& name)>& wanted,
                   const TEntryHandler& handle, const std::function<void()>& finish = {});
  // Counts one wanted entry as done for the progress callback.
  void EntryDone();

  // The walk of the texture jobs: for each file entry in archive order, `select` gives the
  // change to make (empty: the entry is not wanted); the entry is read into memory, changed and
  // written under the output folder with its package path (a failed write is recorded and the
  // walk goes on). A failed change ends the walk with the exception record whose message is
  // name + " - failed to create repainted texture!". With workers, the reads, changes and
  // writes run on them while the walk goes on, and each result is handled in archive order as
  // above. In a dry run each wanted entry is only logged and counted. Never throws.
  void RepaintTextures(const std::function<TTextureChange(const std::string& name)>& select);

  std::string outPath_;
  std::string errorText_;
  std::string pkgFile_;
  std::string clientPath_;
  std::string libraryPath_;
  ADDSFileList files_;
  int32_t filesCount_ = 0;
  bool dryRun_ = false;
  TWorkerPool* workers_ = nullptr;
  LogSink onLog_;
  std::function<void(uint32_t done, uint32_t wanted)> progress_;
  uint32_t entriesDone_ = 0;
  uint32_t entriesWanted_ = 0;

 private:
  // Logs, checks and saves one texture of the walk, as the walk without workers does at that
  // point of the archive (reading and changing it first on the walk's reader when no worker
  // could). Throws what ends the walk.
  void FinishTexture(std::unique_ptr<TOrderedChanges::TItem> item, TPackageReader& reader);
  // Writes a changed texture to outPath_ + its name, creating the folders; a failure sets the
  // write-failure record and the walk goes on. The write itself runs on the workers.
  void SaveTexture(std::unique_ptr<TOrderedChanges::TItem> item);
  // Counts or records the oldest write handed over.
  void TakeWrite();
  // Takes back every write handed over, in order: counts each file written and records each
  // failure, as if each had been written when it was handed over. Runs before anything else
  // touches the error record.
  void SettleWrites();

  TOrderedChanges* writes_ = nullptr;        // the texture walk's writes in flight
  std::multiset<std::string> writeTargets_;  // their files, upper-cased
};

}  // namespace pallograph
