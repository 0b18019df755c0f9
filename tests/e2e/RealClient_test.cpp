// The shipped configs on a client with a real client's names, plus what a later client may
// bring and the configs were not written for (a wreck, a carriage variant, a camouflage, one
// more tier part): a dry run finds every file and writes nothing; a real run changes exactly
// those files.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

constexpr const char* kWrecks = "res/content/MilitaryEnvironment/";
constexpr const char* kRailway = "res/content/Railway/";
constexpr const char* kCamo = "res/vehicles/russian/Camouflage/";

// A package holds exactly these files (and meta.xml).
void CheckExact(const std::string& package, const std::vector<std::string>& files) {
  std::vector<std::string> args{"exact", package};
  args.insert(args.end(), files.begin(), files.end());
  TE2EFixture::Check(args);
}

// Each name, then its HD twin unless `hd` is false.
std::vector<std::string> WithTwins(const std::vector<std::string>& names, bool hd = true) {
  std::vector<std::string> all;
  for (const std::string& name : names) {
    all.push_back(name);
    if (hd) all.push_back(name.substr(0, name.size() - 4) + "_hd.dds");
  }
  return all;
}

TEST(RealClientTest, ShippedConfigsFindEveryFileOfALaterClient) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient({"--later-client"});
  const std::string mods = TE2EFixture::ModsFolder(client);
  const std::string temp = fixture.Folder() + "/tmp";
  fs::create_directories(temp);
  const std::vector<std::string> all_mods{"--wot-path=" + client, "--DPT-mod=FF0000",
                                          "--CCT-mod=00FF00",     "--MEM-mod=FFFFFF",
                                          "--CTM-mod=00FFFF",     "--SpaceBin-mod=FF0000|00FF00",
                                          "--CAMO-mod=40",        "--remove-wotmod",
                                          "--auto-close-console", "--log"};

  // A dry run: every stage's count, every chosen entry in the log, nothing written or removed.
  const std::string earlier = "mod.Pallograph.Camouflages_2.1.3.226.260101.120000.wotmod";
  WriteText(mods + "/" + earlier, "an earlier run's package");
  std::vector<std::string> dry = all_mods;
  dry.push_back("--dry-run");
  const TProcessResult r = fixture.Run(dry, "", true, {"TMPDIR=" + temp});
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  const char* counts[] = {
      "    Dry run: 42 files would be changed; nothing was written\n",  // DPT
      "    Dry run: 14 files would be changed; nothing was written\n",  // CCT
      "    Dry run: 9 files would be changed; nothing was written\n",   // MEM
      "    Dry run: 17 files would be changed; nothing was written\n",  // CTM
      "    Dry run: 4 files would be changed; nothing was written\n",   // SpaceBin
      "    Dry run: 9 files would be changed; nothing was written\n",   // CAMO
  };
  size_t at = 0;
  for (const char* count : counts) {
    at = r.Out.find(count, at);
    ASSERT_NE(at, std::string::npos) << count << r.Out;
  }
  EXPECT_TRUE(Contains(r.Out, "          vehicles_level_08-part4.pkg        OK (3 files)\n"));
  // The log names entries as the system writes paths.
  const std::string log = ReadText(fixture.LogFile());
  for (const char* chosen :
       {"Choose \tvehicles/british/GB83_FV4004/crash/lod0/Hull.visual_processed",
        "Choose \tcontent/MilitaryEnvironment/hd_mle103_R04_T-34/hd_mle103_R04_T-34_AM.dds",
        "Choose \tcontent/Railway/hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage_09_AM_hd.dds",
        "Choose \tspaces/05_prohorovka/space.bin: "
        "content/MilitaryEnvironment/hd_mle103_R04_T-34/hd_mle103_R04_T-34_AM.dds",
        "Choose \tvehicles/russian/Camouflage/onslaught_2026_phoenix_annual.dds"}) {
    EXPECT_TRUE(Contains(log, chosen)) << chosen;
  }
  EXPECT_FALSE(Contains(log, "_GMM.dds"));
  EXPECT_EQ(ListTree(mods), std::vector<std::string>{earlier});
  EXPECT_TRUE(fs::is_empty(temp)) << ListTree(temp).size();

  // The real run changes exactly those files.
  const TProcessResult real = fixture.Run(all_mods, "", true, {"TMPDIR=" + temp});
  ASSERT_EQ(real.ExitCode, 0) << real.Out << real.Err;
  TE2EFixture::Check(
      {"crashall", OnePackage(mods, "mod.Pallograph.TankCrashTextures_"), client, "tanks"});
  TE2EFixture::Check(
      {"crashall", OnePackage(mods, "mod.Pallograph.TrackCrashTextures_"), client, "tracks"});

  const std::string tanks = OnePackage(mods, "mod.Pallograph.TankMapTextures_");
  std::vector<std::string> tank_files = WithTwins({
      "res/" + std::string(kDemoSherman),
      "res/" + std::string(kDemoShermanTrack),
      "res/" + std::string(kDemoPzIV),
      std::string(kWrecks) + "hd_mle103_R04_T-34/hd_mle103_R04_T-34_AM.dds",
  });
  tank_files.push_back("res/" + std::string(kDemoPzIVTracks));
  CheckExact(tanks, tank_files);
  TE2EFixture::Check({"solidall", tanks, "FFFFFF"});

  const std::string trains = OnePackage(mods, "mod.Pallograph.TrainMapTextures_");
  const std::string carriage = std::string(kRailway) + "hd_rw_UNI_004_Carriage/hd_rw_UNI_004_";
  std::vector<std::string> train_files = WithTwins({
      "res/" + std::string(kDemoLocomotive),
      "res/" + std::string(kDemoTender),
      carriage + "Carriage_01_AM.dds",
      carriage + "Carriage_02_AM.dds",
      carriage + "Carriage_07_AM.dds",
      carriage + "Carriage_08_AM.dds",
      carriage + "Carriage_09_AM.dds",
      std::string(kRailway) + "hd_rw407_CarriageWatchbox2/hd_rw407_CarriageWatchbox2_AM.dds",
  });
  train_files.push_back(std::string(kRailway) +
                        "hd_rw_UNI_001_Trolley/hd_rw_UNI_001_Trolley_AM.dds");
  CheckExact(trains, train_files);
  TE2EFixture::Check({"solidall", trains, "00FFFF"});

  const std::string space = OnePackage(mods, "mod.Pallograph.SpaceBinPatched_");
  CheckExact(space, {"res/spaces/02_malinovka/space.bin", "res/spaces/05_prohorovka/space.bin",
                     "res/spaces/101_dday/space.bin", "res/spaces/19_monastery/space.bin"});
  TE2EFixture::Check({"spacebin", space, "res/spaces/05_prohorovka/space.bin",
                      client + "/res/packages/05_prohorovka.pkg", "spaces/05_prohorovka/space.bin",
                      "content/MilitaryEnvironment/hd_mle103_R04_T-34/hd_mle103_R04_T-34_AM.dds"});
  TE2EFixture::Check({"spacebin", space, "res/spaces/101_dday/space.bin",
                      client + "/res/packages/101_dday.pkg", "spaces/101_dday/space.bin",
                      kDemoPzIVTracks,
                      "content/Railway/hd_rw_UNI_001_Trolley/hd_rw_UNI_001_Trolley_AM.dds"});

  const std::string camo = OnePackage(mods, "mod.Pallograph.Camouflages_");
  std::vector<std::string> camo_files = WithTwins({
      "res/" + std::string(kDemoCamo),
      std::string(kCamo) + "d_day.dds",
      std::string(kCamo) + "manticore_2025_4.dds",
      std::string(kCamo) + "onslaught_2026_phoenix_annual.dds",
  });
  camo_files.push_back(std::string(kCamo) + "bp2025_1.dds");
  CheckExact(camo, camo_files);
  const std::string later = "vehicles/russian/Camouflage/onslaught_2026_phoenix_annual.dds";
  TE2EFixture::Check({"shaded", camo, "res/" + later,
                      client + "/res/packages/shared_content-part3.pkg", later, "40"});
  EXPECT_TRUE(fs::is_empty(temp)) << ListTree(temp).size();
}

// A dry run ends with the code a real run's empty results would give, and its all-in-one
// variant with the all-in-one code.
TEST(RealClientTest, DryRunEndsWithTheEmptyResultsCode) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const std::string configs = fixture.Folder() + "/configs";
  WriteText(configs + "/MapTanks.cfg", "version = 1\ncontent\\\n\tnone_*.dds\n");
  const std::vector<std::string> args{"--wot-path=" + client, "--configs-path=" + configs,
                                      "--MEM-mod=FFFFFF", "--dry-run"};
  TProcessResult r = fixture.Run(args, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16032)) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "    Processing... \n")) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "\n    Not found dds-files!\n")) << r.Out;
  std::vector<std::string> all_in_one = args;
  all_in_one.push_back("--allinone-wotmod");
  r = fixture.Run(all_in_one, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16092)) << r.Out;
  EXPECT_TRUE(ListTree(TE2EFixture::ModsFolder(client)).empty());
}

}  // namespace
}  // namespace pallograph::test
