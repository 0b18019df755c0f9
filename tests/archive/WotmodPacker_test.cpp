#include <gtest/gtest.h>

#include <filesystem>

#include "archive/Wotmod.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "tests/archive/ArchiveFixtures.h"

namespace pallograph {
namespace {

std::string Entry(const std::string& name, bool folder) {
  return name + (folder ? "\tstored\t0\t40755\t000a" : "\tstored\t0\t100644\t000a");
}

std::string Quoted(const std::string& text) {
  std::string out = "last '";
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "'";
}

class PackWotmodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meta_ = MakeMetaText(3, "2.1.3.226.211108.153045", "");
    std::filesystem::create_directories(dir_.Native("src/res/vehicles/p1"));
    std::filesystem::create_directories(dir_.Native("src/res/vehicles/p2"));
    std::filesystem::create_directories(dir_.Native("src/res/vehicles/p3"));
    test::WriteText(dir_.Native("src/res/vehicles/p1/f1.dds"), std::string(600, '1'));
    test::WriteText(dir_.Native("src/res/vehicles/p2/f2.dds"), std::string(600, '2'));
    test::WriteText(dir_.Native("src/res/vehicles/p3/f3.dds"), std::string(600, '3'));
    ASSERT_TRUE(WriteMetaFile(Program("src/meta.xml"), meta_));
    metaFile_ = meta_ + "\r\n";
  }
  std::string Program(const std::string& relative) const {
    return FromNativePath(dir_.Native(relative));
  }
  bool Pack(const std::string& package, bool split, uint64_t limit = kPartSizeLimit) {
    return PackWotmod(
        test::LibraryPath(), Program(package), Program("src"), split,
        [this](const std::string& line) { log_.push_back(line); }, limit);
  }
  std::vector<std::string> FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const TDirEntry& entry : ListDirectory(Program(folder))) names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TTempDir dir_;
  std::string meta_;
  std::string metaFile_;
  std::vector<std::string> log_;
};

TEST_F(PackWotmodTest, WritesStoredPackageWithFolderEntriesAndMetaLast) {
  test::WriteText(dir_.Native("out/pkg.wotmod"), "previous package");
  ASSERT_TRUE(Pack("out/pkg.wotmod", false));
  EXPECT_EQ(test::InspectZip(dir_.Native("out/pkg.wotmod")),
            (std::vector<std::string>{
                Entry("res/", true), Entry("res/vehicles/", true), Entry("res/vehicles/p1/", true),
                Entry("res/vehicles/p2/", true), Entry("res/vehicles/p3/", true),
                Entry("res/vehicles/p1/f1.dds", false), Entry("res/vehicles/p2/f2.dds", false),
                Entry("res/vehicles/p3/f3.dds", false), Entry("meta.xml", false), "local ok",
                "testzip ok", "comment 0", Quoted(metaFile_)}));
  EXPECT_EQ(test::RunProcess({"7z", "t", dir_.Native("out/pkg.wotmod")}).ExitCode, 0);
  EXPECT_EQ(test::RunProcess({"unzip", "-t", dir_.Native("out/pkg.wotmod")}).ExitCode, 0);
  EXPECT_EQ(FilesIn("out"), std::vector<std::string>{"pkg.wotmod"});
  EXPECT_TRUE(log_.empty());
}

TEST_F(PackWotmodTest, CreatesTheMissingPackageFolder) {
  ASSERT_TRUE(Pack("mods/1.0/Pallograph/pkg.wotmod", true));
  EXPECT_EQ(FilesIn("mods/1.0/Pallograph"), std::vector<std::string>{"pkg.wotmod"});
  EXPECT_TRUE(log_.empty());  // below the limit: one file, no parts
}

TEST_F(PackWotmodTest, SplitsIntoPartsEachWithItsOwnMeta) {
  ASSERT_TRUE(Pack("out/pkg.wotmod", true, 1000));
  ASSERT_EQ(FilesIn("out"),
            (std::vector<std::string>{"pkg_Part1.wotmod", "pkg_Part2.wotmod", "pkg_Part3.wotmod"}));
  for (int part = 1; part <= 3; ++part) {
    const std::string p = std::to_string(part);
    const std::string file = dir_.Native("out/pkg_Part" + p + ".wotmod");
    EXPECT_EQ(test::InspectZip(file),
              (std::vector<std::string>{Entry("res/", true), Entry("res/vehicles/", true),
                                        Entry("res/vehicles/p" + p + "/", true),
                                        Entry("res/vehicles/p" + p + "/f" + p + ".dds", false),
                                        Entry("meta.xml", false), "local ok", "testzip ok",
                                        "comment 0", Quoted(InsertPartSuffix(metaFile_, part))}))
        << file;
    EXPECT_EQ(test::RunProcess({"7z", "t", file}).ExitCode, 0);
  }
  EXPECT_NE(InsertPartSuffix(metaFile_, 2).find("TankMapTextures_Part2</id>"), std::string::npos);
  EXPECT_EQ(
      log_,
      (std::vector<std::string>{
          "   formed packages: 3", "   meta-file modified: _Part1",
          "   package created: " + Program("out/pkg_Part1.wotmod"), "   meta-file modified: _Part2",
          "   package created: " + Program("out/pkg_Part2.wotmod"), "   meta-file modified: _Part3",
          "   package created: " + Program("out/pkg_Part3.wotmod")}));
  EXPECT_EQ(test::ReadText(dir_.Native("src/meta.xml")), metaFile_);
}

TEST_F(PackWotmodTest, FailedPartLeavesNothingAndKeepsThePreviousPackage) {
  // A file that is listed but cannot be opened lands in part 2.
  std::filesystem::create_symlink(dir_.Native("nowhere"), dir_.Native("src/res/vehicles/p2/gone"));
  test::WriteText(dir_.Native("out/pkg_Part1.wotmod"), "previous part 1");
  test::WriteText(dir_.Native("out/pkg.wotmod"), "previous package");
  EXPECT_FALSE(Pack("out/pkg.wotmod", true, 1000));
  EXPECT_EQ(FilesIn("out"), (std::vector<std::string>{"pkg.wotmod", "pkg_Part1.wotmod"}));
  EXPECT_EQ(test::ReadText(dir_.Native("out/pkg_Part1.wotmod")), "previous part 1");
  EXPECT_EQ(test::ReadText(dir_.Native("out/pkg.wotmod")), "previous package");
  EXPECT_EQ(test::ReadText(dir_.Native("src/meta.xml")), metaFile_);
  EXPECT_EQ(log_, std::vector<std::string>{"   formed packages: 3"});
}

TEST_F(PackWotmodTest, SplitNeedsMetaXmlAsTheLastFile) {
  test::WriteText(dir_.Native("src/readme.txt"), "sorts after meta.xml");
  EXPECT_FALSE(Pack("out/pkg.wotmod", true, 1000));
  EXPECT_FALSE(DirectoryExists(Program("out")) && !FilesIn("out").empty());
  // Without splitting the same folder packs fine.
  EXPECT_TRUE(Pack("out/pkg.wotmod", false, 1000));
}

TEST_F(PackWotmodTest, FailsWithoutThrowingOnABadLibraryOrFolder) {
  EXPECT_FALSE(
      PackWotmod(Program("no/7z.so"), Program("out/a.wotmod"), Program("src"), false, nullptr));
  EXPECT_FALSE(
      PackWotmod(test::LibraryPath(), Program("out/a.wotmod"), Program("missing"), false, nullptr));
  EXPECT_FALSE(FileExists(Program("out/a.wotmod")));
}

}  // namespace
}  // namespace pallograph
