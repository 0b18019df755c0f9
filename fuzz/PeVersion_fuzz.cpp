// libFuzzer target: the version reader on arbitrary executable bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "client/PeVersion.h"
#include "platform/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pallograph::TMemoryStream image(std::vector<uint8_t>(data, data + size));
  pallograph::ReadPeFileVersion(image);
  return 0;
}
