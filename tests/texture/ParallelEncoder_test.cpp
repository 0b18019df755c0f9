#include "texture/ParallelEncoder.h"

#include <gtest/gtest.h>

#include <thread>

#include "TextureTestImages.h"
#include "texture/FitLevel.h"

namespace pallograph {
namespace {

std::vector<uint8_t> EncodeWith(bool parallel, const TBitmap& bitmap, bool dxt1) {
  std::vector<uint8_t> out(DDSLevelSize(dxt1 ? 1 : 2, bitmap.Width, bitmap.Height), 0xCD);
  if (parallel) {
    EncodeDXTImageMT(out.data(), dxt1, bitmap.Width, ReadBitmapBlock, bitmap, bitmap.Height, false);
  } else {
    EncodeDXTImage(out.data(), dxt1 ? kDxtFlagDxt1 : 0, bitmap.Width, ReadBitmapBlock, bitmap,
                   bitmap.Height);
  }
  return out;
}

class ParallelEncoderTest : public ::testing::TestWithParam<bool> {
 protected:
  void TearDown() override { OverrideCPUCount(0); }
};

TEST_P(ParallelEncoderTest, WorkersGiveSameBytesAsOneThread) {
  const bool dxt1 = GetParam();
  // 40x40 is 100 blocks (calling thread), 44x40 is 110 (workers); more workers than cores too.
  for (const auto& [width, height] : {std::pair{40, 40}, {44, 40}, {130, 98}}) {
    const TBitmap bitmap = test::MakeTestImage(width, height, static_cast<uint32_t>(width));
    const auto single = EncodeWith(false, bitmap, dxt1);
    for (const unsigned cpus : {0u, 1u, 3u}) {
      OverrideCPUCount(cpus);
      EXPECT_EQ(EncodeWith(true, bitmap, dxt1), single) << width << "x" << height << " " << cpus;
    }
  }
}

// Every fit level and every worker count give the bytes of the scalar one-thread encode. The
// image has more jobs than the queue holds (so workers split batches and, when they fall behind,
// the producer runs jobs itself), and bands of one colour, opaque and translucent.
TEST_P(ParallelEncoderTest, EveryFitLevelAndWorkerCountGiveSameBytes) {
  const bool dxt1 = GetParam();
  TBitmap bitmap = test::MakeTestImage(256, 192, 9);
  for (int y = 64; y < 96; ++y) {
    for (int x = 0; x < 256; ++x) bitmap.ScanLine(y)[x] = x < 128 ? 0x80406080u : 0xFF204060u;
  }
  LimitFitLevel(TFitLevel::Scalar);
  const auto reference = EncodeWith(false, bitmap, dxt1);
  const int supported = static_cast<int>(SupportedFitLevel());
  for (int level = 0; level <= supported; ++level) {
    LimitFitLevel(static_cast<TFitLevel>(level));
    EXPECT_EQ(EncodeWith(false, bitmap, dxt1), reference) << "level " << level;
    for (const unsigned cpus : {2u, 3u, 8u, 16u}) {
      OverrideCPUCount(cpus);
      EXPECT_EQ(EncodeWith(true, bitmap, dxt1), reference) << "level " << level << " " << cpus;
    }
  }
  LimitFitLevel(TFitLevel::Avx2);
}

TEST_P(ParallelEncoderTest, OneColourImageQueuesNothing) {
  const TBitmap bitmap(64, 64, 0xFF336699);
  OverrideCPUCount(2);
  EXPECT_EQ(EncodeWith(true, bitmap, GetParam()), EncodeWith(false, bitmap, GetParam()));
}

TEST_P(ParallelEncoderTest, TwoLargeEncodesAtOnce) {
  const bool dxt1 = GetParam();
  OverrideCPUCount(2);
  const TBitmap first = test::MakeTestImage(256, 128, 1);
  const TBitmap second = test::MakeTestImage(128, 256, 2);
  const auto expectedFirst = EncodeWith(false, first, dxt1);
  const auto expectedSecond = EncodeWith(false, second, dxt1);
  std::vector<uint8_t> gotFirst, gotSecond;
  std::thread other([&] { gotSecond = EncodeWith(true, second, dxt1); });
  gotFirst = EncodeWith(true, first, dxt1);
  other.join();
  EXPECT_EQ(gotFirst, expectedFirst);
  EXPECT_EQ(gotSecond, expectedSecond);
}

INSTANTIATE_TEST_SUITE_P(Dxt1AndDxt5, ParallelEncoderTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Dxt1" : "Dxt5"; });

}  // namespace
}  // namespace pallograph
