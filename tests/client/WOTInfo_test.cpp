#include "client/WOTInfo.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::TTempDir;
namespace fs = std::filesystem;

constexpr char kVersionXml[] =
    "<version.xml>\n\t<appname>WoT</appname>\n\t<version> v.2.4.0.2 #966 </version>\n"
    "\t<meta>\t<realm> EU </realm>\t</meta>\n</version.xml>\n";

constexpr char kPathsXml[] =
    "<root><Paths><Path cacheSubdirs=\"true\">./res_mods/2.4.0.2</Path>"
    "<Path mask=\"*.wotmod\" mode=\"recursive\" root=\"res\">./mods/2.4.0.2</Path><Packages>"
    "<Package type=\"sd,hd\">./res/packages/shared_content-part1.pkg</Package>"
    "<Package type=\"hd\">./res/packages/shared_content_hd-part1.pkg</Package>"
    "<Package type=\"sd,hd\">./res/packages/02_malinovka.pkg</Package>"
    "<Package type=\"hd\">./res/packages/02_malinovka_hd.pkg</Package>"
    "<Package type=\"sd,hd\">./res/packages/vehicles_level_05-part1.pkg</Package>"
    "<Package type=\"hd\">./res/packages/vehicles_level_05_hd-part1.pkg</Package>"
    "</Packages><Path>./res</Path></Paths></root>\n";

// A client folder built file by file in a temporary folder.
class TClient {
 public:
  // Writes a file below the client folder (native relative path), creating its folders.
  void Put(const std::string& relative, const std::string& content = "x") {
    const fs::path path = dir_.Native(relative);
    fs::create_directories(path.parent_path());
    test::WriteText(path.string(), content);
  }
  void Folder(const std::string& relative) { fs::create_directories(dir_.Native(relative)); }
  // The program path of the client folder (with '\') or of something inside it.
  std::string Program(const std::string& relative = "") const {
    return dir_.ProgramPath() + SlashesToBackslashes(relative);
  }
  std::string Native(const std::string& relative) const { return dir_.Native(relative); }

  // The usual current client: stub in the folder, 64-bit executable, text files, packages.
  void MakeCurrent() {
    Put("WorldOfTanks.exe", "stub");
    Put("win64/WorldOfTanks.exe", "win64 build");
    Put("version.xml", kVersionXml);
    Put("paths.xml", kPathsXml);
    Put("game_info.xml", "<protocol name=\"game_info\"/>");
    for (const char* name :
         {"shared_content-part1.pkg", "shared_content_hd-part1.pkg", "02_malinovka.pkg",
          "02_malinovka_hd.pkg", "vehicles_level_05-part1.pkg", "vehicles_level_05_hd-part1.pkg",
          "scripts.pkg"}) {
      Put(std::string("res/packages/") + name, "not a zip at all");
    }
  }

 private:
  TTempDir dir_;
};

RWOTInfo Analyse(const std::string& path) {
  RWOTInfo info;
  info.Version = "stale";
  info.Packages = {"stale"};
  ReadWOTInfo(path, info);
  return info;
}

TEST(ReadWOTInfoTest, CurrentClientWithWin64Executable) {
  TClient client;
  client.MakeCurrent();
  const std::string p = client.Program();
  const RWOTInfo info = Analyse(p);

  EXPECT_FALSE(info.Error);
  EXPECT_EQ(info.Path, p);
  EXPECT_EQ(info.PathNoSlash, p.substr(0, p.size() - 1));
  EXPECT_EQ(info.ExeFile, p + "WorldOfTanks.exe");
  EXPECT_FALSE(info.SingleFolder);
  EXPECT_EQ(info.Win32Exe, p + "win32\\WorldOfTanks.exe");
  EXPECT_EQ(info.Win64Exe, p + "win64\\WorldOfTanks.exe");
  EXPECT_EQ(info.Win32Path, "");
  EXPECT_EQ(info.Win64Path, p + "win64\\");
  EXPECT_EQ(info.RunExe, p + "win64\\WorldOfTanks.exe");
  EXPECT_EQ(info.ExeSize, 11);  // the win64 executable, not the stub
  EXPECT_EQ(info.ExeVersion, "");

  EXPECT_EQ(info.VersionRaw, " v.2.4.0.2 #966 ");
  EXPECT_EQ(info.VersionText, "v.2.4.0.2 build 966");
  EXPECT_EQ(info.Version, "2.4.0.2");
  EXPECT_EQ(info.Build, "966");
  EXPECT_FALSE(info.CommonTest);

  EXPECT_EQ(info.ResModsDir, p + "res_mods\\2.4.0.2");
  EXPECT_EQ(info.ResModsPath, p + "res_mods\\2.4.0.2\\");
  EXPECT_EQ(info.ModsDir, p + "mods\\2.4.0.2");
  EXPECT_EQ(info.ModsPath, p + "mods\\2.4.0.2\\");

  EXPECT_EQ(info.PathsFile, p + "paths.xml");
  EXPECT_EQ(info.VersionFile, p + "version.xml");
  EXPECT_EQ(info.AppTypeFile, p + "app_type.xml");
  EXPECT_EQ(info.PythonLog, p + "python.log");
  EXPECT_EQ(info.ReplaysPath, p + "replays\\");
  EXPECT_EQ(info.XvmConfig, p + "res_mods\\configs\\xvm\\xvm.xc");
  EXPECT_EQ(info.XvmConfigSample, p + "res_mods\\configs\\xvm\\xvm.xc.sample");
  EXPECT_EQ(info.SevenZipFile, "");
  EXPECT_TRUE(info.HasGameInfo);
  EXPECT_EQ(info.GameInfoFile, p + "game_info.xml");
  EXPECT_FALSE(info.HasLauncher);
  EXPECT_EQ(info.LauncherFile, "");
  EXPECT_EQ(info.GameCenterExe, "");

  // scripts.pkg is not in paths.xml; HD packages stay out of Packages.
  const std::string pkg = p + "res\\packages\\";
  EXPECT_EQ(info.Packages,
            (std::vector<std::string>{pkg + "02_malinovka.pkg", pkg + "shared_content-part1.pkg",
                                      pkg + "vehicles_level_05-part1.pkg"}));
  EXPECT_EQ(info.MapPackages, (std::vector<std::string>{pkg + "02_malinovka.pkg"}));
  EXPECT_EQ(info.MapAndSharedPackages,
            (std::vector<std::string>{pkg + "02_malinovka.pkg", pkg + "02_malinovka_hd.pkg",
                                      pkg + "shared_content-part1.pkg",
                                      pkg + "shared_content_hd-part1.pkg"}));
  EXPECT_TRUE(info.HasHD);
}

TEST(ReadWOTInfoTest, ExecutableVersionComesFromTheRunningBuild) {
  TClient client;
  client.MakeCurrent();
  client.Put("win32/WorldOfTanks.exe", "");
  test::RunPythonScript("tests/client/make_pe.py",
                        {client.Native("win32/WorldOfTanks.exe"), "1.10.0.4"});
  const RWOTInfo info = Analyse(client.Program());
  // Both present: the 32-bit one runs and gives version and size.
  EXPECT_EQ(info.RunExe, client.Program("win32\\WorldOfTanks.exe"));
  EXPECT_EQ(info.Win32Path, client.Program("win32\\"));
  EXPECT_EQ(info.Win64Path, client.Program("win64\\"));
  EXPECT_EQ(info.ExeVersion, "1.10.0.4");
  EXPECT_EQ(info.ExeSize,
            static_cast<int32_t>(fs::file_size(client.Native("win32/WorldOfTanks.exe"))));
}

TEST(ReadWOTInfoTest, SingleFolderClientRunsItsOwnExecutable) {
  TClient client;
  client.Put("WorldOfTanks.exe", "");
  test::RunPythonScript("tests/client/make_pe.py",
                        {client.Native("WorldOfTanks.exe"), "0.9.15.1", "--pe32"});
  client.Put("version.xml", "<version.xml><version>v.0.9.15.0.1 #44</version></version.xml>");
  client.Put("res/packages/shared_content.pkg");
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_TRUE(info.SingleFolder);
  EXPECT_EQ(info.RunExe, info.ExeFile);
  EXPECT_EQ(info.Win32Exe, "");
  EXPECT_EQ(info.Win64Exe, "");
  EXPECT_EQ(info.ExeVersion, "0.9.15.1");
  EXPECT_EQ(info.Version, "0.9.15.0.1");
  EXPECT_EQ(info.Build, "44");
  // Without paths.xml: no version folders, and every package counts.
  EXPECT_EQ(info.ResModsDir, "");
  EXPECT_EQ(info.ResModsPath, "");
  EXPECT_EQ(info.ModsPath, "");
  EXPECT_EQ(info.Packages.size(), 1u);
  EXPECT_EQ(info.MapAndSharedPackages.size(), 1u);
  EXPECT_FALSE(info.HasHD);
}

TEST(ReadWOTInfoTest, BitnessFolderWithoutExecutableLeavesNothingToRun) {
  TClient client;
  client.Put("WorldOfTanks.exe");
  client.Folder("win64");
  client.Put("version.xml", kVersionXml);
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_FALSE(info.Error);
  EXPECT_EQ(info.Path, client.Program());
  EXPECT_EQ(info.ExeFile, "");
  EXPECT_EQ(info.RunExe, "");
  EXPECT_EQ(info.Version, "");  // the analysis stops before the client's files
}

TEST(ReadWOTInfoTest, EveryWayOfNamingTheClientFindsTheSameFolder) {
  TClient client;
  client.MakeCurrent();
  client.Put("win32/WorldOfTanks.exe");
  for (const std::string& given :
       {client.Program(), client.Program().substr(0, client.Program().size() - 1),
        client.Program("WorldOfTanks.exe"), client.Program("win64"), client.Program("win64\\"),
        client.Program("win64\\WorldOfTanks.exe"), client.Program("win32\\WorldOfTanks.exe"),
        client.Program("win64\\other.exe")}) {
    const RWOTInfo info = Analyse(given);
    EXPECT_EQ(info.Path, client.Program()) << given;
    EXPECT_EQ(info.Packages.size(), 3u) << given;
  }
}

TEST(ReadWOTInfoTest, PathsThatLeadNowhereGiveAClearedRecord) {
  TClient client;
  client.MakeCurrent();
  client.Put("other/readme.txt");
  for (const std::string& given : {client.Program("WorldOfTanks.EXE"), client.Program("missing"),
                                   client.Program("missing\\WorldOfTanks.exe"),
                                   client.Program("other"), client.Program("version.xml")}) {
    const RWOTInfo info = Analyse(given);
    EXPECT_FALSE(info.Error) << given;
    EXPECT_EQ(info.Path, "") << given;
    EXPECT_EQ(info.RunExe, "") << given;
    EXPECT_TRUE(info.Packages.empty()) << given;
    EXPECT_EQ(info.Version, "") << given;
  }
  // Off Windows the registry holds no client.
  EXPECT_EQ(Analyse("").Path, "");
}

TEST(ReadWOTInfoTest, BigLauncherHidesGameInfo) {
  TClient client;
  client.MakeCurrent();
  client.Put("WoTLauncher.exe", std::string(1000000, 'L'));
  RWOTInfo info = Analyse(client.Program());
  EXPECT_TRUE(info.HasLauncher);
  EXPECT_EQ(info.LauncherFile, client.Program("WoTLauncher.exe"));
  EXPECT_FALSE(info.HasGameInfo);
  EXPECT_EQ(info.GameInfoFile, "");

  client.Put("WoTLauncher.exe", std::string(999999, 'L'));
  info = Analyse(client.Program());
  EXPECT_TRUE(info.HasLauncher);
  EXPECT_TRUE(info.HasGameInfo);
}

TEST(ReadWOTInfoTest, CommonTestClient) {
  TClient client;
  client.MakeCurrent();
  client.Put("version.xml", "<version.xml><version>\tv.2.4.0.0 Common Test #927\t</version>");
  client.Put("paths.xml",
             "<Paths><Path>./res_mods/2.4.1.0 Common Test </Path>"
             "<Path>./mods/2.4.1.0 Common Test</Path></Paths>");
  client.Put("7z.dll", "module");
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_TRUE(info.CommonTest);
  EXPECT_EQ(info.Version, "2.4.0.0");
  EXPECT_EQ(info.Build, "927");
  EXPECT_EQ(info.VersionText, "v.2.4.0.0 Common Test build 927");
  EXPECT_EQ(info.ModsPath, client.Program("mods\\2.4.1.0 Common Test\\"));
  EXPECT_EQ(info.ResModsPath, client.Program("res_mods\\2.4.1.0 Common Test\\"));
  EXPECT_EQ(info.SevenZipFile, client.Program("7z.dll"));
  // This paths.xml lists no package.
  EXPECT_TRUE(info.Packages.empty());
}

TEST(ReadWOTInfoTest, PathsXmlWithoutVersionFoldersNamesTheBareFolders) {
  TClient client;
  client.MakeCurrent();
  client.Put("paths.xml", "<root/>");
  RWOTInfo info = Analyse(client.Program());
  EXPECT_EQ(info.ResModsDir, client.Program("res_mods\\"));
  EXPECT_EQ(info.ResModsPath, client.Program("res_mods\\"));
  EXPECT_EQ(info.ModsPath, client.Program("mods\\"));

  client.Put("paths.xml", "");
  info = Analyse(client.Program());
  EXPECT_EQ(info.ModsPath, "");
  EXPECT_EQ(info.Packages.size(), 4u);  // an empty paths.xml lets every package count
}

TEST(ReadWOTInfoTest, PackageNamesDecideTheLists) {
  TClient client;
  client.MakeCurrent();
  client.Put("paths.xml", "");
  client.Put("res/packages/101_dday.PKG");
  client.Put("res/packages/gui-part1.pkg");
  client.Put("res/packages/readme.txt");
  client.Put("res/packages/misc.pkg.bak");
  client.Put("res/packages/shared_content_sandbox_hd-part2.pkg");
  client.Folder("res/packages/folder.pkg");
  const RWOTInfo info = Analyse(client.Program());
  const std::string pkg = client.Program("res\\packages\\");
  EXPECT_EQ(info.Packages, (std::vector<std::string>{pkg + "02_malinovka.pkg", pkg + "101_dday.PKG",
                                                     pkg + "gui-part1.pkg", pkg + "scripts.pkg",
                                                     pkg + "shared_content-part1.pkg",
                                                     pkg + "vehicles_level_05-part1.pkg"}));
  EXPECT_EQ(info.MapPackages,
            (std::vector<std::string>{pkg + "02_malinovka.pkg", pkg + "101_dday.PKG"}));
  EXPECT_EQ(info.MapAndSharedPackages,
            (std::vector<std::string>{pkg + "02_malinovka.pkg", pkg + "02_malinovka_hd.pkg",
                                      pkg + "101_dday.PKG", pkg + "shared_content-part1.pkg",
                                      pkg + "shared_content_hd-part1.pkg",
                                      pkg + "shared_content_sandbox_hd-part2.pkg"}));
}

TEST(ReadWOTInfoTest, ClientWithoutPackagesHasEmptyLists) {
  TClient client;
  client.Put("WorldOfTanks.exe");
  client.Put("win64/WorldOfTanks.exe");
  client.Put("version.xml", kVersionXml);
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_FALSE(info.Error);
  EXPECT_FALSE(info.RunExe.empty());
  EXPECT_TRUE(info.Packages.empty());
  EXPECT_FALSE(info.HasHD);
}

TEST(ReadWOTInfoTest, BadClientFilesDoNotStopTheAnalysis) {
  TClient client;
  client.MakeCurrent();
  client.Put("win64/WorldOfTanks.exe", "");                          // 0-byte executable
  client.Put("version.xml", "<version.xml><realm/></version.xml>");  // no <version>
  fs::remove(client.Native("paths.xml"));
  client.Folder("paths.xml");  // a folder where the file should be: as if missing
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_FALSE(info.Error);
  EXPECT_EQ(info.ExeSize, 0);
  EXPECT_EQ(info.ExeVersion, "");
  EXPECT_EQ(info.VersionRaw, "");
  EXPECT_EQ(info.Version, "");
  EXPECT_EQ(info.ModsPath, "");
  EXPECT_EQ(info.Packages.size(), 4u);
}

TEST(ReadWOTInfoTest, UnreadablePathsXmlSetsError) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
  TClient client;
  client.MakeCurrent();
  fs::permissions(client.Native("paths.xml"), fs::perms::none);
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_TRUE(info.Error);
  EXPECT_EQ(info.Version, "2.4.0.2");  // read before paths.xml
  EXPECT_TRUE(info.Packages.empty());
}

TEST(ReadWOTInfoTest, ExecutableOf2GiBSetsError) {
  TClient client;
  client.MakeCurrent();
  fs::resize_file(client.Native("win64/WorldOfTanks.exe"), int64_t{3} << 30);  // sparse
  const RWOTInfo info = Analyse(client.Program());
  EXPECT_TRUE(info.Error);
  EXPECT_EQ(info.RunExe, client.Program("win64\\WorldOfTanks.exe"));
  EXPECT_EQ(info.VersionFile, "");  // the analysis ended at the executable
}

// The preferences file lives in the user's application-data folder (XDG_CONFIG_HOME here).
TEST(ReadWOTInfoTest, PreferencesFileIsFoundInTheUsersData) {
  TClient client;
  client.MakeCurrent();
  TTempDir home;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
  fs::create_directories(home.Native("wargaming.net/WorldOfTanks"));

  EXPECT_EQ(Analyse(client.Program()).PreferencesFile, "");
  test::WriteText(home.Native("wargaming.net/WorldOfTanks/preferences.xml"), "<root/>");
  EXPECT_EQ(Analyse(client.Program()).PreferencesFile,
            FromNativePath(home.Native("wargaming.net/WorldOfTanks/preferences.xml")));
  client.Put("version.xml", "<version> v.2.4.0.0 Common Test #927 </version>");
  EXPECT_EQ(Analyse(client.Program()).PreferencesFile, "");
  test::WriteText(home.Native("wargaming.net/WorldOfTanks/preferences_ct.xml"), "<root/>");
  EXPECT_EQ(Analyse(client.Program()).PreferencesFile,
            FromNativePath(home.Native("wargaming.net/WorldOfTanks/preferences_ct.xml")));

  if (old) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace pallograph
