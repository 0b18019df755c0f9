// Conversion of UTF-8 text (downloaded files) into the program's 8-bit text: the system's ANSI
// code page on Windows, UTF-8 itself on POSIX systems.
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

// Characters that the 8-bit code page cannot hold become '?'; bytes that are not valid UTF-8 are
// kept as they are where the code page is UTF-8. Never throws except for lack of memory.
std::string Utf8ToSystemText(std::string_view utf8);

}  // namespace pallograph
