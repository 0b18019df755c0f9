// Text operations on the program's paths. Inside the program a path has the Windows form: '\'
// separators, folder values ending in '\'. The mod jobs' matching rules depend on that form, so
// it is kept on every platform; the file-system layer converts at each call (NativePath.h).
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

inline constexpr char kPathDelim = '\\';

std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);
// Removes every trailing '\'.
std::string StripTrailingBackslashes(std::string_view path);
// Folder part including the final '\' ("a\b\c.txt" -> "a\b\"); "" when there is none.
std::string ExtractFilePath(std::string_view path);
// Folder part without the final '\'.
std::string ExtractFileDir(std::string_view path);
// Text after the last '\' (or ':' of a drive).
std::string ExtractFileName(std::string_view path);
// Extension from the last '.' of the file part, the dot included; "" when there is none.
std::string ExtractFileExt(std::string_view path);
// Replaces the extension (or appends when there is none).
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// Turns every '/' into '\'.
std::string SlashesToBackslashes(std::string_view text);
std::string BackslashesToSlashes(std::string_view text);

// ASCII-only case operations: the mod jobs ignore the case of the letters A to Z only.
std::string LowerCaseAscii(std::string_view text);
std::string UpperCaseAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);
bool ContainsTextAscii(std::string_view haystack, std::string_view needle);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
// Removes blanks and control characters (<= ' ') from both ends, as Delphi's Trim does.
std::string Trim(std::string_view text);

// A package entry name that may safely be joined to an output folder: not empty, not absolute,
// no drive letter, no "." or ".." component. Entry names in packages are untrusted.
bool IsSafeRelativePath(std::string_view path);
// A name the user gives for one file or folder inside an output folder: not empty, no path
// separator ('\\' or '/'), no drive (':'), not "." or "..", no control characters.
bool IsPlainFileName(std::string_view name);

}  // namespace pallograph
