#include "client/WineRegistryFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pallograph {
namespace {

// A user.reg as Wine writes it: header, the root comment, key sections with their time stamps,
// escaped paths, a name outside ASCII, numbers and binary values over continuation lines.
const std::string kUserReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Classes\\\\.wotreplay\\\\DefaultIcon] 1733760000\n"
    "#time=1db4a1e2f3c4d50\n"
    "@=\"\\\"C:\\\\Games\\\\World_of_Tanks_RU\\\\win64\\\\WorldOfTanks.exe\\\",0\"\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\WOT.EU.PRODUCTION] "
    "1733760000\n"
    "#time=1db4a1e2f3c4d50\n"
    "\"DisplayIcon\"=str(2):\"C:\\\\Games\\\\World_of_Tanks_EU\\\\WorldOfTanks.exe,0\"\n"
    "\"EstimatedSize\"=dword:00a00000\n"
    "\"InstallLocation\"=\"C:\\\\Games\\\\\\x0418\\x0433\\x0440\\x044b \\x5766\\x514b\"\n"
    "\"ModifyPath\"=hex(2):43,00,3a,00,5c,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,\\\n"
    "  44,00,61,00,74,00,61,00,00,00\n"
    "\"Publisher\"=\"Wargaming.net \\\"Group\\\"\\t\\101\"\n"
    "\"UninstallString\"=hex(2):22,00,43,00,3a,00,5c,00,\\\n"
    "\"Spoofed\"=\"not a value\"\n"
    "\n"
    "[Software\\\\Wine\\\\a\\]b] 1733760000\n"
    "\"Spoofed\"=\"in its own key\"\n"
    "\"Cut\"=\"C:\\\\Games\\\\World_of_Tan";

TEST(WineRegistryFileTest, ReadsStringValuesOfRealSections) {
  TWineRegistryFile file;
  ASSERT_TRUE(file.Load(kUserReg));
  const std::string uninstall =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WOT.EU.PRODUCTION";
  struct TCase {
    std::string Key;
    std::string Value;
    std::optional<std::string> Text;
  };
  const std::vector<TCase> cases = {
      {"Software\\Classes\\.wotreplay\\DefaultIcon", "",
       "\"C:\\Games\\World_of_Tanks_RU\\win64\\WorldOfTanks.exe\",0"},
      // Key and value names in any case; "\x" units as UTF-8.
      {"SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\wot.eu.production",
       "installlocation", "C:\\Games\\\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B \xE5\x9D\xA6\xE5\x85\x8B"},
      {uninstall, "DisplayIcon", "C:\\Games\\World_of_Tanks_EU\\WorldOfTanks.exe,0"},
      {uninstall, "Publisher", "Wargaming.net \"Group\"\tA"},
      // Numbers and binary data (also REG_EXPAND_SZ written in hex) are no string values; their
      // continuation lines are no values either.
      {uninstall, "EstimatedSize", std::nullopt},
      {uninstall, "ModifyPath", std::nullopt},
      {uninstall, "UninstallString", std::nullopt},
      {uninstall, "Spoofed", std::nullopt},
      {uninstall, "", std::nullopt},
      {"Software\\Wine\\a]b", "Spoofed", "in its own key"},
      // Cut off inside the string.
      {"Software\\Wine\\a]b", "Cut", std::nullopt},
      {"Software\\Classes\\.wotreplay", "", std::nullopt},
      {"", "", std::nullopt},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(file.ReadString(c.Key, c.Value), c.Text) << c.Key << " / " << c.Value;
  }
}

TEST(WineRegistryFileTest, BrokenTextsGiveNothing) {
  const std::string header = "WINE REGISTRY Version 2\n";
  const std::string key =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WOT.EU.PRODUCTION";
  const std::string section =
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\WOT.EU.PRODUCTION]";
  std::string garbage = header;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  for (const std::string& text : std::vector<std::string>{
           "", "WINE REGISTRY", "REGEDIT4\n" + section + "\n\"InstallLocation\"=\"C:\\\\x\"\n",
           header + section.substr(0, 30), header + section + "\n\"InstallLocation\"=",
           header + section + "\n\"InstallLocation\"=\"C:\\\\Games\\",
           header + section + "\n\"InstallLocation\"=\"C:\\\\Games\\x",
           header + section + "\n\"Install", header + "[\\", garbage,
           garbage + "\n" + section + "\n\"InstallLocation\"=\""}) {
    TWineRegistryFile file;
    file.Load(text);
    EXPECT_EQ(file.ReadString(key, "InstallLocation"), std::nullopt) << text.substr(0, 80);
  }
  // A header alone is a registry without keys; another text is none at all.
  TWineRegistryFile file;
  EXPECT_TRUE(file.Load(header));
  EXPECT_FALSE(file.Load("REGEDIT4\n"));
}

}  // namespace
}  // namespace pallograph
