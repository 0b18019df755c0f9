#include "platform/NativePath.h"

namespace pallograph {

bool ProgramPathCanHold(std::string_view native) {
  return native.find('\\') == std::string_view::npos;
}

}  // namespace pallograph
