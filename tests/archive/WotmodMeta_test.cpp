#include <gtest/gtest.h>

#include "archive/WotmodMeta.h"
#include "platform/NativePath.h"
#include "tests/archive/ArchiveFixtures.h"

namespace pallograph {
namespace {

std::string Meta(const std::string& id, const std::string& version, const std::string& name,
                 const std::string& description) {
  return "<root>\r\n    <id>" + id + "</id>\r\n    <version>" + version +
         "</version>\r\n    <name>" + name + "</name>\r\n    <description>" + description +
         "</description>\r\n</root>";
}

TEST(MakeMetaTextTest, TableRowWithTheVersionText) {
  EXPECT_EQ(MakeMetaText(3, "2.1.3.226.211108.153045", ""),
            Meta("mod.Pallograph.TankMapTextures", "2.1.3.226.211108.153045",
                 "Pallograph: TankMapTextures", "Monochromatic textures for tank models on maps"));
  EXPECT_EQ(MakeMetaText(0, "v", ""),
            Meta("mod.Pallograph.AllMods", "v", "Pallograph: RepaintedTextures",
                 "Monochromatic textures and translucent camouflages for tanks"));
  EXPECT_EQ(MakeMetaText(7, "v", ""), Meta("", "", "", ""));
}

TEST(MakeMetaTextTest, CustomTextFieldsAreTrimmedAndUnfinishedFieldsDropped) {
  EXPECT_EQ(MakeMetaText(1, "ignored", " my.id | 1.0 |  My mod | Does things "),
            Meta("my.id", "1.0", "My mod", "Does things"));
  EXPECT_EQ(MakeMetaText(1, "ignored", "  lone.id  "), Meta("lone.id", "", "", ""));
  EXPECT_EQ(MakeMetaText(1, "ignored", "a | b"), Meta("a", "", "", ""));
  EXPECT_EQ(MakeMetaText(1, "ignored", "a | b | c"), Meta("a", "b", "", ""));
  EXPECT_EQ(MakeMetaText(1, "ignored", "a|b|c|d|e"), Meta("a", "b", "c", "d|e"));
  // Values are XML character data: the markup characters become entities.
  EXPECT_EQ(MakeMetaText(1, "", "a&b|<v>|\"n\"|it's"),
            Meta("a&amp;b", "&lt;v&gt;", "&quot;n&quot;", "it&apos;s"));
}

TEST(InsertPartSuffixTest, GoesBeforeTheClosingTagAndItsBlanks) {
  EXPECT_EQ(InsertPartSuffix(Meta("X", "1", "n", "d"), 2), Meta("X_Part2", "1", "n", "d"));
  EXPECT_EQ(InsertPartSuffix("<id>X \t </id><version>", 13), "<id>X_Part13 \t </id><version>");
  EXPECT_EQ(InsertPartSuffix("<root/>", 1), "<root/>");
}

TEST(WotmodFileNameTest, NameOptionOrIdAndVersionInOptionalSubfolder) {
  EXPECT_EQ(WotmodFileName(1, "", "2.1.3.226.211108.153045", false, ""),
            "mod.Pallograph.TankCrashTextures_2.1.3.226.211108.153045.wotmod");
  EXPECT_EQ(WotmodFileName(1, "crash", "v", false, ""), "crash.wotmod");
  EXPECT_EQ(WotmodFileName(6, "", "v", true, ""),
            "Pallograph\\mod.Pallograph.Camouflages_v.wotmod");
  EXPECT_EQ(WotmodFileName(6, "camo", "v", true, "mine\\\\"), "mine\\camo.wotmod");
}

TEST(WriteMetaFileTest, EveryLineEndsWithCrLf) {
  test::TTempDir dir;
  ASSERT_TRUE(WriteMetaFile(FromNativePath(dir.Native("meta.xml")), Meta("i", "v", "n", "d")));
  EXPECT_EQ(test::ReadText(dir.Native("meta.xml")), Meta("i", "v", "n", "d") + "\r\n");
  ASSERT_TRUE(WriteMetaFile(FromNativePath(dir.Native("m2.xml")), "a\nb\r\n\r\nc"));
  EXPECT_EQ(test::ReadText(dir.Native("m2.xml")), "a\r\nb\r\n\r\nc\r\n");
}

}  // namespace
}  // namespace pallograph
