#include "platform/ComAbi.h"

#include <cstdlib>
#include <cstring>

namespace pallograph {

// A string is one malloc'ed block: a 32-bit byte length, the characters, a terminating zero
// character; the string pointer points at the characters.

OleChar* AllocOleStringBytes(const void* bytes, uint32_t byteLength) noexcept {
  const size_t total = sizeof(uint32_t) + size_t{byteLength} + sizeof(OleChar);
  auto* block = static_cast<uint8_t*>(std::malloc(total));
  if (!block) return nullptr;
  std::memcpy(block, &byteLength, sizeof(uint32_t));
  if (bytes && byteLength) std::memcpy(block + sizeof(uint32_t), bytes, byteLength);
  std::memset(block + sizeof(uint32_t) + byteLength, 0, sizeof(OleChar));
  return reinterpret_cast<OleChar*>(block + sizeof(uint32_t));
}

OleChar* AllocOleString(const OleChar* chars, uint32_t length) noexcept {
  if (length > (UINT32_MAX - 16) / sizeof(OleChar)) return nullptr;
  return AllocOleStringBytes(chars, static_cast<uint32_t>(length * sizeof(OleChar)));
}

void FreeOleString(OleChar* text) noexcept {
  if (text) std::free(reinterpret_cast<uint8_t*>(text) - sizeof(uint32_t));
}

uint32_t OleStringByteLength(const OleChar* text) noexcept {
  if (!text) return 0;
  uint32_t length = 0;
  std::memcpy(&length, reinterpret_cast<const uint8_t*>(text) - sizeof(uint32_t), sizeof(length));
  return length;
}

uint32_t ArchiveEntryAttributes(uint32_t windowsAttributes, bool isFolder) noexcept {
  constexpr uint32_t kUnixExtension = 0x8000;
  constexpr uint32_t kFolderMode = 040755;
  constexpr uint32_t kFileMode = 0100644;
  return (windowsAttributes & 0x7FFF) | kUnixExtension |
         ((isFolder ? kFolderMode : kFileMode) << 16);
}

bool ModuleWithoutInterfaceTypeHasVirtualDestructor() noexcept { return true; }

}  // namespace pallograph
