// Conversion of UTF-8 text (downloaded files) into the program's 8-bit text, which is UTF-8 on
// every platform: the Windows layer converts to and from the system's UTF-16 at each call.
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

// The text as it is: bytes that are not valid UTF-8 are kept too. Never throws except for lack
// of memory.
std::string Utf8ToSystemText(std::string_view utf8);

}  // namespace pallograph
