#include "configs/CfgFile.h"

#include <gtest/gtest.h>

#include "platform/PathText.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::TTempDir;

class ParseCfgFileTest : public ::testing::Test {
 protected:
  RCfgFile Parse(const std::string& text) {
    test::WriteText(dir_.Native("Test.cfg"), text);
    return ParseCfgFile(dir_.ProgramPath() + "Test.cfg");
  }
  TTempDir dir_;
};

TEST_F(ParseCfgFileTest, ReadsVersionRootsAndNames) {
  const RCfgFile cfg = Parse(
      "# header comment\n"
      "version = 3\n"
      "\n"
      "res\\packages\\vehicles_level_01.pkg  \n"
      "\t\\crash\\\n"
      "   \\russian\\r11_ms-1\\   \n"
      "\t# an indented comment\n"
      "res\\packages\\vehicles_level_02.pkg\n"
      "content\\Railway\\\n"
      "\thd_rw407_CarriageWatchbox2\\rw407_CarriageWatchbox2_AM.dds\n");
  EXPECT_EQ(cfg.FileName, dir_.ProgramPath() + "Test.cfg");
  EXPECT_EQ(cfg.Version, 3);
  ASSERT_EQ(cfg.Roots.size(), 3u);
  EXPECT_EQ(cfg.Roots[0].Name, "res\\packages\\vehicles_level_01.pkg");
  EXPECT_EQ(cfg.Roots[0].Files, (AFList{"\\crash\\", "\\russian\\r11_ms-1\\"}));
  EXPECT_EQ(cfg.Roots[0].Count, 2);
  EXPECT_EQ(cfg.Roots[1].Name, "res\\packages\\vehicles_level_02.pkg");
  EXPECT_TRUE(cfg.Roots[1].Files.empty());
  EXPECT_EQ(cfg.Roots[1].Count, 0);
  EXPECT_EQ(cfg.Roots[2].Files,
            (AFList{"hd_rw407_CarriageWatchbox2\\rw407_CarriageWatchbox2_AM.dds"}));
  EXPECT_EQ(cfg.Roots[2].Count, 1);
}

TEST_F(ParseCfgFileTest, EveryLineEndGivesTheSameRecord) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    const std::string e = end;
    const RCfgFile cfg = Parse("version = 2" + e + "root" + e + "\tone" + e + " two" + e + e);
    EXPECT_EQ(cfg.Version, 2);
    ASSERT_EQ(cfg.Roots.size(), 1u);
    EXPECT_EQ(cfg.Roots[0].Files, (AFList{"one", "two"}));
  }
}

TEST(ParseCfgTextTest, MixedLineEndsInMemory) {
  const RCfgFile cfg = ParseCfgText("version = 6\r\nroot\ra\n\tb\r\n\tc", "Mem.cfg");
  EXPECT_EQ(cfg.FileName, "Mem.cfg");
  EXPECT_EQ(cfg.Version, 6);
  ASSERT_EQ(cfg.Roots.size(), 2u);
  EXPECT_EQ(cfg.Roots[0].Name, "root");
  EXPECT_EQ(cfg.Roots[1].Files, (AFList{"b", "c"}));
}

TEST_F(ParseCfgFileTest, VersionWithoutBlankIsARoot) {
  const RCfgFile cfg = Parse("version=5\n\tname\n");
  EXPECT_EQ(cfg.Version, 0);
  ASSERT_EQ(cfg.Roots.size(), 1u);
  EXPECT_EQ(cfg.Roots[0].Name, "version=5");
  EXPECT_EQ(cfg.Roots[0].Count, 1);
}

TEST_F(ParseCfgFileTest, IndentedVersionLineSetsTheVersion) {
  const RCfgFile cfg = Parse("root\n  version = 5\n\tname\n");
  EXPECT_EQ(cfg.Version, 5);
  ASSERT_EQ(cfg.Roots.size(), 1u);
  EXPECT_EQ(cfg.Roots[0].Files, AFList{"name"});
}

TEST_F(ParseCfgFileTest, VersionValueRules) {
  EXPECT_EQ(Parse("version =    12\n").Version, 12);
  EXPECT_EQ(Parse("version = 4\nversion = 9\n").Version, 9);
  EXPECT_EQ(Parse("version = 9\nversion = x\n").Version, 0);
  EXPECT_EQ(Parse("version = 12abc\n").Version, 0);
  EXPECT_EQ(Parse("version = 99999999999\n").Version, 0);
  EXPECT_EQ(Parse("version = -3\n").Version, -3);
  EXPECT_EQ(Parse("version = \n").Version, 0);
  EXPECT_EQ(Parse("version = 1 = 2\n").Version, 0);
}

TEST_F(ParseCfgFileTest, NamesBeforeTheFirstRootAreDropped) {
  const RCfgFile cfg = Parse("\tlost\n  lost too\nroot\n\tkept\n");
  ASSERT_EQ(cfg.Roots.size(), 1u);
  EXPECT_EQ(cfg.Roots[0].Files, AFList{"kept"});
}

TEST_F(ParseCfgFileTest, ByteOrderMarkIsIgnored) {
  const RCfgFile cfg = Parse("\xEF\xBB\xBFversion = 4\r\nroot\r\n");
  EXPECT_EQ(cfg.Version, 4);
  ASSERT_EQ(cfg.Roots.size(), 1u);
  EXPECT_EQ(cfg.Roots[0].Name, "root");
}

TEST_F(ParseCfgFileTest, MissingFileGivesTheEmptyRecord) {
  const std::string path = dir_.ProgramPath() + "Missing.cfg";
  const RCfgFile cfg = ParseCfgFile(path);
  EXPECT_EQ(cfg.FileName, path);
  EXPECT_EQ(cfg.Version, 0);
  EXPECT_TRUE(cfg.Roots.empty());
  const RCfgFile empty = Parse("");
  EXPECT_EQ(empty.Version, 0);
  EXPECT_TRUE(empty.Roots.empty());
}

// ASCII text in UTF-16, with or without a byte-order mark.
std::string Utf16(const std::string& ascii, bool bigEndian, bool mark) {
  std::string text = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (const char c : ascii) {
    text += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
  }
  return text;
}

// Text that is no config text is refused as a whole, and a file that cannot serve its mod says
// why, naming refused lines by number only.
TEST_F(ParseCfgFileTest, UnusableFilesSayWhatIsWrong) {
  const std::string fix =
      " is not one; write \"version = 2\" (small letters, one blank on each "
      "side of \"=\")";
  const std::string utf16 = "cannot be read: it is written in UTF-16 (save it as UTF-8 text)";
  const std::string noVersion = "has no version line \"version = N\" with N of 1 or more";
  const std::pair<std::string, std::string> cases[] = {
      {"version = 2\nroot\n", ""},
      {std::string("version = 2\nro\0ot\n", 18), "cannot be read: line 2 holds a NUL byte"},
      {"version = 2\r\nroot\x1B[2J\r\n", "cannot be read: line 2 holds a control character (0x1B)"},
      {"version = 2\rroot\r\x7F\r", "cannot be read: line 3 holds a control character (0x7F)"},
      {Utf16("version = 2\r\nroot\r\n", false, true), utf16},
      {Utf16("version = 2\r\nroot\r\n", true, true), utf16},
      {Utf16("version = 2\r\nroot\r\n", false, false), utf16},
      {Utf16("version = 2\r\nroot\r\n", true, false), utf16},
      {"<<<<<<< HEAD\nversion = 2\nroot\n=======\nversion = 3\nroot\n>>>>>>> fix\n",
       "cannot be read: line 1 is a merge-conflict marker"},
      {"version = 2\nroot\n>>>>>>> fix\n", "cannot be read: line 3 is a merge-conflict marker"},
      {"version=2\nroot\n", "has no version line: line 1 \"version=2\"" + fix},
      {"# head\nVersion = 2\nroot\n", "has no version line: line 2 \"Version = 2\"" + fix},
      {"root\n\nversion  =  2\n", "has no version line: line 3 \"version  =  2\"" + fix},
      {"root\nversions = 2\n", noVersion},
      {"version = 0\nroot\n", noVersion},
      {"version = 2\n\tname only\n", "lists no package or folder"},
  };
  for (const auto& [text, reason] : cases) {
    const RCfgFile cfg = Parse(text);
    EXPECT_EQ(CfgUnusableReason(cfg), reason) << text;
    if (!cfg.Problem.empty()) {
      EXPECT_EQ(cfg.Version, 0);
      EXPECT_TRUE(cfg.Roots.empty());
    }
  }
  // Larger than the reader takes.
  test::WriteText(dir_.Native("Big.cfg"),
                  "version = 2\nroot\n" + std::string(kMaxCfgFileSize, '#'));
  EXPECT_EQ(CfgUnusableReason(ParseCfgFile(dir_.ProgramPath() + "Big.cfg")),
            "cannot be read: it is larger than 16 MiB");
}

// The shipped files must be usable and shaped as their mods read them.
class ShippedConfigTest : public ::testing::TestWithParam<const char*> {
 protected:
  RCfgFile Shipped() const {
    return ParseCfgFile(IncludeTrailingBackslash(SlashesToBackslashes(test::SourceDir())) +
                        "data\\configs\\" + GetParam());
  }
};

TEST_P(ShippedConfigTest, IsUsableAndWellFormed) {
  const RCfgFile cfg = Shipped();
  EXPECT_GE(cfg.Version, 1);
  ASSERT_FALSE(cfg.Roots.empty());
  const std::string file = GetParam();
  const bool packageRoots = file == "CrashTanks.cfg" || file == "Camouflage.cfg";
  for (const RFiles& root : cfg.Roots) {
    EXPECT_EQ(root.Count, static_cast<int32_t>(root.Files.size()));
    EXPECT_EQ(root.Name.find('/'), std::string::npos) << root.Name;
    if (packageRoots) {
      EXPECT_TRUE(StartsWith(root.Name, "res\\packages\\")) << root.Name;
      EXPECT_TRUE(EndsWith(root.Name, ".pkg")) << root.Name;
    } else {
      EXPECT_TRUE(StartsWith(root.Name, "content\\")) << root.Name;
      EXPECT_TRUE(EndsWith(root.Name, "\\")) << root.Name;
      EXPECT_GT(root.Count, 0) << root.Name;
    }
    for (const std::string& name : root.Files) {
      EXPECT_EQ(name.find('/'), std::string::npos) << name;
      if (file == "CrashTanks.cfg") {
        EXPECT_TRUE(StartsWith(name, "\\") && EndsWith(name, "\\")) << name;
      } else {
        EXPECT_TRUE(EndsWith(LowerCaseAscii(name), ".dds")) << name;
        EXPECT_FALSE(ContainsTextAscii(name, "_hd.dds")) << "HD twins are added by the program";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedConfigTest,
                         ::testing::Values("CrashTanks.cfg", "MapTanks.cfg", "MapTrains.cfg",
                                           "Camouflage.cfg"));

}  // namespace
}  // namespace pallograph
