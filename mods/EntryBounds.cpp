#include "mods/EntryBounds.h"

#include "texture/DDSTexture.h"

namespace pallograph {

namespace {

constexpr uint64_t kDX10HeaderSize = 20;

uint64_t MaxTextureFileSize() {
  uint64_t size = kDDSHeaderSize + kDX10HeaderSize;
  for (int side = kMaxTextureSide; side >= 1; side /= 2) {
    size += DDSLevelSize(kDDSCodeDxt5, side, side);
  }
  return size;
}

}  // namespace

uint64_t EntrySizeBound(TEntryKind kind) {
  switch (kind) {
    case TEntryKind::Texture: {
      static const uint64_t bound = MaxTextureFileSize();
      return bound;
    }
    case TEntryKind::Model:
      return kMaxModelEntrySize;
    case TEntryKind::SpaceBin:
      return kMaxSpaceBinEntrySize;
  }
  return 0;
}

const char* EntryKindName(TEntryKind kind) {
  switch (kind) {
    case TEntryKind::Texture:
      return "texture";
    case TEntryKind::Model:
      return "model file";
    case TEntryKind::SpaceBin:
      return "space.bin";
  }
  return "entry";
}

}  // namespace pallograph
