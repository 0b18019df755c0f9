// Why the client analysis found no usable client, in words that name the path: the cause that
// the start-up failures 16001 to 16004 give on standard error and in the run log.
#pragma once

#include <string>

#include "client/WOTInfo.h"

namespace pallograph {

// `given`: the "wot-path" value as the user typed it; `client`: what ReadWOTInfo made of it;
// `code`: the failure (kExitNoClientPath, kExitClientError, kExitClientExeMissing or
// kExitNoPackages). Paths are shown in the system's form.
std::string ClientFailureCause(const std::string& given, const RWOTInfo& client, int code);

}  // namespace pallograph
