#include "platform/ComAbi.h"

#include <windows.h>
// windows.h first: the automation header relies on its types.
#include <oleauto.h>

namespace pallograph {

OleChar* AllocOleString(const OleChar* chars, uint32_t length) noexcept {
  return SysAllocStringLen(chars, length);
}

OleChar* AllocOleStringBytes(const void* bytes, uint32_t byteLength) noexcept {
  return reinterpret_cast<OleChar*>(
      SysAllocStringByteLen(static_cast<const char*>(bytes), byteLength));
}

void FreeOleString(OleChar* text) noexcept { SysFreeString(text); }

uint32_t OleStringByteLength(const OleChar* text) noexcept {
  return SysStringByteLen(const_cast<OleChar*>(text));
}

uint32_t ArchiveEntryAttributes(uint32_t windowsAttributes, bool isFolder) noexcept {
  // The Windows library writes FAT entries, for which the plain attribute bits are right.
  return isFolder ? (windowsAttributes | FILE_ATTRIBUTE_DIRECTORY) : windowsAttributes;
}

// Windows modules never had a virtual destructor in IUnknown.
bool ModuleWithoutInterfaceTypeHasVirtualDestructor() noexcept { return false; }

}  // namespace pallograph
