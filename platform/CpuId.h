// The processor identification instruction (cpuid), where the compiler offers it.
#pragma once

#include <cstdint>

namespace pallograph {

struct RCpuIdRegisters {
  uint32_t A = 0, B = 0, C = 0, D = 0;  // eax, ebx, ecx, edx
};

// True when this build can issue the instruction at all (x86 and x86-64 builds).
bool CpuIdAvailable();
// Reads one leaf. False when the instruction is not available in this build, or the processor
// does not support it or that leaf; `registers` is then untouched. Safe from any thread.
bool ReadCpuId(uint32_t leaf, RCpuIdRegisters& registers);

}  // namespace pallograph
