// Levels split into bands, and whole textures changed on a stage's workers, give the bytes of the
// whole-level routines on one thread.
#include "texture/LevelBands.h"

#include <gtest/gtest.h>

#include "TextureTestImages.h"
#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/DDSTexture.h"
#include "texture/WorkerPool.h"

namespace pallograph {
namespace {

// Bands run last to first: a band below the top must not depend on what was encoded before it
// (pixels outside a partial edge block keep the colour bytes of the previous read). Sizes below
// one block wide, with partial edge blocks and alpha zones.
TEST(LevelBandsTest, BandsInAnyOrderGiveTheWholeLevel) {
  for (const auto& [width, height] :
       {std::pair{1, 9}, {2, 13}, {3, 10}, {5, 17}, {13, 10}, {44, 41}, {37, 64}}) {
    const TBitmap bitmap =
        test::MakeTestImage(width, height, static_cast<uint32_t>(width + height));
    const int rows = (height + 3) / 4;
    for (const bool dxt1 : {true, false}) {
      const uint8_t flags = dxt1 ? kDxtFlagDxt1 : 0;
      std::vector<uint8_t> whole(DDSLevelSize(dxt1 ? kDDSCodeDxt1 : kDDSCodeDxt5, width, height));
      EncodeDXTImage(whole.data(), flags, width, ReadBitmapBlock, bitmap, height);
      TBitmap decoded(width, height);
      DecodeDXTImage(whole.data(), dxt1, width, WriteBitmapBlock, decoded, height);
      for (int perBand = 1; perBand <= 3; ++perBand) {
        const std::string where = std::to_string(width) + "x" + std::to_string(height) +
                                  (dxt1 ? " DXT1 " : " DXT5 ") + std::to_string(perBand);
        std::vector<uint8_t> banded(whole.size(), 0xCD);
        TBitmap bandDecoded(width, height);
        for (int first = (rows - 1) / perBand * perBand; first >= 0; first -= perBand) {
          EncodeDXTImageRows(banded.data(), flags, width, ReadBitmapBlock, bitmap, height, first,
                             perBand);
          DecodeDXTImageRows(whole.data(), dxt1, width, WriteBitmapBlock, bandDecoded, height,
                             first, perBand);
        }
        EXPECT_EQ(banded, whole) << where;
        EXPECT_EQ(bandDecoded.Pixels, decoded.Pixels) << where;
      }
    }
    TBitmap halved = bitmap;
    HalveBitmap(halved);
    TBitmap bandHalved(halved.Width, halved.Height);
    for (int first = halved.Height - 1; first >= 0; --first) {
      BoxHalveRows(bitmap, bandHalved, first, 1);
    }
    EXPECT_EQ(bandHalved.Pixels, halved.Pixels) << width << "x" << height;
  }
}

// Shading and repainting on 1, 2, 3 and 8 workers give the one-thread bytes, full mip chains
// included; sizes of several encode, decode and pixel bands (one below one block wide).
TEST(LevelBandsTest, TexturesOnWorkersGiveTheBytesOfOneThread) {
  for (const auto& [width, height] :
       {std::pair{300, 260}, {1030, 20}, {8, 2100}, {2, 4100}, {13, 10}}) {
    for (const bool dxt1 : {true, false}) {
      std::vector<uint8_t> source =
          test::MakeDDS(test::MakeTestImage(width, height, static_cast<uint32_t>(width)), dxt1);
      source[28] = 2;  // a mip-mapped source: the result gets the full chain
      std::vector<uint8_t> shaded = source, repainted = source, opaque = source, failed = source;
      ASSERT_TRUE(ShadeDDS(shaded, 40));
      ASSERT_TRUE(RepaintDDS(repainted, "#336699"));
      ASSERT_TRUE(RepaintDDS(opaque, "#336699FF"));
      for (const unsigned count : {1u, 2u, 3u, 8u}) {
        const std::string where = std::to_string(width) + "x" + std::to_string(height) +
                                  (dxt1 ? " DXT1 " : " DXT5 ") + std::to_string(count);
        TWorkerPool workers(count);
        std::vector<uint8_t> shadedHere = source, repaintedHere = source, opaqueHere = source;
        EXPECT_TRUE(ShadeDDS(shadedHere, 40, &workers));
        EXPECT_EQ(shadedHere, shaded) << where;
        EXPECT_TRUE(RepaintDDS(repaintedHere, "#336699", 0, &workers));
        EXPECT_EQ(repaintedHere, repainted) << where;
        EXPECT_TRUE(RepaintDDS(opaqueHere, "#336699FF", 0, &workers));
        EXPECT_EQ(opaqueHere, opaque) << where;
        EXPECT_EQ(ShadeDDS(failed, 200, &workers).Cause, "shading by 200% leaves the colour range");
        EXPECT_EQ(failed, source) << where;
      }
    }
  }
}

}  // namespace
}  // namespace pallograph
