// Conversion between the program's 8-bit text (UTF-8) and the archive library's wide text, and
// the library's counted strings and property values.
//
// Wide text is UTF-16 in every wchar_t, also where wchar_t has 32 bits: the library keeps
// characters outside the basic plane as surrogate pairs there too. Reading accepts both pairs and
// whole code points.
#pragma once

#include <string>
#include <string_view>

#include "archive/SevenZipAbi.h"

namespace pallograph {

// Invalid UTF-8 bytes become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// A new counted string holding the text; the receiver frees it. Throws std::bad_alloc.
sevenzip::BSTR AllocBstr(std::string_view utf8);
sevenzip::BSTR AllocBstr(std::wstring_view wide);

// A property value owned by the caller of a library getter: starts empty, frees its string when
// it goes or before it is filled again.
class TPropVariant {
 public:
  TPropVariant() noexcept : value_{} {}
  ~TPropVariant() { Clear(); }
  TPropVariant(const TPropVariant&) = delete;
  TPropVariant& operator=(const TPropVariant&) = delete;

  void Clear() noexcept;
  // Empties the value and returns it for an out parameter.
  sevenzip::PROPVARIANT* Out() noexcept {
    Clear();
    return &value_;
  }
  const sevenzip::PROPVARIANT& Value() const noexcept { return value_; }
  sevenzip::PROPVARIANT* In() noexcept { return &value_; }

  // Readers for the types the library reports; the fallback for an empty or other type.
  std::string AsText() const;  // VT_BSTR as UTF-8
  bool AsBool(bool fallback = false) const;
  uint64_t AsUInt64(uint64_t fallback = 0) const;  // VT_UI8 or VT_UI4

 private:
  sevenzip::PROPVARIANT value_;
};

}  // namespace pallograph
