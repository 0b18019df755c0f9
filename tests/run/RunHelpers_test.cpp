// The run's small rules: colour values, result texts, removal of earlier packages.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "run/ColorText.h"
#include "run/CommandLineReader.h"
#include "run/Console.h"
#include "run/OldWotmods.h"
#include "run/OptionTable.h"
#include "run/PackageRoots.h"
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
  // A programmer's prefix is no digit.
  EXPECT_EQ(NormalizeColor("0xFF8000"), "#FF8000");
  EXPECT_EQ(NormalizeColor("#0Xff8000"), "#ff8000");
  EXPECT_EQ(NormalizeColor("00FF80"), "#00FF80");
  EXPECT_FALSE(IsColorText("0xFF800"));
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

TEST(EarlierPackagesTest, SettledByModAndPutBackWhenTheirNameIsFree) {
  test::TTempDir dir;
  const std::string camo = dir.Native("mods/mod.Pallograph.Camouflages_1.wotmod");
  const std::string map = dir.Native("mods/sub/mod.Pallograph.TankMapTextures_1.wotmod");
  test::WriteText(camo, "camo");
  test::WriteText(map, "map");
  test::WriteText(dir.Native("mods/mod.other.wotmod"), "other");
  const std::string mods = dir.ProgramPath() + "mods";
  {
    TEarlierPackages earlier;
    ASSERT_EQ(earlier.MoveAside(mods, nullptr), 2);
    EXPECT_FALSE(std::filesystem::exists(camo));
    EXPECT_FALSE(std::filesystem::exists(map));
    EXPECT_TRUE(std::filesystem::exists(dir.Native("mods/mod.other.wotmod")));
    EXPECT_EQ(earlier.Settle("MOD.PALLOGRAPH.CAMOUFLAGES_", false, nullptr), 1);
    EXPECT_EQ(test::ReadText(camo), "camo");
    // A package that took the name meanwhile is never replaced: the earlier one stays aside.
    test::WriteText(map, "new");
    EXPECT_EQ(earlier.Settle("", false, nullptr), 0);
    EXPECT_TRUE(earlier.Empty());
  }
  EXPECT_EQ(PutBackStaleEarlierPackages(mods, nullptr), 0);
  EXPECT_EQ(test::ReadText(map), "new");
  // What a killed run left aside comes back once the name is free.
  std::filesystem::remove(map);
  EXPECT_EQ(PutBackStaleEarlierPackages(mods, nullptr), 1);
  EXPECT_EQ(test::ReadText(map), "map");
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Native("mods"))) {
    files += entry.is_regular_file();
  }
  EXPECT_EQ(files, 3u);  // nothing left aside
  {
    TEarlierPackages earlier;
    ASSERT_EQ(earlier.MoveAside(mods, nullptr), 2);
  }  // a run that ends some unexpected way puts them back
  EXPECT_EQ(test::ReadText(camo), "camo");
  EXPECT_EQ(test::ReadText(map), "map");
}

TEST(ExpandPackageRootsTest, EachPackageOnceWithTheNamesOfEveryRootAndNoneOutside) {
  test::TTempDir dir;
  RWOTInfo client;
  client.Path = dir.ProgramPath();
  for (const char* name : {"v_01.pkg", "v_02.pkg", "v_03.pkg"}) {
    test::WriteText(dir.Native(std::string("res/packages/") + name), "x");
    client.AllPackages.push_back(client.Path + "res\\packages\\" + name);
  }
  test::WriteText(dir.Native("outside.pkg"), "x");
  const auto root = [](const char* name, AFList names) {
    const auto count = static_cast<int32_t>(names.size());
    return RFiles{name, std::move(names), count};
  };
  std::vector<std::string> refused;
  const ARFiles packages = ExpandPackageRoots(
      client,
      {root("res\\packages\\v_01.pkg", {"a"}), root("RES\\Packages\\V_0?.pkg", {"b", "A"}),
       root("res/packages/v_01.pkg", {"c"}), root("res\\packages\\v_03.pkg", {}),
       root("..\\outside.pkg", {}), root("res\\..\\..\\outside.pkg", {}), root("\\outside.pkg", {}),
       root("C:\\outside.pkg", {}), root("res\\packages\\*", {"d"})},
      &refused);
  struct RWant {
    const char* Name;
    AFList Names;
  };
  // A root without names stands for every entry: joined to it, the package keeps none.
  const RWant want[] = {{"res\\packages\\v_01.pkg", {"a", "b", "c", "d"}},
                        {"res\\packages\\v_02.pkg", {"b", "A", "d"}},
                        {"res\\packages\\v_03.pkg", {}}};
  ASSERT_EQ(packages.size(), std::size(want));
  for (size_t i = 0; i < packages.size(); ++i) {
    EXPECT_EQ(packages[i].Name, want[i].Name);
    EXPECT_EQ(packages[i].Files, want[i].Names) << want[i].Name;
    EXPECT_EQ(packages[i].Count, static_cast<int32_t>(want[i].Names.size())) << want[i].Name;
  }
  EXPECT_EQ(refused, (std::vector<std::string>{"..\\outside.pkg", "res\\..\\..\\outside.pkg",
                                               "\\outside.pkg", "C:\\outside.pkg"}));
}

}  // namespace
}  // namespace pallograph
