// The archive library's wide text: its counted strings and property values. Names and texts go
// to the library as UTF-16 converted from the program's UTF-8 (platform/Utf16Text.h), with
// invalid bytes and unpaired surrogates as U+FFFD either way.
#pragma once

#include <string>
#include <string_view>

#include "archive/SevenZipAbi.h"
#include "platform/Utf16Text.h"

namespace pallograph {

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
