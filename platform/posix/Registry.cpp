#include "platform/Registry.h"

namespace pallograph {

std::optional<std::string> ReadRegistryString(RegistryRoot, const std::string&,
                                              const std::string&) {
  return std::nullopt;
}

int CountRegistrySubKeys(RegistryRoot, const std::string&) { return -1; }

}  // namespace pallograph
