// The shipped configs against the names of a real client (EU 2.4.0.2): its package list
// (tests/fixtures/real-client/paths.xml) and the texture paths of its map objects and
// camouflages, plus names a later client may add.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "configs/CfgFile.h"
#include "mods/CamoRepaint.h"
#include "mods/DDSRepaint.h"
#include "mods/SpaceBinPatch.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "run/PackageRoots.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

RCfgFile Shipped(const std::string& name) {
  const RCfgFile config = ParseCfgFile(FromNativePath(test::SourceDir() + "/data/configs/" + name));
  EXPECT_GE(config.Version, 2) << name;
  return config;
}

// The real client's packages as the client analysis lists them: full program paths.
RWOTInfo RealClient() {
  RWOTInfo client;
  client.Path = "\\wot\\";
  const std::string xml =
      test::ReadText(test::SourceDir() + "/tests/fixtures/real-client/paths.xml");
  const std::regex package("res/packages/([^<]+\\.pkg)");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), package);
       it != std::sregex_iterator(); ++it) {
    client.AllPackages.push_back(client.Path + "res\\packages\\" + (*it)[1].str());
  }
  return client;
}

std::vector<std::string> Names(const ARFiles& roots) {
  std::vector<std::string> names;
  for (const RFiles& root : roots) names.push_back(ExtractFileName(root.Name));
  return names;
}

bool IsVehiclePackage(const std::string& name) { return StartsWith(name, "vehicles_level_"); }
bool IsSharedPackage(const std::string& name) { return StartsWith(name, "shared_content"); }

TEST(ShippedConfigsTest, PackageConfigsCoverEveryVehicleAndSharedPackage) {
  const RWOTInfo client = RealClient();
  ASSERT_GT(client.AllPackages.size(), 200u);
  size_t vehicles = 0, shared = 0;
  for (const std::string& full : client.AllPackages) {
    vehicles += IsVehiclePackage(ExtractFileName(full));
    shared += IsSharedPackage(ExtractFileName(full));
  }
  ASSERT_EQ(vehicles, 38u);
  ASSERT_EQ(shared, 10u);
  for (const char* file : {"CrashTanks.cfg", "Camouflage.cfg"}) {
    const std::vector<std::string> names = Names(ExpandPackageRoots(client, Shipped(file).Roots));
    size_t found_vehicles = 0, found_shared = 0;
    for (const std::string& name : names) {
      EXPECT_TRUE(IsVehiclePackage(name) || IsSharedPackage(name)) << file << ": " << name;
      found_vehicles += IsVehiclePackage(name);
      found_shared += IsSharedPackage(name);
    }
    EXPECT_EQ(found_vehicles, vehicles) << file;
    EXPECT_EQ(found_shared, shared) << file;
  }
  // A tier split into one more part in a later client is covered too.
  RWOTInfo later = client;
  later.AllPackages.push_back("\\wot\\res\\packages\\vehicles_level_08-part4.pkg");
  const std::vector<std::string> names =
      Names(ExpandPackageRoots(later, Shipped("CrashTanks.cfg").Roots));
  EXPECT_NE(std::find(names.begin(), names.end(), "vehicles_level_08-part4.pkg"), names.end());
}

// Texture paths of the real client (and of a later one) and whether MEM-mod ("tanks"), CTM-mod
// ("trains") or neither repaints them, in the packages and embedded in space.bin.
TEST(ShippedConfigsTest, MapConfigsNameTankWrecksAndRollingStockOnly) {
  struct RCase {
    const char* Path;
    const char* Mod;  // "tanks", "trains" or ""
  };
  const RCase cases[] = {
      {"content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_AM.dds",
       "tanks"},
      {"content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_track_AM.dds",
       "tanks"},
      {"content/MilitaryEnvironment/hd_mle102_G01_Pz_IV_AusfG/hd_mle102_G01_Pz_IV_AusfG_AM.dds",
       "tanks"},
      {"content/MilitaryEnvironment/hd_mle102_G01_Pz_IV_AusfG/"
       "hd_mle102_G01_Pz_IV_AusfG_Tracks_AM.dds",
       "tanks"},
      // A wreck a later client may add.
      {"content/MilitaryEnvironment/hd_mle103_R04_T-34/hd_mle103_R04_T-34_AM.dds", "tanks"},
      {"content/MilitaryEnvironment/hd_mle104_GB120_Centurion/hd_mle104_GB120_Centurion_AM.dds",
       "tanks"},
      {"content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_ANM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_GMM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle001_Fuel/hd_mle001_Fuel_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle006_WireBarricade/hd_mle006_WireBarricade_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle011_GroupBoxes/hd_mle011_GroupBoxes_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle019_GerBoxes/hd_mle019_GerBoxes_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle022_Searchlight/hd_mle022_Searchlight_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle044_barrel/hd_mle044_barrel_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle_UNI_001_SdKfz/hd_mle_UNI_001_SdKfz_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle_UNI_809_LCT/hd_mle_UNI_809_LCT_AM.dds", ""},
      {"content/MilitaryEnvironment/hd_mle_AF_040_Spitfire/hd_mle_AF_040_Spitfire_AM.dds", ""},
      {"content/Railway/hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_AM.dds", "trains"},
      {"content/Railway/hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_tender_AM.dds", "trains"},
      {"content/Railway/hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage_01_AM.dds", "trains"},
      {"content/Railway/hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage_08_AM.dds", "trains"},
      {"content/Railway/hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage_09_AM.dds", "trains"},
      {"content/Railway/hd_rw407_CarriageWatchbox2/hd_rw407_CarriageWatchbox2_AM.dds", "trains"},
      {"content/Railway/hd_rw_UNI_001_Trolley/hd_rw_UNI_001_Trolley_AM.dds", "trains"},
      {"content/Railway/hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage_01_ANM.dds", ""},
      {"content/Railway/hd_rw_UNI_006_Platform/hd_rw_UNI_006_Platform_AM.dds", ""},
      {"content/Railway/hd_rw_UNI_002_Sleepers/hd_rw_UNI_002_Sleepers_AM.dds", ""},
      {"content/Railway/hd_rw_UNI_003_Rail/hd_rw_UNI_003_Rail_AM.dds", ""},
      {"content/Railway/hd_rw_EU_001_TramRails/hd_rw_EU_001_TramRails_AM.dds", ""},
      {"content/Buildings/bld_EU_001_House/bld_EU_001_House_AM.dds", ""},
  };
  const RCfgFile tanks = Shipped("MapTanks.cfg");
  const RCfgFile trains = Shipped("MapTrains.cfg");
  TDDSRepaint repaint("\\wot\\a.pkg", nullptr, "\\out\\", "\\wot\\", "");
  repaint.AddFiles(tanks.Roots, "#111111");
  repaint.AddFiles(trains.Roots, "#222222");
  for (const RCase& c : cases) {
    const std::string mod = c.Mod;
    const std::string color = mod == "tanks" ? "#111111" : mod == "trains" ? "#222222" : "";
    const std::string entry = SlashesToBackslashes(c.Path);
    const std::string twin = entry.substr(0, entry.size() - 4) + "_hd.dds";
    EXPECT_EQ(repaint.FindColor(entry, true), color) << c.Path;
    EXPECT_EQ(repaint.FindColor(twin, true), color) << twin;
    // Every space.bin takes the names anew: a new job per name.
    TSpaceBinPatch space("\\wot\\a.pkg", nullptr, "\\out\\", "\\wot\\", "");
    space.AddFiles(tanks.Roots, "#111111");
    space.AddFiles(trains.Roots, "#222222");
    EXPECT_EQ(space.TakeColor(c.Path), color) << c.Path;
  }
}

TEST(ShippedConfigsTest, CamouflageConfigShadesColourTexturesOnly) {
  TCamoRepaint camo("\\wot\\a.pkg", nullptr, "\\out\\", "\\wot\\", "");
  for (const RFiles& root : Shipped("Camouflage.cfg").Roots) {
    EXPECT_TRUE(root.Files.empty()) << root.Name;
  }
  struct RCase {
    const char* Path;
    bool Shaded;
  };
  const RCase cases[] = {
      {"vehicles\\russian\\Camouflage\\gift_camouflage.dds", true},
      {"vehicles\\russian\\Camouflage\\d_day.dds", true},
      {"vehicles\\russian\\Camouflage\\onslaught_2026_phoenix_annual.dds", true},
      {"vehicles\\russian\\Camouflage\\manticore_2025_4.dds", true},
      {"vehicles\\russian\\Camouflage\\manticore_2025_4_hd.dds", true},
      {"vehicles\\russian\\Camouflage\\manticore_2025_4_GMM.dds", false},
      {"vehicles\\russian\\Camouflage\\onslaught_2026_phoenix_5_GMM.dds", false},
      {"vehicles\\russian\\Camouflage\\onslaught_2026_phoenix_5_GMM_hd.dds", false},
      {"vehicles\\german\\G04_PzVI_Tiger_I\\PzVI_Tiger_I_hull_01_AM.dds", false},
  };
  for (const RCase& c : cases) EXPECT_EQ(camo.Wanted(c.Path, true), c.Shaded) << c.Path;
}

}  // namespace
}  // namespace pallograph
