// The textures embedded in a map's space.bin: the records after the five tables of the static
// materials section ("BSMA"). Each record is a small header (12 bytes up to client 1.27, 8 bytes
// from 1.28 on, told apart per record), the DDS file with its length, a sidecar blob and the
// texture name. Only the fields needed to find the DDS files and their names are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "mods/BinaryOps.h"
#include "platform/File.h"

namespace pallograph {

struct RSpaceBinTexture {
  size_t BlobOffset = 0;     // where the DDS file starts in the data
  size_t BlobLength = 0;     // its length in bytes
  std::string Name;          // texture name as stored ('/' separators)
  uint32_t HeaderWidth = 0;  // 12 or 8
};

// Section tags are searched at the start positions 0 to kSectionTableScan.
inline constexpr size_t kSectionTableScan = 1000;

// Calls `visit` for each embedded texture in file order until it returns false. A file without a
// "BSMA" tag in its section table, or with a section size of 0 or less, has none. Throws
// ERangeError when a read falls outside `data` (also during the tag search of a file shorter
// than the table), on a negative length, and on a record whose header fits neither width (the
// 32-bit DDS length must be at least a DDS header long, the "DDS " magic must follow it, and the
// DDS file must lie inside the data). Pure function of its arguments; thread-safe.
void WalkSpaceBinTextures(const TBytesArray& data,
                          const std::function<bool(const RSpaceBinTexture&)>& visit);

// A whole space.bin that is read where the walk needs it (a file of hundreds of megabytes is
// never held in memory).
class TSpaceBinBytes {
 public:
  virtual ~TSpaceBinBytes() = default;
  virtual int64_t Size() const = 0;
  // Copies the `size` bytes at `position`, which lie inside the file; throws EInOutError when
  // they cannot be read.
  virtual void Read(int64_t position, void* out, size_t size) = 0;
};

// A space.bin in memory.
class TSpaceBinMemory final : public TSpaceBinBytes {
 public:
  explicit TSpaceBinMemory(const TBytesArray& data) : data_(data) {}
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  void Read(int64_t position, void* out, size_t size) override;

 private:
  const TBytesArray& data_;
};

// A space.bin in an open file, read where the walk needs it.
class TSpaceBinFile final : public TSpaceBinBytes {
 public:
  // `path` names the file in errors.
  TSpaceBinFile(TFile& file, const std::string& path);
  int64_t Size() const override { return size_; }
  void Read(int64_t position, void* out, size_t size) override;

 private:
  TFile& file_;
  const std::string path_;
  int64_t size_ = 0;
};

// The same walk over a space.bin read piece by piece.
void WalkSpaceBinTextures(TSpaceBinBytes& bytes,
                          const std::function<bool(const RSpaceBinTexture&)>& visit);

}  // namespace pallograph
