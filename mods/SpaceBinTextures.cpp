#include "mods/SpaceBinTextures.h"

#include <cstring>

#include "platform/Exception.h"

namespace pallograph {

namespace {

constexpr char kMaterialsTag[4] = {'B', 'S', 'M', 'A'};
constexpr char kDDSMagic[4] = {'D', 'D', 'S', ' '};
constexpr int64_t kMinDDSLength = 4 + 124;  // magic and header
constexpr int kMaterialTables = 5;

class TReader {
 public:
  explicit TReader(TSpaceBinBytes& bytes) : bytes_(bytes), size_(bytes.Size()) {}

  bool Fits(int64_t position, int64_t size) const {
    return position >= 0 && size >= 0 && position <= Size() && size <= Size() - position;
  }
  void Need(int64_t position, int64_t size) const {
    if (!Fits(position, size)) {
      throw ERangeError("space.bin: " + std::to_string(size) + " bytes at offset " +
                        std::to_string(position) + " lie outside the file of " +
                        std::to_string(Size()) + " bytes");
    }
  }
  int32_t I32(int64_t position) const {
    Need(position, 4);
    uint32_t value;
    bytes_.Read(position, &value, 4);
    return static_cast<int32_t>(value);
  }
  // A length or count: negative values are as much a range error as a read past the end.
  int64_t Length(int64_t position) const {
    const int32_t value = I32(position);
    if (value < 0) {
      throw ERangeError("space.bin: negative length " + std::to_string(value) + " at offset " +
                        std::to_string(position));
    }
    return value;
  }
  bool Holds(int64_t position, const char (&bytes)[4]) const {
    if (!Fits(position, 4)) return false;
    char here[4];
    bytes_.Read(position, here, 4);
    return std::memcmp(here, bytes, 4) == 0;
  }
  std::string Text(int64_t position, int64_t size) const {
    Need(position, size);
    std::string text(static_cast<size_t>(size), '\0');
    if (size > 0) bytes_.Read(position, text.data(), text.size());
    return text;
  }
  int64_t Size() const { return size_; }

 private:
  TSpaceBinBytes& bytes_;
  const int64_t size_;
};

// The width of the record header at `position`: 12 when a plausible DDS length and the DDS magic
// follow 12 bytes, else 8 when they follow 8 bytes.
uint32_t HeaderWidth(const TReader& reader, int64_t position) {
  for (const uint32_t width : {12u, 8u}) {
    const int64_t lengthAt = position + width;
    if (!reader.Fits(lengthAt, 8)) continue;
    const int64_t length = reader.I32(lengthAt);
    if (length >= kMinDDSLength && reader.Fits(lengthAt + 4, length) &&
        reader.Holds(lengthAt + 4, kDDSMagic)) {
      return width;
    }
  }
  throw ERangeError("space.bin: the texture record at offset " + std::to_string(position) +
                    " holds no DDS file");
}

}  // namespace

void TSpaceBinMemory::Read(int64_t position, void* out, size_t size) {
  std::memcpy(out, data_.data() + position, size);
}

TSpaceBinFile::TSpaceBinFile(TFile& file, const std::string& path) : file_(file), path_(path) {
  size_ = file_.Size();
  if (size_ < 0) throw EInOutError("Unable to read file: " + path_);
}

void TSpaceBinFile::Read(int64_t position, void* out, size_t size) {
  if (!file_.Seek(position) || !file_.ReadExact(out, size)) {
    throw EInOutError("Unable to read file: " + path_);
  }
}

void WalkSpaceBinTextures(const TBytesArray& data,
                          const std::function<bool(const RSpaceBinTexture&)>& visit) {
  TSpaceBinMemory bytes(data);
  WalkSpaceBinTextures(bytes, visit);
}

void WalkSpaceBinTextures(TSpaceBinBytes& bytes,
                          const std::function<bool(const RSpaceBinTexture&)>& visit) {
  const TReader reader(bytes);
  int64_t tagAt = -1;
  for (int64_t i = 0; i <= static_cast<int64_t>(kSectionTableScan); ++i) {
    reader.Need(i, 4);
    if (reader.Holds(i, kMaterialsTag)) {
      tagAt = i;
      break;
    }
  }
  if (tagAt < 0) return;
  const int64_t offset = reader.I32(tagAt + 8);
  const int32_t size = reader.I32(tagAt + 16);
  if (size <= 0) return;

  int64_t p = offset;
  for (int table = 0; table < kMaterialTables; ++table) {
    const int64_t elementSize = reader.Length(p);
    const int64_t elementCount = reader.Length(p + 4);
    reader.Need(p + 8, elementSize * elementCount);
    p += 8 + elementSize * elementCount;
  }
  const int32_t textureCount = reader.I32(p);
  p += 4;
  for (int32_t record = 0; record < textureCount; ++record) {
    RSpaceBinTexture texture;
    texture.HeaderWidth = HeaderWidth(reader, p);
    p += texture.HeaderWidth;
    const int64_t blobLength = reader.Length(p);
    p += 4;
    reader.Need(p, blobLength);
    texture.BlobOffset = static_cast<size_t>(p);
    texture.BlobLength = static_cast<size_t>(blobLength);
    p += blobLength;
    const int64_t extraLength = reader.Length(p);
    reader.Need(p + 4, extraLength);
    p += 4 + extraLength;
    const int64_t nameLength = reader.Length(p);
    p += 4;
    texture.Name = reader.Text(p, nameLength);
    p += nameLength;
    if (!visit(texture)) return;
  }
}

}  // namespace pallograph
