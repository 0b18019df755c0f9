// The program's start: help, option errors, client analysis failures, run log, silent mode.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

TEST(StartupTest, NoArgumentsShowsHelpAndBothPrompts) {
  TE2EFixture fixture;
  const TProcessResult r = fixture.Run({}, "n\nn\n\n", false);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_TRUE(Contains(r.Out, "Pallograph 2 for WorldOfTanks"));
  EXPECT_TRUE(Contains(r.Out, "  > List of available command line arguments"));
  EXPECT_TRUE(Contains(r.Out, "    --dpt-mod=\t\t\t| User key, string value RRGGBB"));
  EXPECT_TRUE(Contains(r.Out, "    --silent-mode\t\t| User key, bool value"));
  EXPECT_TRUE(Contains(r.Out, "Check of a new version of the program? [Press Y/N and ENTER] "));
  EXPECT_TRUE(Contains(r.Out, "Check and download configs? [Press Y/N and ENTER] "));
  EXPECT_TRUE(Contains(r.Out, "    Press enter to exit..."));
}

TEST(StartupTest, PathValuesWithBlanksAsOneWordOrAfterTheOption) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient({}, "World of Tanks");
  const TProcessResult joined = fixture.Run({"--wot-path=" + client, "--auto-close-console"});
  EXPECT_EQ(joined.ExitCode, 0) << joined.Out;
  EXPECT_TRUE(Contains(joined.Out, "  > Search and analysis of the game client... OK"));
  const TProcessResult separate =
      fixture.Run({"--wot-path", client + "/win64/WorldOfTanks.exe", "--auto-close-console"});
  EXPECT_EQ(separate.ExitCode, 0) << separate.Out;
  EXPECT_TRUE(Contains(separate.Out, "  > Search and analysis of the game client... OK"));
}

TEST(StartupTest, RunLogRecordsClampedWorkerLimitAndAppendsSections) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  TProcessResult r =
      fixture.Run({"--wot-path=" + client, "--cpu-count=99", "--log", "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "    LOG  = ON"));
  r = fixture.Run({"--wot-path=" + client, "--cpu-count=0", "--log", "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0);
  const std::string log = ReadText(fixture.LogFile());
  EXPECT_EQ(CountOf(log, "/" + std::string(90, '-') + "\\\n"), 2u);
  EXPECT_TRUE(Contains(log, ": CPU Count: 50\n"));
  EXPECT_TRUE(Contains(log, ": CPU Count: 1\n"));
  EXPECT_TRUE(Contains(log, "Version 2.1.3 Build 226 Date 08/11/2021\n\n"));
  // The system's own forms: LF line ends, '/' in paths.
  EXPECT_EQ(log.find('\r'), std::string::npos);
  EXPECT_TRUE(Contains(log, ": WOT Path: " + client + "/\n")) << log;
  EXPECT_TRUE(Contains(log, ": Mods Path: " + TE2EFixture::ModsFolder(client) + "/\n")) << log;
}

TEST(StartupTest, NoLogSwitchWritesNoLogFile) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const TProcessResult r = fixture.Run({"--wot-path=" + client, "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_FALSE(fs::exists(fixture.LogFile()));
}

TEST(StartupTest, SilentModePrintsNothingAtAll) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const TProcessResult r =
      fixture.Run({"--wot-path=" + client, "--silent-mode", "--test", "--log", "--CAMO-mod=30"});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "");
  // Silent mode reads nothing: the failure at start-up still ends at once, silently; a command
  // line that is not understood did nothing at all, and only its fault line says why.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--wot-path=", "--silent-mode"}, {"--silent-mode", "--CAMO-mod=x"}}) {
    const bool usage = args.front() != "--wot-path=";
    const TProcessResult failed = fixture.Run(args);
    EXPECT_EQ(failed.ExitCode, PosixExit(usage ? 16009 : 16001));
    EXPECT_EQ(failed.Out, "");
    EXPECT_EQ(failed.Err,
              usage ? "Pallograph: --CAMO-mod=x is not a whole number: give 0..100\n" : "");
  }
}

TEST(StartupTest, BadClientFilesNeverCrash) {
  TE2EFixture fixture;
  {
    // paths.xml that cannot be read as a file (a folder of that name) counts as missing.
    const std::string client = fixture.MakeClient({}, "c1");
    fs::remove(client + "/paths.xml");
    fs::create_directories(client + "/paths.xml");
    const TProcessResult r = fixture.Run({"--wot-path=" + client, "--auto-close-console"}, "\n");
    EXPECT_EQ(r.ExitCode, 0) << r.Out;
  }
  {
    // version.xml without <version>, a 0-byte executable.
    const std::string client = fixture.MakeClient({}, "c2");
    WriteText(client + "/version.xml", "<version.xml><appname>x</appname></version.xml>");
    WriteText(client + "/win64/WorldOfTanks.exe", "");
    const TProcessResult r = fixture.Run({"--wot-path=" + client, "--auto-close-console"});
    EXPECT_EQ(r.ExitCode, 0) << r.Out;
  }
  {
    // A package folder full of files that are not zips: the stages report, nothing crashes.
    const std::string client = fixture.MakeClient(
        {"--broken", "02_malinovka.pkg", "--broken", "shared_content.pkg"}, "c3");
    const TProcessResult r = fixture.Run(
        {"--wot-path=" + client, "--MEM-mod=FFFFFF", "--auto-close-console", "--silent-mode"});
    EXPECT_GE(r.ExitCode, 0);
    EXPECT_NE(r.ExitCode, -1);
  }
}

}  // namespace
}  // namespace pallograph::test

namespace pallograph::test {
namespace {

TEST(WinePrefixTest, ClientInsideAWinePrefixWithBlanksIsFound) {
  // Where Wine, Lutris and Steam's Proton keep a Windows game: drive_c of a prefix.
  TE2EFixture fixture;
  const std::string client =
      fixture.MakeClient({}, "Games/world-of-tanks/drive_c/Games/World_of_Tanks EU");
  for (const std::string& path : {client, client + "/WorldOfTanks.exe"}) {
    const TProcessResult r = fixture.Run({"--wot-path", path, "--CAMO-mod=30", "--remove-wotmod",
                                          "--auto-close-console", "--silent-mode"});
    EXPECT_EQ(r.ExitCode, 0) << path << r.Out << r.Err;
  }
  EXPECT_EQ(ListTree(TE2EFixture::ModsFolder(client)).size(), 1u);
}

}  // namespace
}  // namespace pallograph::test
