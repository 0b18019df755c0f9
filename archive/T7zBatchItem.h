// One entry queued for writing, and the batches (parts) the writer distributes entries over.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"

namespace pallograph {

struct T7zBatchItem {
  enum class TSource : uint8_t { Stream = 0, File = 1 };

  TSource Source = TSource::File;
  // Data of a stream item; shared by copies of the item. Whether the stream is owned is up to
  // the shared pointer's deleter (a non-owning one for a caller's stream).
  std::shared_ptr<TStream> Stream;
  uint32_t Attributes = 0;     // Windows attribute bits
  uint64_t CreationTime = 0;   // FILETIME; 0 = unknown
  uint64_t LastWriteTime = 0;  // FILETIME; 0 = unknown
  std::string ArchivePath;     // program path inside the archive ('\' separators), UTF-8
  bool IsFolder = false;
  bool IsAnti = false;
  std::string SourceFile;  // program path of a file item
  uint32_t Size = 0;       // below 2 GiB
};

using TBatchList = std::vector<T7zBatchItem>;
using ATBatchList = std::vector<TBatchList>;

}  // namespace pallograph
