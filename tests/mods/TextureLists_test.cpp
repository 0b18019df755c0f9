#include <gtest/gtest.h>

#include "ModsTestHelpers.h"
#include "mods/CamoRepaint.h"
#include "mods/DDSRepaint.h"
#include "mods/SpaceBinPatch.h"

namespace pallograph {
namespace {

using test::Root;

class TextureListsTest : public ::testing::Test {
 protected:
  TDDSRepaint repaint_{"\\c\\a.pkg", nullptr, "\\out\\", "\\c\\", test::LibraryFile()};
  TCamoRepaint camo_{"\\c\\a.pkg", nullptr, "\\out\\", "\\c\\", test::LibraryFile()};
  TSpaceBinPatch spaceBin_{"\\c\\a.pkg", nullptr, "\\out\\", "\\c\\", test::LibraryFile()};
};

TEST_F(TextureListsTest, AddFilesLowerCasesAndAddsHDTwins) {
  repaint_.AddFiles({Root("Content\\Tanks\\", {"Hull.DDS", "Turret_HD.dds", "plain"})}, "#112233");
  const ADDSFileList& files = repaint_.Files();
  ASSERT_EQ(files.size(), 5u);
  EXPECT_EQ(files[0].Name, "content\\tanks\\hull.dds");
  EXPECT_FALSE(files[0].HD);
  EXPECT_EQ(files[1].Name, "content\\tanks\\hull_hd.dds");
  EXPECT_TRUE(files[1].HD);
  // A configured HD name gets no twin of its own.
  EXPECT_EQ(files[2].Name, "content\\tanks\\turret_hd.dds");
  EXPECT_TRUE(files[2].HD);
  EXPECT_EQ(files[3].Name, "content\\tanks\\plain");
  EXPECT_EQ(files[4].Name, "content\\tanks\\plain_hd.dds");
  for (const RDDSFile& file : files) EXPECT_EQ(file.Color, "#112233");
}

TEST_F(TextureListsTest, FindColorMatchesHDOnlyAgainstHDEntries) {
  repaint_.AddFiles({Root("content\\tanks\\", {"hull.dds"})}, "#FF0000");
  EXPECT_EQ(repaint_.FindColor("Content\\Tanks\\Hull.dds", true), "#FF0000");
  EXPECT_EQ(repaint_.FindColor("content\\tanks\\hull_hd.dds", true), "#FF0000");
  // The SD name is inside the HD twin's name, but SD entries only match SD list entries.
  repaint_.AddFiles({Root("content\\x\\", {"only_hd.dds"})}, "#00FF00");
  EXPECT_EQ(repaint_.FindColor("content\\x\\only_hd", true), "");
  EXPECT_EQ(repaint_.FindColor("content\\x\\only_hd.dds", true), "#00FF00");
}

TEST_F(TextureListsTest, FindColorNeverMatchesHDWithoutIncludeHD) {
  repaint_.AddFiles({Root("content\\tanks\\", {"hull.dds", "gun_hd.dds"})}, "#FF0000");
  EXPECT_EQ(repaint_.FindColor("content\\tanks\\hull_hd.dds", false), "");
  EXPECT_EQ(repaint_.FindColor("content\\tanks\\gun_hd.dds", false), "");
  EXPECT_EQ(repaint_.FindColor("content\\tanks\\hull.dds", false), "#FF0000");
}

TEST_F(TextureListsTest, FindColorAcceptsSubstringsAndTakesTheFirstMatch) {
  repaint_.AddFiles({Root("content\\tanks\\", {"hull.dds"})}, "#FF0000");
  repaint_.AddFiles({Root("other\\", {"hull.dds"})}, "#0000FF");
  EXPECT_EQ(repaint_.FindColor("hull.dds", true), "#FF0000");
  EXPECT_EQ(repaint_.FindColor("other\\hull.dds", true), "#0000FF");
  EXPECT_EQ(repaint_.FindColor("content\\tanks\\hull.dds.bak", true), "");
}

TEST_F(TextureListsTest, FolderWidePatternsTakeTexturesOnly) {
  repaint_.AddFiles(
      {Root("content\\MilitaryEnvironment\\", {"hd_mle103_*\\*"}), Root("spaces\\", {"*"})},
      "#FF0000");
  const struct {
    const char* Entry;
    const char* Color;
  } cases[] = {
      {"content\\MilitaryEnvironment\\hd_mle103_A20_Jackson\\Jackson_AM.dds", "#FF0000"},
      {"content\\MilitaryEnvironment\\hd_mle103_A20_Jackson\\Jackson_AM_hd.DDS", "#FF0000"},
      {"content\\MilitaryEnvironment\\hd_mle103_A20_Jackson\\Jackson.model", ""},
      {"content\\MilitaryEnvironment\\hd_mle103_A20_Jackson\\Jackson.visual_processed", ""},
      {"spaces\\02_malinovka\\space.bin", ""},
      {"spaces\\02_malinovka\\terrain\\chunk0000.chunk", ""},
      {"spaces\\02_malinovka\\terrain\\blend.dds", "#FF0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(repaint_.FindColor(c.Entry, true), c.Color) << c.Entry;
}

TEST_F(TextureListsTest, CamouflageEntriesNeedDdsVehiclesAndCamouflageFolder) {
  EXPECT_TRUE(camo_.Wanted("vehicles\\german\\Camouflage\\christmas.dds", true));
  EXPECT_TRUE(camo_.Wanted("vehicles\\camouflage\\a.dds", true));
  EXPECT_TRUE(camo_.Wanted("Vehicles\\German\\CAMOUFLAGE\\A.DDS", true));
  EXPECT_FALSE(camo_.Wanted("camouflage\\a.dds", true));
  EXPECT_FALSE(camo_.Wanted("maps\\camouflage\\a.dds", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\german\\camouflage\\a.ddsx", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\german\\camouflage\\a.dds.bak", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\german\\camouflage\\a.png", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\german\\camouflages\\a.dds", true));
}

TEST_F(TextureListsTest, CamouflageHDNeedsIncludeHDEvenWhenFiltered) {
  EXPECT_TRUE(camo_.Wanted("vehicles\\g\\camouflage\\a_hd.dds", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\g\\camouflage\\a_hd.dds", false));
  camo_.SetFilter({"Vehicles\\G\\Camouflage\\A_HD.dds"});
  EXPECT_FALSE(camo_.AcceptCamo("vehicles\\g\\camouflage\\a_hd.dds", false));
  EXPECT_TRUE(camo_.AcceptCamo("vehicles\\g\\camouflage\\a_hd.dds", true));
}

TEST_F(TextureListsTest, CamouflageFilterAcceptsNamesInsideItsItems) {
  camo_.SetFilter({"Vehicles\\German\\Camouflage\\Christmas.dds"});
  ASSERT_EQ(camo_.Filter().size(), 1u);
  EXPECT_EQ(camo_.Filter()[0], "vehicles\\german\\camouflage\\christmas.dds");
  EXPECT_TRUE(camo_.Wanted("vehicles\\german\\camouflage\\christmas.dds", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\german\\camouflage\\summer.dds", true));
  camo_.SetFilter({});
  EXPECT_TRUE(camo_.Wanted("vehicles\\german\\camouflage\\summer.dds", true));
}

TEST_F(TextureListsTest, SpaceBinListKeepsCaseTurnsSlashesAndSkipsHDNames) {
  spaceBin_.AddFiles({Root("Content\\Tanks\\", {"Hull.dds", "gun_hd.dds", "Turret_HD.DDS"})},
                     "#FF0000");
  spaceBin_.AddFiles({Root("content\\trains\\", {"car.dds"})}, "#00FF00");
  const ADDSFileList& files = spaceBin_.Files();
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].Name, "Content/Tanks/Hull.dds");
  // The HD test is case-sensitive here.
  EXPECT_EQ(files[1].Name, "Content/Tanks/Turret_HD.DDS");
  EXPECT_EQ(files[2].Name, "content/trains/car.dds");
  EXPECT_EQ(files[2].Color, "#00FF00");
  for (const RDDSFile& file : files) EXPECT_FALSE(file.HD);
}

TEST_F(TextureListsTest, TakeColorIgnoresCaseAndConsumesTheName) {
  spaceBin_.AddFiles({Root("content\\", {"a.dds", "b.dds"})}, "#FF0000");
  spaceBin_.AddFiles({Root("content\\", {"a.dds"})}, "#00FF00");
  EXPECT_EQ(spaceBin_.TakeColor("CONTENT/A.DDS"), "#FF0000");
  EXPECT_EQ(spaceBin_.TakeColor("content/a.dds"), "#00FF00");
  EXPECT_EQ(spaceBin_.TakeColor("content/a.dds"), "");
  EXPECT_EQ(spaceBin_.TakeColor("content\\b.dds"), "");
  EXPECT_EQ(spaceBin_.Files().size(), 1u);
}

// A listed name with wildcards is matched against the whole entry (or texture) name in every
// job; one without keeps its plain meaning.
TEST_F(TextureListsTest, WildcardNamesMatchWholeNames) {
  repaint_.AddFiles({Root("Content\\Railway\\", {"hd_rw*Carriage*\\*_AM.dds"})}, "#00FF00");
  struct RCase {
    const char* Entry;
    bool IncludeHD;
    const char* Color;
  };
  const RCase repaints[] = {
      {"content\\railway\\hd_rw_UNI_004_Carriage\\hd_rw_UNI_004_Carriage_01_AM.dds", true,
       "#00FF00"},
      {"content\\railway\\hd_rw_UNI_004_Carriage\\hd_rw_UNI_004_Carriage_01_AM_hd.dds", true,
       "#00FF00"},  // the twin pattern
      {"content\\railway\\hd_rw_UNI_004_Carriage\\hd_rw_UNI_004_Carriage_01_AM_hd.dds", false, ""},
      {"content\\railway\\hd_rw_UNI_004_Carriage\\hd_rw_UNI_004_Carriage_01_ANM.dds", true, ""},
      {"content\\railway\\hd_rw_UNI_006_Platform\\hd_rw_UNI_006_Platform_AM.dds", true, ""},
      // Not a part of a listed name, as a plain name would be.
      {"hd_rw_UNI_004_Carriage_01_AM.dds", true, ""},
  };
  for (const RCase& c : repaints) {
    EXPECT_EQ(repaint_.FindColor(c.Entry, c.IncludeHD), c.Color) << c.Entry;
  }

  camo_.SetFilter({"vehicles\\russian\\camouflage\\bp2025_*.dds"});
  EXPECT_TRUE(camo_.Wanted("vehicles\\russian\\Camouflage\\bp2025_1.dds", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\russian\\Camouflage\\d_day.dds", true));
  // Metallic/gloss maps beside camouflages hold no colour, filtered or not.
  EXPECT_FALSE(camo_.Wanted("vehicles\\russian\\Camouflage\\bp2025_1_GMM.dds", true));
  camo_.SetFilter({});
  EXPECT_FALSE(camo_.Wanted("vehicles\\russian\\Camouflage\\manticore_2025_4_GMM.dds", true));
  EXPECT_FALSE(camo_.Wanted("vehicles\\russian\\Camouflage\\manticore_2025_4_gmm_hd.dds", true));
  EXPECT_TRUE(camo_.Wanted("vehicles\\russian\\Camouflage\\manticore_2025_4.dds", true));

  // A pattern stays listed and takes each texture name once; a plain name is used once.
  spaceBin_.AddFiles({Root("content\\MilitaryEnvironment\\", {"hd_mle???_A??_*\\*_AM.dds"})},
                     "#FF0000");
  spaceBin_.AddFiles({Root("content\\", {"prop.dds"})}, "#0000FF");
  const std::string sherman =
      "content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_AM.dds";
  EXPECT_EQ(spaceBin_.TakeColor(sherman), "#FF0000");
  EXPECT_EQ(spaceBin_.TakeColor(sherman), "");
  EXPECT_EQ(spaceBin_.TakeColor("CONTENT/MilitaryEnvironment/hd_mle103_A20_Jackson/x_am.dds"),
            "#FF0000");
  EXPECT_EQ(spaceBin_.TakeColor("content/MilitaryEnvironment/hd_mle001_Fuel/x_AM.dds"), "");
  EXPECT_EQ(spaceBin_.TakeColor("content/prop.dds"), "#0000FF");
  EXPECT_EQ(spaceBin_.Files().size(), 1u);
}

}  // namespace
}  // namespace pallograph
