// A map's space.bin patched end to end with listed names: the names are those the file itself
// holds (so the embedded textures are really repainted) or, when the first byte is odd, names
// taken from the input ("name\nname...\0" after the first byte). The file starts after the
// first byte, or after the list. The patch may report a range error but must keep the file's
// length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "mods/SpaceBinPatch.h"
#include "mods/SpaceBinTextures.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  const bool namesFromInput = size > 0 && (data[0] & 1);
  size_t start = size > 0 ? 1 : 0;
  RFiles root;
  if (namesFromInput) {
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t end = text.find('\0');
    const std::string list = text.substr(0, end);
    start = end == std::string::npos ? size : end + 2;
    for (size_t at = 0; at <= list.size();) {
      const size_t next = std::min(list.find('\n', at), list.size());
      root.Files.push_back(list.substr(at, next - at));
      at = next + 1;
    }
  }
  const TBytesArray input(data + start, data + size);
  try {
    if (!namesFromInput) {
      WalkSpaceBinTextures(input, [&](const RSpaceBinTexture& texture) {
        root.Files.push_back(texture.Name);
        return root.Files.size() < 64;
      });
    }
    root.Count = static_cast<int32_t>(root.Files.size());
    TSpaceBinPatch job("fuzz.pkg", nullptr, "out\\", "", "");
    job.AddFiles({root}, "#20C040");
    TBytesArray patched = input;
    job.PatchData(patched);
    if (patched.size() != input.size()) __builtin_trap();
  } catch (const ERangeError&) {
  }
  return 0;
}
