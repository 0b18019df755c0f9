#include "mods/RepaintCache.h"

#include <gtest/gtest.h>

#include "ModsTestHelpers.h"
#include "support/TestSupport.h"
#include "texture/DDSTexture.h"
#include "texture/WorkerPool.h"

namespace pallograph {
namespace {

// Two textures of one format, size and mip chain but different pixels.
class TRepaintCacheTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    test::RunFixture(
        "open(sys.argv[1], 'wb').write(cf.dds(20, 12, gradient='red-blue', compression=sys.argv[3],"
        " mipmaps=4, alpha_percent=30))\n"
        "open(sys.argv[2], 'wb').write(cf.dds(20, 12, 'green', compression=sys.argv[3],"
        " mipmaps=4, alpha_percent=80))\n",
        {dir_.Native("a.dds"), dir_.Native("b.dds"), GetParam()});
    a_ = test::ReadBinary(dir_.Native("a.dds"));
    b_ = test::ReadBinary(dir_.Native("b.dds"));
  }
  test::TTempDir dir_;
  std::vector<uint8_t> a_, b_;
};

TEST_P(TRepaintCacheTest, EqualHeadersGiveWhatTheRepaintItselfGives) {
  ASSERT_EQ(a_.size(), b_.size());
  std::vector<uint8_t> direct = b_;
  ASSERT_TRUE(RepaintDDS(direct, "#844108FF"));
  TRepaintCache cache(1 << 20);
  ASSERT_TRUE(cache.Repaint(a_, "#844108FF"));
  ASSERT_TRUE(cache.Repaint(b_, "#844108FF"));
  EXPECT_EQ(cache.Hits(), 1u);
  EXPECT_EQ(b_, direct);
}

// Workers that ask for one source at once share one repaint: the others wait for it (helping
// with its bands meanwhile) and copy it.
TEST_P(TRepaintCacheTest, SourceAskedForByManyWorkersIsRepaintedOnce) {
  std::vector<uint8_t> direct = a_;
  ASSERT_TRUE(RepaintDDS(direct, "#844108FF"));
  TRepaintCache cache(1 << 20);
  constexpr size_t kAsks = 8;
  std::vector<std::vector<uint8_t>> textures(kAsks, a_);
  std::vector<int> repainted(kAsks, 0);
  {
    TWorkerPool workers(4);
    for (size_t i = 0; i < kAsks; ++i) {
      workers.Post(
          [&, i] { repainted[i] = cache.Repaint(textures[i], "#844108FF", &workers) ? 1 : 0; });
    }
  }
  EXPECT_EQ(cache.Hits(), kAsks - 1);
  for (size_t i = 0; i < kAsks; ++i) {
    EXPECT_EQ(repainted[i], 1) << i;
    EXPECT_EQ(textures[i], direct) << i;
  }
}

TEST_P(TRepaintCacheTest, OtherColoursAndColoursWithoutAlphaAreNotShared) {
  TRepaintCache cache(1 << 20);
  std::vector<uint8_t> first = a_, second = a_, third = b_, fourth = b_;
  ASSERT_TRUE(cache.Repaint(first, "#844108FF"));
  ASSERT_TRUE(cache.Repaint(second, "#FF0000FF"));
  ASSERT_TRUE(cache.Repaint(third, "#844108"));
  ASSERT_TRUE(cache.Repaint(fourth, "#844108"));
  EXPECT_EQ(cache.Hits(), 0u);
  EXPECT_NE(first, second);
}

TEST_P(TRepaintCacheTest, FailedRepaintLeavesTheTextureAndIsNotKept) {
  TRepaintCache cache(1 << 20);
  std::vector<uint8_t> broken(a_.begin(), a_.begin() + 100);
  const std::vector<uint8_t> before = broken;
  EXPECT_FALSE(cache.Repaint(broken, "#844108FF"));
  EXPECT_EQ(broken, before);
  EXPECT_FALSE(cache.Repaint(broken, "#844108FF"));
  EXPECT_EQ(cache.Hits(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, TRepaintCacheTest, ::testing::Values("dxt1", "dxt5"));

}  // namespace
}  // namespace pallograph
