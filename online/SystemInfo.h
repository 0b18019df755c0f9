// What the usage statistics tell about the system: its product name and its processor count.
// Both are safe from any thread and never throw.
#pragma once

#include <cstdint>
#include <string>

namespace pallograph {

// The Windows product name from the registry ("Windows 10 Pro"). Where there is no registry, the
// operating system's name (on Linux the PRETTY_NAME of /etc/os-release).
std::string GetWindowsProductName();
// The number of processor sub-keys in the registry; where there is no registry, the number of
// processors the system reports. 1 when there are none or nothing can be read.
uint16_t GetProcessorCount();

}  // namespace pallograph
