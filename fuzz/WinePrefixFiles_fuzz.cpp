// The files the client search reads in other programs' folders: a Wine prefix's registry file,
// Steam's libraryfolders.vdf and a Lutris game config, as they may be found: any bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "client/WinePrefixes.h"
#include "client/WineRegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TWineRegistryFile file;
  file.Load("WINE REGISTRY Version 2\n" + std::string(text));
  for (const char* key :
       {"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WOT.EU.PRODUCTION", "a", ""}) {
    for (const char* value : {"InstallLocation", ""}) {
      const auto found = file.ReadString(key, value);
      // Each escape or byte gives at most four bytes of UTF-8.
      if (found && found->size() > 4 * size) __builtin_trap();
    }
  }
  for (const std::string& folder : SteamLibraryFolders(text)) {
    if (folder.size() > size) __builtin_trap();
  }
  if (LutrisGamePrefix(text).size() > size) __builtin_trap();
  return 0;
}
