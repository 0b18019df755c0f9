#include "platform/Utf8Text.h"

namespace pallograph {

// The program's 8-bit text is UTF-8 here.
std::string Utf8ToSystemText(std::string_view utf8) { return std::string(utf8); }

}  // namespace pallograph
