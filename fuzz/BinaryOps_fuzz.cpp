// Model files and space.bin from a package are untrusted: the pattern operations may report a
// range error but must never read or write outside the data, and never change its length.
#include <cstddef>
#include <cstdint>

#include "mods/BinaryOps.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  const TBytesArray input(data, data + size);
  try {
    TBytesArray patched = input;
    ReplaceText(patched, "shaders/std_effects/PBS_tank_crash.fx", "shaders/std_effects/PBS_tank.fx",
                true, true);
    ReplaceKeyValue(patched, DiffuseAOKeys, "vehicles/tank_crash.dds", NoStrings, InsideMarks,
                    NoStrings, InsideMarks);
    ReplaceKeyValue(patched, DiffuseKeys, "vehicles/inside_crash.dds", InsideMarks, NoStrings,
                    NoStrings, NoStrings);
    if (patched.size() != input.size()) __builtin_trap();
  } catch (const ERangeError&) {
  }
  try {
    // An unpadded, longer replacement: the case that can run past the end.
    TBytesArray patched = input;
    ReplaceText(patched, "diffuse", "diffuseMapX", false, true);
    if (patched.size() != input.size()) __builtin_trap();
  } catch (const ERangeError&) {
  }
  (void)Base64ToBytes(BytesToString(input));
  return 0;
}
