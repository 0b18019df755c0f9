#include "platform/NativePath.h"

namespace pallograph {

bool ProgramPathCanHold(std::string_view) { return true; }

}  // namespace pallograph
