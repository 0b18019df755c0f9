// What COM-style modules loaded at run time (the archive library) expect on this platform: the
// allocator of their counted wide strings (BSTR), the attribute form of archive entries, and the
// interface layout to assume for a module that does not say which one it uses.
#pragma once

#include <cstdint>

namespace pallograph {

using OleChar = wchar_t;

// A counted wide string as the platform's COM-style modules allocate and free it: the module
// frees strings it is handed, and the caller frees strings it receives, with these functions.
// AllocOleString copies `length` characters and adds a terminator; nullptr when out of memory.
OleChar* AllocOleString(const OleChar* chars, uint32_t length) noexcept;
// Allocates a string holding `byteLength` raw bytes (binary values such as class ids).
OleChar* AllocOleStringBytes(const void* bytes, uint32_t byteLength) noexcept;
// Frees a string; nullptr is allowed.
void FreeOleString(OleChar* text) noexcept;
// Length in bytes as the string's prefix records it (0 for nullptr).
uint32_t OleStringByteLength(const OleChar* text) noexcept;
inline uint32_t OleStringLength(const OleChar* text) noexcept {
  return OleStringByteLength(text) / sizeof(OleChar);
}

// Attribute value of an archive entry from Windows attribute bits (0x10 folder, 0x20 archive):
// on POSIX the library stores it as a Unix entry, so the value also carries a Unix mode (0644
// files, 0755 folders) that keeps extracted files readable; on Windows the bits as they are.
uint32_t ArchiveEntryAttributes(uint32_t windowsAttributes, bool isFolder) noexcept;

// True when a module that lacks the interface-type property must be assumed to use the old
// layout with a virtual destructor in IUnknown (POSIX builds before 7-Zip 23).
bool ModuleWithoutInterfaceTypeHasVirtualDestructor() noexcept;

}  // namespace pallograph
