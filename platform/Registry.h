// Read-only access to the Windows registry. Elsewhere there is no registry: every read reports
// that the key or value does not exist.
#pragma once

#include <optional>
#include <string>

namespace pallograph {

enum class RegistryRoot { CurrentUser, ClassesRoot, LocalMachine };

// A string value ("" names the key's default value); nullopt when the key or value is missing.
std::optional<std::string> ReadRegistryString(RegistryRoot root, const std::string& key,
                                              const std::string& value);
// Number of sub-keys of a key; -1 when the key cannot be opened.
int CountRegistrySubKeys(RegistryRoot root, const std::string& key);

}  // namespace pallograph
