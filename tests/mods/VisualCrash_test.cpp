#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModsTestHelpers.h"
#include "mods/VisualCrashTanks.h"
#include "mods/VisualCrashTracks.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::ReadBinary;
using test::Root;

const std::string kVehicle = "vehicles/russian/R11_MS-1/";
const std::string kCrash = kVehicle + "crash/lod0/";

// A package with the crash and normal models of one vehicle, a model of another vehicle and
// files that must never be touched.
class VisualCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RunFixture(
        "import os\n"
        "src, pkg = sys.argv[1], sys.argv[2]\n"
        "files = {\n"
        "  'crash/lod0/Hull.visual_processed': cf.crash_tank_visual('R11_MS-1', 'Hull'),\n"
        "  'crash/lod0/Turret_01.visual_processed': cf.crash_tank_visual('R11_MS-1', "
        "'Turret_01'),\n"
        "  'crash/lod0/Gun_01.visual_processed': cf.crash_tank_visual('R11_MS-1', 'Gun_01'),\n"
        "  'crash/lod0/Chassis.visual_processed': cf.crash_tank_visual('R11_MS-1', 'Chassis',"
        " inside=False),\n"
        "  'normal/lod0/Hull.visual_processed': cf.crash_tank_visual('R11_MS-1', 'Hull', "
        "fx=cf.TANK_FX),\n"
        "  'crash/lod0/Hull.model': b'<root><nodefullVisual>crash/lod0/Hull</nodefullVisual>"
        "</root>',\n"
        "  'crash/lod0/Hull.primitives_processed': bytes(range(256)) * 4,\n"
        "}\n"
        "entries = [('vehicles/russian/R11_MS-1/' + k, v) for k, v in files.items()]\n"
        "entries.append(('vehicles/russian/R04_T-34/crash/lod0/Hull.visual_processed',\n"
        "                cf.crash_tank_visual('R04_T-34', 'Hull')))\n"
        "for name, data in entries:\n"
        "    path = os.path.join(src, name)\n"
        "    os.makedirs(os.path.dirname(path), exist_ok=True)\n"
        "    open(path, 'wb').write(data)\n"
        "cf.write_package(pkg, entries)\n",
        {dir_.Native("src"), dir_.Native("client/res/packages/vehicles.pkg")});
    out_ = dir_.ProgramPath() + "out\\";
  }

  std::vector<uint8_t> Source(const std::string& name) const {
    return ReadBinary(dir_.Native("src/" + name));
  }
  std::vector<uint8_t> Output(const std::string& name) const {
    return ReadBinary(dir_.Native("out/" + name));
  }
  bool OutputExists(const std::string& name) const {
    return FileExists(out_ + SlashesToBackslashesForTest(name));
  }
  static std::string SlashesToBackslashesForTest(std::string name) {
    for (char& c : name) c = c == '/' ? '\\' : c;
    return name;
  }

  template <class Job>
  std::unique_ptr<Job> MakeJob(const RFiles& root, LogSink sink = nullptr) {
    return std::make_unique<Job>(root, std::move(sink), out_, dir_.ProgramPath() + "client\\",
                                 test::LibraryFile(), queue_);
  }

  test::TTempDir dir_;
  std::string out_;
  TMainThreadQueue queue_;
};

// The hull with every outer texture on the crash texture, the inside textures on the inside
// texture, and the crash shader replaced, as an independent byte-level statement.
std::vector<uint8_t> ExpectedTankPart(std::vector<uint8_t> data, const std::string& part,
                                      bool inside, bool shadows) {
  const std::string base = kVehicle + "R11_" + part + "_01";
  test::ExpectReplace(data, kCrashShader, kTankShader);
  test::ExpectReplace(data, "diffuseMap" + base + "_AM.dds", "diffuseMapvehicles/tank_crash.dds");
  const std::string aoTo = shadows ? "excludeMaskAndAOMapvehicles/tank_crash.dds"
                                   : "excludeMaskAndAOMap" + base + "_AO.dds";
  test::ExpectReplace(data, "excludeMaskAndAOMap" + base + "_AO.dds", aoTo);
  const std::string inner = kVehicle + "R11_inside";
  const std::string innerTarget = inside ? "vehicles/inside_crash.dds" : inner + "_AM.dds";
  test::ExpectReplace(data, "diffuseMap" + inner + "_AM.dds", "diffuseMap" + innerTarget);
  if (shadows) {
    const std::string aoTarget = inside ? "vehicles/inside_crash.dds" : inner + "_AO.dds";
    test::ExpectReplace(data, "excludeMaskAndAOMap" + inner + "_AO.dds",
                        "excludeMaskAndAOMap" + aoTarget);
  }
  return data;
}

TEST_F(VisualCrashTest, TanksPatchCrashHullTurretAndGunOfTheListedVehicle) {
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {"R11_MS-1\\"}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->ErrorText(), "");
  EXPECT_EQ(job->FilesCount(), 3);

  EXPECT_EQ(Output(kCrash + "Hull.visual_processed"),
            ExpectedTankPart(Source(kCrash + "Hull.visual_processed"), "hull", true, false));
  EXPECT_EQ(
      Output(kCrash + "Turret_01.visual_processed"),
      ExpectedTankPart(Source(kCrash + "Turret_01.visual_processed"), "turret_01", true, false));
  // The gun's inside textures are left alone.
  EXPECT_EQ(Output(kCrash + "Gun_01.visual_processed"),
            ExpectedTankPart(Source(kCrash + "Gun_01.visual_processed"), "gun_01", false, false));
  EXPECT_FALSE(OutputExists(kCrash + "Chassis.visual_processed"));
  EXPECT_FALSE(OutputExists(kVehicle + "normal/lod0/Hull.visual_processed"));
  EXPECT_FALSE(OutputExists(kCrash + "Hull.model"));
  EXPECT_FALSE(OutputExists("vehicles/russian/R04_T-34/crash/lod0/Hull.visual_processed"));
}

TEST_F(VisualCrashTest, TanksWithRemoveShadowsReplaceTheAOMapsToo) {
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {"r11_ms-1"}));
  job->RemoveShadows = true;
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->ErrorText(), "");
  EXPECT_EQ(Output(kCrash + "Hull.visual_processed"),
            ExpectedTankPart(Source(kCrash + "Hull.visual_processed"), "hull", true, true));
  EXPECT_EQ(Output(kCrash + "Gun_01.visual_processed"),
            ExpectedTankPart(Source(kCrash + "Gun_01.visual_processed"), "gun_01", false, true));
}

TEST_F(VisualCrashTest, TracksPointEveryDiffuseMapOfCrashChassisAtTheTrackTexture) {
  auto job = MakeJob<ThVisualCrashTracks>(Root("res\\packages\\vehicles.pkg", {}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->ErrorText(), "");
  EXPECT_EQ(job->FilesCount(), 1);
  std::vector<uint8_t> expected = Source(kCrash + "Chassis.visual_processed");
  test::ExpectReplace(expected, "diffuseMap" + kVehicle + "R11_chassis_01_AM.dds",
                      "diffuseMapvehicles/track_crash.dds");
  EXPECT_EQ(Output(kCrash + "Chassis.visual_processed"), expected);
  EXPECT_FALSE(OutputExists(kCrash + "Hull.visual_processed"));
}

TEST_F(VisualCrashTest, PackageWithoutWantedEntriesWritesNothing) {
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {"Missing\\"}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->ErrorText(), "");
  EXPECT_EQ(job->FilesCount(), 0);
  EXPECT_FALSE(DirectoryExists(out_));
}

TEST_F(VisualCrashTest, LogReachesTheSinkInOnePieceAtDestruction) {
  std::vector<std::string> lines;
  auto job = MakeJob<ThVisualCrashTracks>(Root("res\\packages\\vehicles.pkg", {}),
                                          [&](const std::string& l) { lines.push_back(l); });
  test::RunToEnd(*job, queue_);
  EXPECT_TRUE(lines.empty());
  job.reset();
  ASSERT_EQ(lines.size(), 1u);
  const std::string client = dir_.ProgramPath() + "client\\";
  const std::string entry = "vehicles\\russian\\R11_MS-1\\crash\\lod0\\Chassis.visual_processed";
  EXPECT_EQ(lines[0], "Open \t" + client + "res\\packages\\vehicles.pkg\r\nRead \t" + entry +
                          "\r\nWrite \t" + out_ + entry);
}

TEST_F(VisualCrashTest, WithoutSinkNoLogTextIsCollected) {
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->FilesCount(), 4);
  EXPECT_EQ(job->LogText(), "");
}

TEST_F(VisualCrashTest, SaveFailureRecordsTheOutputFileAndStopsTheWalk) {
  test::WriteText(dir_.Native("blocker"), "a file where the output folder should be");
  out_ = dir_.ProgramPath() + "blocker\\";
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->FilesCount(), 1);
  const std::string prefix = "Pkg: res\\packages\\vehicles.pkg\r\nFile: " + out_ + "vehicles\\";
  EXPECT_EQ(job->ErrorText().substr(0, prefix.size()), prefix);
  EXPECT_NE(job->ErrorText().find("\r\nType: I/O\r\nMessage: Unable to save file!"),
            std::string::npos);
}

TEST_F(VisualCrashTest, BrokenPackageGivesTheExceptionRecordAndClosesIt) {
  test::WriteText(dir_.Native("client/res/packages/broken.pkg"), "PK this is not a zip file");
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\broken.pkg", {}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->FilesCount(), 0);
  const std::string prefix = "Pkg: res\\packages\\broken.pkg\r\nFile: None\r\nType: ";
  EXPECT_EQ(job->ErrorText().substr(0, prefix.size()), prefix);
  EXPECT_NE(job->ErrorText().find("\r\nMessage: "), std::string::npos);
  EXPECT_EQ(test::OpenDescriptorsTo(dir_.Native("client/res/packages/broken.pkg")), 0);
}

TEST_F(VisualCrashTest, MalformedModelGivesARangeErrorAndClosesThePackage) {
  // "diffuseMap" at the very start: its length byte would lie before the file.
  test::RunFixture(
      "cf.write_package(sys.argv[1], [('v/crash/Hull.visual', b'diffuseMapvehicles/x.dds' + "
      "bytes(40))])\n",
      {dir_.Native("client/bad.pkg")});
  auto job = MakeJob<ThVisualCrashTanks>(Root("bad.pkg", {}));
  test::RunToEnd(*job, queue_);
  const std::string prefix =
      "Pkg: bad.pkg\r\nFile: v\\crash\\Hull.visual\r\nType: ERangeError\r\nMessage: ";
  EXPECT_EQ(job->ErrorText().rfind(prefix, 0), 0u) << job->ErrorText();
  EXPECT_EQ(job->FilesCount(), 0);
  EXPECT_EQ(test::OpenDescriptorsTo(dir_.Native("client/bad.pkg")), 0);
}

TEST_F(VisualCrashTest, UnsafeEntryNamesAreNeverJoinedToTheOutputFolder) {
  test::RunFixture(
      "v = cf.crash_tank_visual('R11_MS-1', 'Hull')\n"
      "cf.write_package(sys.argv[1], [('../escape/crash/Hull.visual_processed', v),\n"
      "                               ('/abs/crash/Hull.visual_processed', v),\n"
      "                               ('ok/crash/Hull.visual_processed', v)], folders=False)\n",
      {dir_.Native("client/evil.pkg")});
  auto job = MakeJob<ThVisualCrashTanks>(Root("evil.pkg", {}));
  test::RunToEnd(*job, queue_);
  EXPECT_EQ(job->ErrorText(), "");
  EXPECT_EQ(job->FilesCount(), 1);
  EXPECT_TRUE(OutputExists("ok/crash/Hull.visual_processed"));
  EXPECT_FALSE(PathExists(dir_.ProgramPath() + "escape"));
  EXPECT_FALSE(PathExists(out_ + "abs"));
}

TEST_F(VisualCrashTest, SeveralWorkersRunAtOnceAndEachWritesItsOwnFiles) {
  std::vector<std::unique_ptr<ThVisualScan>> jobs;
  jobs.push_back(MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {"R11"})));
  jobs.push_back(MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {"R04"})));
  jobs.push_back(MakeJob<ThVisualCrashTracks>(Root("res\\packages\\vehicles.pkg", {})));
  for (auto& job : jobs) job->Start();
  // Destroying running jobs serves the queue until they end.
  std::vector<int32_t> counts;
  for (auto& job : jobs) {
    while (!job->WaitFor(10)) queue_.CheckSynchronize();
    counts.push_back(job->FilesCount());
  }
  EXPECT_EQ(counts, (std::vector<int32_t>{3, 1, 1}));
  EXPECT_TRUE(OutputExists("vehicles/russian/R04_T-34/crash/lod0/Hull.visual_processed"));
}

TEST_F(VisualCrashTest, DestroyingARunningJobServesTheQueueUntilItEnds) {
  auto job = MakeJob<ThVisualCrashTanks>(Root("res\\packages\\vehicles.pkg", {}));
  job->Start();
  job.reset();
  EXPECT_TRUE(OutputExists(kCrash + "Hull.visual_processed"));
}

}  // namespace
}  // namespace pallograph
