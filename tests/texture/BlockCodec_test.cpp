#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "TextureTestImages.h"
#include "texture/AlphaFit.h"
#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/ColorFit.h"
#include "texture/FitLevel.h"
#include "texture/SingleColorTables.h"

namespace pallograph {
namespace {

using Block = std::vector<uint8_t>;

Block SolidPixels(uint32_t pixel) {
  Block pixels(64);
  for (int i = 0; i < 16; ++i) std::memcpy(pixels.data() + 4 * i, &pixel, 4);
  return pixels;
}

Block Encode(const Block& pixels, bool dxt1) {
  Block out(dxt1 ? 8 : 16, 0xCD);
  EncodeDXTBlock(out.data(), pixels.data(), dxt1 ? kDxtFlagDxt1 : 0);
  return out;
}

Block Decode(const Block& block, bool dxt1) {
  Block out(64);
  DecodeDXTBlock(out.data(), block.data(), dxt1, 16);
  return out;
}

uint32_t Pixel(const Block& pixels, int i) {
  uint32_t value;
  std::memcpy(&value, pixels.data() + 4 * i, 4);
  return value;
}

int Expand(int value, int bits) {
  return bits == 5 ? (value << 3) | (value >> 2) : (value << 2) | (value >> 4);
}

// The table rule, searched the slow way: every pair for every value.
TEndpointPair SearchPair(int value, int bits, bool fourColor) {
  const int top = (1 << bits) - 1;
  int bestError = 1000;
  TEndpointPair best{};
  for (int outer = 0; outer <= top; ++outer) {
    for (int inner = 0; inner <= top; ++inner) {
      const int first = fourColor ? inner : outer;
      const int second = fourColor ? outer : inner;
      const int a = Expand(first, bits), b = Expand(second, bits);
      const int interpolated = fourColor ? (2 * a + b) / 3 : (a + b) / 2;
      if (std::abs(interpolated - value) < bestError) {
        bestError = std::abs(interpolated - value);
        best = {static_cast<uint8_t>(first), static_cast<uint8_t>(second)};
      }
    }
  }
  return best;
}

TEST(SingleColorTablesTest, MatchFullSearch) {
  const auto& tables = SingleColorTables();
  for (int value : {0, 1, 2, 7, 100, 127, 128, 200, 254, 255}) {
    for (int t = 0; t < 4; ++t) {
      const int bits = (t % 2 == 0) ? 6 : 5;
      const TEndpointPair expected = SearchPair(value, bits, t >= 2);
      EXPECT_EQ(tables[t][value].First, expected.First) << "table " << t << " value " << value;
      EXPECT_EQ(tables[t][value].Second, expected.Second) << "table " << t << " value " << value;
    }
  }
}

TEST(EncodeDXTBlockTest, OneOpaqueColourUsesFourColourTables) {
  const Block out = Encode(SolidPixels(0xFFFF0000), true);
  EXPECT_EQ(out, (Block{0x00, 0xF8, 0x00, 0xF8, 0xAA, 0xAA, 0xAA, 0xAA}));
  // A colour that needs two endpoints: every index 2 or 3 and colour 0 > colour 1.
  const Block grey = Encode(SolidPixels(0xFF7F7F7F), true);
  const uint16_t c0 = static_cast<uint16_t>(grey[0] | grey[1] << 8);
  const uint16_t c1 = static_cast<uint16_t>(grey[2] | grey[3] << 8);
  EXPECT_GT(c0, c1);
  EXPECT_TRUE(grey[4] == 0xAA || grey[4] == 0xFF);
  const Block decoded = Decode(grey, true);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(Pixel(decoded, i) & 0xFF, 0x7F, 1);
}

TEST(EncodeDXTBlockTest, OneColourWithTransparentPixelUsesThreeColourMode) {
  Block pixels = SolidPixels(0xFF7F7F7F);
  pixels[4 * 5 + 3] = 0x40;
  const Block out = Encode(pixels, true);
  const uint16_t c0 = static_cast<uint16_t>(out[0] | out[1] << 8);
  const uint16_t c1 = static_cast<uint16_t>(out[2] | out[3] << 8);
  EXPECT_LE(c0, c1);
  uint32_t indices;
  std::memcpy(&indices, out.data() + 4, 4);
  for (int i = 0; i < 16; ++i) EXPECT_EQ((indices >> (2 * i)) & 3, i == 5 ? 3u : 2u) << i;
  const Block decoded = Decode(out, true);
  EXPECT_EQ(Pixel(decoded, 5), 0u);
  EXPECT_NEAR(Pixel(decoded, 0) & 0xFF, 0x7F, 1);
}

TEST(EncodeDXTBlockTest, FullyTransparentBlocks) {
  EXPECT_EQ(Encode(SolidPixels(0x7F123456), true), (Block{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Encode(SolidPixels(0x00123456), false),
            (Block{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

// A block of one pixel value takes a shortcut; a twin block of the same colour whose alphas
// differ goes the general way. Their colour halves must agree, and the alpha half must be the
// alpha fit's.
TEST(EncodeDXTBlockTest, UniformBlocksMatchTheGeneralPath) {
  std::mt19937 random(5);
  for (int n = 0; n < 40; ++n) {
    const uint32_t color = random() & 0xFFFFFF;
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
      const Block uniform = SolidPixels(alpha << 24 | color);
      Block twin = SolidPixels(0xFF000000u | color);
      twin[3] = static_cast<uint8_t>(alpha);
      const Block dxt1 = Encode(uniform, true);
      if (alpha < 128) {
        EXPECT_EQ(dxt1, (Block{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
      } else {
        EXPECT_EQ(dxt1, Encode(twin, true)) << std::hex << color << " " << alpha;
      }
      const Block dxt5 = Encode(uniform, false);
      if (alpha == 0) {
        EXPECT_EQ(dxt5, Encode(SolidPixels(0), false));
        continue;
      }
      const Block general = Encode(twin, false);
      EXPECT_TRUE(std::equal(dxt5.begin() + 8, dxt5.end(), general.begin() + 8))
          << std::hex << color << " " << alpha;
      Block alphaHalf(8);
      EncodeAlphaBlock(alphaHalf.data(), uniform.data());
      if (alpha == 255) alphaHalf = {0, 5, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
      EXPECT_TRUE(std::equal(dxt5.begin(), dxt5.begin() + 8, alphaHalf.begin())) << alpha;
    }
  }
}

TEST(EncodeDXTBlockTest, BinaryAlphaGetsFixedAlphaHalf) {
  Block pixels = test::MakeDDS(test::MakeTestImage(4, 4, 3), false);  // any varied colours
  pixels.assign(64, 0);
  for (int i = 0; i < 16; ++i) {
    const uint32_t pixel = (i % 3 == 0 ? 0u : 0xFF000000u) | static_cast<uint32_t>(i * 0x0F0F0F);
    std::memcpy(pixels.data() + 4 * i, &pixel, 4);
  }
  const Block out = Encode(pixels, false);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 5);
  uint64_t bits = 0;
  for (int b = 0; b < 6; ++b) bits |= static_cast<uint64_t>(out[2 + b]) << (8 * b);
  for (int i = 0; i < 16; ++i) EXPECT_EQ((bits >> (3 * i)) & 7, i % 3 == 0 ? 0u : 7u) << i;
  const Block decoded = Decode(out, false);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Pixel(decoded, i) >> 24, i % 3 == 0 ? 0u : 255u);
}

TEST(DecodeDXTBlockTest, PaletteArithmetic) {
  // c0 = (31, 0, 0) red, c1 = (0, 63, 31): four-colour entries by * 0x5556 >> 16.
  const Block dxt1{0x00, 0xF8, 0xFF, 0x07, 0xE4, 0xE4, 0xE4, 0xE4};  // indices 0, 1, 2, 3
  const Block out = Decode(dxt1, true);
  EXPECT_EQ(Pixel(out, 0), 0xFFFF0000u);
  EXPECT_EQ(Pixel(out, 1), 0xFF00FFFFu);
  auto third = [](uint32_t e0, uint32_t e1) { return ((2 * e0 + e1) * 0x5556) >> 16; };
  EXPECT_EQ(Pixel(out, 2), 0xFF000000u | third(255, 0) << 16 | third(0, 255) << 8 | third(0, 255));
  EXPECT_EQ(Pixel(out, 3), 0xFF000000u | third(0, 255) << 16 | third(255, 0) << 8 | third(255, 0));
  EXPECT_EQ(Pixel(out, 2), 0xFFAA5555u);
  // Three-colour mode (c0 <= c1): the half point and transparent black.
  const Block three{0xFF, 0x07, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4};
  const Block out3 = Decode(three, true);
  EXPECT_EQ(Pixel(out3, 2), 0xFF7F7F7Fu);
  EXPECT_EQ(Pixel(out3, 3), 0u);
  // The same colour half in DXT5 is always four-colour.
  Block dxt5(16, 0);
  dxt5[0] = 255;
  dxt5[1] = 255;
  std::copy(three.begin(), three.end(), dxt5.begin() + 8);
  EXPECT_EQ(Pixel(Decode(dxt5, false), 3) >> 24, 255u);
  // Zero endpoints: black, index 3 transparent in DXT1 only.
  const Block zero{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Pixel(Decode(zero, true), 7), 0u);
}

TEST(DecodeDXTBlockTest, AlphaPalettes) {
  uint8_t palette[8];
  AlphaPalette(0, 5, palette);
  EXPECT_EQ(Block(palette, palette + 8), (Block{0, 5, 1, 2, 3, 4, 0, 255}));
  AlphaPalette(200, 60, palette);
  for (int k = 2; k < 8; ++k) {
    EXPECT_EQ(palette[k], (((8 - k) * 200 + (k - 1) * 60) * 9363) >> 16) << k;
  }
  // Both endpoints 0: six-value mode, so index 7 is opaque.
  Block block(16, 0);
  block[2] = 0xFF;  // pixels 0..7: indices 7, 7, 3 (partial third)
  block[3] = 0x0F;
  const Block out = Decode(block, false);
  EXPECT_EQ(Pixel(out, 0) >> 24, 255u);
  EXPECT_EQ(Pixel(out, 1) >> 24, 255u);
  EXPECT_EQ(Pixel(out, 4) >> 24, 0u);
}

// Random blocks of the kinds the fits meet: gradients, noise, partial transparency.
Block RandomBlock(std::mt19937& random, int kind) {
  Block pixels(64);
  const int base[3] = {static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                       static_cast<int>(random() % 256)};
  for (int i = 0; i < 16; ++i) {
    for (int c = 0; c < 3; ++c) {
      const int spread = kind == 0 ? 8 : (kind == 1 ? 64 : 256);
      int value = base[c] + (kind == 2 ? 0 : (i * spread) / 16) +
                  static_cast<int>(random() % (spread / 4 + 1));
      if (kind == 2) value = static_cast<int>(random() % 256);
      pixels[4 * i + c] = static_cast<uint8_t>(std::clamp(value, 0, 255));
    }
    const uint32_t roll = random() % 10;
    pixels[4 * i + 3] = static_cast<uint8_t>(roll < 5 ? 255 : (roll < 7 ? 0 : random() % 256));
  }
  return pixels;
}

TEST(ColorFitTest, EveryFitLevelGivesSameBytes) {
  std::mt19937 random(42);
  const int supported = static_cast<int>(SupportedFitLevel());
  for (int n = 0; n < 3000; ++n) {
    const Block pixels = RandomBlock(random, n % 3);
    for (const bool dxt1 : {true, false}) {
      LimitFitLevel(TFitLevel::Scalar);
      const Block scalar = Encode(pixels, dxt1);
      for (int level = 1; level <= supported; ++level) {
        LimitFitLevel(static_cast<TFitLevel>(level));
        ASSERT_EQ(Encode(pixels, dxt1), scalar)
            << "block " << n << (dxt1 ? " DXT1" : " DXT5") << " level " << level;
      }
    }
  }
  LimitFitLevel(TFitLevel::Avx2);
}

// Alphas that a DXT5 palette holds exactly (a texture that was DXT5 before) come back exactly,
// and when both modes can hold them the six-value mode wins the tie.
TEST(AlphaFitTest, PaletteAlphasComeBackExactlyAndTiesGoToSixValues) {
  std::mt19937 random(17);
  for (int n = 0; n < 500; ++n) {
    const int low = static_cast<int>(random() % 200),
              high = low + 8 + static_cast<int>(random() % 48);
    uint8_t palette[8];
    AlphaPalette(static_cast<uint8_t>(high), static_cast<uint8_t>(low), palette);  // eight values
    Block pixels(64, 0);
    for (int i = 0; i < 16; ++i) pixels[4 * i + 3] = palette[i % 8];
    Block out(8);
    EncodeAlphaBlock(out.data(), pixels.data());
    Block full(16, 0);
    std::copy(out.begin(), out.end(), full.begin());
    const Block decoded = Decode(full, false);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(decoded[4 * i + 3], pixels[4 * i + 3]) << n << " " << i;
    EXPECT_GT(out[0], out[1]) << "eight distinct values need the eight-value mode";
    // Two of those values: the six-value mode holds them as its endpoints, a tie it wins.
    for (int i = 0; i < 16; ++i) pixels[4 * i + 3] = i % 2 ? palette[0] : palette[1];
    EncodeAlphaBlock(out.data(), pixels.data());
    EXPECT_LT(out[0], out[1]) << n;
  }
}

// The alpha fit alone, on alphas of every kind: smooth ramps, noise, and noise with 0 and 255.
TEST(AlphaFitTest, EveryFitLevelGivesSameBytes) {
  std::mt19937 random(43);
  const int supported = static_cast<int>(SupportedFitLevel());
  for (int n = 0; n < 4000; ++n) {
    Block pixels(64, 0);
    const int start = static_cast<int>(random() % 256), step = static_cast<int>(random() % 9) - 4;
    for (int i = 0; i < 16; ++i) {
      int alpha = n % 3 == 0 ? start + step * i : static_cast<int>(random() % 256);
      if (n % 3 == 2 && random() % 4 == 0) alpha = random() % 2 ? 0 : 255;
      pixels[4 * i + 3] = static_cast<uint8_t>(std::clamp(alpha, 0, 255));
    }
    LimitFitLevel(TFitLevel::Scalar);
    Block scalar(8);
    EncodeAlphaBlock(scalar.data(), pixels.data());
    for (int level = 1; level <= supported; ++level) {
      LimitFitLevel(static_cast<TFitLevel>(level));
      Block out(8);
      EncodeAlphaBlock(out.data(), pixels.data());
      ASSERT_EQ(out, scalar) << "block " << n << " level " << level;
    }
  }
  LimitFitLevel(TFitLevel::Avx2);
}

double RgbError(const Block& a, const Block& b) {
  double sum = 0;
  for (int i = 0; i < 16; ++i) {
    for (int c = 0; c < 3; ++c) sum += std::pow(a[4 * i + c] - b[4 * i + c], 2);
  }
  return std::sqrt(sum / 48);
}

TEST(ColorFitTest, TwoColourBlockIsReproducedExactly) {
  Block pixels(64);
  for (int i = 0; i < 16; ++i) {
    const uint32_t pixel = (i < 8) ? 0xFFFF0000 : 0xFF0000FF;
    std::memcpy(pixels.data() + 4 * i, &pixel, 4);
  }
  EXPECT_EQ(RgbError(Decode(Encode(pixels, true), true), pixels), 0.0);
}

TEST(ColorFitTest, GradientErrorStaysWithinQuantisation) {
  std::mt19937 random(7);
  for (int n = 0; n < 200; ++n) {
    Block pixels = RandomBlock(random, 0);
    for (int i = 0; i < 16; ++i) pixels[4 * i + 3] = 255;
    EXPECT_LT(RgbError(Decode(Encode(pixels, true), true), pixels), 6.0) << n;
  }
}

TEST(AlphaFitTest, SmoothAlphaIsCloseAndTransparentPixelsStayExact) {
  std::mt19937 random(11);
  for (int n = 0; n < 300; ++n) {
    Block pixels(64, 0x80);
    const int start = static_cast<int>(random() % 200);
    for (int i = 0; i < 16; ++i) pixels[4 * i + 3] = static_cast<uint8_t>(start + i * 3);
    if (n % 2) pixels[3] = 0, pixels[7] = 255;
    Block out(8);
    EncodeAlphaBlock(out.data(), pixels.data());
    Block full(16, 0);
    std::copy(out.begin(), out.end(), full.begin());
    const Block decoded = Decode(full, false);
    for (int i = 0; i < 16; ++i) {
      const int expected = pixels[4 * i + 3];
      const int tolerance = (n % 2 && i < 2) ? 0 : 3;
      ASSERT_NEAR(decoded[4 * i + 3], expected, tolerance) << n << " pixel " << i;
    }
  }
}

}  // namespace
}  // namespace pallograph
