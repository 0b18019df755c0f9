#include "texture/BlockDecoder.h"

#include <algorithm>
#include <cstring>

#include "texture/AlphaFit.h"

namespace pallograph {
namespace {

uint32_t Load16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | p[1] << 8; }

uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// 5:6:5 to 0xFFRRGGBB by bit replication.
uint32_t Expand565(uint32_t c) {
  const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

uint32_t Channel(uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFF; }

void ColorPalette(const uint8_t* src, bool dxt1, uint32_t palette[4]) {
  const uint32_t c0 = Load16(src), c1 = Load16(src + 2);
  if (c0 == 0 && c1 == 0) {
    palette[0] = palette[1] = palette[2] = 0xFF000000u;
    palette[3] = dxt1 ? 0 : 0xFF000000u;
    return;
  }
  palette[0] = Expand565(c0);
  palette[1] = Expand565(c1);
  palette[2] = palette[3] = 0xFF000000u;
  if (dxt1 && c1 >= c0) {
    for (int c = 0; c < 3; ++c) {
      palette[2] |= ((Channel(palette[0], c) + Channel(palette[1], c)) >> 1) << (8 * c);
    }
    palette[3] = 0;
    return;
  }
  for (int c = 0; c < 3; ++c) {
    const uint32_t e0 = Channel(palette[0], c), e1 = Channel(palette[1], c);
    uint32_t third = ((2 * e0 + e1) * 0x5556) >> 16;
    uint32_t twoThirds = ((e0 + 2 * e1) * 0x5556) >> 16;
    if (third > 255) third = 255;
    if (twoThirds > 255) twoThirds = 255;
    palette[2] |= third << (8 * c);
    palette[3] |= twoThirds << (8 * c);
  }
}

}  // namespace

void DecodeDXTBlock(uint8_t* out, const uint8_t* src, bool dxt1, int rowPitch) {
  const uint8_t* colorHalf = dxt1 ? src : src + 8;
  uint32_t palette[4];
  ColorPalette(colorHalf, dxt1, palette);
  const uint32_t indices = Load32(colorHalf + 4);
  for (int i = 0; i < 16; ++i) {
    const uint32_t pixel = palette[(indices >> (2 * i)) & 3];
    std::memcpy(out + (i / 4) * rowPitch + (i % 4) * 4, &pixel, 4);
  }
  if (dxt1) return;
  // The alpha half, by the format's rule in both modes (endpoints 0 and 0 are six-value mode,
  // where index 7 is 255).
  uint8_t alphaPalette[8];
  AlphaPalette(src[0], src[1], alphaPalette);
  for (int group = 0; group < 2; ++group) {
    const uint32_t bits = static_cast<uint32_t>(src[2 + 3 * group]) |
                          static_cast<uint32_t>(src[3 + 3 * group]) << 8 |
                          static_cast<uint32_t>(src[4 + 3 * group]) << 16;
    for (int j = 0; j < 8; ++j) {
      const int i = 8 * group + j;
      out[(i / 4) * rowPitch + (i % 4) * 4 + 3] = alphaPalette[(bits >> (3 * j)) & 7];
    }
  }
}

void DecodeDXTImageRows(const uint8_t* src, bool dxt1, int width, TBlockWriter writer,
                        TBitmap& bitmap, int height, int firstRow, int rowCount) {
  const size_t blockSize = dxt1 ? 8 : 16;
  src += static_cast<size_t>(firstRow) * static_cast<size_t>((width + 3) >> 2) * blockSize;
  uint8_t block[64];
  const int endY = std::min(height, 4 * (firstRow + rowCount));
  for (int y = 4 * firstRow; y < endY; y += 4) {
    for (int x = 0; x < width; x += 4) {
      DecodeDXTBlock(block, src, dxt1, 16);
      writer(bitmap, block, x, y);
      src += blockSize;
    }
  }
}

void DecodeDXTImage(const uint8_t* src, bool dxt1, int width, TBlockWriter writer, TBitmap& bitmap,
                    int height) {
  DecodeDXTImageRows(src, dxt1, width, writer, bitmap, height, 0, (height + 3) >> 2);
}

}  // namespace pallograph
