#include "platform/FileVersionInfo.h"

namespace pallograph {

std::string SystemFileVersionText(const std::string&) { return {}; }

}  // namespace pallograph
