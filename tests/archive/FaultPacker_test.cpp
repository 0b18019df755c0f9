// A split package that fails part-way (the disk fills up while a later part is written, or a
// part cannot be renamed into place) must leave no part of itself behind. The fault rules are
// read once per process, so each case runs this program again with its rule and a filter naming
// the child half.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive/Wotmod.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/System.h"
#include "tests/archive/ArchiveFixtures.h"

namespace pallograph {
namespace {

class FaultPackerTest : public testing::TestWithParam<const char*> {};

TEST_P(FaultPackerTest, FailedSplitLeavesNoPartBehind) {
  const test::TProcessResult r =
      test::RunProcess({"/proc/self/exe", "--gtest_filter=FaultPackerChild.*"}, "", "",
                       {std::string("PALLOGRAPH_FAULT=") + GetParam()});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("[  PASSED  ] 1 test."), std::string::npos) << r.Out;
}

INSTANTIATE_TEST_SUITE_P(DiskFullOrRenameRefused, FaultPackerTest,
                         testing::Values("full:100@_Part2", "full:100@_Part3", "rename:2@_Part",
                                         "create:3@_Part"));

TEST(FaultPackerChild, SplitPackage) {
  if (!fault::Active()) GTEST_SKIP() << "run by the tests above";
  test::TTempDir dir;
  const auto program = [&dir](const std::string& relative) {
    return FromNativePath(dir.Native(relative));
  };
  for (const char* part : {"p1", "p2", "p3"}) {
    std::filesystem::create_directories(dir.Native("src/res/") + part);
    test::WriteText(dir.Native("src/res/") + part + "/f.dds", std::string(600, part[1]));
  }
  const std::string meta = MakeMetaText(5, "2.1.3.226.211108.153045", "");
  ASSERT_TRUE(WriteMetaFile(program("src/meta.xml"), meta));
  const std::string metaFile = test::ReadText(dir.Native("src/meta.xml"));
  test::WriteText(dir.Native("out/pkg_Part1.wotmod"), "an earlier package");

  EXPECT_FALSE(PackWotmod(test::LibraryPath(), program("out/pkg.wotmod"), program("src"), true,
                          nullptr, 1000));
  std::vector<std::string> left;
  for (const TDirEntry& entry : ListDirectory(program("out"))) left.push_back(entry.Name);
  std::sort(left.begin(), left.end());
  // Nothing new: at most the earlier package, when the failure came before any rename.
  if (left.empty()) {
    EXPECT_STREQ(std::getenv("PALLOGRAPH_FAULT"), "rename:2@_Part");
  } else {
    EXPECT_EQ(left, std::vector<std::string>{"pkg_Part1.wotmod"});
    EXPECT_EQ(test::ReadText(dir.Native("out/pkg_Part1.wotmod")), "an earlier package");
  }
  EXPECT_EQ(test::ReadText(dir.Native("src/meta.xml")), metaFile);
}

}  // namespace
}  // namespace pallograph
