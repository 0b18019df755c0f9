// The run's small rules: colour values, result texts, removal of earlier packages.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "run/ColorText.h"
#include "run/CommandLineReader.h"
#include "run/Console.h"
#include "run/OldWotmods.h"
#include "run/OptionTable.h"
#include "run/StageTable.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

TEST(NormalizeColorTest, TakesTheFirstSixHexDigits) {
  EXPECT_EQ(NormalizeColor("ff0000"), "#ff0000");
  EXPECT_EQ(NormalizeColor("#12 34 56 78"), "#123456");
  EXPECT_EQ(NormalizeColor("12345"), "#FFFFFF");
  EXPECT_EQ(NormalizeColor("zz"), "#FFFFFF");
  EXPECT_EQ(NormalizeColor("x0A0b0C0d"), "#0A0b0C");
}

TEST(ConsoleTextTest, ResultTextsAndPadding) {
  EXPECT_EQ(FilesCountText(0), "OK");
  EXPECT_EQ(FilesCountText(1), "OK (1 file)");
  EXPECT_EQ(FilesCountText(12), "OK (12 files)");
  EXPECT_EQ(PadRight("a.pkg", 8), "a.pkg   ");
  EXPECT_EQ(PadRight("a_very_long_name.pkg", 5), "a_very_long_name.pkg");
}

TEST(StageTableTest, ExitCodesFollowTheStageNumbering) {
  for (size_t i = 0; i < kStages.size(); ++i) {
    const int base = 16000 + 10 * static_cast<int>(i + 1);
    EXPECT_EQ(kStages[i].JobErrorCode, base + 1);
    EXPECT_EQ(kStages[i].EmptyCode, base + 2);
    EXPECT_EQ(kStages[i].PackFailedCode, base + 3);
    EXPECT_EQ(kStages[i].MetaKind, static_cast<int>(i + 1));
  }
}

TEST(StageTableTest, EveryOptionARowNamesIsDeclared) {
  TCommandLineReader reader;
  DeclareOptions(reader);
  for (const TStageRow& row : kStages) {
    for (const char* option : {row.Option, row.NameOption, row.MetaOption}) {
      EXPECT_NO_THROW(reader.LookupOption(option)) << option;
      EXPECT_NE(reader.LookupOption(option).Kind, TPropertyKind::okSwitch) << option;
    }
    EXPECT_EQ(std::string(row.NameOption),
              std::string(row.Option, row.Option + std::strlen(row.Option) - 4) + "-wotmod-name");
  }
  for (const char* option :
       {"allinone-wotmod-name", "allinone-wotmod-meta", "subfolder-wotmod-name", "inside-color",
        "remove-shadows", "without-hd", "split-2gb-parts"}) {
    EXPECT_NO_THROW(reader.LookupOption(option)) << option;
  }
}

TEST(DeleteOldWotmodsTest, DeletesOnlyThisProgramsPackagesAndNoFolder) {
  test::TTempDir dir;
  test::WriteText(dir.Native("mods/MOD.PALLOGRAPH.CAMOUFLAGES_1.WOTMOD"), "x");
  test::WriteText(dir.Native("mods/Pallograph/mod.Pallograph.AllMods_2.wotmod"), "x");
  test::WriteText(dir.Native("mods/mod.other.wotmod"), "x");
  test::WriteText(dir.Native("mods/keep/mod.Pallograph.notes.txt"), "x");
  std::vector<std::string> lines;
  const int deleted = DeleteOldWotmods(dir.ProgramPath() + "mods",
                                       [&](const std::string& l) { lines.push_back(l); });
  EXPECT_EQ(deleted, 2);
  EXPECT_FALSE(
      std::filesystem::exists(dir.Native("mods/Pallograph/mod.Pallograph.AllMods_2.wotmod")));
  // Folders belong to the user, also when emptied.
  EXPECT_TRUE(std::filesystem::is_directory(dir.Native("mods/Pallograph")));
  EXPECT_TRUE(std::filesystem::exists(dir.Native("mods/mod.other.wotmod")));
  EXPECT_TRUE(std::filesystem::exists(dir.Native("mods/keep/mod.Pallograph.notes.txt")));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Search old wotmods...");
}

TEST(DeleteOldWotmodsTest, NeverFollowsOrDeletesLinks) {
  test::TTempDir dir;
  test::WriteText(dir.Native("elsewhere/mod.Pallograph.AllMods_1.wotmod"), "x");
  test::WriteText(dir.Native("target.wotmod"), "x");
  std::filesystem::create_directories(dir.Native("mods"));
  std::filesystem::create_directory_symlink(dir.Native("elsewhere"), dir.Native("mods/linked"));
  std::filesystem::create_symlink(dir.Native("target.wotmod"),
                                  dir.Native("mods/mod.Pallograph.Link_1.wotmod"));
  EXPECT_EQ(DeleteOldWotmods(dir.ProgramPath() + "mods", nullptr), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.Native("elsewhere/mod.Pallograph.AllMods_1.wotmod")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Native("mods/mod.Pallograph.Link_1.wotmod")));
  EXPECT_TRUE(std::filesystem::exists(dir.Native("target.wotmod")));
}

}  // namespace
}  // namespace pallograph
