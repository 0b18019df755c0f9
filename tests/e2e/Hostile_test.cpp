// Hostile and unlucky input end to end: links in the output folder, names that climb out of it,
// markup in meta texts, leftovers of killed runs, quotes in paths, two runs on one folder, damaged
// and foreign packages.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "e2e/E2ESupport.h"
#include "platform/NativePath.h"
#include "platform/OwnerLock.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

constexpr const char* kGuid = "{0BADC0DE-1234-4321-8765-0123456789AB}";

class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_ = fixture_.MakeClient();
    mods_ = TE2EFixture::ModsFolder(client_);
    temp_ = fixture_.Folder() + "/tmp";
    fs::create_directories(temp_);
  }
  TProcessResult Run(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), "--wot-path=" + client_);
    args.push_back("--auto-close-console");
    std::vector<std::string> all_env{"TMPDIR=" + temp_};
    all_env.insert(all_env.end(), env.begin(), env.end());
    return fixture_.Run(args, "\n", true, all_env);
  }
  // Every file of the fixture's folder outside the client's and the program's folders.
  std::vector<std::string> FilesOutside() const {
    std::vector<std::string> files;
    for (const std::string& name : ListTree(fixture_.Folder())) {
      if (name.rfind("client/", 0) != 0 && name.rfind("bin/", 0) != 0) files.push_back(name);
    }
    return files;
  }

  TE2EFixture fixture_;
  std::string client_;
  std::string mods_;
  std::string temp_;
};

TEST_F(HostileTest, RemoveWotmodNeverFollowsLinks) {
  const std::string elsewhere = fixture_.Folder() + "/elsewhere";
  WriteText(elsewhere + "/mod.Pallograph.AllMods_1.wotmod", "not ours to delete");
  fs::create_directory_symlink(elsewhere, mods_ + "/linked");
  WriteText(mods_ + "/old/mod.Pallograph.Camouflages_1.wotmod", "earlier run");
  const TProcessResult r = Run({"--CAMO-mod=30", "--remove-wotmod"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "  > Search and delete old wotmod-files... OK (1 file)")) << r.Out;
  EXPECT_EQ(ReadText(elsewhere + "/mod.Pallograph.AllMods_1.wotmod"), "not ours to delete");
  EXPECT_TRUE(fs::is_symlink(mods_ + "/linked"));
  // The emptied folder stays: folders belong to the user.
  EXPECT_TRUE(fs::is_directory(mods_ + "/old"));
}

TEST_F(HostileTest, NamesThatCannotWorkAreRefusedBeforeTheFirstStage) {
  // The packer's temporary name adds 50 bytes: 206 pass 255, 205 do not.
  const std::string long_name(206, 'n');
  struct TCase {
    std::vector<std::string> Args;
    int Code;
    std::string Cause;
  };
  const std::vector<TCase> cases = {
      {{"--MEM-mod=FFFFFF", "--MEM-wotmod-name=../../../../x"},
       16033,
       "Package name refused (it may hold no folder, drive or \"..\"): "
       "--MEM-wotmod-name=../../../../x; nothing was built"},
      {{"--CAMO-mod=30", "--subfolder-wotmod", "--subfolder-wotmod-name=../../x"},
       16063,
       "Sub-folder name refused"},
      {{"--CAMO-mod=30", "--allinone-wotmod", "--allinone-wotmod-name=C:evil"},
       16093,
       "Package name refused (it may hold no folder, drive or \"..\"): "
       "--allinone-wotmod-name=C:evil"},
      {{"--MEM-mod=FFFFFF", "--CAMO-mod=30", "--CAMO-wotmod-name=" + long_name},
       16063,
       "Package name refused (its file name would pass 255 bytes): --CAMO-wotmod-name=" +
           long_name},
      {{"--CAMO-mod=30", "--subfolder-wotmod", "--subfolder-wotmod-name=" + std::string(256, 's')},
       16063,
       "Sub-folder name refused (it passes 255 bytes)"},
  };
  for (TCase c : cases) {
    for (const bool dry : {false, true}) {
      if (dry) c.Args.push_back("--dry-run");
      const TProcessResult r = Run(c.Args);
      EXPECT_EQ(r.ExitCode, PosixExit(c.Code)) << c.Args[1] << r.Out;
      EXPECT_FALSE(Contains(r.Out, "Processing")) << c.Args[1] << r.Out;
      EXPECT_TRUE(Contains(r.Err, "Pallograph: " + c.Cause)) << r.Err;
      EXPECT_TRUE(FilesOutside().empty());
      EXPECT_TRUE(ListTree(mods_).empty());
    }
  }
  // A plain name, one just short enough and a sub-folder given with a trailing separator work.
  TProcessResult r = Run({"--CAMO-mod=30", "--CAMO-wotmod-name=my camo", "--subfolder-wotmod",
                          "--subfolder-wotmod-name=Mine/"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_EQ(ListTree(mods_), std::vector<std::string>{"Mine/my camo.wotmod"});
  r = Run({"--CAMO-mod=30", "--CAMO-wotmod-name=" + long_name.substr(1)});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_EQ(ListTree(mods_).size(), 2u);
}

TEST_F(HostileTest, MetaTextsWithMarkupGiveWellFormedXml) {
  const TProcessResult r =
      Run({"--CAMO-mod=30", "--CAMO-wotmod-meta=a&b|<1>|\"n\" & 'm'|x</description><y>"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  const std::vector<std::string> packages = ListTree(mods_);
  ASSERT_EQ(packages.size(), 1u);
  const TProcessResult parsed = RunPythonCode(
      "import sys, zipfile, xml.etree.ElementTree as ET\n"
      "root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('meta.xml'))\n"
      "print('|'.join(root.find(t).text for t in ('id', 'version', 'name', 'description')))\n",
      {mods_ + "/" + packages.front()});
  EXPECT_EQ(parsed.ExitCode, 0) << parsed.Err;
  EXPECT_EQ(parsed.Out, "a&b|<1>|\"n\" & 'm'|x</description><y>\n");
}

TEST_F(HostileTest, LeftoversOfKilledRunsAreRemovedAndLogged) {
  // A killed run's temporary package, a killed run's temporary folder with its released owner
  // mark, and a folder of a run that still lives (its mark held by this test).
  WriteText(mods_ + "/mod.Pallograph.AllMods_1.wotmod." + std::string(kGuid) + ".tmp", "partial");
  WriteText(mods_ + "/sub/x.wotmod." + std::string(kGuid) + ".tmp", "partial");
  WriteText(mods_ + "/notes." + std::string(kGuid) + ".tmp", "someone else's");
  WriteText(temp_ + "/" + kGuid + "/res/x.dds", "stale");
  WriteText(temp_ + "/" + kGuid + ".pallograph", "4242\n");
  const std::string live = "{11111111-2222-4333-8444-555555555555}";
  WriteText(temp_ + "/" + live + "/res/y.dds", "in use");
  std::unique_ptr<TOwnerLock> held;
  ASSERT_EQ(TOwnerLock::Take(FromNativePath(temp_ + "/" + live + ".pallograph"), held),
            TOwnerLock::TState::Taken);
  WriteText(temp_ + "/{99999999-2222-4333-8444-555555555555}/other.txt", "no mark: not ours");
  // An earlier package that a killed run with --remove-wotmod had moved aside.
  const std::string earlier = mods_ + "/old/mod.Pallograph.Camouflages_1.wotmod";
  WriteText(earlier + "." + kGuid + ".old", "earlier");

  const TProcessResult r = Run({"--CAMO-mod=30", "--log"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_FALSE(
      fs::exists(mods_ + "/mod.Pallograph.AllMods_1.wotmod." + std::string(kGuid) + ".tmp"));
  EXPECT_FALSE(fs::exists(mods_ + "/sub/x.wotmod." + std::string(kGuid) + ".tmp"));
  EXPECT_TRUE(fs::exists(mods_ + "/notes." + std::string(kGuid) + ".tmp"));
  EXPECT_FALSE(fs::exists(temp_ + "/" + kGuid));
  EXPECT_FALSE(fs::exists(temp_ + "/" + kGuid + ".pallograph"));
  EXPECT_TRUE(fs::exists(temp_ + "/" + live + "/res/y.dds"));
  EXPECT_TRUE(fs::exists(temp_ + "/{99999999-2222-4333-8444-555555555555}/other.txt"));
  const std::string log = ReadText(fixture_.LogFile());
  EXPECT_TRUE(Contains(log, "Removed stale temporary package: ")) << log;
  EXPECT_TRUE(Contains(log, "Removed stale temporary folder: ")) << log;
  EXPECT_EQ(ReadText(earlier), "earlier");
  EXPECT_TRUE(Contains(log, "Put back earlier package of a killed run: " + earlier + "\n")) << log;
  // Paths in the log have the system's form, also the config files'.
  EXPECT_EQ(CountOf(log, "Parse Config File (Version: "), 1u) << log;
  EXPECT_TRUE(Contains(log, "File: " + fixture_.ProgramFolder() + "/Camouflage.cfg)\n")) << log;
  // The run's own lock and mark are gone with it.
  EXPECT_FALSE(fs::exists(mods_ + "/Pallograph.lock"));
  size_t marks = 0;
  for (const auto& entry : fs::directory_iterator(temp_)) {
    marks += entry.path().extension() == ".pallograph";
  }
  EXPECT_EQ(marks, 1u);  // the live one
}

TEST_F(HostileTest, FolderValueWithBothQuoteKindsArrivesWhole) {
  const std::string out = fixture_.Folder() + "/it's \"x\"/out";
  const TProcessResult r = Run({"--CAMO-mod=30", "--mods-path=" + out});
  ASSERT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_EQ(ListTree(out).size(), 1u);
  EXPECT_FALSE(fs::exists(fixture_.Folder() + "/it's "));
}

TEST_F(HostileTest, SecondRunOnTheSameFolderWaitsOrEndsWithAMessage) {
  std::unique_ptr<TOwnerLock> other;
  fs::create_directories(mods_);
  ASSERT_EQ(TOwnerLock::Take(FromNativePath(mods_ + "/Pallograph.lock"), other),
            TOwnerLock::TState::Taken);
  TProcessResult r = Run({"--CAMO-mod=30"}, {"PALLOGRAPH_LOCK_WAIT=1"});
  EXPECT_EQ(r.ExitCode, PosixExit(16010)) << r.Out;
  EXPECT_TRUE(Contains(r.Out,
                       "  > Waiting for another run of the program on the same folder... "
                       "Busy!\n"))
      << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Pallograph: another run of the program is writing to " + mods_))
      << r.Err;
  EXPECT_TRUE(ListTree(mods_) == std::vector<std::string>{"Pallograph.lock"});

  // The other run ends while this one waits: this one goes on.
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    other.reset();
  });
  r = Run({"--CAMO-mod=30"}, {"PALLOGRAPH_LOCK_WAIT=30"});
  release.join();
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "same folder... OK")) << r.Out;
  EXPECT_EQ(ListTree(mods_).size(), 1u);

  // A lock file whose owner is gone is taken over at once; a wait that is no number is said once.
  WriteText(mods_ + "/Pallograph.lock", "12345\n");
  r = Run({"--CAMO-mod=30"}, {"PALLOGRAPH_LOCK_WAIT=soon"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_FALSE(Contains(r.Out, "Waiting"));
  EXPECT_FALSE(fs::exists(mods_ + "/Pallograph.lock"));
  EXPECT_EQ(r.Err,
            "Pallograph: PALLOGRAPH_LOCK_WAIT=soon is not a number of seconds 0..3600: 30 are "
            "used\n");
}

TEST_F(HostileTest, DamagedSpaceBinAndForeignPackageSayWhat) {
  // One map's space.bin cut short inside its texture records; one vehicle package that is no zip.
  const TProcessResult cut = RunPythonCode(
      "import sys, zipfile\n"
      "path = sys.argv[1]\n"
      "with zipfile.ZipFile(path) as z:\n"
      "    entries = [(i, z.read(i)) for i in z.infolist()]\n"
      "with zipfile.ZipFile(path, 'w') as z:\n"
      "    for info, data in entries:\n"
      "        z.writestr(info, data[:600] if info.filename.endswith('space.bin') else data)\n",
      {client_ + "/res/packages/02_malinovka.pkg"});
  ASSERT_EQ(cut.ExitCode, 0) << cut.Err;
  WriteText(client_ + "/res/packages/vehicles_level_01.pkg", "this is a text file, not a package");

  TProcessResult r = Run({"--SpaceBin-mod=FF0000|00FF00", "--log"});
  EXPECT_EQ(r.ExitCode, PosixExit(16051)) << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Type: Damaged file\nMessage: The file is damaged: space.bin: "))
      << r.Err;
  EXPECT_FALSE(Contains(r.Err, "Unable to save file!"));
  EXPECT_TRUE(Contains(ReadText(fixture_.LogFile()), "Damaged \t"));

  r = Run({"--DPT-mod=FF0000"});
  EXPECT_EQ(r.ExitCode, PosixExit(16011)) << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Message: The file is not a zip package")) << r.Err;
  EXPECT_FALSE(Contains(r.Err, "Incorrect function."));
}

TEST_F(HostileTest, SpaceBinWithoutMapConfigsFindsNothing) {
  // SpaceBin-mod has no config code of its own: without the map configs it finds nothing.
  const std::string configs = fixture_.Folder() + "/configs";
  fs::create_directories(configs);
  const TProcessResult r = Run({"--SpaceBin-mod=FF0000|00FF00", "--configs-path=" + configs});
  EXPECT_EQ(r.ExitCode, PosixExit(16052)) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "Not found space.bin files!")) << r.Out;
}

// Configs come from the network: roots that climb out of the client folder are refused, and a
// package that several roots name is walked once (by one crash worker), in the dry run as in the
// real one.
TEST_F(HostileTest, ConfigRootsStayInTheClientAndNameEachPackageOnce) {
  const std::string outside = fixture_.Folder() + "/outside";
  fs::create_directories(outside);
  fs::copy_file(client_ + "/res/packages/vehicles_level_01.pkg",
                outside + "/vehicles_level_01.pkg");
  const std::string configs = fixture_.Folder() + "/configs";
  WriteText(configs + "/CrashTanks.cfg",
            "version = 1\n"
            "res\\packages\\vehicles_level_01.pkg\n"
            "res\\packages\\vehicles_level_0*.pkg\n"
            "res\\packages\\vehicles_level_01.pkg\n"
            "..\\outside\\vehicles_level_01.pkg\n" +
                outside + "/vehicles_level_01.pkg\n");
  std::string lines[2];
  for (const bool dry : {true, false}) {
    std::vector<std::string> args = {"--DPT-mod=FF0000", "--cpu-count=4",
                                     "--configs-path=" + configs};
    if (dry) args.push_back("--dry-run");
    const TProcessResult r = Run(args);
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    EXPECT_EQ(CountOf(r.Out, "vehicles_level_01.pkg"), 1u) << r.Out;
    EXPECT_EQ(CountOf(r.Out, "vehicles_level_02.pkg"), 1u) << r.Out;
    for (const std::string& root :
         {std::string("..\\outside\\vehicles_level_01.pkg"), outside + "/vehicles_level_01.pkg"}) {
      EXPECT_TRUE(Contains(r.Err,
                           "Pallograph: CrashTanks.cfg: root refused, a package must lie inside "
                           "the client folder: " +
                               root + "\n"))
          << r.Err;
    }
    lines[dry] = LineOf(r.Out, "vehicles_level_01.pkg") + LineOf(r.Out, "vehicles_level_02.pkg");
  }
  EXPECT_EQ(lines[true], lines[false]);
  EXPECT_EQ(Packages(mods_, "mod.Pallograph.TankCrashTextures_").size(), 1u);
}

// A wildcard that covers whole folders of the map packages takes their textures only: the dry
// run counts what the real run changes, and models, space.bin and terrain stay out.
TEST_F(HostileTest, FolderWideMapPatternsTakeTexturesOnly) {
  const TProcessResult added = RunPythonCode(
      "import sys, zipfile\n"
      "with zipfile.ZipFile(sys.argv[1], 'a') as z:\n"
      "    z.writestr('content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/"
      "hd_mle101_A05_M4_Sherman.model', b'model')\n",
      {client_ + "/res/packages/02_malinovka.pkg"});
  ASSERT_EQ(added.ExitCode, 0) << added.Err;
  const std::string configs = fixture_.Folder() + "/configs";
  WriteText(configs + "/MapTanks.cfg",
            "version = 1\n"
            "content\\MilitaryEnvironment\\\n\thd_mle101_*\\*\n"
            "spaces\\\n\t*\n");
  std::string lines[2];
  for (const bool dry : {true, false}) {
    std::vector<std::string> args = {"--MEM-mod=FFFFFF", "--configs-path=" + configs};
    if (dry) args.push_back("--dry-run");
    const TProcessResult r = Run(args);
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    for (const char* package : {"02_malinovka.pkg", "02_malinovka_hd.pkg", "101_dday.pkg"}) {
      lines[dry] += LineOf(r.Out, package) + "\n";
    }
  }
  EXPECT_EQ(lines[true], lines[false]);
  EXPECT_TRUE(Contains(lines[false], "02_malinovka.pkg                        OK (4 files)"))
      << lines[false];
  const TProcessResult entries = RunPythonCode(
      "import sys, zipfile\n"
      "names = zipfile.ZipFile(sys.argv[1]).namelist()\n"
      "print([n for n in names if not n.endswith(('/', '.dds', 'meta.xml'))])\n",
      {OnePackage(mods_, "mod.Pallograph.TankMapTextures_")});
  EXPECT_EQ(entries.Out, "[]\n") << entries.Err;
}

}  // namespace
}  // namespace pallograph::test
