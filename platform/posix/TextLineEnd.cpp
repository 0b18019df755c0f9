#include "platform/TextLineEnd.h"

namespace pallograph {

const char* TextLineEnd() { return "\n"; }

}  // namespace pallograph
