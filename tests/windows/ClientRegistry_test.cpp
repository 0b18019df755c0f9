// The client and launcher lookups against the registry of the test prefix: the keys are written
// here, the lookups only read.
#include "client/ClientRegistry.h"

#include "client/ClientSearch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/PathText.h"
#include "support/TestSupport.h"
#include "windows/support/TestSupportWin32.h"

namespace pallograph {
namespace {

constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

using test::Wide;

// Writes string values under a root key (HKEY_CURRENT_USER unless told) and deletes the key
// again at the end.
class TScopedKey {
 public:
  explicit TScopedKey(const std::string& key, HKEY root = HKEY_CURRENT_USER)
      : root_(root), key_(Wide(key)) {}
  ~TScopedKey() { RegDeleteTreeW(root_, key_.c_str()); }
  TScopedKey(const TScopedKey&) = delete;
  TScopedKey& operator=(const TScopedKey&) = delete;
  void Set(const char* name, const std::string& value) const {
    const std::wstring data = Wide(value);
    ASSERT_EQ(RegSetKeyValueW(root_, key_.c_str(), Wide(name).c_str(), REG_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

 private:
  HKEY root_;
  std::wstring key_;
};

TEST(ClientRegistryTest, UninstallKeyNamesTheClientAboveItsBitnessFolder) {
  test::TTempDir dir;
  test::WriteText(dir.Native("WorldOfTanks.exe"), "MZ");
  test::WriteText(dir.Native("win64/WorldOfTanks.exe"), "MZ");
  const std::string client = dir.ProgramPath();
  EXPECT_EQ(FindClientExeInRegistry(), "");

  // A later installer name is read when the earlier ones are missing.
  const TScopedKey key(std::string(kUninstall) + "WOT.NA.PRODUCTION");
  key.Set("InstallLocation", client + "win64");
  EXPECT_EQ(FindClientExeInRegistry(), client + "WorldOfTanks.exe");
  key.Set("InstallLocation", client + "nowhere");
  EXPECT_EQ(FindClientExeInRegistry(), "");
}

TEST(ClientRegistryTest, LauncherFromItsUninstallIcon) {
  test::TTempDir dir;
  // A folder in Cyrillic and Chinese: the value's UTF-16 becomes the program's UTF-8 path.
  const std::string folder = "\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B \xE5\x9D\xA6\xE5\x85\x8B";
  test::WriteText(dir.Native(folder + "/wgc.exe"), "MZ");
  const std::string launcher = dir.ProgramPath() + folder + "\\wgc.exe";
  const TScopedKey key(std::string(kUninstall) + "Wargaming.net Game Center");
  key.Set("DisplayIcon", launcher + ",0");
  EXPECT_EQ(FindGameCenterExe(), launcher);
}

TEST(ClientRegistryTest, SearchFindsEveryRegisteredClientAndTheDefaultFolders) {
  test::TTempDir dir;
  for (const char* client : {"EU", "Replays", "Games/World_of_Tanks_NA"}) {
    test::WriteText(dir.Native(std::string(client) + "/WorldOfTanks.exe"), "MZ");
    test::WriteText(dir.Native(std::string(client) + "/res/packages/shared_content.pkg"), "PK");
  }
  test::WriteText(dir.Native("EU/win64/WorldOfTanks.exe"), "MZ");
  const std::string root = dir.ProgramPath();
  const TScopedKey eu(std::string(kUninstall) + "WOT.EU.PRODUCTION");
  eu.Set("InstallLocation", root + "EU\\win64");
  const TScopedKey ru(std::string(kUninstall) + "WOT.RU.PRODUCTION");
  ru.Set("InstallLocation", root + "nowhere");
  const TScopedKey replay(".wotreplay\\DefaultIcon", HKEY_CLASSES_ROOT);
  replay.Set("", "\"" + root + "Replays\\WorldOfTanks.exe\",0");

  const RClientPlaces system = SystemClientPlaces();
  EXPECT_TRUE(system.Registry);
  EXPECT_FALSE(system.WinePrefixes);
  EXPECT_NE(std::find(system.DefaultFolders.begin(), system.DefaultFolders.end(), "C:\\Games\\"),
            system.DefaultFolders.end());

  RClientPlaces places;
  places.Registry = true;
  places.DefaultFolders = {root + "Games\\"};
  std::vector<std::string> found;
  for (const RFoundClient& client : SearchClients(places, ReadRegistryString).Clients) {
    found.push_back(client.Path + " " + client.Where);
  }
  EXPECT_EQ(found, (std::vector<std::string>{
                       root + "EU\\ the registry (uninstall key WOT.EU.PRODUCTION)",
                       root + "Replays\\ the registry (.wotreplay file association)",
                       root + "Games\\World_of_Tanks_NA\\ the launcher's default folder " + root +
                           "Games"}));
}

}  // namespace
}  // namespace pallograph
