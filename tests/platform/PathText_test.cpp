#include "platform/PathText.h"

#include <gtest/gtest.h>

namespace pallograph {
namespace {

TEST(PathTextTest, FolderAndFileParts) {
  EXPECT_EQ(ExtractFilePath("C:\\wot\\res\\packages\\a.pkg"), "C:\\wot\\res\\packages\\");
  EXPECT_EQ(ExtractFileDir("C:\\wot\\res\\packages\\a.pkg"), "C:\\wot\\res\\packages");
  EXPECT_EQ(ExtractFileName("C:\\wot\\res\\packages\\a.pkg"), "a.pkg");
  EXPECT_EQ(ExtractFileName("a.pkg"), "a.pkg");
  EXPECT_EQ(ExtractFilePath("a.pkg"), "");
  EXPECT_EQ(ExtractFileExt("x\\hull.visual_processed"), ".visual_processed");
  EXPECT_EQ(ExtractFileExt("x.y\\noext"), "");
  EXPECT_EQ(ChangeFileExt("a\\b.wotmod", "_Part1.wotmod"), "a\\b_Part1.wotmod");
  EXPECT_EQ(ChangeFileExt("a\\b", ".txt"), "a\\b.txt");
}

TEST(PathTextTest, TrailingBackslashes) {
  EXPECT_EQ(IncludeTrailingBackslash("a"), "a\\");
  EXPECT_EQ(IncludeTrailingBackslash("a\\"), "a\\");
  EXPECT_EQ(ExcludeTrailingBackslash("a\\"), "a");
  EXPECT_EQ(StripTrailingBackslashes("a\\\\\\"), "a");
}

TEST(PathTextTest, CaseOperationsTouchAsciiLettersOnly) {
  EXPECT_EQ(LowerCaseAscii("VeHiCLES\\\xC3\x9C"), "vehicles\\\xC3\x9C");
  EXPECT_TRUE(SameTextAscii("Hull.DDS", "hull.dds"));
  EXPECT_FALSE(SameTextAscii("hull.dds", "hull.dd"));
  EXPECT_TRUE(ContainsTextAscii("VEHICLES\\German", "german"));
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
}

TEST(PathTextTest, UnsafeEntryNamesAreRecognised) {
  EXPECT_TRUE(IsSafeRelativePath("vehicles\\russian\\hull.dds"));
  EXPECT_TRUE(IsSafeRelativePath("a..b\\c"));
  EXPECT_FALSE(IsSafeRelativePath(""));
  EXPECT_FALSE(IsSafeRelativePath("..\\..\\etc\\passwd"));
  EXPECT_FALSE(IsSafeRelativePath("a\\..\\..\\b"));
  EXPECT_FALSE(IsSafeRelativePath("a/../b"));
  EXPECT_FALSE(IsSafeRelativePath("\\abs\\path"));
  EXPECT_FALSE(IsSafeRelativePath("/abs/path"));
  EXPECT_FALSE(IsSafeRelativePath("C:\\windows\\x"));
  EXPECT_FALSE(IsSafeRelativePath("a\\.\\b"));
}

}  // namespace
}  // namespace pallograph
