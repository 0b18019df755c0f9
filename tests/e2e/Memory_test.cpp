// Packages that would make a careless reader swallow gigabytes: deflated zeros of 1 GB and 5 GB
// in wanted texture entries, and an entry whose headers declare far less than it inflates to. The
// run, under a hard address-space limit, fails those packages and packs the others.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The address space a run may use: far below the 1 GB and 5 GB the entries inflate to.
constexpr int kAddressSpaceKiB = 1024 * 1024;

TEST(MemoryTest, ZipBombsAndLyingHeadersFailTheirPackagesWithinALimit) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const std::string packages = client + "/res/packages/";
  RunPythonScript("tests/archive/make_bombs.py",
                  {packages + "02_malinovka.pkg", "--inflate", std::string(kDemoSherman) + "=1G",
                   "--inflate", std::string(kDemoShermanTrack) + "=5G"});
  RunPythonScript("tests/archive/make_bombs.py",
                  {packages + "19_monastery.pkg", "--lie", std::string(kDemoPzIV) + "=64M:6128"});
  ASSERT_GT(fs::file_size(packages + "02_malinovka.pkg"), 1000000u);

  const std::string temp = fixture.Folder() + "/tmp";
  fs::create_directories(temp);
  std::vector<std::string> command{
      "/bin/sh",
      "-c",
      kAddressSanitizer
          ? std::string("exec \"$0\" \"$@\"")
          : "ulimit -v " + std::to_string(kAddressSpaceKiB) + " && exec \"$0\" \"$@\"",
      fixture.ProgramFolder() + "/pallograph",
      "--wot-path=" + client,
      "--MEM-mod=FFFFFF",
      "--without-hd",
      "--log",
      "--no-send-statistic",
      "--no-update-configs",
      "--auto-close-console"};
  const TProcessResult r = RunProcess(command, "\n", "", {"TMPDIR=" + temp});
  EXPECT_EQ(r.ExitCode, PosixExit(16031)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(LineOf(r.Out, "02_malinovka.pkg"), "Failed!")) << r.Out;
  EXPECT_TRUE(Contains(LineOf(r.Out, "19_monastery.pkg"), "Failed!")) << r.Out;
  EXPECT_TRUE(Contains(LineOf(r.Out, "101_dday.pkg"), "OK (")) << r.Out;
  // Entry names as the system writes paths, in the message and in the log.
  const std::string sherman = kDemoSherman;
  const std::string track = kDemoShermanTrack;
  EXPECT_TRUE(Contains(r.Err, "File: " + sherman + "\nType: EEntryTooLarge\nMessage: \"" + sherman +
                                  "\" declares 1000000000 bytes; a texture holds at most "
                                  "357914116 bytes"))
      << r.Err;
  const std::string log = ReadText(fixture.LogFile());
  EXPECT_TRUE(Contains(log, "Refused \t" + track + ": \"" + track + "\" declares 5000000000 bytes"))
      << log;

  // The other packages' textures are packed, the refused ones are not.
  const std::string mods = TE2EFixture::ModsFolder(client);
  const std::vector<std::string> written = ListTree(mods);
  ASSERT_EQ(written.size(), 1u);
  TE2EFixture::Check({"wotmod", mods + "/" + written.front(), "mod.Pallograph.TankMapTextures",
                      std::string("res/") + kDemoPzIVTracks});
  const TProcessResult listed = RunPythonCode(
      "import sys, zipfile\nprint('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))\n",
      {mods + "/" + written.front()});
  EXPECT_FALSE(Contains(listed.Out, kDemoSherman));
  EXPECT_FALSE(Contains(listed.Out, kDemoShermanTrack));
  EXPECT_FALSE(Contains(listed.Out, kDemoPzIV));
  EXPECT_TRUE(fs::is_empty(temp)) << ListTree(temp).size();
}

}  // namespace
}  // namespace pallograph::test
