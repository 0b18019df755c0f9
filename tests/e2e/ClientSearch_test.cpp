// Runs without --wot-path in a fake home folder: the one client there is used and named; two are
// listed and nothing is built; none ends as a run without a client; --list-clients lists them.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

TEST(ClientSearchTest, RunsWithoutWotPathInAFakeHome) {
  TE2EFixture fixture;
  const std::string home = fixture.Folder() + "/home";
  fs::create_directories(home);
  // Only the fake home is searched: the variables that point elsewhere are emptied.
  const std::vector<std::string> env = {"HOME=" + home,
                                        "WINEPREFIX=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME="};
  const auto run = [&](std::vector<std::string> args) {
    args.push_back("--log");
    return fixture.Run(args, "\n", true, env);
  };

  // None: a run without a client folder, the places searched on standard error.
  TProcessResult r = run({"--CAMO-mod=30"});
  EXPECT_EQ(r.ExitCode, PosixExit(16001)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "  > Search and analysis of the game client... Not found!\n"))
      << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Pallograph: no client found (searched: no Wine prefix")) << r.Err;
  r = run({"--list-clients"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "  > Clients of the game found: none\n    Searched: ")) << r.Out;

  // One, in ~/.wine: used, and named on the console and in the run log.
  const std::string wine = fixture.MakeClient({}, "home/.wine/drive_c/Games/World_of_Tanks_EU");
  const std::string details =
      "version v.2.4.0.2 build 966, realm EU, found in the Wine prefix ~/.wine";
  r = run({"--CAMO-mod=30", "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out,
                       "  > Search and analysis of the game client... OK\n"
                       "    The only client found is used: " +
                           wine + "\n          " + details + "\n\n"))
      << r.Out;
  OnePackage(TE2EFixture::ModsFolder(wine), "mod.Pallograph.Camouflages_");
  const std::string log = ReadText(fixture.LogFile());
  EXPECT_TRUE(Contains(log, "Client found: " + wine + " (" + details + ")\n")) << log;
  EXPECT_TRUE(Contains(log, "WOT Path: " + wine + "/\n")) << log;

  // Two, the second in a Lutris prefix: listed, nothing built, 16001.
  const std::string lutris = fixture.MakeClient({}, "home/Games/wot/drive_c/Games/World_of_Tanks");
  r = run({"--CAMO-mod=30", "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, PosixExit(16001)) << r.Out << r.Err;
  const std::string listed =
      "    " + wine + "\n          " + details + "\n    " + lutris +
      "\n          version v.2.4.0.2 build 966, realm EU, found in the Lutris prefix ~/Games/wot\n";
  EXPECT_TRUE(Contains(r.Out, "  > Search and analysis of the game client... 2 clients found!\n" +
                                  listed +
                                  "    Choose one with --wot-path, for example --wot-path=\"" +
                                  wine + "\"\n\n    Press enter to exit..."))
      << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Pallograph: 2 clients found: choose one with --wot-path=")) << r.Err;
  EXPECT_EQ(ListTree(TE2EFixture::ModsFolder(lutris)), std::vector<std::string>{});
  EXPECT_EQ(ListTree(TE2EFixture::ModsFolder(wine)).size(), 1u);

  // --list-clients: both, nothing asked; an empty --wot-path= still names no client.
  r = run({"--list-clients"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "  > Clients of the game found: 2\n" + listed + "\n")) << r.Out;
  EXPECT_FALSE(Contains(r.Out, "Press enter")) << r.Out;
  r = run({"--wot-path=", "--CAMO-mod=30"});
  EXPECT_EQ(r.ExitCode, PosixExit(16001)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Err, "no client folder given")) << r.Err;
}

}  // namespace
}  // namespace pallograph::test
