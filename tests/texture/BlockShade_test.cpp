#include "texture/BlockShade.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TextureTestImages.h"
#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/DDSTexture.h"
#include "texture/FitLevel.h"
#include "texture/WorkerPool.h"

namespace pallograph {
namespace {

using test::Le32;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The 16 texels of a colour half (as the DXT1 or DXT5 decoder reads it; for DXT5 the alpha half
// is all 255).
std::vector<uint32_t> Decode(const uint8_t* half, bool dxt1) {
  uint8_t block[16];
  std::memset(block, 0, 8);
  block[0] = 255;
  block[1] = 255;
  std::memcpy(dxt1 ? block : block + 8, half, 8);
  uint32_t texels[16];
  DecodeDXTBlock(reinterpret_cast<uint8_t*>(texels), block, dxt1, 16);
  return {texels, texels + 16};
}

uint32_t Ideal(uint32_t texel, int percent) {
  uint32_t ideal = texel & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    ideal |= (((texel >> (8 * c)) & 0xFF) * static_cast<uint32_t>(percent) / 100) << (8 * c);
  }
  return ideal;
}

int LargestError(uint32_t a, uint32_t b) {
  int largest = 0;
  for (int c = 0; c < 3; ++c) {
    largest = std::max(largest, std::abs(static_cast<int>((a >> (8 * c)) & 0xFF) -
                                         static_cast<int>((b >> (8 * c)) & 0xFF)));
  }
  return largest;
}

struct TBlockCase {
  const char* Name;
  bool Dxt1;
  uint16_t Color0, Color1;
  uint32_t Indices;
  uint16_t Valid;  // texels inside the level
  int Percent;
};

// Each colour half shaded on its own against the decoded source scaled texel by texel: every
// texel inside comes within a few levels of the ideal (the largest error measured on real
// textures is 15), transparent texels stay transparent and opaque ones opaque, and a DXT1 block
// keeps its mode. Percent 100 keeps the bytes; 0 makes every texel black.
TEST(BlockShadeTest, BlocksAgainstDecodeScaleReference) {
  const TBlockCase cases[] = {
      {"dxt5 gradient", false, 0xF81F, 0x07E0, 0x1B1B1B1B, 0xFFFF, 40},
      {"dxt5 small spread", false, 0x8410, 0x8431, 0xE4E4E4E4, 0xFFFF, 10},
      {"dxt5 one colour", false, 0x4208, 0x4208, 0x00000000, 0xFFFF, 70},
      {"dxt5 endpoints below each other", false, 0x0841, 0xFFFF, 0x39C6E4B1, 0xFFFF, 55},
      {"dxt5 keeps all at 100", false, 0x1234, 0xFEDC, 0x5A5A0FF0, 0xFFFF, 100},
      {"dxt5 black at 0", false, 0xFFFF, 0x0000, 0xD8D8D8D8, 0xFFFF, 0},
      {"dxt1 four colours", true, 0xFFDF, 0x2104, 0x93939393, 0xFFFF, 40},
      {"dxt1 endpoints meet", true, 0x0821, 0x0000, 0xFFAA5500, 0xFFFF, 10},
      {"dxt1 order turns", true, 0x0800, 0x07E0, 0x1E1E1E1E, 0xFFFF, 50},
      {"dxt1 four colours black", true, 0x7BEF, 0x0861, 0xE4E4E4E4, 0xFFFF, 0},
      {"dxt1 transparent texels", true, 0x2104, 0xF79E, 0xC3C3FF00, 0xFFFF, 40},
      {"dxt1 three colours", true, 0x0000, 0x0000, 0xFFFF0000, 0xFFFF, 60},
      {"dxt1 transparent black at 0", true, 0x39E7, 0xBDF7, 0x3CC33CC3, 0xFFFF, 0},
      {"dxt1 only transparent", true, 0x1111, 0x2222, 0xFFFFFFFF, 0xFFFF, 30},
      {"edge: 2x2 inside", false, 0xA534, 0x1082, 0x4E4E4E4E, 0x0033, 40},
      {"edge: one texel", true, 0xFFFF, 0x0000, 0x0000000B, 0x0001, 70},
      {"edge: three columns", true, 0x1234, 0x5678, 0x6C6C6C6C, 0x7777, 25},
  };
  for (const TBlockCase& c : cases) {
    SCOPED_TRACE(c.Name);
    uint8_t half[8] = {
        static_cast<uint8_t>(c.Color0),        static_cast<uint8_t>(c.Color0 >> 8),
        static_cast<uint8_t>(c.Color1),        static_cast<uint8_t>(c.Color1 >> 8),
        static_cast<uint8_t>(c.Indices),       static_cast<uint8_t>(c.Indices >> 8),
        static_cast<uint8_t>(c.Indices >> 16), static_cast<uint8_t>(c.Indices >> 24)};
    const std::vector<uint32_t> source = Decode(half, c.Dxt1);
    const bool threeColor = c.Dxt1 && c.Color0 <= c.Color1;
    uint8_t shaded[8];
    std::memcpy(shaded, half, 8);
    TBlockShade(c.Percent).ShadeColorHalf(shaded, c.Dxt1, c.Valid);
    if (c.Percent == 100) {
      EXPECT_EQ(std::memcmp(shaded, half, 8), 0);
      continue;
    }
    const std::vector<uint32_t> result = Decode(shaded, c.Dxt1);
    if (c.Dxt1) {
      if (threeColor) {
        EXPECT_LE(Get16(shaded), Get16(shaded + 2)) << "stays a three-colour block";
      } else if (Get16(shaded) == Get16(shaded + 2)) {
        EXPECT_EQ(shaded[4] | shaded[5] | shaded[6] | shaded[7], 0)
            << "equal endpoints, every texel on entry 0";
      } else {
        EXPECT_GT(Get16(shaded), Get16(shaded + 2)) << "stays a four-colour block";
      }
    }
    for (int i = 0; i < 16; ++i) {
      if (((c.Valid >> i) & 1) == 0) continue;
      EXPECT_EQ(result[i] >> 24, source[i] >> 24) << "alpha of texel " << i;
      if ((source[i] >> 24) == 0) continue;
      const uint32_t ideal = Ideal(source[i], c.Percent);
      if (c.Percent == 0) {
        EXPECT_EQ(result[i] & 0xFFFFFF, 0u) << "texel " << i;
      } else {
        EXPECT_LE(LargestError(result[i], ideal), 15) << "texel " << i;
      }
    }
  }
}

// A chain written in pieces: which levels the source holds, and so which ones are made.
struct TChainCase {
  const char* Name;
  int Width, Height;
  uint32_t MipCount;  // in the header
  int LevelsPresent;  // levels whose bytes are in the file (0: all the header counts)
};

// Whole textures: the levels the source holds are shaded on their blocks (DXT5 alpha halves byte
// for byte, every texel near the ideal of that level), the levels missing from a chain are made
// from the last level held, the header and size are those of the full chain (one level for a
// source of one), and every fit level and worker count gives the same bytes.
TEST(BlockShadeTest, TexturesShadeHeldLevelsAndMakeMissingOnes) {
  const TChainCase cases[] = {
      {"one level, sides not multiples of 4", 37, 22, 1, 0},
      {"mip count 0", 16, 16, 0, 0},
      {"full chain", 64, 32, 7, 0},
      {"partial chain", 40, 24, 3, 0},
      {"header counts more than the file holds", 32, 32, 6, 2},
      {"header counts more than a full chain", 8, 4, 9, 4},
  };
  const int percent = 40;
  for (const bool dxt1 : {true, false}) {
    const uint8_t code = dxt1 ? kDDSCodeDxt1 : kDDSCodeDxt5;
    for (const TChainCase& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + (dxt1 ? " dxt1" : " dxt5"));
      // The source: the full chain of a test image, cut to the levels the case holds.
      std::vector<uint8_t> source =
          EncodeDDSTexture(test::MakeTestImage(c.Width, c.Height, 3), code, true);
      const std::vector<uint64_t> chain = LayOutMipChain(code, c.Width, c.Height, true);
      const size_t counted =
          c.MipCount > 1 ? std::min<size_t>(c.MipCount, chain.size()) : static_cast<size_t>(1);
      const size_t held = c.LevelsPresent > 0 ? static_cast<size_t>(c.LevelsPresent) : counted;
      uint64_t heldBytes = kDDSHeaderSize;
      for (size_t j = 0; j < held; ++j) heldBytes += chain[j];
      source.resize(heldBytes);
      source[28] = static_cast<uint8_t>(c.MipCount);

      std::vector<uint8_t> shaded = source;
      ASSERT_TRUE(ShadeDDS(shaded, percent));
      const std::vector<uint64_t> expected =
          LayOutMipChain(code, c.Width, c.Height, c.MipCount > 1);
      uint64_t total = kDDSHeaderSize;
      for (const uint64_t size : expected) total += size;
      ASSERT_EQ(shaded.size(), total);
      EXPECT_EQ(Le32(shaded, 28), expected.size() > 1 ? expected.size() : 0u);
      EXPECT_EQ(Le32(shaded, 16), static_cast<uint32_t>(c.Width));
      EXPECT_EQ(Le32(shaded, 12), static_cast<uint32_t>(c.Height));

      uint64_t offset = kDDSHeaderSize;
      int width = c.Width, height = c.Height;
      TBitmap lastHeld;
      for (size_t j = 0; j < expected.size(); ++j) {
        TBitmap before(width, height), after(width, height);
        DecodeDXTImage(shaded.data() + offset, dxt1, width, WriteBitmapBlock, after, height);
        if (j < held) {
          DecodeDXTImage(source.data() + offset, dxt1, width, WriteBitmapBlock, before, height);
          if (!dxt1) {
            for (uint64_t b = 0; b < expected[j]; b += 16) {
              ASSERT_EQ(std::memcmp(shaded.data() + offset + b, source.data() + offset + b, 8), 0)
                  << "alpha half of level " << j;
            }
          }
          for (size_t i = 0; i < before.Pixels.size(); ++i) {
            ASSERT_EQ(after.Pixels[i] >> 24, before.Pixels[i] >> 24) << "level " << j;
            if ((before.Pixels[i] >> 24) == 0) continue;
            ASSERT_LE(LargestError(after.Pixels[i], Ideal(before.Pixels[i], percent)), 15)
                << "level " << j << " texel " << i;
          }
          for (uint32_t& pixel : before.Pixels) pixel = Ideal(pixel, percent);
          lastHeld = std::move(before);
        } else {
          // Made from the last level held, shaded, halved and encoded.
          HalveBitmap(lastHeld);
          ASSERT_EQ(lastHeld.Width, width);
          ASSERT_EQ(lastHeld.Height, height);
          std::vector<uint8_t> made(expected[j]);
          EncodeDXTImage(made.data(), dxt1 ? kDxtFlagDxt1 : 0, width, ReadBitmapBlock, lastHeld,
                         height);
          EXPECT_EQ(std::memcmp(made.data(), shaded.data() + offset, made.size()), 0)
              << "level " << j;
        }
        offset += expected[j];
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
      }

      // Every fit level, and the stage's workers, give the same bytes.
      const int supported = static_cast<int>(SupportedFitLevel());
      for (int level = 0; level <= supported; ++level) {
        LimitFitLevel(static_cast<TFitLevel>(level));
        std::vector<uint8_t> again = source;
        ASSERT_TRUE(ShadeDDS(again, percent));
        EXPECT_EQ(again, shaded) << "fit level " << level;
        for (const unsigned workers : {1u, 3u}) {
          TWorkerPool pool(workers);
          again = source;
          ASSERT_TRUE(ShadeDDS(again, percent, &pool));
          EXPECT_EQ(again, shaded) << "fit level " << level << ", " << workers << " workers";
        }
      }
      LimitFitLevel(SupportedFitLevel());
    }
  }
}

// Whole blocks of real-like content: the batched four-colour shade gives each half what the
// one-half shade gives, at every fit level, for percents across the range.
TEST(BlockShadeTest, BatchesGiveWhatSingleHalvesGive) {
  const TBitmap image = test::MakeTestImage(96, 40, 11);
  for (const bool dxt1 : {true, false}) {
    const std::vector<uint8_t> file = test::MakeDDS(image, dxt1);
    const size_t blockSize = dxt1 ? 8 : 16;
    for (const int percent : {1, 13, 40, 77, 99}) {
      const TBlockShade shade(percent);
      std::vector<uint8_t> single(file.begin() + kDDSHeaderSize, file.end());
      for (size_t at = 0; at < single.size(); at += blockSize) {
        shade.ShadeColorHalf(single.data() + at + (dxt1 ? 0 : 8), dxt1, 0xFFFF);
      }
      const int supported = static_cast<int>(SupportedFitLevel());
      for (int level = 0; level <= supported; ++level) {
        LimitFitLevel(static_cast<TFitLevel>(level));
        std::vector<uint8_t> level0(file.begin() + kDDSHeaderSize, file.end());
        shade.ShadeLevelRows(level0.data(), dxt1, image.Width, image.Height, 0, 10);
        EXPECT_EQ(level0, single) << percent << "% at fit level " << level;
      }
      LimitFitLevel(SupportedFitLevel());
    }
  }
}

}  // namespace
}  // namespace pallograph
