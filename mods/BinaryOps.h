// Operations on whole files held as byte arrays: loading and saving, Base64 decoding, and the
// in-place search-and-overwrite operations that patch binary game files (model files, space.bin)
// without parsing them and without changing their length.
//
// Every function works on the caller's data only and may be called from any thread. The four
// shared lists at the end are constant after static initialisation and only read afterwards.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Stream.h"

namespace pallograph {

using TBytesArray = std::vector<uint8_t>;
using TStrArray = std::vector<std::string>;

// The stream's whole content from position 0 (the position is left at the end). A stream that
// reports a negative size gives an empty array.
TBytesArray StreamToBytes(TStream& stream);
// The whole file at a program path; empty when the file does not exist. Throws EInOutError when
// an existing file cannot be read.
TBytesArray FileToBytes(const std::string& path);
// The same bytes as an 8-bit string.
std::string BytesToString(const TBytesArray& bytes);
// Creates the missing folders of `path`, creates or truncates the file and writes every byte.
// True on success; false on any failure and for an empty array (which leaves an empty file).
// Never throws.
bool BytesToFile(const TBytesArray& bytes, const std::string& path) noexcept;

// Position of `ch` in the standard Base64 alphabet (A-Z a-z 0-9 + /); 64 for anything else, the
// padding '=' included.
uint8_t Base64Index(char ch);
// Empty unless the length of `text` is a multiple of 4; otherwise length * 3 / 4 bytes. Padding
// is not recognised: '=' decodes as 64, so a padded text gives its full-length result.
TBytesArray Base64ToBytes(std::string_view text);

// The non-empty items, in order.
TStrArray MakeStrArray(std::initializer_list<std::string_view> items);
template <class... T>
TStrArray MakeStrArray(const T&... items) {
  static_assert(sizeof...(T) <= 10, "MakeStrArray takes at most ten strings");
  return MakeStrArray({std::string_view(items)...});
}
// For each non-empty item, in order: the item, then its Base64 decoding as text when that is not
// empty (only items whose length is a multiple of 4 have one).
TStrArray MakeKeyPatterns(std::initializer_list<std::string_view> items);
template <class... T>
TStrArray MakeKeyPatterns(const T&... items) {
  static_assert(sizeof...(T) <= 6, "MakeKeyPatterns takes at most six strings");
  return MakeKeyPatterns({std::string_view(items)...});
}

// `replacement` when it is at least as long as `pattern`, else `replacement` followed by zero
// bytes up to the length of `pattern`.
TBytesArray PadBytes(const TBytesArray& pattern, const TBytesArray& replacement);

// Overwrites occurrences of `pattern` in `data` with `replacement` (padded with zero bytes to the
// pattern's length when `pad`): the first occurrence only, or every one when `all`, scanning on
// after the written bytes. Start positions up to n - m - 2 are examined (n = data length, m =
// pattern length); a match at either of the last two positions is never seen. True when
// something was replaced. Throws ERangeError when a replacement would run past the end of the
// data (nothing is written for that match).
bool ReplaceBytes(TBytesArray& data, const TBytesArray& pattern, const TBytesArray& replacement,
                  bool pad, bool all);
// ReplaceBytes on the bytes of two strings.
bool ReplaceText(TBytesArray& data, const std::string& patternText,
                 const std::string& replacementText, bool pad, bool all);

// False when `text` or `list` is empty; otherwise true when some non-empty item occurs in `text`,
// ignoring the case of ASCII letters.
bool ListContains(const TStrArray& list, const std::string& text);

// Replaces the values stored after key names in packed binary sections, where a key is followed
// directly by its value and the byte four positions before the key holds the length of key and
// value together. At each match of a key (the first matching key in list order wins) the value's
// file name and folder ('/' read as '\') go through the include test (when includeNames or
// includePaths is not empty, one of them must contain the name or folder) and the exclude test
// (when excludeNames or excludePaths is not empty, neither may); a match that passes is
// overwritten with key + newValue, cut to the stored length or padded with zero bytes up to it.
// True when something was replaced. Throws ERangeError for a match closer than four bytes to the
// start or a stored length that runs past the end of the data. A stored length of 0 is no match.
bool ReplaceKeyValue(TBytesArray& data, const TStrArray& keys, const std::string& newValue,
                     const TStrArray& includeNames, const TStrArray& excludeNames,
                     const TStrArray& includePaths, const TStrArray& excludePaths);

// Shared pattern lists of the crash-model jobs, constant from static initialisation on.
extern const TStrArray NoStrings;      // empty
extern const TStrArray DiffuseKeys;    // "diffuseMap"
extern const TStrArray DiffuseAOKeys;  // "diffuseMap", "excludeMaskAndAOMap"
extern const TStrArray InsideMarks;    // "_inside"

}  // namespace pallograph
