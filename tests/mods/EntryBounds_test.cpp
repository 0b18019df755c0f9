// Bounded extraction of wanted entries: declared sizes beyond what a texture, model file or
// space.bin can be are refused before anything is read, and an entry that delivers more than its
// header declares never writes past that size. Fixtures from Python's zipfile (make_zips.py).
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/ArchiveFixtures.h"
#include "mods/EntryBounds.h"
#include "mods/PackageReader.h"
#include "platform/Stream.h"

namespace pallograph {
namespace {

uint32_t IndexOf(TPackageReader& reader, const std::string& name) {
  for (uint32_t i = 0; i < reader.Count(); ++i) {
    if (reader.Path(i) == name) return i;
  }
  ADD_FAILURE() << "no entry " << name;
  return 0;
}

class EntryBoundsTest : public ::testing::Test {
 protected:
  EntryBoundsTest()
      : reader_(test::LibraryPath(), test::TZipFixtures::Get().Program("bombs.zip")) {}
  TPackageReader reader_;
};

TEST_F(EntryBoundsTest, TextureBoundIsAFullDxt5ChainOf16384Pixels) {
  uint64_t levels = 0;
  for (uint64_t side = 16384; side >= 1; side /= 2) {
    levels += std::max<uint64_t>(1, side / 4) * std::max<uint64_t>(1, side / 4) * 16;
  }
  EXPECT_EQ(EntrySizeBound(TEntryKind::Texture), levels + 128 + 20);
  EXPECT_EQ(EntrySizeBound(TEntryKind::Texture), 357914116u);
  EXPECT_EQ(EntrySizeBound(TEntryKind::Model), 64u << 20);
  EXPECT_EQ(EntrySizeBound(TEntryKind::SpaceBin), 1u << 30);
}

TEST_F(EntryBoundsTest, DeclaredSizeAboveTheBoundIsRefusedBeforeReading) {
  TMemoryStream stream;
  try {
    reader_.Extract(IndexOf(reader_, "big.dds"), stream, TEntryKind::Texture);
    FAIL() << "no exception";
  } catch (const EEntryTooLarge& e) {
    EXPECT_STREQ(e.what(),
                 "\"big.dds\" declares 400000000 bytes; a texture holds at most 357914116 bytes");
  }
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_LT(stream.Data().capacity(), 1u << 20);
  EXPECT_THROW(reader_.Extract(IndexOf(reader_, "big.visual_processed"), stream, TEntryKind::Model),
               EEntryTooLarge);
  // The same entry is a legitimate size for a space.bin.
  TMemoryStream space_bin;
  reader_.Extract(IndexOf(reader_, "big.visual_processed"), space_bin, TEntryKind::SpaceBin);
  EXPECT_EQ(space_bin.Size(), 70000000);
}

TEST_F(EntryBoundsTest, EntryThatDeliversMoreThanDeclaredFailsWithinTheDeclaredSize) {
  TMemoryStream stream;
  EXPECT_THROW(reader_.Extract(IndexOf(reader_, "liar.dds"), stream, TEntryKind::Texture),
               Exception);
  EXPECT_LE(stream.Size(), 1000);
  EXPECT_LT(stream.Data().capacity(), 1u << 20);
  // The reader stays usable; an honest entry extracts whole.
  TMemoryStream small;
  reader_.Extract(IndexOf(reader_, "small.dds"), small, TEntryKind::Texture);
  EXPECT_EQ(small.Data(), std::vector<uint8_t>(1000, 0));
}

TEST(LimitedStreamTest, RefusesWritesPastTheLimit) {
  TMemoryStream target;
  TLimitedStream limited(target, 10);
  EXPECT_EQ(limited.Write("123456", 6), 6u);
  EXPECT_EQ(limited.Write("7890", 4), 4u);
  EXPECT_FALSE(limited.Overflowed());
  EXPECT_EQ(limited.Write("x", 1), 0u);
  EXPECT_TRUE(limited.Overflowed());
  EXPECT_EQ(target.Size(), 10);
  EXPECT_TRUE(limited.Seek(2));
  EXPECT_EQ(limited.Write("ab", 2), 0u);  // once overflowed, always refused
  EXPECT_FALSE(limited.SetSize(11));
}

}  // namespace
}  // namespace pallograph
