// Deterministic test images for the texture codec tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "texture/Bitmap.h"
#include "texture/BlockEncoder.h"
#include "texture/DDSTexture.h"

namespace pallograph::test {

// Smooth colour gradients with noise, and an alpha channel with opaque, transparent and partial
// regions: the mix of block kinds a real texture has.
inline TBitmap MakeTestImage(int width, int height, uint32_t seed) {
  TBitmap bitmap(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>(random() % 24);
      const uint32_t r = static_cast<uint32_t>((x * 255 / (width + 1) + noise) & 0xFF);
      const uint32_t g = static_cast<uint32_t>((y * 255 / (height + 1) + noise / 2) & 0xFF);
      const uint32_t b = static_cast<uint32_t>(((x + y) * 3 + noise) & 0xFF);
      uint32_t a = 255;
      const int zone = (x / 16 + y / 16) % 4;
      if (zone == 1) a = 0;
      if (zone == 2) a = static_cast<uint32_t>((x * 7 + y * 5) & 0xFF);
      bitmap.ScanLine(y)[x] = a << 24 | r << 16 | g << 8 | b;
    }
  }
  return bitmap;
}

// A one-level DDS file of the bitmap, encoded on the calling thread.
inline std::vector<uint8_t> MakeDDS(const TBitmap& bitmap, bool dxt1) {
  const uint8_t code = dxt1 ? kDDSCodeDxt1 : kDDSCodeDxt5;
  std::vector<uint8_t> file(kDDSHeaderSize + DDSLevelSize(code, bitmap.Width, bitmap.Height));
  TDDSHeader header;
  BuildDDSHeader(bitmap.Width, bitmap.Height, 1, header, code);
  std::memcpy(file.data(), header.data(), header.size());
  EncodeDXTImage(file.data() + kDDSHeaderSize, dxt1 ? kDxtFlagDxt1 : 0, bitmap.Width,
                 ReadBitmapBlock, bitmap, bitmap.Height);
  return file;
}

inline uint32_t Le32(const std::vector<uint8_t>& data, size_t offset) {
  uint32_t value;
  std::memcpy(&value, data.data() + offset, 4);
  return value;
}

}  // namespace pallograph::test
