#include "platform/CpuId.h"

#include <intrin.h>

namespace pallograph {

// Every processor that runs a supported Windows has the instruction.
bool CpuIdAvailable() { return true; }

bool ReadCpuId(uint32_t leaf, RCpuIdRegisters& registers) {
  int values[4] = {};
  __cpuid(values, 0);
  if (static_cast<uint32_t>(values[0]) < leaf) return false;
  __cpuidex(values, static_cast<int>(leaf), 0);
  registers = {static_cast<uint32_t>(values[0]), static_cast<uint32_t>(values[1]),
               static_cast<uint32_t>(values[2]), static_cast<uint32_t>(values[3])};
  return true;
}

}  // namespace pallograph
