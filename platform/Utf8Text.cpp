#include "platform/Utf8Text.h"

namespace pallograph {

std::string Utf8ToSystemText(std::string_view utf8) { return std::string(utf8); }

}  // namespace pallograph
