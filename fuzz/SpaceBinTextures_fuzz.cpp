// A map's space.bin comes from a package and is untrusted: the texture walk may report a range
// error but must never hand out a texture outside the data, and the patch must never change the
// file's length.
#include <cstddef>
#include <cstdint>

#include "mods/SpaceBinPatch.h"
#include "mods/SpaceBinTextures.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  const TBytesArray input(data, data + size);
  try {
    WalkSpaceBinTextures(input, [&](const RSpaceBinTexture& texture) {
      if (texture.BlobOffset > input.size() ||
          texture.BlobLength > input.size() - texture.BlobOffset) {
        __builtin_trap();
      }
      return true;
    });
  } catch (const ERangeError&) {
  }
  try {
    TSpaceBinPatch job("fuzz.pkg", nullptr, "out\\", "", "");
    RFiles root;
    root.Name = "a";
    root.Files = {".dds", "b"};
    root.Count = 2;
    job.AddFiles({root}, "#FF0000");
    TBytesArray patched = input;
    job.PatchData(patched);
    if (patched.size() != input.size()) __builtin_trap();
  } catch (const ERangeError&) {
  }
  return 0;
}
