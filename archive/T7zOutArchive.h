// The archive writer: queues files, folders and streams as entries, distributes them over
// batches (parts) when a part size limit is set, and writes each batch as a complete archive
// through the library's format handler.
//
// Entry paths are handed to the library with '/' separators, so archives always hold standard
// zip names. Every failure throws: ESevenZipError for library result codes, EInOutError for files
// that cannot be read or created, ERangeError for an entry of 2 GiB or more.
//
// Thread safety: a writer is used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/SevenZipAbi.h"
#include "archive/T7zBatchItem.h"
#include "archive/T7zCallback.h"
#include "archive/T7zPlugin.h"
#include "archive/T7zRef.h"
#include "platform/Stream.h"

namespace pallograph {

class T7zWriterCallback;

// The file name of part `number` (from 1) of a file at `path`: the format, with its "%d"
// conversion (flags '0' and '-', width, precision) filled with the number, before the extension
// ("a.zip", "_Part%.2d", 3 -> "a_Part03.zip"). The one part-name rule of archives and packages.
std::string PartFileName(const std::string& path, const std::string& format, size_t number);

class T7zOutArchive final : public T7zArchive {
 public:
  // Progress: `isTotal` tells a total from a completed value; a result other than S_OK stops
  // writing. May be called from the library's threads.
  using TProgressCallback = std::function<sevenzip::HRESULT(bool isTotal, uint64_t value)>;

  // Loads the library (throws as T7zArchive). The class id is set by CreateWriter. Starts with
  // one empty batch, current batch 0, no part size limit.
  explicit T7zOutArchive(const std::string& libraryPath);
  ~T7zOutArchive() override;

  // Queues an entry whose data come from the stream (nullptr for a folder). Throws ERangeError
  // when the stream holds 2 GiB or more.
  void AddStream(std::shared_ptr<TStream> stream, uint32_t attributes, uint64_t creationTime,
                 uint64_t lastWriteTime, const std::string& archivePath, bool isFolder,
                 bool isAnti);
  // Queues an existing file under the archive path; does nothing when the file does not exist.
  void AddFile(const std::string& filePath, const std::string& archivePath);
  // Queues the files under `folder` that match one of the ';'-separated masks ("*.*" matches
  // every name), with paths relative to the folder, prefixed by `archiveFolder` + '\' when that
  // is not empty. With `recurse`, files of sub-folders (except those whose name begins with '.')
  // come before the files of their parent, so a file in the root such as meta.xml comes last.
  // Within a folder, names are taken in byte order.
  void AddFolder(const std::string& folder, const std::string& archiveFolder,
                 const std::string& masks, bool recurse);

  // Writes the archive: one file with at most one batch; otherwise one file per batch, named
  // after `path` with the part name format (of the part number from 1) before its extension.
  // Every file is written under a temporary name and renamed into place only when all are
  // written; on failure none is left and existing files keep their content.
  void WriteToFile(const std::string& path);
  // Writes one batch as a complete archive into the stream (not owned; it must be seekable).
  void WriteBatchToStream(TStream& stream, size_t batchIndex);
  // Writes one batch as a complete archive into a new file (replacing an existing one).
  void WriteBatchToFile(const std::string& path, size_t batchIndex);

  void SetProgressCallback(TProgressCallback callback) { progressCallback_ = std::move(callback); }
  // Empties all batches and keeps one; current batch 0.
  void ClearBatches();
  void SetPassword(const std::string& password) { password_ = password; }
  // Passes one property to the format handler. Each call replaces the properties set before:
  // the handler resets them on every call.
  void SetProperty(const std::string& name, const std::string& value);
  void SetProperty(const std::string& name, uint32_t value);
  // printf-style format of one part number: %d with optional '0' flag, width and precision.
  void SetPartNameFormat(const std::string& format) { partNameFormat_ = format; }
  void SetCurrentBatch(size_t index);
  size_t GetCurrentBatch() const { return currentBatch_; }
  ATBatchList& GetBatches() { return batches_; }
  const ATBatchList& GetBatches() const { return batches_; }
  // 0 = no limit. With a limit, an entry that would bring the last batch to the limit or past it
  // starts a new batch (when the last one holds anything).
  void SetPartSizeLimit(uint64_t limit) { partSizeLimit_ = limit; }
  uint64_t GetPartSizeLimit() const { return partSizeLimit_; }

  // The file name of part `number` (from 1) of an archive at `path`, by the part name format.
  std::string PartFileName(const std::string& path, size_t number) const;

 private:
  friend class T7zWriterCallback;
  template <class, class, class...>
  friend class T7zCallback;

  sevenzip::IOutArchive& OutArchive();
  void AddItem(T7zBatchItem item);
  void Scan(const std::string& folder, size_t relativeStart, const std::string& archiveFolder,
            const std::vector<std::string>& masks, bool recurse);
  void SetPropertyValue(const std::string& name, const sevenzip::PROPVARIANT& value);

  // Called by the callback object during UpdateItems.
  const T7zBatchItem& Item(uint32_t index) const;
  void ItemProperty(uint32_t index, sevenzip::PROPID propId, sevenzip::PROPVARIANT* value) const;
  sevenzip::HRESULT ItemStream(uint32_t index, sevenzip::ISequentialInStream** out) const;
  sevenzip::HRESULT Progress(bool isTotal, uint64_t value);

  T7zRef<sevenzip::IOutArchive> archive_;
  ATBatchList batches_;
  size_t currentBatch_ = 0;
  const TBatchList* writingBatch_ = nullptr;  // set during WriteBatchToStream
  std::string password_;
  uint64_t partSizeLimit_ = 0;
  std::string partNameFormat_ = "_Part%.2d";
  TProgressCallback progressCallback_;

  T7zCallbackError callbackError_;
};

}  // namespace pallograph
