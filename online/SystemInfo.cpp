#include "online/SystemInfo.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "platform/Registry.h"
#include "platform/System.h"

namespace pallograph {

namespace {

constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kProcessorsKey = "Hardware\\Description\\System\\CentralProcessor";

}  // namespace

std::string GetWindowsProductName() {
  try {
    const std::optional<std::string> name =
        ReadRegistryString(RegistryRoot::LocalMachine, kCurrentVersionKey, "ProductName");
    if (name) return *name;
    return OperatingSystemName();
  } catch (const std::exception&) {
    return {};
  }
}

uint16_t GetProcessorCount() {
  int count = CountRegistrySubKeys(RegistryRoot::LocalMachine, kProcessorsKey);
  // No such key: a system without a registry.
  if (count < 0) count = static_cast<int>(std::min(ProcessorCount(), 0xFFFFu));
  return count > 0 ? static_cast<uint16_t>(count) : uint16_t{1};
}

}  // namespace pallograph
