#include "platform/CpuId.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define PALLOGRAPH_HAS_CPUID 1
#else
#define PALLOGRAPH_HAS_CPUID 0
#endif

namespace pallograph {

bool CpuIdAvailable() { return PALLOGRAPH_HAS_CPUID != 0; }

bool ReadCpuId(uint32_t leaf, RCpuIdRegisters& registers) {
#if PALLOGRAPH_HAS_CPUID
  // __get_cpuid checks that the instruction exists (the ID flag on 32-bit) and the leaf is in
  // range.
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(leaf, &a, &b, &c, &d) == 0) return false;
  registers = {a, b, c, d};
  return true;
#else
  (void)leaf;
  (void)registers;
  return false;
#endif
}

}  // namespace pallograph
