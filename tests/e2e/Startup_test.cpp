// The program's start: help, option errors, client analysis failures, run log, silent mode.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

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

TEST(StartupTest, UndeclaredOptionIsNamedBeforeTheHelp) {
  TE2EFixture fixture;
  const TProcessResult help = fixture.Run({}, "n\nn\n\n", false);
  const TProcessResult foo = fixture.Run({"--foo"}, "n\nn\n\n", false);
  EXPECT_EQ(foo.ExitCode, 0);
  const std::string banner_end = "(portable edition)\n\n";
  std::string expected = help.Out;
  expected.insert(expected.find(banner_end) + banner_end.size(), "  > Unknown option: --foo\n\n");
  EXPECT_EQ(foo.Out, expected);
  EXPECT_FALSE(Contains(foo.Out, "Parse error"));
  // A misspelled mod option builds nothing and says which word was not understood.
  TE2EFixture mods;
  const std::string client = mods.MakeClient();
  const TProcessResult typo = mods.Run({"--wot-path=" + client, "--CCT-mdo=00FF00"}, "n\nn\n\n");
  EXPECT_EQ(typo.ExitCode, 0);
  EXPECT_TRUE(Contains(typo.Out, "  > Unknown option: --CCT-mdo\n\n  > List of available"))
      << typo.Out;
  EXPECT_TRUE(ListTree(client + "/mods").empty());
  // A lone dash is no option either.
  const TProcessResult count = mods.Run({"--wot-path=" + client, "-"}, "n\nn\n\n");
  EXPECT_TRUE(
      Contains(count.Out, "  > Command line not understood. Parse error at this position: "))
      << count.Out;
}

TEST(StartupTest, EmptyClientPathHaltsWith16001) {
  TE2EFixture fixture;
  const TProcessResult r = fixture.Run({"--wot-path="}, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16001));
  EXPECT_TRUE(Contains(r.Out, "  > Search and analysis of the game client... Not found!"));
  EXPECT_TRUE(Contains(r.Out, "    Press enter to exit..."));
}

TEST(StartupTest, FolderWithoutExecutableHaltsWith16003) {
  TE2EFixture fixture;
  fs::create_directories(fixture.Folder() + "/empty");
  const TProcessResult r = fixture.Run({"--wot-path=" + fixture.Folder() + "/empty"}, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16003));
  EXPECT_TRUE(Contains(r.Out, "Not found!"));
}

TEST(StartupTest, ClientWithoutPackagesHaltsWith16004) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient({"--no-packages"});
  const TProcessResult r = fixture.Run({"--wot-path=" + client}, "\n");
  EXPECT_EQ(r.ExitCode, PosixExit(16004));
  EXPECT_TRUE(Contains(r.Out, "No pkg-files!"));
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
  EXPECT_EQ(CountOf(log, "/" + std::string(90, '-') + "\\\r\n"), 2u);
  EXPECT_TRUE(Contains(log, ": CPU Count: 50\r\n"));
  EXPECT_TRUE(Contains(log, ": CPU Count: 1\r\n"));
  EXPECT_TRUE(Contains(log, "Version 2.1.3 Build 226 Date 08/11/2021\r\n\r\n"));
}

TEST(StartupTest, NoLogSwitchWritesNoLogFile) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const TProcessResult r = fixture.Run({"--wot-path=" + client, "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_FALSE(fs::exists(fixture.LogFile()));
}

TEST(StartupTest, SilentModePrintsNothingAfterTheBanner) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const TProcessResult r = fixture.Run({"--wot-path=" + client, "--silent-mode", "--test"});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_TRUE(Contains(r.Out, "Pallograph 2 for WorldOfTanks"));
  EXPECT_TRUE(Contains(r.Out, "    TEST = ON"));
  EXPECT_FALSE(Contains(r.Out, "Search and analysis"));
  EXPECT_FALSE(Contains(r.Out, "Press enter"));
  // Silent mode reads nothing: the failure at start-up still ends at once.
  const TProcessResult failed = fixture.Run({"--wot-path=", "--silent-mode"});
  EXPECT_EQ(failed.ExitCode, PosixExit(16001));
  EXPECT_FALSE(Contains(failed.Out, "Not found!"));
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
