// The Windows layer's one boundary with the system: the program's text is UTF-8, the system's
// UTF-16. Every call of the Windows layer converts its texts and paths here and talks to the
// system through the wide ("W") functions only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace pallograph {

// Program text <-> the system's text. Invalid UTF-8 bytes become U+FFFD; a surrogate without its
// pair passes both ways (a file name may hold one), so a name read from the system leads back to
// the same file.
std::wstring ToWide(std::string_view text);
std::string FromWide(std::wstring_view text);
// A terminated wide text; "" for nullptr.
std::string FromWide(const wchar_t* text);

// Paths this long or longer take the extended-length form: the system's classic limit is
// MAX_PATH (260) characters, and a folder must leave room for an 8.3 file name in it (12 more).
inline constexpr size_t kExtendedPathFrom = MAX_PATH - 12;

// The absolute, normal form of a system path, as the system resolves it against the current
// folder; the path itself when that fails.
std::wstring FullWidePath(const std::wstring& path);

// Program path -> the system's path: '\' separators; a path of kExtendedPathFrom characters or
// more is made absolute and normal (no "." or "..") and takes the extended-length form
// ("\\?\C:\...", "\\?\UNC\server\share\..."), which no MAX_PATH limit applies to. A path already
// in that form, or a device path ("\\.\"), stays as it is.
std::wstring ToWidePath(std::string_view path);
// The system's path -> program path, without an extended-length prefix.
std::string FromWidePath(std::wstring_view path);

// Sets errno from a system error code (GetLastError()) as the C run-time does, so that the file
// layer's error texts read the same on every platform.
void SetErrnoFromSystemError(DWORD error);
// The same for the calling thread's last error; returns false for chaining.
bool FailFromLastError();

}  // namespace pallograph
