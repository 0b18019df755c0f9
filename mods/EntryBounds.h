// How large a wanted package entry can legitimately be, by kind. Entries are untrusted: a damaged
// package or a zip bomb may declare, or inflate to, any size, and the jobs hold wanted entries in
// memory, so every extraction is bounded by these figures.
#pragma once

#include <cstdint>

#include "platform/Exception.h"

namespace pallograph {

enum class TEntryKind {
  Texture,   // a DDS file
  Model,     // a .visual_processed model file
  SpaceBin,  // a map's space.bin
};

// The largest side of a texture the game uses (its HD textures are 4096 at most).
inline constexpr int kMaxTextureSide = 16384;
// Model files are kilobytes to a few hundred kilobytes.
inline constexpr uint64_t kMaxModelEntrySize = uint64_t{64} << 20;
// space.bin files of current clients are tens to a few hundred megabytes, their embedded
// textures included; 1 GiB leaves a wide margin.
inline constexpr uint64_t kMaxSpaceBinEntrySize = uint64_t{1} << 30;

// Texture: a DXT5 file (16 bytes per 4x4 block, the larger of the two formats) of
// kMaxTextureSide x kMaxTextureSide with a full mip chain, with its header and a DX10 extension
// header; 357,914,116 bytes. Model and SpaceBin: the constants above.
uint64_t EntrySizeBound(TEntryKind kind);
const char* EntryKindName(TEntryKind kind);  // "texture", "model file", "space.bin"

// An entry larger than its kind allows, by its declared size or by what it delivers.
class EEntryTooLarge : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EEntryTooLarge"; }
};

}  // namespace pallograph
