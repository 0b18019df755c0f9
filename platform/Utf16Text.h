// Conversion between the program's text (UTF-8) and UTF-16, the wide text of Windows and of the
// archive library. Wide text is UTF-16 in every wchar_t, also where wchar_t has 32 bits: the
// library keeps characters outside the basic plane as surrogate pairs there too. Reading accepts
// both pairs and whole code points.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pallograph {

// What becomes of a surrogate that is not part of a pair.
enum class TLoneSurrogates {
  // U+FFFD either way: text that others read (archive entry names).
  Replace,
  // Passed through, in UTF-8 as the three-byte form of its value: names of the system's files,
  // which may hold such units, lead back to the same file.
  Keep,
};

// The length of the well-formed UTF-8 sequence that starts at `at` (shortest form, at most
// U+10FFFF; the values of surrogates count as well-formed here), with its code point in `code`;
// 0 when no such sequence starts there. `at` is below text.size().
size_t Utf8SequenceAt(std::string_view text, size_t at, char32_t& code);

// Each byte that does not belong to a valid UTF-8 sequence becomes one U+FFFD.
std::wstring Utf8ToWide(std::string_view text, TLoneSurrogates lone = TLoneSurrogates::Replace);
std::string WideToUtf8(std::wstring_view text, TLoneSurrogates lone = TLoneSurrogates::Replace);

}  // namespace pallograph
