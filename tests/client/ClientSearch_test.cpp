// The client search in a fake home folder: one Wine prefix of each kind, made as each tool makes
// it, with the client where that tool or its registry puts it; and broken places beside them.
#include "client/ClientSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "client/WinePrefixes.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace pallograph {
namespace {

// A registry file with one key and its values, as Wine writes it.
std::string RegistryFile(const std::string& key, const std::string& values) {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
         "#arch=win64\n\n[" +
         key + "] 1733760000\n#time=1db4a1e2f3c4d50\n" + values +
         "\"ModifyPath\"=hex(2):43,00,3a,00,5c,00,50,00,72,00,6f,00,67,00,\\\n"
         "  72,00,61,00,6d,00,00,00\n\n";
}

// "C:\Games" as a registry file holds it.
std::string Escaped(const std::string& path) {
  std::string text;
  for (const char c : path) text += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return text;
}

class ClientSearchTest : public ::testing::Test {
 protected:
  std::string Home(const std::string& relative) const { return home_.Native(relative); }
  // A client the analysis accepts: its executable, a package and version.xml with a realm.
  void MakeClient(const std::string& relative, const std::string& realm, bool win64 = false) {
    test::WriteText(Home(relative + "/WorldOfTanks.exe"), "MZ");
    if (win64) test::WriteText(Home(relative + "/win64/WorldOfTanks.exe"), "MZ");
    test::WriteText(Home(relative + "/res/packages/shared_content.pkg"), "PK");
    test::WriteText(Home(relative + "/version.xml"),
                    "<version.xml>\n\t<version> v.2.4.0.2 #966 </version>\n\t<meta>\n\t\t<realm> " +
                        realm + " </realm>\n\t</meta>\n</version.xml>\n");
  }
  void MakePrefix(const std::string& relative) {
    fs::create_directories(Home(relative + "/drive_c/windows/system32"));
  }
  RClientPlaces Places() const {
    RClientPlaces places;
    places.WinePrefixes = true;
    places.Home = ExcludeTrailingBackslash(home_.ProgramPath());
    places.DataHome = places.Home + "\\.local\\share";
    places.ConfigHome = places.Home + "\\.config";
    places.WinePrefix = places.Home + "\\custom-prefix";
    return places;
  }

  test::TTempDir home_;
};

constexpr char kUninstall[] = "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\";

TEST_F(ClientSearchTest, FindsTheClientOfEveryKindOfPrefixOnce) {
  // $WINEPREFIX: a client in the user's folder of drive_c, four levels down.
  MakePrefix("custom-prefix");
  MakeClient("custom-prefix/drive_c/users/me/Games/World_of_Tanks", "EU");
  // Wine links the user's folders of drive_c to the home folder's: not followed.
  MakeClient("Documents/World_of_Tanks", "EU");
  fs::create_symlink(Home("Documents"), Home("custom-prefix/drive_c/users/me/Documents"));
  // ~/.wine: the uninstall key names the folder in other letter cases than the disk has; the
  // walk below drive_c reaches it too.
  MakePrefix(".wine");
  MakeClient(".wine/drive_c/Games/World_of_Tanks_EU", "EU");
  test::WriteText(Home(".wine/user.reg"),
                  RegistryFile(std::string(kUninstall) + "WOT.EU.PRODUCTION",
                               "\"InstallLocation\"=\"c:\\\\games\\\\world_of_tanks_eu\"\n"));
  // Lutris: a game config's prefix (one names ~/.wine again), and ~/Games/*.
  MakePrefix("lutris/world-of-tanks");
  MakeClient("lutris/world-of-tanks/drive_c/Games/World_of_Tanks_EU", "EU");
  test::WriteText(Home(".config/lutris/games/world-of-tanks-1700000000.yml"),
                  "game:\n  exe: drive_c/Games/World_of_Tanks_EU/WorldOfTanks.exe\n  prefix: '" +
                      Home("lutris/world-of-tanks") + "'\nsystem: {}\nwine:\n  version: lutris\n");
  test::WriteText(Home(".local/share/lutris/games/again.yml"), "game:\n  prefix: ~/.wine\n");
  test::WriteText(Home(".local/share/lutris/games/nowhere.yml"), "game:\n  prefix: /nowhere\n");
  MakePrefix("Games/wot-na");
  MakeClient("Games/wot-na/drive_c/Program Files (x86)/World_of_Tanks_NA", "NA");
  // Steam: a second library that libraryfolders.vdf lists, with a Proton prefix whose machine
  // registry (32-bit view) names a client through Z:; a game in the first library's common
  // folder; ~/.steam/steam a link to the first, as Steam makes it.
  const std::string steam = ".local/share/Steam";
  const std::string library = "SteamLibrary";
  test::WriteText(
      Home(steam + "/steamapps/libraryfolders.vdf"),
      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + Home(steam) +
          "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"1407200\"\t\t\"1\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n"
          "\t\t\"path\"\t\t\"" +
          Home(library) + "\"\n\t}\n\t\"2\"\n\t{\n\t\t\"path\"\t\t\"/nowhere\"\n\t}\n}\n");
  fs::create_directories(Home(".steam"));
  fs::create_symlink(Home(steam), Home(".steam/steam"));
  MakeClient(steam + "/steamapps/common/World of Tanks", "EU");
  const std::string pfx = library + "/steamapps/compatdata/1407200/pfx";
  MakePrefix(pfx);
  MakeClient("Clients/Proton", "EU");
  test::WriteText(
      Home(pfx + "/system.reg"),
      RegistryFile("Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                   "Uninstall\\\\{1EAC1D02-C6AC-4FA6-9A44-96258C37C812eu}_is1",
                   "\"InstallLocation\"=\"" +
                       Escaped("Z:" + FromNativePath(Home("Clients/Proton"))) + "\"\n"));
  // Bottles: the replay association names the win64 executable.
  const std::string bottle = ".local/share/bottles/bottles/WoT";
  MakePrefix(bottle);
  MakeClient(bottle + "/drive_c/Games/World_of_Tanks_RU", "RU", true);
  test::WriteText(Home(bottle + "/user.reg"),
                  RegistryFile("Software\\\\Classes\\\\.wotreplay\\\\DefaultIcon",
                               "@=\"\\\"C:\\\\Games\\\\World_of_Tanks_RU\\\\win64\\\\WorldOfTanks."
                               "exe\\\",0\"\n"));
  // PortProton.
  MakePrefix("PortProton/data/prefixes/DEFAULT");
  MakeClient("PortProton/data/prefixes/DEFAULT/drive_c/Games/Tanki", "RU");

  // Broken places: registry files cut off, of binary garbage, a pipe and a path to nowhere; a
  // loop of links; a tree deeper than the walk; an unreadable folder; a client too deep.
  MakePrefix("Games/broken");
  test::WriteText(Home("Games/broken/system.reg"),
                  RegistryFile(std::string(kUninstall) + "WOT.RU.PRODUCTION",
                               "\"InstallLocation\"=\"C:\\\\nowhere\"\n")
                      .substr(0, 150));
  std::string garbage = "WINE REGISTRY Version 2\n[";
  for (int i = 0; i < 10000; ++i) garbage += static_cast<char>((i * 131) % 256);
  test::WriteText(Home("Games/broken/user.reg"), garbage);
  MakePrefix("Games/piped");
  ASSERT_EQ(mkfifo(Home("Games/piped/system.reg").c_str(), 0600), 0);
  test::WriteText(Home("Games/piped/user.reg"),
                  RegistryFile(std::string(kUninstall) + "WOT.NA.PRODUCTION",
                               "\"InstallLocation\"=\"D:\\\\World_of_Tanks\"\n"));
  fs::create_symlink(Home("Games/loop"), Home("Games/loop"));
  fs::create_symlink(Home("Games/broken/drive_c"), Home("Games/broken/drive_c/again"));
  std::string deep = "Games/broken/drive_c";
  for (int i = 0; i < 40; ++i) deep += "/d";
  fs::create_directories(Home(deep));
  MakeClient("Games/broken/drive_c/a/b/c/d/too_deep", "EU");
  MakePrefix("Games/locked");
  MakeClient("Games/locked/drive_c/Games/hidden", "EU");
  fs::permissions(Home("Games/locked/drive_c"), fs::perms::none);

  const auto start = std::chrono::steady_clock::now();
  const RClientSearch search = SearchClients(Places(), nullptr);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  fs::permissions(Home("Games/locked/drive_c"), fs::perms::owner_all);
  EXPECT_LT(seconds.count(), 5.0);

  const std::string home = home_.Path();
  std::vector<std::pair<std::string, std::string>> found;
  for (const RFoundClient& client : search.Clients) {
    EXPECT_EQ(client.Version, "v.2.4.0.2 build 966") << client.Path;
    found.emplace_back(ToNativePath(client.Path).substr(home.size()),
                       client.Realm + ", " + client.Where);
  }
  // The locked prefix's client only where the tests run as root, who may read anything.
  std::vector<std::pair<std::string, std::string>> expected = {
      {"/custom-prefix/drive_c/users/me/Games/World_of_Tanks/",
       "EU, the Wine prefix ~/custom-prefix"},
      {"/.wine/drive_c/Games/World_of_Tanks_EU/", "EU, the Wine prefix ~/.wine"},
      {"/lutris/world-of-tanks/drive_c/Games/World_of_Tanks_EU/",
       "EU, the Lutris prefix ~/lutris/world-of-tanks"},
      {"/Games/wot-na/drive_c/Program Files (x86)/World_of_Tanks_NA/",
       "NA, the Lutris prefix ~/Games/wot-na"},
      {"/Games/locked/drive_c/Games/hidden/", "EU, the Lutris prefix ~/Games/locked"},
      {"/Clients/Proton/", "EU, the Proton prefix ~/SteamLibrary/steamapps/compatdata/1407200/pfx"},
      {"/" + bottle + "/drive_c/Games/World_of_Tanks_RU/", "RU, the Bottles prefix ~/" + bottle},
      {"/PortProton/data/prefixes/DEFAULT/drive_c/Games/Tanki/",
       "RU, the PortProton prefix ~/PortProton/data/prefixes/DEFAULT"},
      {"/" + steam + "/steamapps/common/World of Tanks/", "EU, the Steam library ~/" + steam},
  };
  if (geteuid() != 0) expected.erase(expected.begin() + 4);
  // ~/Games/* in listing order.
  std::sort(found.begin() + 3, found.end() - 4);
  std::sort(expected.begin() + 3, expected.end() - 4);
  EXPECT_EQ(found, expected);
  EXPECT_NE(
      std::find(search.Searched.begin(), search.Searched.end(), "the Lutris prefix ~/Games/broken"),
      search.Searched.end());
}

TEST_F(ClientSearchTest, WindowsRegistryAndDefaultFolders) {
  MakeClient("Games/World_of_Tanks_EU", "EU");
  MakeClient("Games/World_of_Tanks_NA", "NA", true);
  MakeClient("Other/WoT", "RU");
  test::WriteText(Home("Games/Not a client/readme.txt"), "x");
  const std::string programs = home_.ProgramPath();
  std::map<std::string, std::string> registry = {
      {"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WOT.NA.PRODUCTION",
       programs + "Games\\World_of_Tanks_NA\\win64"},
      {"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WOT.RU.PRODUCTION",
       programs + "nowhere"},
      {".wotreplay\\DefaultIcon", "\"" + programs + "Other\\WoT\\WorldOfTanks.exe\",0"},
  };
  RClientPlaces places;
  places.Registry = true;
  places.DefaultFolders = {programs + "Games\\", programs + "missing\\"};
  const TRegistryReader read = [&registry](RegistryRoot, const std::string& key,
                                           const std::string&) -> std::optional<std::string> {
    const auto found = registry.find(key);
    if (found == registry.end()) return std::nullopt;
    return found->second;
  };
  const RClientSearch search = SearchClients(places, read);
  const std::string games = ToNativePath(programs + "Games");
  std::vector<std::string> found;
  for (const RFoundClient& client : search.Clients) {
    found.push_back(client.Path + " " + client.Realm + ", " + client.Where);
  }
  std::vector<std::string> expected = {
      programs + "Games\\World_of_Tanks_NA\\ NA, the registry (uninstall key WOT.NA.PRODUCTION)",
      programs + "Other\\WoT\\ RU, the registry (.wotreplay file association)",
      programs + "Games\\World_of_Tanks_EU\\ EU, the launcher's default folder " + games};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(search.Searched,
            (std::vector<std::string>{"the registry", games, ToNativePath(programs + "missing")}));
}

TEST(WinePrefixesTest, SteamLibrariesAndLutrisPrefixes) {
  EXPECT_EQ(SteamLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/home/me/.local/share/"
                                "Steam\" \"label\" \"\" } \"1\" { \"PATH\" \"/mnt/g\\\\ames\" } }"),
            (std::vector<std::string>{"/home/me/.local/share/Steam", "/mnt/g\\ames"}));
  // The older form: numbered entries of the outer block; comments.
  EXPECT_EQ(SteamLibraryFolders("\"LibraryFolders\"\n{\n// libraries\n\t\"TimeNextStatsReport\"\t"
                                "\"1700000000\"\n\t\"1\"\t\"/mnt/games\"\n}\n"),
            (std::vector<std::string>{"/mnt/games"}));
  for (const char* broken : {"", "{{{{", "}}}\"path\"", "\"path\" \"/cut", "\"path\" {"}) {
    EXPECT_LE(SteamLibraryFolders(broken).size(), 1u) << broken;
  }
  EXPECT_EQ(LutrisGamePrefix("game:\n  exe: x.exe\n  prefix: \"/home/me/Games/wot\"\r\n"),
            "/home/me/Games/wot");
  EXPECT_EQ(LutrisGamePrefix("game:\n  exe: x.exe\n"), "");
}

}  // namespace
}  // namespace pallograph
