#include "client/PeVersion.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/File.h"
#include "platform/FileVersionInfo.h"

namespace pallograph {

namespace {

constexpr uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 52;
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
// A version resource is a few kilobytes; anything far bigger is not one.
constexpr uint32_t kVersionResourceLimit = 1 << 20;
// Enough for any real image; bounds the section loop on hostile headers.
constexpr uint16_t kSectionLimit = 96 * 4;

struct TSection {
  uint32_t VirtualAddress;
  uint32_t VirtualSize;
  uint32_t RawSize;
  uint32_t RawOffset;
};

// Bounds-checked little-endian reads at absolute offsets of the image.
class TImageReader {
 public:
  explicit TImageReader(TStream& stream) : stream_(stream), size_(stream.Size()) {}

  bool Read(uint64_t offset, void* out, size_t count) {
    if (size_ < 0 || offset > static_cast<uint64_t>(size_) ||
        count > static_cast<uint64_t>(size_) - offset) {
      return false;
    }
    if (count == 0) return true;
    if (!stream_.Seek(static_cast<int64_t>(offset))) return false;
    return stream_.Read(out, count) == count;
  }
  std::optional<uint16_t> U16(uint64_t offset) {
    uint8_t b[2];
    if (!Read(offset, b, 2)) return std::nullopt;
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
  }
  std::optional<uint32_t> U32(uint64_t offset) {
    uint8_t b[4];
    if (!Read(offset, b, 4)) return std::nullopt;
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  }

 private:
  TStream& stream_;
  int64_t size_;
};

uint16_t U16At(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
}

uint32_t U32At(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
         (static_cast<uint32_t>(data[offset + 2]) << 16) |
         (static_cast<uint32_t>(data[offset + 3]) << 24);
}

// File offset of a range of `count` bytes at a relative virtual address; nullopt when no section
// holds all of it in the file.
std::optional<uint64_t> RvaToOffset(const std::vector<TSection>& sections, uint32_t rva,
                                    uint32_t count) {
  for (const TSection& section : sections) {
    const uint64_t start = section.VirtualAddress;
    const uint64_t extent = std::max(section.VirtualSize, section.RawSize);
    if (rva < start || rva - start >= extent) continue;
    const uint64_t within = rva - start;
    if (within + count > section.RawSize) return std::nullopt;
    return section.RawOffset + within;
  }
  return std::nullopt;
}

// The entry of a resource directory (at `directory`, an offset into the resource section) that
// matches `id`, or its first entry when `id` is empty. Returns the entry's offset field.
std::optional<uint32_t> FindResourceEntry(TImageReader& reader, uint64_t resourceBase,
                                          uint32_t directory, std::optional<uint32_t> id) {
  const auto named = reader.U16(resourceBase + directory + 12);
  const auto ids = reader.U16(resourceBase + directory + 14);
  if (!named || !ids) return std::nullopt;
  const uint32_t count = uint32_t{*named} + *ids;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = resourceBase + directory + 16 + uint64_t{i} * 8;
    const auto name = reader.U32(entry);
    const auto target = reader.U32(entry + 4);
    if (!name || !target) return std::nullopt;
    if (!id || (!(*name & 0x80000000u) && *name == *id)) return *target;
  }
  return std::nullopt;
}

// VS_VERSIONINFO: a header of three words, the key "VS_VERSION_INFO" in UTF-16 with its NUL,
// padding to a 32-bit boundary, then VS_FIXEDFILEINFO.
std::string FixedFileVersion(const std::vector<uint8_t>& block) {
  static const char kKey[] = "VS_VERSION_INFO";
  constexpr size_t kKeyOffset = 6;
  const size_t keyBytes = sizeof(kKey) * 2;  // with the terminating NUL
  if (block.size() < kKeyOffset + keyBytes) return {};
  const uint16_t valueLength = U16At(block, 2);
  for (size_t i = 0; i < sizeof(kKey); ++i) {
    if (U16At(block, kKeyOffset + i * 2) != static_cast<uint8_t>(kKey[i])) return {};
  }
  const size_t value = (kKeyOffset + keyBytes + 3) & ~size_t{3};
  if (valueLength < kFixedFileInfoSize || block.size() < value + kFixedFileInfoSize) return {};
  if (U32At(block, value) != kFixedFileInfoSignature) return {};
  const uint32_t most = U32At(block, value + 8);
  const uint32_t least = U32At(block, value + 12);
  return std::to_string(most >> 16) + "." + std::to_string(most & 0xFFFF) + "." +
         std::to_string(least >> 16) + "." + std::to_string(least & 0xFFFF);
}

std::string ReadVersion(TImageReader& reader) {
  if (reader.U16(0) != kDosMagic) return {};
  const auto peOffset = reader.U32(0x3C);
  if (!peOffset || reader.U32(*peOffset) != kPeSignature) return {};
  const uint64_t coff = uint64_t{*peOffset} + 4;
  const auto sectionCount = reader.U16(coff + 2);
  const auto optionalSize = reader.U16(coff + 16);
  if (!sectionCount || !optionalSize || *sectionCount > kSectionLimit) return {};
  const uint64_t optional = coff + kCoffHeaderSize;
  const auto magic = reader.U16(optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return {};
  const uint64_t directoryCountAt = *magic == kPe32PlusMagic ? 108 : 92;
  const auto directoryCount = reader.U32(optional + directoryCountAt);
  const uint64_t resourceEntryAt = directoryCountAt + 4 + kResourceDirectoryIndex * 8;
  if (!directoryCount || *directoryCount <= kResourceDirectoryIndex ||
      resourceEntryAt + 8 > *optionalSize) {
    return {};
  }
  const auto resourceRva = reader.U32(optional + resourceEntryAt);
  const auto resourceSize = reader.U32(optional + resourceEntryAt + 4);
  if (!resourceRva || !resourceSize || *resourceRva == 0 || *resourceSize < 16) return {};

  std::vector<TSection> sections;
  const uint64_t table = optional + *optionalSize;
  for (uint16_t i = 0; i < *sectionCount; ++i) {
    uint8_t raw[kSectionHeaderSize];
    if (!reader.Read(table + uint64_t{i} * kSectionHeaderSize, raw, sizeof(raw))) return {};
    const std::vector<uint8_t> header(raw, raw + sizeof(raw));
    sections.push_back({U32At(header, 12), U32At(header, 8), U32At(header, 16), U32At(header, 20)});
  }

  // The resource tree: type (RT_VERSION), then name, then language (the first of each).
  const auto resourceBase = RvaToOffset(sections, *resourceRva, 16);
  if (!resourceBase) return {};
  const auto typeEntry = FindResourceEntry(reader, *resourceBase, 0, kRtVersion);
  if (!typeEntry || !(*typeEntry & 0x80000000u)) return {};
  const auto nameEntry =
      FindResourceEntry(reader, *resourceBase, *typeEntry & 0x7FFFFFFFu, std::nullopt);
  if (!nameEntry || !(*nameEntry & 0x80000000u)) return {};
  const auto languageEntry =
      FindResourceEntry(reader, *resourceBase, *nameEntry & 0x7FFFFFFFu, std::nullopt);
  if (!languageEntry || (*languageEntry & 0x80000000u)) return {};

  const auto dataRva = reader.U32(*resourceBase + *languageEntry);
  const auto dataSize = reader.U32(*resourceBase + *languageEntry + 4);
  if (!dataRva || !dataSize || *dataSize == 0 || *dataSize > kVersionResourceLimit) return {};
  const auto dataOffset = RvaToOffset(sections, *dataRva, *dataSize);
  if (!dataOffset) return {};
  std::vector<uint8_t> block(*dataSize);
  if (!reader.Read(*dataOffset, block.data(), block.size())) return {};
  return FixedFileVersion(block);
}

}  // namespace

std::string ReadPeFileVersion(TStream& image) {
  try {
    TImageReader reader(image);
    return ReadVersion(reader);
  } catch (...) {
    return {};
  }
}

std::string GetFileVersionText(const std::string& path) {
  // The system's reader where there is one; this file's own reader elsewhere and as the
  // fallback.
  if (std::string text = SystemFileVersionText(path); !text.empty()) return text;
  TFileStream stream(path, TFile::Mode::Read);
  if (!stream.IsOpen()) return {};
  return ReadPeFileVersion(stream);
}

}  // namespace pallograph
