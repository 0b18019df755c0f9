// The client and launcher lookups against the registry of the test prefix: the keys are written
// here, the lookups only read.
#include "client/ClientRegistry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/PathText.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Writes string values under HKEY_CURRENT_USER and deletes the key again at the end.
class TScopedKey {
 public:
  explicit TScopedKey(std::string key) : key_(std::move(key)) {}
  ~TScopedKey() { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }
  TScopedKey(const TScopedKey&) = delete;
  TScopedKey& operator=(const TScopedKey&) = delete;
  void Set(const char* name, const std::string& value) const {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), name, REG_SZ, value.c_str(),
                              static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
  }

 private:
  std::string key_;
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
  test::WriteText(dir.Native("wgc.exe"), "MZ");
  const std::string launcher = dir.ProgramPath() + "wgc.exe";
  const TScopedKey key(std::string(kUninstall) + "Wargaming.net Game Center");
  key.Set("DisplayIcon", launcher + ",0");
  EXPECT_EQ(FindGameCenterExe(), launcher);
}

}  // namespace
}  // namespace pallograph
