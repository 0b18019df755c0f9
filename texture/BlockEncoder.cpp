#include "texture/BlockEncoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "texture/AlphaFit.h"
#include "texture/ColorFit.h"
#include "texture/ParallelEncoder.h"
#include "texture/Simd.h"
#include "texture/SingleColorTables.h"

namespace pallograph {
namespace {

void Store16(uint8_t* dst, uint16_t value) {
  dst[0] = static_cast<uint8_t>(value);
  dst[1] = static_cast<uint8_t>(value >> 8);
}

void Store32(uint8_t* dst, uint32_t value) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Fully transparent pixels of a DXT5 block become one averaged colour with a small weight, so the
// colour half stays a four-colour block that they pull on only lightly.
void MergeTransparentPixels(ColorSet& set) {
  uint32_t sum[3] = {0, 0, 0};
  uint32_t count = 0;
  for (int i = 0; i < 16; ++i) {
    if (set.Remap[i] != 0xFF) continue;
    ++count;
    for (int c = 0; c < 3; ++c) sum[c] += (set.Pixels[i] >> (8 * c)) & 0xFF;
  }
  uint32_t average = 0;
  for (int c = 0; c < 3; ++c) average |= ((sum[c] + count / 2) / count) << (8 * c);
  const uint32_t index = set.Count;
  set.Colors[index] = average;
  set.Weights[index] = 2 * count;
  for (int i = 0; i < 16; ++i) {
    if (set.Remap[i] != 0xFF) continue;
    set.Remap[i] = static_cast<uint8_t>(index);
    set.Pixels[i] = 0x02000000u | average;
  }
  set.Count = index + 1;
  set.HasTransparent = 0;
}

// One colour from the tables: three-colour mode (DXT1 with transparent pixels, which take index
// 3) or four-colour mode. `transparent` has bit i set for a transparent pixel i.
void EncodeSingleColor(uint8_t* dst, uint32_t color, bool threeColor, uint32_t transparent) {
  const auto& tables = SingleColorTables();
  const TSingleColorTable& green = tables[threeColor ? 0 : 2];
  const TSingleColorTable& redBlue = tables[threeColor ? 1 : 3];
  const TEndpointPair r = redBlue[(color >> 16) & 0xFF];
  const TEndpointPair g = green[(color >> 8) & 0xFF];
  const TEndpointPair b = redBlue[color & 0xFF];
  const uint16_t a = static_cast<uint16_t>(r.First << 11 | g.First << 5 | b.First);
  const uint16_t e = static_cast<uint16_t>(r.Second << 11 | g.Second << 5 | b.Second);
  uint16_t color0 = a;
  uint16_t color1 = e;
  if (a != e) {
    const bool aFirst = threeColor ? a < e : a > e;
    color0 = aFirst ? a : e;
    color1 = aFirst ? e : a;
  }
  const bool swapped = a != e && color0 == e;
  uint32_t indices;
  if (threeColor) {
    // Index 2 for every opaque pixel, 3 for every transparent one.
    indices = 0xAAAAAAAAu;
    for (int i = 0; i < 16; ++i) {
      if (transparent & (1u << i)) indices |= 1u << (2 * i);
    }
  } else {
    indices = swapped ? 0xFFFFFFFFu : 0xAAAAAAAAu;
  }
  Store16(dst, color0);
  Store16(dst + 2, color1);
  Store32(dst + 4, indices);
}

void EncodeSingleColor(uint8_t* dst, const ColorSet& set) {
  const bool threeColor = set.DXT1 && set.HasTransparent;
  uint32_t transparent = 0;
  for (int i = 0; i < 16; ++i) transparent |= (set.Remap[i] == 0xFF ? 1u : 0u) << i;
  EncodeSingleColor(dst, set.Colors[0], threeColor, transparent);
}

void EncodeBinaryAlpha(uint8_t* dst, const uint8_t* pixels) {
  // In six-value mode with endpoints 0 and 5, index 0 is 0 and index 7 is 255.
  dst[0] = 0;
  dst[1] = 5;
  uint64_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= static_cast<uint64_t>(pixels[4 * i + 3] & 7) << (3 * i);
  for (int i = 0; i < 6; ++i) dst[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
}

// The alpha half of a block whose alphas all equal one value (not 0 or 255): the alpha fit's
// result for it, computed once per value on first use.
const uint8_t* UniformAlphaBlock(uint8_t alpha) {
  static const auto table = [] {
    std::array<std::array<uint8_t, 8>, 256> blocks{};
    uint8_t pixels[64] = {};
    for (int a = 0; a < 256; ++a) {
      for (int i = 0; i < 16; ++i) pixels[4 * i + 3] = static_cast<uint8_t>(a);
      EncodeAlphaBlock(blocks[static_cast<size_t>(a)].data(), pixels);
    }
    return blocks;
  }();
  return table[alpha].data();
}

// True when all 16 pixels are the same 32-bit value, which is returned in `pixel`.
bool UniformBlock(const uint8_t* pixels, uint32_t& pixel) {
  std::memcpy(&pixel, pixels, 4);
  const uint64_t pair = pixel * 0x0000000100000001ull;
  uint64_t difference = 0;
  for (int i = 0; i < 8; ++i) {
    uint64_t word;
    std::memcpy(&word, pixels + 8 * i, 8);
    difference |= word ^ pair;
  }
  return difference == 0;
}

// A block of one pixel value, encoded as the general path would: no colour when its alpha is
// below the threshold, else one colour in four-colour mode and, for DXT5, the alpha half.
void EncodeUniformBlock(uint8_t* dst, const uint8_t* pixels, uint32_t pixel, uint8_t flags) {
  const bool dxt1 = (flags & kDxtFlagDxt1) != 0;
  const uint32_t alpha = pixel >> 24;
  const uint32_t threshold = dxt1 ? 128 : ((flags & kDxtFlagIgnoreAlpha) ? 0 : 1);
  uint8_t* colorHalf = dxt1 ? dst : dst + 8;
  if (alpha < threshold) {
    Store32(colorHalf, 0);
    Store32(colorHalf + 4, 0xFFFFFFFFu);
    if (!dxt1) std::memset(dst, 0, 8);
    return;
  }
  EncodeSingleColor(colorHalf, pixel & 0x00FFFFFFu, false, 0);
  if (dxt1) return;
  if (alpha == 0 || alpha == 255) {
    EncodeBinaryAlpha(dst, pixels);
  } else {
    std::memcpy(dst, UniformAlphaBlock(static_cast<uint8_t>(alpha)), 8);
  }
}

// The index of `color` among the set's distinct colours, or Count when it is new.
uint32_t FindColor(const ColorSet& set, uint32_t color) {
#if defined(PALLOGRAPH_SSE2)
  const __m128i key = _mm_set1_epi32(static_cast<int>(color));
  uint32_t found = 0;
  for (int j = 0; j < 16; j += 4) {
    const __m128i colors = _mm_loadu_si128(reinterpret_cast<const __m128i*>(set.Colors + j));
    found |= static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(colors, key))))
             << j;
  }
  found &= (1u << set.Count) - 1;  // the slots past Count are empty
  return found != 0 ? static_cast<uint32_t>(std::countr_zero(found)) : set.Count;
#else
  uint32_t j = 0;
  while (j < set.Count && set.Colors[j] != color) ++j;
  return j;
#endif
}

}  // namespace

void BuildColorSet(ColorSet& set, const uint8_t* pixels, uint8_t flags) {
  std::memset(&set, 0, sizeof(set));
  set.DXT1 = (flags & kDxtFlagDxt1) ? 1 : 0;
  set.IgnoreAlpha = (flags & kDxtFlagIgnoreAlpha) ? 1 : 0;
  set.BinaryAlpha = 1;
  const uint32_t threshold = set.DXT1 ? 128 : (set.IgnoreAlpha ? 0 : 1);
  for (int i = 0; i < 16; ++i) {
    const uint8_t* p = pixels + 4 * i;
    const uint32_t alpha = p[3];
    const uint32_t color = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                           static_cast<uint32_t>(p[2]) << 16;
    set.Pixels[i] = color;
    if (alpha != 0 && alpha != 255) set.BinaryAlpha = 0;
    if (alpha < threshold) {
      set.Remap[i] = 0xFF;
      set.HasTransparent = 1;
      continue;
    }
    const uint32_t weight = set.IgnoreAlpha ? 255 : alpha;
    set.Pixels[i] = weight << 24 | color;
    const uint32_t j = FindColor(set, color);
    if (j < set.Count) {
      set.Weights[j] += weight;
    } else {
      set.Colors[j] = color;
      set.Weights[j] = weight;
      ++set.Count;
    }
    set.Remap[i] = static_cast<uint8_t>(j);
  }
  if (!set.DXT1 && set.HasTransparent && set.Count > 0) MergeTransparentPixels(set);
}

bool EncodeDXTBlock(uint8_t* dst, const uint8_t* pixels, uint8_t flags) {
  uint32_t pixel;
  if (UniformBlock(pixels, pixel)) {
    EncodeUniformBlock(dst, pixels, pixel, flags);
    return true;
  }
  ColorSet set;
  BuildColorSet(set, pixels, flags);
  const bool queue = (flags & kDxtFlagQueue) == kDxtFlagQueue;
  uint8_t* colorHalf = set.DXT1 ? dst : dst + 8;
  if (set.Count == 0) {
    Store32(colorHalf, 0);
    Store32(colorHalf + 4, 0xFFFFFFFFu);
    if (!set.DXT1) std::memset(dst, 0, 8);
    return true;
  }
  bool complete = true;
  if (set.Count == 1) {
    EncodeSingleColor(colorHalf, set);
  } else if (queue) {
    QueueColorJob(colorHalf, set);
    complete = false;
  } else {
    FitColorBlock(colorHalf, set);
  }
  if (set.DXT1) return complete;
  if (set.BinaryAlpha) {
    EncodeBinaryAlpha(dst, pixels);
  } else if (queue) {
    QueueAlphaJob(dst, pixels);
    complete = false;
  } else {
    EncodeAlphaBlock(dst, pixels);
  }
  return complete;
}

void EncodeDXTImageRows(uint8_t* dst, uint8_t flags, int width, TBlockReader reader,
                        const TBitmap& bitmap, int height, int firstRow, int rowCount) {
  const size_t blockSize = (flags & kDxtFlagDxt1) ? 8 : 16;
  const int blocksWide = (width + 3) >> 2;
  // Zeroed once per image: pixels outside the bitmap keep defined colour bytes.
  uint8_t block[64] = {};
  // Pixels outside the bitmap keep the colour bytes the previous read left. A band that starts
  // below the top reads the row of blocks above it first: a row that is not the last lies wholly
  // inside the bitmap vertically, so its reads leave the buffer as the whole walk would have.
  if (firstRow > 0) {
    for (int x = 0; x < width; x += 4) reader(bitmap, block, x, 4 * (firstRow - 1));
  }
  dst += static_cast<size_t>(firstRow) * static_cast<size_t>(blocksWide) * blockSize;
  // A block equal to the previous one, whose bytes are already final, is copied: encoding is a
  // function of the pixels alone, and one-colour textures are made of nothing else.
  uint8_t previous[64];
  const uint8_t* previousOut = nullptr;
  const int endY = std::min(height, 4 * (firstRow + rowCount));
  for (int y = 4 * firstRow; y < endY; y += 4) {
    for (int x = 0; x < width; x += 4) {
      reader(bitmap, block, x, y);
      if (previousOut != nullptr && std::memcmp(block, previous, sizeof(block)) == 0) {
        std::memcpy(dst, previousOut, blockSize);
      } else if (EncodeDXTBlock(dst, block, flags)) {
        std::memcpy(previous, block, sizeof(block));
        previousOut = dst;
      } else {
        previousOut = nullptr;
      }
      dst += blockSize;
    }
  }
}

void EncodeDXTImage(uint8_t* dst, uint8_t flags, int width, TBlockReader reader,
                    const TBitmap& bitmap, int height) {
  EncodeDXTImageRows(dst, flags, width, reader, bitmap, height, 0, (height + 3) >> 2);
}

}  // namespace pallograph
