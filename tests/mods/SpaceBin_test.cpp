#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ModsTestHelpers.h"
#include "mods/SpaceBinPatch.h"
#include "mods/SpaceBinTextures.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::ReadBinary;
using test::Root;

const std::string kTankName =
    "content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_AM.dds";
const std::string kTrainName =
    "content/Railway/hd_rw407_CarriageWatchbox2/hd_rw407_CarriageWatchbox2_AM.dds";
const std::string kOtherName = "content/Buildings/bld_EU_001_House/bld_EU_001_House_AM.dds";
const std::string kColor = "#844108";

struct RBlob {
  size_t Offset = 0;
  size_t Length = 0;
};

// A space.bin made by the fixture module: three embedded textures (tank DXT1 with a full mip
// chain, a building, a train DXT5 with alpha), written to `path`; returns the blob positions.
std::vector<RBlob> MakeSpaceBin(const std::string& path, int headerWidth,
                                const std::string& tankTexture = "") {
  const std::string tank =
      tankTexture.empty() ? "cf.dds(16, 16, gradient='red-blue', mipmaps=4)" : tankTexture;
  const std::string out = test::RunFixture(
      "data, blobs = cf.space_bin_with_offsets([\n"
      "  ('" +
          kTankName + "', " + tank +
          "),\n"
          "  ('" +
          kOtherName +
          "', cf.dds(8, 8, 'gray')),\n"
          "  ('" +
          kTrainName +
          "', cf.dds(12, 8, gradient='white-green', compression='dxt5',"
          " alpha_percent=50)),\n"
          "], header_width=int(sys.argv[2]))\n"
          "open(sys.argv[1], 'wb').write(data)\n"
          "print(' '.join('%d %d' % b for b in blobs), end='')\n",
      {path, std::to_string(headerWidth)});
  std::vector<RBlob> blobs;
  std::istringstream stream(out);
  for (RBlob blob; stream >> blob.Offset >> blob.Length;) blobs.push_back(blob);
  return blobs;
}

std::vector<RSpaceBinTexture> Walk(const TBytesArray& data) {
  std::vector<RSpaceBinTexture> found;
  WalkSpaceBinTextures(data, [&](const RSpaceBinTexture& t) {
    found.push_back(t);
    return true;
  });
  return found;
}

class SpaceBinTest : public ::testing::TestWithParam<int> {
 protected:
  TSpaceBinPatch Job(const std::string& pkg = "map.pkg") {
    return TSpaceBinPatch(dir_.ProgramPath() + pkg, nullptr, dir_.ProgramPath() + "out\\",
                          dir_.ProgramPath(), test::LibraryFile());
  }
  test::TTempDir dir_;
};

TEST_P(SpaceBinTest, WalkFindsEveryTextureWithItsHeaderWidth) {
  const std::vector<RBlob> blobs = MakeSpaceBin(dir_.Native("space.bin"), GetParam());
  const std::vector<RSpaceBinTexture> found = Walk(ReadBinary(dir_.Native("space.bin")));
  ASSERT_EQ(found.size(), 3u);
  ASSERT_EQ(blobs.size(), 3u);
  const std::vector<std::string> names = {kTankName, kOtherName, kTrainName};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(found[i].Name, names[i]);
    EXPECT_EQ(found[i].BlobOffset, blobs[i].Offset);
    EXPECT_EQ(found[i].BlobLength, blobs[i].Length);
    EXPECT_EQ(found[i].HeaderWidth, static_cast<uint32_t>(GetParam()));
  }
}

TEST_P(SpaceBinTest, PatchRepaintsOnlyListedBlobsInPlace) {
  const std::vector<RBlob> blobs = MakeSpaceBin(dir_.Native("space.bin"), GetParam());
  const TBytesArray source = ReadBinary(dir_.Native("space.bin"));
  TBytesArray data = source;
  TSpaceBinPatch job = Job();
  job.AddFiles({Root("content\\Railway\\hd_rw407_CarriageWatchbox2\\",
                     {"hd_rw407_CarriageWatchbox2_AM.dds"}),
                Root("CONTENT\\MilitaryEnvironment\\",
                     {"hd_mle101_A05_M4_Sherman\\hd_mle101_A05_M4_Sherman_AM.dds"})},
               kColor);
  ASSERT_TRUE(job.PatchData(data));
  ASSERT_EQ(data.size(), source.size());
  EXPECT_TRUE(job.Files().empty());
  // Bytes outside the tank and train blobs are unchanged; the building keeps its texture.
  for (size_t i = 0; i < data.size(); ++i) {
    const bool inTank = i >= blobs[0].Offset && i < blobs[0].Offset + blobs[0].Length;
    const bool inTrain = i >= blobs[2].Offset && i < blobs[2].Offset + blobs[2].Length;
    if (!inTank && !inTrain) {
      ASSERT_EQ(data[i], source[i]) << "offset " << i;
    }
  }
  for (const size_t index : {0u, 2u}) {
    const std::string path = dir_.Native("blob" + std::to_string(index) + ".dds");
    test::WriteBinary(path, TBytesArray(data.begin() + blobs[index].Offset,
                                        data.begin() + blobs[index].Offset + blobs[index].Length));
    EXPECT_EQ(test::DistinctTexels(path), (std::vector<std::string>{"132,65,8,255"})) << index;
  }
}

TEST_P(SpaceBinTest, TextureThatWouldGrowIsLeftAlone) {
  // Two mip levels of 16x16: the repaint makes the full chain, longer than the blob.
  MakeSpaceBin(dir_.Native("space.bin"), GetParam(),
               "cf.dds(16, 16, 'red', compression='dxt1', mipmaps=1)");
  const TBytesArray source = ReadBinary(dir_.Native("space.bin"));
  TBytesArray data = source;
  TSpaceBinPatch job = Job();
  job.AddFiles({Root("", {kTankName})}, kColor);
  EXPECT_FALSE(job.PatchData(data));
  EXPECT_EQ(data, source);
}

TEST_P(SpaceBinTest, RecordsAfterTheLastListedNameAreNotRead) {
  const std::vector<RBlob> blobs = MakeSpaceBin(dir_.Native("space.bin"), GetParam());
  TBytesArray data = ReadBinary(dir_.Native("space.bin"));
  // Break the magic of the second texture: only a walk that reads it fails.
  data[blobs[1].Offset] = 'X';
  TSpaceBinPatch first = Job();
  first.AddFiles({Root("", {kTankName})}, kColor);
  EXPECT_TRUE(first.PatchData(data));
  TSpaceBinPatch second = Job();
  second.AddFiles({Root("", {kTrainName})}, kColor);
  EXPECT_THROW(second.PatchData(data), ERangeError);
}

TEST_P(SpaceBinTest, TruncatedFileIsARangeError) {
  const std::vector<RBlob> blobs = MakeSpaceBin(dir_.Native("space.bin"), GetParam());
  const TBytesArray data = ReadBinary(dir_.Native("space.bin"));
  for (const size_t cut :
       {size_t{30}, blobs[0].Offset - 20, blobs[0].Offset + 50,
        blobs[2].Offset + blobs[2].Length + 6, blobs[2].Offset + blobs[2].Length + 16}) {
    const TBytesArray part(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_THROW(Walk(part), ERangeError) << "cut at " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(HeaderWidths, SpaceBinTest, ::testing::Values(12, 8));

TEST(SpaceBinTexturesTest, FileWithoutMaterialsSectionHasNoTextures) {
  TBytesArray data(2000, 0x20);
  EXPECT_TRUE(Walk(data).empty());
  // The tag search reads 1,004 bytes: a shorter file without the tag is a range error.
  data.resize(900);
  EXPECT_THROW(Walk(data), ERangeError);
}

TEST(SpaceBinTexturesTest, NegativeTableSizeIsARangeError) {
  TBytesArray data(2000, 0);
  std::memcpy(data.data(), "BSMA", 4);
  const int32_t offset = 100, size = 500, negative = -1;
  std::memcpy(data.data() + 8, &offset, 4);
  std::memcpy(data.data() + 16, &size, 4);
  std::memcpy(data.data() + 100, &negative, 4);
  EXPECT_THROW(Walk(data), ERangeError);
}

class SpaceBinJobTest : public ::testing::Test {
 protected:
  void MakePackage(const std::string& spaceBinCode) {
    test::RunFixture(
        "data = " + spaceBinCode + "\n" +
            "cf.write_package(sys.argv[1], [('spaces/02_malinovka/space.settings', b'<s/>'),\n"
            "                               ('spaces/02_malinovka/space.bin', data),\n"
            "                               ('spaces/03_other/space.bin', data)])\n",
        {dir_.Native("02_malinovka.pkg")});
  }
  TSpaceBinPatch Job() {
    return TSpaceBinPatch(dir_.ProgramPath() + "02_malinovka.pkg", nullptr, out_,
                          dir_.ProgramPath(), test::LibraryFile());
  }
  test::TTempDir dir_;
  std::string out_ = dir_.ProgramPath() + "out\\";
  const std::string target_ = "spaces\\02_malinovka\\space.bin";
};

TEST_F(SpaceBinJobTest, PatchWritesTheFirstSpaceBinWithItsLength) {
  MakePackage("cf.space_bin([('" + kTankName + "', cf.dds(8, 8, 'red'))], header_width=8)");
  TSpaceBinPatch job = Job();
  job.AddFiles({Root("", {kTankName})}, kColor);
  job.Patch();
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 1);
  EXPECT_TRUE(FileExists(out_ + target_));
  EXPECT_FALSE(PathExists(out_ + "spaces\\03_other"));
}

TEST_F(SpaceBinJobTest, UnchangedSpaceBinLeavesNoFileAndNoFolder) {
  MakePackage("cf.space_bin([('" + kTankName + "', cf.dds(8, 8, 'red'))])");
  TSpaceBinPatch job = Job();
  job.AddFiles({Root("", {"content/not/listed.dds"})}, kColor);
  job.Patch();
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 0);
  EXPECT_FALSE(PathExists(out_ + "spaces"));
}

TEST_F(SpaceBinJobTest, MalformedSpaceBinIsRecordedAndDeleted) {
  MakePackage("cf.space_bin([('" + kTankName + "', cf.dds(8, 8, 'red'))])[:500]");
  TSpaceBinPatch job = Job();
  job.AddFiles({Root("", {kTankName})}, kColor);
  job.Patch();
  EXPECT_EQ(
      job.ErrorText().rfind("Pkg: " + dir_.ProgramPath() + "02_malinovka.pkg\r\nFile: " + target_ +
                                "\r\nType: Damaged file\r\nMessage: The file is damaged: "
                                "space.bin: ",
                            0),
      0u)
      << job.ErrorText();
  EXPECT_EQ(job.FilesCount(), 0);
  EXPECT_TRUE(FolderIsEmpty(out_));
}

TEST_F(SpaceBinJobTest, EmptyListDoesNotOpenThePackage) {
  TSpaceBinPatch job(dir_.ProgramPath() + "missing.pkg", nullptr, out_, dir_.ProgramPath(),
                     test::LibraryFile());
  job.AddFiles({Root("", {"a_hd.dds"})}, kColor);
  job.Patch();
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 0);
}

}  // namespace
}  // namespace pallograph
