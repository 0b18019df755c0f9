// Opens arbitrary bytes as a zip through the archive binding, lists every item and extracts it
// into memory. Any failure must arrive as an exception of the program, never as a crash or leak.
// The library path comes from PALLOGRAPH_7Z (default /usr/lib/p7zip/7z.so).
#include <cstdint>
#include <cstdlib>

#include "archive/SevenZip.h"
#include "platform/NativePath.h"

namespace {

pallograph::T7zInArchive& Reader() {
  static pallograph::T7zRef<pallograph::T7zInArchive> reader = [] {
    const char* path = std::getenv("PALLOGRAPH_7Z");
    return pallograph::CreateReader(
        pallograph::FromNativePath(path ? path : "/usr/lib/p7zip/7z.so"));
  }();
  return *reader;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pallograph::TMemoryStream input(std::vector<uint8_t>(data, data + size));
  pallograph::T7zInArchive& reader = Reader();
  try {
    reader.OpenArchiveStream(input);
    for (uint32_t i = 0; i < reader.ItemCount() && i < 256; ++i) {
      reader.ItemPath(i);
      if (reader.ItemIsFolder(i) || reader.ItemSize(i) > (16u << 20)) continue;
      pallograph::TMemoryStream out;
      reader.ExtractItemToStream(i, out);
    }
  } catch (const std::exception&) {
  }
  reader.Close();
  return 0;
}
