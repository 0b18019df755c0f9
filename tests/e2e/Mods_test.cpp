// Every mod built end to end on generated clients, checked with independent tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

constexpr const char* kMsHull = "vehicles/russian/R11_MS-1/crash/lod0/Hull.visual_processed";

class ModsTest : public ::testing::Test {
 protected:
  TE2EFixture fixture_;
};

TEST_F(ModsTest, CrashModsPatchModelsAndAddOneColourTextures) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r =
      fixture_.Run({"--wot-path=" + client, "--DPT-mod=FF0000", "--CCT-mod=00FF00", "--cpu-count=1",
                    "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  // One worker at a time: result lines in the config's root order, each root's packages in the
  // client's order.
  const size_t first = r.Out.find("vehicles_level_01.pkg");
  const size_t second = r.Out.find("vehicles_level_05-part1.pkg");
  const size_t third = r.Out.find("vehicles_level_10-part2.pkg");
  const size_t fourth = r.Out.find("shared_content-part1.pkg");
  EXPECT_TRUE(first < second && second < third && third < fourth) << r.Out;
  EXPECT_EQ(LineOf(r.Out, "vehicles_level_01.pkg"),
            "          vehicles_level_01.pkg              OK (18 files)");

  const std::string mods = TE2EFixture::ModsFolder(client);
  const std::string tanks = OnePackage(mods, "mod.Pallograph.TankCrashTextures_");
  const std::string tracks = OnePackage(mods, "mod.Pallograph.TrackCrashTextures_");
  TE2EFixture::Check({"wotmod", tanks, "mod.Pallograph.TankCrashTextures",
                      "res/vehicles/tank_crash.dds", "res/vehicles/inside_crash.dds",
                      std::string("res/") + kMsHull});
  TE2EFixture::Check({"wotmod", tracks, "mod.Pallograph.TrackCrashTextures",
                      "res/vehicles/track_crash.dds",
                      "res/vehicles/russian/R11_MS-1/crash/lod0/Chassis.visual_processed"});
  const std::string pkg = client + "/res/packages/vehicles_level_01.pkg";
  for (const char* part : {"Hull", "Turret_01", "Gun_01"}) {
    const std::string entry =
        std::string("vehicles/russian/R11_MS-1/crash/lod0/") + part + ".visual_processed";
    TE2EFixture::Check({"crashvisual", tanks, "res/" + entry, pkg, entry, "tanks"});
  }
  const std::string chassis =
      "vehicles/american/A01_T1_Cunningham/crash/lod0/Chassis.visual_processed";
  TE2EFixture::Check({"crashvisual", tracks, "res/" + chassis, pkg, chassis, "tracks"});
  TE2EFixture::Check({"solid", tanks, "res/vehicles/tank_crash.dds", "FF0000"});
  TE2EFixture::Check({"solid", tracks, "res/vehicles/track_crash.dds", "00FF00"});
  // Normal-state and collision models are never written.
  const std::string listing =
      RunPythonCode(
          "import zipfile,sys; print('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))", {tanks})
          .Out;
  EXPECT_FALSE(Contains(listing, "/normal/"));
  EXPECT_FALSE(Contains(listing, "collision"));
  EXPECT_FALSE(Contains(listing, "Chassis"));
}

TEST_F(ModsTest, RemoveShadowsAlsoReplacesTheAoTexture) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r = fixture_.Run(
      {"--wot-path=" + client, "--DPT-mod=123456", "--remove-shadows", "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  const std::string tanks =
      OnePackage(TE2EFixture::ModsFolder(client), "mod.Pallograph.TankCrashTextures_");
  TE2EFixture::Check({"crashvisual", tanks, std::string("res/") + kMsHull,
                      client + "/res/packages/vehicles_level_01.pkg", kMsHull, "tanks",
                      "remove-shadows"});
}

TEST_F(ModsTest, TestModeRunsOneThreadForTheLastExistingRoot) {
  const std::string client = fixture_.MakeClient();
  const std::string configs = fixture_.Folder() + "/configs";
  WriteText(configs + "/CrashTanks.cfg",
            "version = 1\nres\\packages\\vehicles_level_*.pkg\nres\\packages\\none.pkg\n");
  const TProcessResult r = fixture_.Run({"--wot-path=" + client, "--configs-path=" + configs,
                                         "--DPT-mod=FF0000", "--test", "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_FALSE(Contains(r.Out, "vehicles_level_01.pkg"));
  EXPECT_FALSE(Contains(r.Out, "vehicles_level_05-part1.pkg"));
  EXPECT_EQ(LineOf(r.Out, "vehicles_level_10-part2.pkg"),
            "          vehicles_level_10-part2.pkg        OK (3 files)");
}

TEST_F(ModsTest, BrokenPackageFailsItsLineWhileTheOthersStillPack) {
  const std::string client = fixture_.MakeClient({"--broken", "vehicles_level_02.pkg"});
  const TProcessResult r =
      fixture_.Run({"--wot-path=" + client, "--DPT-mod=FF0000", "--auto-close-console"}, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16011)) << r.Out;
  EXPECT_TRUE(Contains(LineOf(r.Out, "vehicles_level_02.pkg"), "Failed!")) << r.Out;
  EXPECT_TRUE(Contains(LineOf(r.Out, "vehicles_level_01.pkg"), "OK (18 files)")) << r.Out;
  EXPECT_TRUE(Contains(r.Err, "An error occurred while working with one of the files!"));
  EXPECT_TRUE(Contains(r.Err, "Pkg: res/packages/vehicles_level_02.pkg")) << r.Err;
  // A failure clears auto-close: the run waits for enter.
  EXPECT_TRUE(Contains(r.Out, "    Press enter to exit..."));
  OnePackage(TE2EFixture::ModsFolder(client), "mod.Pallograph.TankCrashTextures_");
}

TEST_F(ModsTest, MissingConfigGives16005AndTheRunGoesOn) {
  const std::string client = fixture_.MakeClient();
  fs::create_directories(fixture_.Folder() + "/noconfigs");
  const TProcessResult r =
      fixture_.Run({"--wot-path=" + client, "--configs-path=" + fixture_.Folder() + "/noconfigs",
                    "--DPT-mod=FF0000", "--CAMO-mod=50", "--silent-mode"});
  EXPECT_EQ(r.ExitCode, PosixExit(16005));
  const TProcessResult shown =
      fixture_.Run({"--wot-path=" + client, "--configs-path=" + fixture_.Folder() + "/noconfigs",
                    "--CCT-mod=FF0000"},
                   "\n");
  EXPECT_TRUE(Contains(shown.Out, "    Not found cfg-file!\n"));
}

TEST_F(ModsTest, MapModsRepaintTexturesSpaceBinAndCamouflages) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r =
      fixture_.Run({"--wot-path=" + client, "--MEM-mod=FFFFFF", "--CTM-mod=00FFFF",
                    "--SpaceBin-mod=FF0000|00FF00", "--CAMO-mod=40", "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  const std::string mods = TE2EFixture::ModsFolder(client);
  const std::string mem = OnePackage(mods, "mod.Pallograph.TankMapTextures_");
  const std::string ctm = OnePackage(mods, "mod.Pallograph.TrainMapTextures_");
  const std::string space = OnePackage(mods, "mod.Pallograph.SpaceBinPatched_");
  const std::string camo = OnePackage(mods, "mod.Pallograph.Camouflages_");
  const std::string sherman_hd =
      std::string(kDemoSherman).substr(0, std::string(kDemoSherman).size() - 4) + "_hd.dds";
  TE2EFixture::Check({"wotmod", mem, "mod.Pallograph.TankMapTextures",
                      std::string("res/") + kDemoSherman, "res/" + sherman_hd,
                      std::string("res/") + kDemoShermanTrack});
  TE2EFixture::Check({"solidall", mem, "FFFFFF"});
  TE2EFixture::Check({"wotmod", ctm, "mod.Pallograph.TrainMapTextures",
                      std::string("res/") + kDemoLocomotive, std::string("res/") + kDemoTender});
  TE2EFixture::Check({"solid", ctm, std::string("res/") + kDemoTender, "00FFFF"});
  TE2EFixture::Check({"wotmod", space, "mod.Pallograph.SpaceBinPatched",
                      "res/spaces/02_malinovka/space.bin", "res/spaces/19_monastery/space.bin",
                      "res/spaces/101_dday/space.bin"});
  // Both record header widths: 8 bytes (02_malinovka) and 12 bytes (19_monastery).
  TE2EFixture::Check({"spacebin", space, "res/spaces/02_malinovka/space.bin",
                      client + "/res/packages/02_malinovka.pkg", "spaces/02_malinovka/space.bin",
                      kDemoSherman, kDemoShermanTrack, kDemoLocomotive, kDemoTender});
  TE2EFixture::Check(
      {"spacebin", space, "res/spaces/19_monastery/space.bin",
       client + "/res/packages/19_monastery.pkg", "spaces/19_monastery/space.bin", kDemoPzIV,
       "content/Railway/hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage_01_AM.dds",
       "content/Railway/hd_rw407_CarriageWatchbox2/hd_rw407_CarriageWatchbox2_AM.dds"});
  TE2EFixture::Check(
      {"wotmod", camo, "mod.Pallograph.Camouflages", std::string("res/") + kDemoCamo});
  TE2EFixture::Check({"shaded", camo, std::string("res/") + kDemoCamo,
                      client + "/res/packages/shared_content-part1.pkg", kDemoCamo, "40"});
}

// The map and camouflage stages at 1, 2, 3 and 8 workers: the same console text, run log (apart
// from times, temporary names and the worker count itself) and package files.
TEST_F(ModsTest, MapAndCamouflageStagesAreTheSameAtEveryWorkerCount) {
  const std::string client = fixture_.MakeClient();
  const std::string mods = TE2EFixture::ModsFolder(client);
  const auto run = [&](int workers) {
    fs::remove(fixture_.LogFile());
    for (const std::string& package : Packages(mods, "mod.")) fs::remove(package);
    const TProcessResult r =
        fixture_.Run({"--wot-path=" + client, "--MEM-mod=FFFFFF", "--CTM-mod=00FFFF",
                      "--CAMO-mod=40", "--allinone-wotmod", "--allinone-wotmod-name=all", "--log",
                      "--auto-close-console", "--cpu-count=" + std::to_string(workers)});
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    static const std::regex varying(
        "(^|\n)[-0-9 :.]+: |\\{[-0-9A-F]+\\}|[0-9]{6}\\.[0-9]{6}|(CPU Count|cpu-count)[^\n]*");
    const std::string files =
        RunPythonCode(
            "import zipfile, sys\n"
            "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
            "  if i.filename != 'meta.xml': print(i.filename, i.CRC, i.file_size)\n",
            {mods + "/all.wotmod"})
            .Out;
    return std::vector<std::string>{std::regex_replace(r.Out, varying, "$1"),
                                    std::regex_replace(ReadText(fixture_.LogFile()), varying, "$1"),
                                    files};
  };
  const std::vector<std::string> alone = run(1);
  EXPECT_TRUE(Contains(alone[2], "res/" + std::string(kDemoCamo))) << alone[2];
  for (const int workers : {2, 3, 8}) EXPECT_EQ(run(workers), alone) << workers << " workers";
}

TEST_F(ModsTest, WithoutHdLeavesHdTexturesAlone) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r = fixture_.Run({"--wot-path=" + client, "--MEM-mod=FFFFFF",
                                         "--CAMO-mod=40", "--without-hd", "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  for (const std::string& package : Packages(TE2EFixture::ModsFolder(client), "mod.")) {
    const std::string names =
        RunPythonCode(
            "import zipfile,sys; print('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))",
            {package})
            .Out;
    EXPECT_FALSE(Contains(names, "_hd.dds")) << package;
  }
}

TEST_F(ModsTest, AllInOnePackageHoldsEveryStagesFilesWithOneMeta) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r = fixture_.Run(
      {"--wot-path=" + client, "--DPT-mod=FF0000", "--CCT-mod=00FF00", "--MEM-mod=FFFFFF",
       "--CTM-mod=00FFFF", "--SpaceBin-mod=FF0000", "--CAMO-mod=40", "--allinone-wotmod",
       "--subfolder-wotmod", "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_FALSE(Contains(r.Out, "    Files packing... "));
  const std::string folder = TE2EFixture::ModsFolder(client) + "/Pallograph";
  const std::string all = OnePackage(folder, "mod.Pallograph.AllMods_");
  EXPECT_EQ(Packages(TE2EFixture::ModsFolder(client), "mod.").size(), 0u);
  TE2EFixture::Check({"wotmod", all, "mod.Pallograph.AllMods", "res/vehicles/tank_crash.dds",
                      "res/vehicles/track_crash.dds", std::string("res/") + kDemoSherman,
                      std::string("res/") + kDemoTender, "res/spaces/101_dday/space.bin",
                      std::string("res/") + kDemoCamo});
}

TEST_F(ModsTest, LooseFilesWithoutWotmodEvenWithAllInOne) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r =
      fixture_.Run({"--wot-path=" + client, "--DPT-mod=FF0000", "--CAMO-mod=40", "--without-wotmod",
                    "--allinone-wotmod", "--auto-close-console"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  const std::vector<std::string> loose = ListTree(client + "/res_mods/2.4.0.2");
  EXPECT_NE(std::find(loose.begin(), loose.end(), "vehicles/tank_crash.dds"), loose.end());
  EXPECT_NE(std::find(loose.begin(), loose.end(), kDemoCamo), loose.end());
  EXPECT_TRUE(ListTree(TE2EFixture::ModsFolder(client)).empty());
}

TEST_F(ModsTest, AllInOneWithNothingFoundGives16092) {
  const std::string client = fixture_.MakeClient();
  const std::string configs = fixture_.Folder() + "/configs";
  WriteText(configs + "/Camouflage.cfg", "version = 1\nres\\packages\\misc.pkg\n");
  const TProcessResult r = fixture_.Run(
      {"--wot-path=" + client, "--configs-path=" + configs, "--CAMO-mod=40", "--allinone-wotmod"},
      "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16092)) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "  > Files packing... Not found textures!"));
  EXPECT_FALSE(Contains(r.Out, "Not found dds-files!"));
}

TEST_F(ModsTest, FirstFailureNamesTheRunAndRemoveWotmodClearsEarlierPackages) {
  const std::string client = fixture_.MakeClient({"--broken", "vehicles_level_02.pkg"});
  const std::string configs = fixture_.Folder() + "/configs";
  fs::create_directories(configs);
  fs::copy_file(SourceDir() + "/data/configs/CrashTanks.cfg", configs + "/CrashTanks.cfg");
  const std::vector<std::string> args{"--wot-path=" + client, "--configs-path=" + configs,
                                      "--DPT-mod=FF0000",     "--MEM-mod=FFFFFF",
                                      "--remove-wotmod",      "--silent-mode"};
  // The crash stage fails first (a broken package), the map stage then finds no config.
  EXPECT_EQ(fixture_.Run(args).ExitCode, PosixExit(16011));
  EXPECT_EQ(fixture_.Run(args).ExitCode, PosixExit(16011));
  EXPECT_EQ(Packages(TE2EFixture::ModsFolder(client), "mod.Pallograph.").size(), 1u);
}

}  // namespace
}  // namespace pallograph::test

namespace pallograph::test {
namespace {

TEST(ArchiveLibraryTest, UnloadableLibraryFailsTheStagesWithoutCrashing) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const std::string missing = fixture.Folder() + "/nowhere/7z.so";
  const TProcessResult r =
      fixture.Run({"--wot-path=" + client, "--DPT-mod=FF0000", "--MEM-mod=FFFFFF", "--log"}, "\n",
                  true, {"PALLOGRAPH_ARCHIVE_LIBRARY=" + missing});
  EXPECT_EQ(r.ExitCode, PosixExit(16011)) << r.Out;
  EXPECT_NE(r.Err.find("Error loading library"), std::string::npos) << r.Err;
  const std::string log = ReadText(fixture.LogFile());
  EXPECT_NE(log.find("7-zip library: "), std::string::npos);
  EXPECT_NE(log.find(": Exit code: 16011\n"), std::string::npos);
  EXPECT_TRUE(ListTree(TE2EFixture::ModsFolder(client)).empty());
}

}  // namespace
}  // namespace pallograph::test

namespace pallograph::test {
namespace {

struct TStageFailure {
  const char* Option;
  const char* ConfigFile;  // written to the configs folder; nullptr: none
  const char* ConfigText;
  int Code;
  const char* Message;
};

class StageFailureTest : public ::testing::TestWithParam<TStageFailure> {};

TEST_P(StageFailureTest, EndsWithTheStagesCodeAndMessage) {
  const TStageFailure& c = GetParam();
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const std::string configs = fixture.Folder() + "/configs";
  fs::create_directories(configs);
  if (c.ConfigFile) WriteText(configs + "/" + c.ConfigFile, c.ConfigText);
  const TProcessResult r =
      fixture.Run({"--wot-path=" + client, "--configs-path=" + configs, c.Option}, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(c.Code)) << r.Out;
  EXPECT_TRUE(Contains(r.Out, c.Message)) << r.Out;
  EXPECT_TRUE(ListTree(TE2EFixture::ModsFolder(client)).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Stages, StageFailureTest,
    ::testing::Values(
        TStageFailure{"--MEM-mod=FFFFFF", nullptr, "", 16006, "    Not found cfg-file!"},
        TStageFailure{"--CTM-mod=FFFFFF", "MapTrains.cfg", "version = 0\ncontent\\\n\tx.dds\n",
                      16007, "    Not found cfg-file!"},
        TStageFailure{"--CAMO-mod=50", "Camouflage.cfg", "version = 3\n", 16008,
                      "    Not found cfg-file!"},
        TStageFailure{"--MEM-mod=FFFFFF", "MapTanks.cfg", "version = 1\ncontent\\\n\tnone.dds\n",
                      16032, "    Files packing... Not found dds-files!"},
        TStageFailure{"--SpaceBin-mod=FF0000", "MapTanks.cfg",
                      "version = 1\ncontent\\\n\tnone.dds\n", 16052,
                      "    Files packing... Not found space.bin files!"},
        TStageFailure{"--CAMO-mod=50", "Camouflage.cfg", "version = 1\nres\\packages\\misc.pkg\n",
                      16062, "    Files packing... Not found dds-files!"}));

}  // namespace
}  // namespace pallograph::test
