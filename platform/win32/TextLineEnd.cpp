#include "platform/TextLineEnd.h"

namespace pallograph {

const char* TextLineEnd() { return "\r\n"; }

}  // namespace pallograph
