// Recognising the GUID texts that NewGuidText (platform/System.h) makes.
#pragma once

#include <string_view>

namespace pallograph {

// True for "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits of either case.
bool IsGuidText(std::string_view text);

}  // namespace pallograph
