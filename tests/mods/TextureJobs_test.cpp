#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "ModsTestHelpers.h"
#include "mods/CamoRepaint.h"
#include "mods/DDSRepaint.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"
#include "texture/WorkerPool.h"

namespace pallograph {
namespace {

using test::Root;

// #844108 is exactly representable in 5:6:5, so a one-colour block decodes to it exactly.
const std::string kColor = "#844108";
const std::vector<std::string> kOpaqueTexels = {"132,65,8,255"};

class TextureJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RunFixture(
        "tanks = 'content/Tanks/T1/'\n"
        "cf.write_package(sys.argv[1], [\n"
        "  (tanks + 'Hull.dds', cf.dds(16, 16, gradient='red-blue', compression='dxt1',"
        " mipmaps=4)),\n"
        "  (tanks + 'turret.dds', cf.dds(13, 10, gradient='white-green', compression='dxt5',"
        " alpha_percent=40)),\n"
        "  (tanks + 'hull_hd.dds', cf.dds(32, 32, 'yellow', compression='dxt1', mipmaps=5)),\n"
        "  (tanks + 'other.dds', cf.dds(8, 8, 'blue')),\n"
        "  ('vehicles/german/Camouflage/Summer.DDS', cf.dds(16, 8, gradient='#c08040-#204060',"
        " compression='dxt5', alpha_percent=60, mipmaps=3)),\n"
        "  ('vehicles/german/Camouflage/summer_hd.dds', cf.dds(32, 16, 'olive',"
        " compression='dxt1')),\n"
        "  ('vehicles/german/Camouflage/winter.dds', cf.dds(8, 8, 'white')),\n"
        "  ('vehicles/german/Tiger/Hull_AM.dds', cf.dds(8, 8, 'gray')),\n"
        "  ('camouflage/loose.dds', cf.dds(8, 8, 'gray')),\n"
        "])\n",
        {dir_.Native("map.pkg")});
    pkg_ = dir_.ProgramPath() + "map.pkg";
    out_ = dir_.ProgramPath() + "out\\";
  }

  TDDSRepaint Repaint(LogSink sink = nullptr) {
    return TDDSRepaint(pkg_, std::move(sink), out_, dir_.ProgramPath(), test::LibraryFile());
  }
  std::string Out(const std::string& name) const { return dir_.Native("out/" + name); }
  std::string Src(const std::string& name) const { return dir_.Native("src/" + name); }

  test::TTempDir dir_;
  std::string pkg_;
  std::string out_;
};

TEST_F(TextureJobsTest, RepaintWritesListedTexturesAndTheirHDTwinsInTheColour) {
  TDDSRepaint job(pkg_, nullptr, out_, dir_.ProgramPath(), test::LibraryFile());
  job.AddFiles({Root("Content\\Tanks\\T1\\", {"hull.dds", "Turret.dds"})}, kColor);
  job.Repaint(true);
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 3);
  for (const char* name : {"Hull.dds", "turret.dds", "hull_hd.dds"}) {
    const std::string path = Out(std::string("content/Tanks/T1/") + name);
    EXPECT_EQ(test::DistinctTexels(path), kOpaqueTexels) << name;
  }
  EXPECT_EQ(test::ImageSize(Out("content/Tanks/T1/turret.dds")), "13x10");
  EXPECT_FALSE(FileExists(out_ + "content\\Tanks\\T1\\other.dds"));
}

TEST_F(TextureJobsTest, RepaintWithoutHDSkipsHDEntriesEvenWhenListed) {
  TDDSRepaint job = Repaint();
  job.AddFiles({Root("content\\tanks\\t1\\", {"hull.dds", "hull_hd.dds"})}, kColor);
  job.Repaint(false);
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 1);
  EXPECT_FALSE(FileExists(out_ + "content\\Tanks\\T1\\hull_hd.dds"));
}

TEST_F(TextureJobsTest, RepaintLogsEachStep) {
  std::vector<std::string> lines;
  TDDSRepaint job = Repaint([&](const std::string& l) { lines.push_back(l); });
  job.AddFiles({Root("content\\tanks\\t1\\", {"turret.dds"})}, kColor);
  job.Repaint(true);
  const std::string name = "content\\Tanks\\T1\\turret.dds";
  EXPECT_EQ(lines, (std::vector<std::string>{"Open \t" + pkg_, "Read \t\t" + name,
                                             "Repaint \t" + name, "Write \t\t" + out_ + name}));
}

TEST_F(TextureJobsTest, RepaintWithEmptyListDoesNotOpenThePackage) {
  TDDSRepaint job(dir_.ProgramPath() + "missing.pkg", nullptr, out_, dir_.ProgramPath(),
                  test::LibraryFile());
  job.AddFiles({Root("content\\", {})}, kColor);
  job.Repaint(true);
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 0);
}

TEST_F(TextureJobsTest, TextureThatCannotBeRepaintedStopsThePackage) {
  test::RunFixture(
      "cf.write_package(sys.argv[1], [('t/a.dds', cf.dds(8, 8, 'red')), ('t/b.dds', b'DDS ' + "
      "bytes(60)), ('t/c.dds', cf.dds(8, 8, 'red'))])\n",
      {dir_.Native("bad.pkg")});
  TDDSRepaint job(dir_.ProgramPath() + "bad.pkg", nullptr, out_, dir_.ProgramPath(),
                  test::LibraryFile());
  job.AddFiles({Root("t\\", {"a.dds", "b.dds", "c.dds"})}, kColor);
  job.Repaint(true);
  EXPECT_EQ(job.ErrorText(), "Pkg: " + dir_.ProgramPath() +
                                 "bad.pkg\r\nType: Exception\r\nMessage: t\\b.dds - failed to "
                                 "create repainted texture! (not a DDS texture (64 bytes, "
                                 "shorter than a header))");
  EXPECT_EQ(job.FilesCount(), 1);
  EXPECT_TRUE(FileExists(out_ + "t\\a.dds"));
  EXPECT_FALSE(FileExists(out_ + "t\\c.dds"));
}

TEST_F(TextureJobsTest, WriteFailureIsRecordedAndTheWalkGoesOn) {
  ASSERT_TRUE(ForceDirectories(out_ + "content\\Tanks\\T1\\Hull.dds\\"));
  TDDSRepaint job = Repaint();
  job.AddFiles({Root("content\\tanks\\t1\\", {"hull.dds", "turret.dds"})}, kColor);
  job.Repaint(false);
  const std::string record = job.ErrorText();
  EXPECT_EQ(record.rfind("Pkg: " + pkg_ +
                             "\r\nFile: content\\Tanks\\T1\\Hull.dds\r\nType: I/O\r\n"
                             "Message: Unable to save file! (Cannot rename \"",
                         0),
            0u)
      << record;
  // The cause ends the message: the system's reason why the folder in the way refused the file.
  EXPECT_EQ(record.substr(record.size() - 2), "))") << record;
  EXPECT_EQ(job.FilesCount(), 1);
  EXPECT_TRUE(FileExists(out_ + "content\\Tanks\\T1\\turret.dds"));
}

TEST_F(TextureJobsTest, BrokenPackageGivesTheExceptionRecord) {
  test::WriteText(dir_.Native("broken.pkg"), "not a zip");
  TDDSRepaint job(dir_.ProgramPath() + "broken.pkg", nullptr, out_, dir_.ProgramPath(),
                  test::LibraryFile());
  job.AddFiles({Root("a\\", {"b.dds"})}, kColor);
  job.Repaint(true);
  const std::string prefix = "Pkg: " + dir_.ProgramPath() + "broken.pkg\r\nType: ";
  EXPECT_EQ(job.ErrorText().rfind(prefix, 0), 0u) << job.ErrorText();
  EXPECT_EQ(test::OpenDescriptorsTo(dir_.Native("broken.pkg")), 0);
}

// Largest difference between percent x source and the output, per channel group, by Pillow.
std::string ShadeError(const std::string& source, const std::string& shaded, int percent) {
  return test::RunFixture(
      "from PIL import Image\n"
      "a = Image.open(sys.argv[1]).convert('RGBA').getdata()\n"
      "b = Image.open(sys.argv[2]).convert('RGBA').getdata()\n"
      "p = int(sys.argv[3])\n"
      "rgb = max(abs(x[i] * p // 100 - y[i]) for x, y in zip(a, b) for i in range(3))\n"
      "alpha = max(abs(x[3] - y[3]) for x, y in zip(a, b))\n"
      "print('rgb<=%d alpha<=%d' % (rgb, alpha), end='')\n",
      {source, shaded, std::to_string(percent)});
}

TEST_F(TextureJobsTest, CamoRepaintShadesCamouflagesAndKeepsAlpha) {
  test::RunFixture("import zipfile\nzipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])\n",
                   {dir_.Native("map.pkg"), dir_.Native("src")});
  TCamoRepaint job(pkg_, nullptr, out_, dir_.ProgramPath(), test::LibraryFile());
  job.SetFilter({});
  job.Repaint(50, false);
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 2);
  const std::string summer = "vehicles/german/Camouflage/Summer.DDS";
  const std::string error = ShadeError(Src(summer), Out(summer), 50);
  int rgb = 0, alpha = 0;
  ASSERT_EQ(std::sscanf(error.c_str(), "rgb<=%d alpha<=%d", &rgb, &alpha), 2) << error;
  EXPECT_LE(rgb, 12) << error;
  EXPECT_LE(alpha, 2) << error;
  EXPECT_FALSE(FileExists(out_ + "vehicles\\german\\Camouflage\\summer_hd.dds"));
  EXPECT_FALSE(FileExists(out_ + "vehicles\\german\\Tiger\\Hull_AM.dds"));
  EXPECT_FALSE(FileExists(out_ + "camouflage\\loose.dds"));
}

TEST_F(TextureJobsTest, CamoRepaintAtZeroPercentBlackensAndFiltersByName) {
  TCamoRepaint job(pkg_, nullptr, out_, dir_.ProgramPath(), test::LibraryFile());
  job.SetFilter({"vehicles\\german\\camouflage\\winter.dds"});
  job.Repaint(0, true);
  EXPECT_EQ(job.ErrorText(), "");
  EXPECT_EQ(job.FilesCount(), 1);
  EXPECT_EQ(test::DistinctTexels(Out("vehicles/german/Camouflage/winter.dds")),
            (std::vector<std::string>{"0,0,0,255"}));
}

// What a walk leaves: its log lines, progress counts, record, count and written files.
struct RWalkResult {
  std::vector<std::string> Lines;
  std::vector<std::pair<uint32_t, uint32_t>> Progress;
  std::string ErrorText;
  int32_t FilesCount = 0;
  std::vector<std::vector<uint8_t>> Files;  // per entry name; empty when not written
};

// The walk on the stage's workers reads ahead and changes several textures at once, yet logs,
// counts, writes and records exactly as the walk without them, at 1, 2, 3 and 8 workers: a
// refused size and an unsafe name are passed over, a write failure is recorded and the walk
// goes on, and a texture that cannot be changed ends the package with the textures before it
// written and none after it.
TEST_F(TextureJobsTest, WorkersKeepTheWalksLogCountsFilesAndRecord) {
  const std::string camo = "vehicles/german/Camouflage/";
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) names.push_back(camo + "c" + std::to_string(i) + ".dds");
  names.push_back(camo + "../../evil.dds");
  test::RunFixture(
      "c = '" + camo +
          "'\n"
          "big = cf.dds(300, 260, gradient='#c08040-#204060', compression='dxt5',"
          " alpha_percent=60, mipmaps=8)\n"
          "small = cf.dds(16, 8, gradient='white-green', compression='dxt1', mipmaps=2)\n"
          "cf.write_package(sys.argv[1], [(c + 'c0.dds', big), (c + 'c1.dds', small),"
          " (c + 'c2.dds', b'refused'), (c + '../../evil.dds', small), (c + 'c3.dds', big),"
          " (c + 'c4.dds', small), (c + 'c5.dds', big), (c + 'c6.dds', small)])\n"
          "cf.write_package(sys.argv[2], [(c + 'c0.dds', big), (c + 'c1.dds', small),"
          " (c + 'c2.dds', b'DDS ' + bytes(60)), (c + 'c3.dds', big), (c + 'c4.dds', small)])\n",
      {dir_.Native("walk.pkg"), dir_.Native("stop.pkg")});
  ASSERT_EQ(test::RunPythonScript("tests/archive/make_bombs.py",
                                  {dir_.Native("walk.pkg"), "--lie", camo + "c2.dds=1K:400M"})
                .ExitCode,
            0);
  const auto walk = [&](const std::string& package, unsigned workers) {
    DeleteFolderTree(out_);
    // A folder in the way of one texture: its write fails.
    EXPECT_TRUE(ForceDirectories(out_ + "vehicles\\german\\Camouflage\\c4.dds\\"));
    RWalkResult result;
    TCamoRepaint job(
        dir_.ProgramPath() + package,
        [&](const std::string& line) { result.Lines.push_back(line); }, out_, dir_.ProgramPath(),
        test::LibraryFile());
    job.SetProgress(
        [&](uint32_t done, uint32_t wanted) { result.Progress.emplace_back(done, wanted); });
    std::unique_ptr<TWorkerPool> pool;
    if (workers > 0) pool = std::make_unique<TWorkerPool>(workers);
    job.SetWorkers(pool.get());
    job.SetFilter({});
    job.Repaint(40, true);
    // The temporary name of a failed write is new each time.
    result.ErrorText = std::regex_replace(job.ErrorText(), std::regex("\\{[-0-9A-F]+\\}"), "{}");
    result.FilesCount = job.FilesCount();
    for (const std::string& name : names) {
      result.Files.push_back(FileExists(out_ + SlashesToBackslashes(name))
                                 ? test::ReadBinary(Out(name))
                                 : std::vector<uint8_t>());
    }
    return result;
  };
  for (const char* package : {"walk.pkg", "stop.pkg"}) {
    const RWalkResult alone = walk(package, 0);
    const bool stops = std::string(package) == "stop.pkg";
    EXPECT_NE(alone.ErrorText.find(stops ? "c2.dds - failed to create repainted texture!"
                                         : "File: vehicles\\german\\Camouflage\\c4.dds"),
              std::string::npos)
        << alone.ErrorText;
    EXPECT_EQ(alone.FilesCount, stops ? 2 : 5) << package;
    for (const unsigned workers : {1u, 2u, 3u, 8u}) {
      const RWalkResult here = walk(package, workers);
      EXPECT_EQ(here.Lines, alone.Lines) << package << " " << workers;
      EXPECT_EQ(here.Progress, alone.Progress) << package << " " << workers;
      EXPECT_EQ(here.ErrorText, alone.ErrorText) << package << " " << workers;
      EXPECT_EQ(here.FilesCount, alone.FilesCount) << package << " " << workers;
      EXPECT_TRUE(here.Files == alone.Files) << package << " " << workers;
    }
  }
}

}  // namespace
}  // namespace pallograph
