// TPkgScan: base of the synchronous mod jobs (map textures, camouflages, space.bin). A job walks
// one package on the calling thread, writes its changed entries under the output folder with
// their package-relative paths and reports through ErrorText() and FilesCount(); it never throws
// out of its walk. Not thread-safe: one job belongs to one thread (the main thread).
#pragma once

#include <cstdint>
#include <functional>
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
  // The stage's workers (not owned; nullptr, the default, changes every texture on the calling
  // thread): the textures of the package are changed on them, TexturesInFlight at a time, while
  // the walk reads on; logging, writing, counting and the error record stay in archive order.
  void SetWorkers(TWorkerPool* workers) { workers_ = workers; }

 protected:
  bool LogEnabled() const { return static_cast<bool>(onLog_); }
  // Hands the line to the log sink at once (when set).
  void Log(const std::string& line) const;
  // Writes `data` to outPath_ + entryName, creating the folders. On failure records the
  // write-failure form and returns false; the caller goes on with its walk.
  bool SaveEntry(const std::string& entryName, const void* data, size_t size);
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
  // saved (SaveEntry). A failed change ends the walk with the exception record whose message is
  // name + " - failed to create repainted texture!". With workers, the changes run on them while
  // the walk reads ahead, and each result is then handled in archive order as above. In a dry
  // run each wanted entry is only logged and counted. Never throws.
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
  void FinishTexture(TOrderedChanges::TItem& item, TPackageReader& reader);
};

}  // namespace pallograph
